// SPDX-License-Identifier: MIT
// The tests of korvane.exe's dialogs, run under Wine (or on Windows): the
// "Prog" bar painted into a bitmap and compared with the arithmetic of its
// split and text; the open dialog and the progress dialog of the real
// program, driven through their control ids.
//
// Usage: korvane_gui_test KORVANE.EXE WORK_FOLDER SMALL.HLP LARGE.HLP
//        korvane_gui_test --record-url FILE URL   (the stand-in browser)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "base/format.h"
#include "base/messages.h"
#include "ui/win32/progress.h"
#include "ui/win32/resource_ids.h"
#include "ui/win32/settings.h"
#include "ui/win32/wide_text.h"

using namespace korvane::win32;

namespace {

int g_passed = 0, g_failed = 0;

void check(bool ok, const std::string& what) {
    if (ok) {
        ++g_passed;
    } else {
        ++g_failed;
        std::printf("FAILED: %s\n", what.c_str());
        std::fflush(stdout);
    }
}

constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kWhite = RGB(255, 255, 255);

// ---------------------------------------------------------------------------
// The "Prog" bar: its arithmetic, and the bar painted in this process.

void pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

void test_progress_bar() {
    // split = width * position / range + 1 in 16 bits, the position no more
    // than the range, range 0 as 1; the per cent rounded, right-aligned.
    const struct {
        int width;
        uint16_t range, position;
        int split;
        const wchar_t* text;
    } layouts[] = {{200, 100, 0, 1, L"  0%"},      {200, 100, 50, 101, L" 50%"},   {200, 100, 150, 201, L"100%"},
                   {200, 0, 0, 1, L"  0%"},        {200, 0, 7, 201, L"100%"},      {200, 300, 100, 67, L" 33%"},
                   {200, 3, 2, 134, L" 67%"},      {199, 200, 1, 1, L"  1%"},      {140000, 1, 1, 8929, L"100%"},
                   {1000, 1000, 999, 1000, L"100%"}, {1000, 1000, 994, 995, L" 99%"}, {0, 10, 5, 1, L" 50%"}};
    for (const auto& l : layouts) {
        const BarLayout got = bar_layout(l.width, l.range, l.position);
        check(got.split == l.split && got.text == l.text,
              "bar " + std::to_string(l.width) + " pixels, " + std::to_string(l.position) + " of " + std::to_string(l.range) +
                  ": column " + std::to_string(got.split) + " \"" + narrow(got.text) + "\"");
    }

    HINSTANCE instance = GetModuleHandleW(nullptr);
    register_progress_bar_class(instance);
    HWND bar = CreateWindowExW(WS_EX_TOPMOST, L"Prog", L"", WS_POPUP | WS_VISIBLE, 10, 10, 200, 40, nullptr, nullptr,
                               instance, nullptr);
    check(bar != nullptr, "a Prog window is created");
    if (!bar) return;
    check(GetWindowWord(bar, 0) == 100 && GetWindowWord(bar, 2) == 0, "a new bar has range 100 and position 0");
    RECT r;
    GetClientRect(bar, &r);
    HDC dc = GetDC(bar);
    // Blue left of the split and white from it; the text, centred, white
    // on the blue part and blue on the white part.
    for (uint16_t position : {0, 50, 100}) {
        SendMessageW(bar, kProgSetPosition, position, 0);
        pump();
        const BarLayout l = bar_layout(r.right, 100, position);
        SIZE size{};
        GetTextExtentPoint32W(dc, l.text.c_str(), 4, &size);
        const int tx = (r.right - size.cx) / 2, ty = (r.bottom - size.cy) / 2;
        int wrong = 0, white_ink = 0, blue_ink = 0;
        for (int y = 0; y < r.bottom; ++y) {
            for (int x = 0; x < r.right; ++x) {
                const COLORREF p = GetPixel(dc, x, y), ground = x < l.split ? kBlue : kWhite;  // as on the screen
                if (x >= tx && x < tx + size.cx && y >= ty && y < ty + size.cy) {
                    white_ink += x < l.split && p == kWhite;
                    blue_ink += x >= l.split && p == kBlue;
                } else {
                    wrong += p != ground;
                }
            }
        }
        const std::string name = "bar at " + std::to_string(position) + "%";
        check(wrong == 0, name + ": blue left of column " + std::to_string(l.split) + " and white from it (" +
                              std::to_string(wrong) + " pixels otherwise)");
        check((tx >= l.split || white_ink > 0) && (tx + size.cx <= l.split || blue_ink > 0),
              name + ": the text white on blue and blue on white");
    }
    ReleaseDC(bar, dc);
    // Advance adds to the position in 16 bits.
    SendMessageW(bar, kProgSetPosition, 10, 0);
    SendMessageW(bar, kProgAdvance, 15, 0);
    check(GetWindowWord(bar, 2) == 25, "advance 15 from 10 gives 25");
    SendMessageW(bar, kProgAdvance, 0xFFFF, 0);
    check(GetWindowWord(bar, 2) == 24, "advance by 0xFFFF wraps to one less");
    DestroyWindow(bar);
}

// ---------------------------------------------------------------------------
// The real program.

std::wstring g_korvane, g_work, g_small, g_large, g_log;

PROCESS_INFORMATION start(const std::wstring& arguments) {
    PROCESS_INFORMATION p{};
    std::wstring command = L"\"" + g_korvane + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    SetEnvironmentVariableW(L"KORVANE_CONVERSION_LOG", g_log.c_str());
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, g_work.c_str(), &si, &p)) p = {};
    return p;
}

