// SPDX-License-Identifier: MIT
#include "ui/win32/open_dialog.h"

#include <commdlg.h>

#include <cstring>

#include "ui/win32/resource_ids.h"
#include "ui/win32/settings.h"

namespace korvane::win32 {

namespace {

// The options of the dialog on show (there is one at a time).
struct HookState {
    std::wstring help_file;
    int chosen_flags = 0;
    bool web_pages = false;
    bool html_help = false;
};
HookState* g_hook = nullptr;

bool checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

// With For Print on, the print options show; off, Avoid SHG-Files does.
// Hidden boxes keep their state.
void apply_visibility(HWND dialog, bool for_print) {
    ShowWindow(GetDlgItem(dialog, IDC_PAGE_BREAK), for_print ? SW_SHOW : SW_HIDE);
    ShowWindow(GetDlgItem(dialog, IDC_JUMPS), for_print ? SW_SHOW : SW_HIDE);
    ShowWindow(GetDlgItem(dialog, IDC_AVOID_SHG), for_print ? SW_HIDE : SW_SHOW);
}

// A web site or an HTML Help file takes none of the other options: their
// boxes are greyed while Web Pages or HTML Help is checked, and checking
// one of the two clears the other.
void apply_web_output(HWND dialog, int clicked) {
    if (clicked && checked(dialog, clicked)) {
        CheckDlgButton(dialog, clicked == IDC_WEB_PAGES ? IDC_HTML_HELP : IDC_WEB_PAGES, BST_UNCHECKED);
    }
    const bool web = checked(dialog, IDC_WEB_PAGES) || checked(dialog, IDC_HTML_HELP);
    for (int id : {IDC_FOR_PRINT, IDC_PAGE_BREAK, IDC_AVOID_SHG, IDC_JUMPS}) EnableWindow(GetDlgItem(dialog, id), !web);
}

UINT_PTR CALLBACK option_hook(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    if (message == WM_INITDIALOG) {
        DialogOptions o = read_dialog_options();
        CheckDlgButton(dialog, IDC_PAGE_BREAK, o.page_break ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dialog, IDC_JUMPS, o.jumps ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dialog, IDC_FOR_PRINT, o.for_print ? BST_CHECKED : BST_UNCHECKED);
        apply_visibility(dialog, o.for_print);
        CheckDlgButton(dialog, IDC_WEB_PAGES, o.web_pages ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dialog, IDC_HTML_HELP, o.html_help ? BST_CHECKED : BST_UNCHECKED);
        apply_web_output(dialog, 0);
    } else if (message == WM_COMMAND) {
        switch (LOWORD(wparam)) {
        case IDC_FOR_PRINT: apply_visibility(dialog, checked(dialog, IDC_FOR_PRINT)); break;
        case IDC_WEB_PAGES:
        case IDC_HTML_HELP: apply_web_output(dialog, LOWORD(wparam)); break;
        case IDC_HELP_BUTTON:
            if (g_hook) show_help_file(g_hook->help_file);
            apply_visibility(dialog, checked(dialog, IDC_FOR_PRINT));
            break;
        case IDOK: {
            DialogOptions o;
            o.for_print = checked(dialog, IDC_FOR_PRINT);
            o.page_break = checked(dialog, IDC_PAGE_BREAK);
            o.jumps = checked(dialog, IDC_JUMPS);
            o.web_pages = checked(dialog, IDC_WEB_PAGES);
            o.html_help = checked(dialog, IDC_HTML_HELP);
            if (g_hook) {
                g_hook->chosen_flags = convert_flags(o.for_print, o.page_break, o.jumps, checked(dialog, IDC_AVOID_SHG));
                g_hook->web_pages = o.web_pages;
                g_hook->html_help = o.html_help;
            }
            write_dialog_options(o);
            break;
        }
        default: break;
        }
    }
    // The help the Help button showed is a page in the browser, which stays
    // when the dialog ends.
    return FALSE;  // the dialog goes on handling every message
}

}  // namespace

std::wstring template_caption(HINSTANCE instance, int template_id) {
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(template_id), MAKEINTRESOURCEW(5));  // RT_DIALOG
    if (!found) return {};
    DWORD size = SizeofResource(instance, found);
    const auto* words = static_cast<const WORD*>(LockResource(LoadResource(instance, found)));
    if (!words || size < 18) return {};
    // DLGTEMPLATE: style, extended style, count, x, y, cx, cy (18 bytes);
    // then the menu and the class, each none (0), an ordinal (0xFFFF, n) or
    // a string; then the caption.
    size_t at = 9, end = size / 2;
    for (int field = 0; field < 2 && at < end; ++field) {
        if (words[at] == 0) {
            ++at;
        } else if (words[at] == 0xFFFF) {
            at += 2;
        } else {
            while (at < end && words[at] != 0) ++at;
            ++at;
        }
    }
    std::wstring caption;
    while (at < end && words[at] != 0) caption += static_cast<wchar_t>(words[at++]);
    return caption;
}

std::optional<OpenChoice> run_open_dialog(HINSTANCE instance, DialogLanguage language, const std::wstring& help_file) {
    // A path longer than the 99 characters of the Windows 3.1 dialog's
    // buffer is common today; the buffer takes a full path.
    static const wchar_t kPreset[] = L"*.HLP;*.MVB;*.M13";
    std::wstring file(1024, L'\0');
    std::memcpy(file.data(), kPreset, sizeof kPreset);
    static const wchar_t kFilters[] =
        L"Supported Files (*.HLP;*.MVB;*.M13)\0*.HLP;*.MVB;*.M13\0HLP WinHelp File (*.HLP)\0*.HLP\0";
    std::wstring caption = template_caption(instance, language.dialog_base);

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hInstance = instance;
    ofn.lpstrFilter = kFilters;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    // The template's own caption: without a title the dialog would show
    // its default one.
    ofn.lpstrTitle = caption.empty() ? nullptr : caption.c_str();
    ofn.Flags = OFN_SHOWHELP | OFN_ENABLEHOOK | OFN_ENABLETEMPLATE | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;  // 0x1870
    ofn.lpfnHook = option_hook;
    ofn.lpTemplateName = MAKEINTRESOURCEW(language.dialog_base);

    HookState state;
    state.help_file = help_file;
    g_hook = &state;
    BOOL confirmed = GetOpenFileNameW(&ofn);
    g_hook = nullptr;
    if (!confirmed) return std::nullopt;
    OpenChoice choice;
    choice.path = file.c_str();
    choice.options.flags = state.chosen_flags;
    choice.options.kind = state.web_pages   ? OutputKind::site
                          : state.html_help ? OutputKind::html_help
                                            : rtf_kind(state.chosen_flags);
    return choice;
}

std::wstring program_path() {
    std::wstring path(32768, L'\0');
    DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(n);
    return path;
}

std::wstring program_folder() {
    std::wstring path = program_path();
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

void show_help_file(const std::wstring& help_file) {
    std::wstring command = L"\"" + program_path() + L"\" --read \"" + help_file + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
}

}  // namespace korvane::win32