// The exit code once the program ended within seconds, else -1 (it is
// then ended).
int exit_code(PROCESS_INFORMATION& p, DWORD seconds = 60) {
    if (!p.hProcess) return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(p.hProcess, seconds * 1000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(p.hProcess, &code);
    } else {
        TerminateProcess(p.hProcess, 99);
        WaitForSingleObject(p.hProcess, 5000);
    }
    CloseHandle(p.hProcess);
    CloseHandle(p.hThread);
    p = {};
    return static_cast<int>(code);
}

std::wstring window_text(HWND window) {
    wchar_t text[512] = L"";
    GetWindowTextW(window, text, 512);
    return text;
}

bool wait_for(const std::function<bool()>& condition, DWORD milliseconds = 60000) {
    for (DWORD waited = 0; waited < milliseconds; waited += 20) {
        if (condition()) return true;
        Sleep(20);
    }
    return false;
}

// A visible top-level window with the caption (one program runs at a time),
// waited for.
HWND find_window(const wchar_t* caption, DWORD milliseconds = 20000, const wchar_t* window_class = nullptr) {
    HWND found = nullptr;
    wait_for([&] { return (found = FindWindowW(window_class, caption)) && IsWindowVisible(found); }, milliseconds);
    return found && IsWindowVisible(found) ? found : nullptr;
}

bool is_checked(HWND dialog, int id) { return SendDlgItemMessageW(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }
bool visible(HWND dialog, int id) { return IsWindowVisible(GetDlgItem(dialog, id)) != FALSE; }
void click(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

// Confirms the open dialog with the help file.
void confirm(HWND dialog, const std::wstring& file) {
    SendDlgItemMessageW(dialog, 1152, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(file.c_str()));
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}

std::string read_file(const std::wstring& path) {
    std::ifstream f{std::filesystem::path(path), std::ios::binary};
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// The last line of the conversion log, the conversion this run started.
std::string last_conversion() {
    std::string log = read_file(g_log);
    while (!log.empty() && (log.back() == '\n' || log.back() == '\r')) log.pop_back();
    return log.substr(log.rfind('\n') + 1);
}

// The progress dialog once it reads "&Ok" (the conversion is done).
HWND wait_finished(const wchar_t* caption = L"Help-File conversion") {
    HWND progress = find_window(caption, 60000);
    return progress && wait_for([&] { return window_text(GetDlgItem(progress, IDOK)) == L"&Ok"; }) ? progress : nullptr;
}

bool has_line(const std::string& text, const std::string& line) { return text.find(line + "\r\n") != std::string::npos; }

// One run of the open dialog in English: the boxes clicked, the flags
// expected, the dialog ended by the key.
void dialog_run(const std::string& name, const std::function<void(HWND)>& set_boxes, unsigned flags,
                const char* kind, WPARAM finishing_key) {
    PROCESS_INFORMATION p = start(L"");
    HWND dialog = find_window(L"Convert HLP-File to RTF");
    check(dialog != nullptr, name + ": the open dialog shows with its caption");
    if (!dialog) {
        exit_code(p, 1);
        return;
    }
    set_boxes(dialog);
    confirm(dialog, g_small);
    HWND progress = wait_finished();
    check(progress != nullptr, name + ": the progress dialog ends with \"&Ok\"");
    check(last_conversion() == korvane::format("flags=0x%02X kind=%s file=%s folder=%s", flags, kind, narrow(g_small),
                                               narrow(g_small.substr(0, g_small.find_last_of(L'\\') + 1))),
          name + korvane::format(": converts with 0x%02X beside the file (", flags) + last_conversion() + ")");
    if (progress) {
        HWND button = GetDlgItem(progress, IDOK);
        wchar_t phase[128] = L"";
        GetDlgItemTextW(progress, IDC_PHASE, phase, 128);
        check(GetDlgItem(progress, IDCANCEL) == nullptr && (GetWindowLongW(button, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON &&
                  phase[0] != 0,
              name + ": the button is the default button 1, the phase text shows");
        PostMessageW(button, WM_KEYDOWN, finishing_key, 0);
        PostMessageW(button, WM_KEYUP, finishing_key, 0);
    }
    check(exit_code(p, 20) == 2, name + ": exit code 2 after the key");
}

void test_open_dialog() {
    DeleteFileW(settings_path().c_str());
    WriteProfileStringW(L"Intl", L"sLanguage", L"ENG");
    // First run: the defaults; For Print off and on again: the boxes take
    // turns and keep their state. Each print option alone gives its flag.
    dialog_run(
        "first run",
        [](HWND d) {
            check(is_checked(d, IDC_FOR_PRINT) && !is_checked(d, IDC_PAGE_BREAK) && !is_checked(d, IDC_JUMPS) &&
                      !is_checked(d, IDC_WEB_PAGES),
                  "first run: For Print alone checked");
            check(visible(d, IDC_PAGE_BREAK) && visible(d, IDC_JUMPS) && !visible(d, IDC_AVOID_SHG) && visible(d, IDC_WEB_PAGES),
                  "first run: the print options show, Avoid SHG-Files is hidden");
            wchar_t name[128] = L"", first[128] = L"";
            GetDlgItemTextW(d, 1152, name, 128);
            check(std::wstring(name) == L"*.HLP;*.MVB;*.M13", "the file name field is preset");
            HWND types = GetDlgItem(d, 1136);
            SendMessageW(types, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(first));
            check(SendMessageW(types, CB_GETCOUNT, 0, 0) == 2 && SendMessageW(types, CB_GETCURSEL, 0, 0) == 0 &&
                      std::wstring(first) == L"Supported Files (*.HLP;*.MVB;*.M13)",
                  "two file types, the supported files first and chosen");
            check(window_text(GetDlgItem(d, IDOK)) == L"C&onvert!" && window_text(GetDlgItem(d, IDC_HELP_BUTTON)) == L"&Help",
                  "the English buttons");
            click(d, IDC_PAGE_BREAK);
            click(d, IDC_FOR_PRINT);
            check(!visible(d, IDC_PAGE_BREAK) && !visible(d, IDC_JUMPS) && visible(d, IDC_AVOID_SHG),
                  "For Print off: the print options hide, Avoid SHG-Files shows");
            click(d, IDC_FOR_PRINT);
            check(visible(d, IDC_PAGE_BREAK) && visible(d, IDC_JUMPS) && !visible(d, IDC_AVOID_SHG),
                  "For Print on: the print options show again");
            check(is_checked(d, IDC_PAGE_BREAK), "a hidden box keeps its check");
        },
        0x17, "print", VK_RETURN);
    std::string ini = read_file(settings_path());
    check(has_line(ini, "ForPrint=1") && has_line(ini, "PageBreak=1") && has_line(ini, "Jumps=0") &&
              ini.find("PageBreak") < ini.find("ForPrint") && ini.find("ForPrint") < ini.find("Jumps"),
          "first run: the keys PageBreak, ForPrint, Jumps are written in this order (" + ini + ")");

    dialog_run("project mode", [](HWND d) { click(d, IDC_FOR_PRINT); }, 0x38, "sources", VK_RETURN);
    check(has_line(read_file(settings_path()), "ForPrint=0"), "For Print off is kept");
    dialog_run(
        "project mode, no SHG",
        [](HWND d) {
            check(!is_checked(d, IDC_FOR_PRINT) && visible(d, IDC_AVOID_SHG) && !visible(d, IDC_PAGE_BREAK),
                  "the kept For Print off starts the next dialog");
            click(d, IDC_AVOID_SHG);
        },
        0x39, "sources", VK_ESCAPE);
    dialog_run(
        "print mode with Jump-Reference",
        [](HWND d) {
            check(!is_checked(d, IDC_AVOID_SHG) && is_checked(d, IDC_PAGE_BREAK),
                  "Avoid SHG-Files starts unchecked in every run, Page per Topic as kept");
            for (int id : {IDC_FOR_PRINT, IDC_PAGE_BREAK, IDC_JUMPS}) click(d, id);
        },
        0x27, "print", VK_RETURN);
    ini = read_file(settings_path());
    check(has_line(ini, "ForPrint=1") && has_line(ini, "PageBreak=0") && has_line(ini, "Jumps=1"), "the print options are kept");
    dialog_run(
        "web pages",
        [](HWND d) {
            check(!is_checked(d, IDC_PAGE_BREAK) && is_checked(d, IDC_JUMPS), "the kept print options start as kept");
            click(d, IDC_WEB_PAGES);
            check(!IsWindowEnabled(GetDlgItem(d, IDC_FOR_PRINT)), "Web Pages greys For Print");
        },
        0x27, "site", VK_ESCAPE);
    dialog_run(
        "html help",
        [](HWND d) {
            check(is_checked(d, IDC_WEB_PAGES) && !is_checked(d, IDC_HTML_HELP), "Web Pages is kept");
            click(d, IDC_HTML_HELP);
            check(!is_checked(d, IDC_WEB_PAGES) && !IsWindowEnabled(GetDlgItem(d, IDC_FOR_PRINT)),
                  "HTML Help clears Web Pages and greys For Print");
        },
        0x27, "html_help", VK_ESCAPE);
    ini = read_file(settings_path());
    check(has_line(ini, "Chm=1") && has_line(ini, "Html=0"), "HTML Help is kept, Web Pages not");

    // A cancelled dialog converts nothing and ends with 2.
    const std::string before = read_file(g_log);
    PROCESS_INFORMATION p = start(L"");
    if (HWND dialog = find_window(L"Convert HLP-File to RTF")) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    check(exit_code(p, 20) == 2 && read_file(g_log) == before, "Cancel in the open dialog: nothing converted, exit 2");
}

// The open and the progress dialog in the language of sLanguage: captions
// and texts.
void test_languages() {
    const struct {
        const wchar_t *profile, *open_caption, *convert, *for_print, *progress_caption;
    } cases[] = {
        {L"esn", L"Convertir Fichas HLP -> RTF/HPJ", L"C&onvertir", L"Para &Imprintar", L"Convertir de Ficha Ayuda"},
        {L"DEU", L"HLP-Datei in RTF konvertieren", L"K&onvertieren", L"&Druckgeeignet", L"Konvertierung Hilfetext"},
    };
    for (const auto& c : cases) {
        const std::string name = "sLanguage " + narrow(c.profile);
        WriteProfileStringW(L"Intl", L"sLanguage", c.profile);
        PROCESS_INFORMATION p = start(L"");
        HWND dialog = find_window(c.open_caption);
        check(dialog && window_text(GetDlgItem(dialog, IDOK)) == c.convert &&
                  window_text(GetDlgItem(dialog, IDC_FOR_PRINT)) == c.for_print,
              name + ": the open dialog, its button and box texts in its language");
        if (dialog) confirm(dialog, g_small);
        HWND progress = dialog ? find_window(c.progress_caption, 60000) : nullptr;
        check(progress != nullptr, name + ": the progress dialog in its language");
        if (progress) {
            wait_for([&] { return window_text(GetDlgItem(progress, IDOK)) == L"&Ok"; });
            PostMessageW(progress, WM_COMMAND, IDOK, 0);
        }
        check(exit_code(p, 30) == 2, name + ": exit code 2");
    }
    WriteProfileStringW(L"Intl", L"sLanguage", L"ENG");
}

// The message box the progress dialog asks its question in.
HWND find_question(HWND owner) {
    HWND found = find_window(L"Korvane", 20000, L"#32770");
    return found && GetWindow(found, GW_OWNER) == owner ? found : nullptr;
}

// The files of the large help file's conversion in the work folder.
std::vector<std::wstring> large_outputs() {
    std::vector<std::wstring> names;
    for (const auto& e : std::filesystem::directory_iterator(g_work)) {
        const std::wstring name = e.path().filename().wstring();
        if (_wcsnicmp(name.c_str(), L"MM", 2) == 0 && _wcsicmp(name.c_str(), L"MM.HLP") != 0) names.push_back(e.path().wstring());
    }
    return names;
}

void test_cancel() {
    for (const std::wstring& name : large_outputs()) DeleteFileW(name.c_str());
    // The command-line conversion writes into the work folder.
    PROCESS_INFORMATION p = start(g_large);
    HWND progress = find_window(L"Help-File conversion");
    check(progress != nullptr, "a path on the command line shows the progress dialog");
    std::vector<std::wstring> written;
    if (progress) {
        PostMessageW(progress, WM_COMMAND, IDCANCEL, 0);
        HWND question = find_question(progress);
        wchar_t text[256] = L"";
        GetDlgItemTextW(question, 0xFFFF, text, 256);
        check(std::wstring(text) == L"Do you really want to Cancel the Help-File Conversion",
              "Cancel asks its question, text 41 (" + narrow(text) + ")");
        PostMessageW(question, WM_COMMAND, IDNO, 0);
        check(question && wait_for([&] { return !IsWindow(question); }, 10000), "No closes the question");
        // It goes on and writes; asked again once it has, Yes ends it.
        check(wait_for([&] { return !(written = large_outputs()).empty() || !IsWindow(progress); }) && !written.empty(),
              "after No the conversion goes on writing");
        if (IsWindow(progress)) {
            PostMessageW(progress, WM_COMMAND, IDCANCEL, 0);
            if ((question = find_question(progress))) PostMessageW(question, WM_COMMAND, IDYES, 0);
        }
    }
    const int code = exit_code(p, 60);
    check(code == 1, "Yes ends the program with exit code 1 (" + std::to_string(code) + ")");
    check(!written.empty() && std::all_of(written.begin(), written.end(), [](const std::wstring& name) {
              return GetFileAttributesW(name.c_str()) != INVALID_FILE_ATTRIBUTES;
          }), "the files written so far stay");

    // Without a question, the command line converts and ends with 2.
    const std::wstring project = g_work + L"\\MM.HPJ";
    DeleteFileW(project.c_str());
    PROCESS_INFORMATION whole = start(g_large);
    check(exit_code(whole, 120) == 2, "a path on the command line converts and exits with 2");
    check(last_conversion().starts_with("flags=0x18 kind=sources"), "the command line converts with 0x18");
    check(GetFileAttributesW(project.c_str()) != INVALID_FILE_ATTRIBUTES, "into the current folder");
}

// The program's string table holds the core's texts: English at the id,
// German at id + 512, none missing and none beyond them.
void test_string_table() {
    HMODULE program = LoadLibraryExW(g_korvane.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    int compared = 0;
    for (int id = 1; program && id <= 42; ++id) {
        for (int offset : {0, 512}) {
            const std::string_view core = korvane::message_text(static_cast<korvane::Msg>(id), offset);
            const std::string table = narrow(resource_text(program, id, offset));
            compared += core != "String Id not found";
            check(table == (core == "String Id not found" ? "" : core), "string " + std::to_string(id + offset) + ": " + table);
        }
    }
    check(compared >= 56, "korvane.exe's table holds the texts of both languages (" + std::to_string(compared) + ")");
    if (program) FreeLibrary(program);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 4 && std::wcscmp(argv[1], L"--record-url") == 0) {  // the stand-in browser
        std::ofstream{std::filesystem::path(argv[2]), std::ios::binary} << narrow(argv[3]);
        return 0;
    }
    if (argc < 5) {
        std::fputs("usage: korvane_gui_test KORVANE.EXE WORK_FOLDER SMALL.HLP LARGE.HLP [finish]\n", stderr);
        return 2;
    }
    g_korvane = argv[1];
    g_work = argv[2];
    g_small = argv[3];
    g_large = argv[4];
    g_log = g_work + L"\\conversions.log";
    if (argc > 5) {  // one conversion from the dialog to its end (for the beep's count)
        PROCESS_INFORMATION p = start(L"");
        if (HWND dialog = find_window(L"Convert HLP-File to RTF")) confirm(dialog, g_small);
        HWND progress = wait_finished();
        if (progress) PostMessageW(progress, WM_COMMAND, IDOK, 0);
        return progress && exit_code(p, 20) == 2 ? 0 : 1;
    }
    test_string_table();
    test_progress_bar();
    test_open_dialog();
    test_languages();
    test_cancel();
    std::printf("%d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}
