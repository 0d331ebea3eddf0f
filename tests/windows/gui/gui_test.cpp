// SPDX-License-Identifier: MIT
// The tests of korvane.exe's dialogs, run under Wine (or on Windows): the
// "Prog" bar painted into a bitmap and compared with the arithmetic of its
// split and text; the open dialog and the progress dialog of the real
// program, driven through their control ids.
//
// Usage: korvane_gui_test KORVANE.EXE WORK_FOLDER SMALL.HLP LARGE.HLP
//        korvane_gui_test --record-url FILE URL   (the stand-in browser)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "base/messages.h"
#include "ui/win32/open_dialog.h"
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

std::string hex(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

// ---------------------------------------------------------------------------
// The "Prog" bar, painted in this process.

constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kWhite = RGB(255, 255, 255);

struct Capture {
    int width = 0, height = 0;
    std::vector<COLORREF> pixels;
    COLORREF at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// The client area of window as it is on the screen.
Capture capture_client(HWND window) {
    RECT r;
    GetClientRect(window, &r);
    Capture c;
    c.width = r.right;
    c.height = r.bottom;
    HDC screen = GetDC(window);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = c.width;
    bi.bmiHeader.biHeight = -c.height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, c.width, c.height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* p = static_cast<const uint8_t*>(bits);
    for (int i = 0; i < c.width * c.height; ++i) c.pixels.push_back(RGB(p[i * 4 + 2], p[i * 4 + 1], p[i * 4]));
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, screen);
    return c;
}

void pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

// One state of the bar: the split column and the text's box from the
// arithmetic, the colours of the capture on each side.
void check_bar(HWND bar, uint16_t range, uint16_t position, int expect_split, const wchar_t* expect_text) {
    SendMessageW(bar, kProgSetRange, range, 0);
    SendMessageW(bar, kProgSetPosition, position, 0);
    pump();
    Capture c = capture_client(bar);
    std::string name = "bar range " + std::to_string(range) + " position " + std::to_string(position);
    int split = std::min(expect_split, c.width);

    // The text's box, measured in the font the window paints with.
    HDC dc = GetDC(bar);
    SIZE size{};
    GetTextExtentPoint32W(dc, expect_text, 4, &size);
    ReleaseDC(bar, dc);
    int tx = (c.width - size.cx) / 2, ty = (c.height - size.cy) / 2;
    auto in_text = [&](int x, int y) { return x >= tx && x < tx + size.cx && y >= ty && y < ty + size.cy; };

    bool ground_ok = true;
    int white_ink = 0, blue_ink = 0, outside_ink = 0;
    for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.width; ++x) {
            COLORREF ground = x < split ? kBlue : kWhite;
            COLORREF ink = x < split ? kWhite : kBlue;
            COLORREF p = c.at(x, y);
            if (!in_text(x, y)) {
                if (p != ground) {
                    if (ground_ok) {
                        std::printf("  %s: pixel (%d, %d) is %06lX, not %06lX\n", name.c_str(), x, y,
                                    static_cast<unsigned long>(p), static_cast<unsigned long>(ground));
                    }
                    ground_ok = false;
                    ++outside_ink;
                }
            } else if (p == ink) {
                (x < split ? white_ink : blue_ink)++;
            }
        }
    }
    check(ground_ok, name + ": blue left of column " + std::to_string(split) + ", white from it, outside the text");
    // The text shows in white on the blue part and in blue on the white
    // part: count the pixels of each where each part meets the text.
    bool text_left = tx < split, text_right = tx + size.cx > split;
    check(!text_left || white_ink > 0, name + ": white letters on the blue part");
    check(!text_right || blue_ink > 0, name + ": blue letters on the white part");
    check(text_left || white_ink == 0, name + ": no white letters where the bar is white");
}

void test_progress_bar() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    register_progress_bar_class(instance);
    register_progress_bar_class(instance);  // twice is harmless
    HWND bar = CreateWindowExW(WS_EX_TOPMOST, L"Prog", L"", WS_POPUP | WS_VISIBLE, 10, 10, 200, 40, nullptr, nullptr,
                               instance, nullptr);
    check(bar != nullptr, "a Prog window is created");
    if (!bar) return;
    RECT r;
    GetClientRect(bar, &r);
    const int w = r.right;
    check(GetWindowWord(bar, 0) == 100 && GetWindowWord(bar, 2) == 0, "a new bar has range 100 and position 0");
    check(GetClassLongW(bar, GCL_STYLE) == (CS_HREDRAW | CS_VREDRAW), "the class repaints on resizing");
    pump();
    // split = width * pos / range + 1; position past the range is the range.
    check_bar(bar, 100, 0, 1, L"  0%");
    check_bar(bar, 100, 50, w * 50 / 100 + 1, L" 50%");
    check_bar(bar, 100, 150, w + 1, L"100%");
    check_bar(bar, 0, 0, 1, L"  0%");
    check_bar(bar, 0, 7, w + 1, L"100%");  // range 0 is range 1
    check_bar(bar, 300, 100, w * 100 / 300 + 1, L" 33%");
    // Advance adds to the position in 16 bits.
    SendMessageW(bar, kProgSetRange, 100, 0);
    SendMessageW(bar, kProgSetPosition, 10, 0);
    SendMessageW(bar, kProgAdvance, 15, 0);
    check(GetWindowWord(bar, 2) == 25, "advance 15 from 10 gives 25");
    SendMessageW(bar, kProgAdvance, 0xFFFF, 0);
    check(GetWindowWord(bar, 2) == 24, "advance by 0xFFFF wraps to one less");
    DestroyWindow(bar);
}

// ---------------------------------------------------------------------------
// The real program.

struct Program {
    PROCESS_INFORMATION pi{};
    bool started = false;
};

std::wstring g_korvane, g_work, g_small, g_large, g_log;

Program start(const std::wstring& arguments) {
    Program p;
    std::wstring command = L"\"" + g_korvane + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    SetEnvironmentVariableW(L"KORVANE_CONVERSION_LOG", g_log.c_str());
    p.started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, g_work.c_str(), &si, &p.pi);
    return p;
}

// The exit code once the program ended within seconds, else -1 (it is
// then ended).
int exit_code(Program& p, DWORD seconds = 60) {
    if (!p.started) return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(p.pi.hProcess, seconds * 1000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(p.pi.hProcess, &code);
    } else {
        TerminateProcess(p.pi.hProcess, 99);
        WaitForSingleObject(p.pi.hProcess, 5000);
    }
    CloseHandle(p.pi.hProcess);
    CloseHandle(p.pi.hThread);
    p.started = false;
    return static_cast<int>(code);
}

std::wstring window_text(HWND window) {
    wchar_t text[512] = L"";
    GetWindowTextW(window, text, 512);
    return text;
}

// A visible top-level window of the program with the caption, waited for.
HWND find_window(const Program& p, const std::wstring& caption, DWORD milliseconds = 20000) {
    struct Search {
        DWORD pid;
        const std::wstring* caption;
        HWND found;
    } s{p.pi.dwProcessId, &caption, nullptr};
    for (DWORD waited = 0; waited < milliseconds; waited += 20) {
        EnumWindows(
            [](HWND w, LPARAM l) -> BOOL {
                auto* s = reinterpret_cast<Search*>(l);
                DWORD pid = 0;
                GetWindowThreadProcessId(w, &pid);
                if (pid == s->pid && IsWindowVisible(w) && window_text(w) == *s->caption) {
                    s->found = w;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&s));
        if (s.found) return s.found;
        Sleep(20);
    }
    return nullptr;
}

bool wait_for(const std::function<bool()>& condition, DWORD milliseconds = 60000) {
    for (DWORD waited = 0; waited < milliseconds; waited += 20) {
        if (condition()) return true;
        Sleep(20);
    }
    return false;
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
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return {};
    std::string bytes;
    char buffer[4096];
    DWORD n;
    while (ReadFile(f, buffer, sizeof buffer, &n, nullptr) && n > 0) bytes.append(buffer, n);
    CloseHandle(f);
    return bytes;
}

// The last line of the conversion log, the conversion this run started.
std::string last_conversion() {
    std::string log = read_file(g_log);
    while (!log.empty() && (log.back() == '\n' || log.back() == '\r')) log.pop_back();
    size_t line = log.rfind('\n');
    return line == std::string::npos ? log : log.substr(line + 1);
}


// Waits until the progress dialog reads "&Ok" (the conversion is done).
HWND wait_finished(const Program& p, const std::wstring& caption) {
    HWND progress = find_window(p, caption, 60000);
    if (!progress) return nullptr;
    bool ok = wait_for([&] { return window_text(GetDlgItem(progress, IDOK)) == L"&Ok"; });
    return ok ? progress : nullptr;
}

// One run of the open dialog in English: the boxes clicked, the flags
// expected, the dialog ended by the key.
void dialog_run(const std::string& name, const std::function<void(HWND)>& set_boxes, unsigned flags,
                const char* kind, WPARAM finishing_key) {
    Program p = start(L"");
    HWND dialog = find_window(p, L"Convert HLP-File to RTF");
    check(dialog != nullptr, name + ": the open dialog shows with its caption");
    if (!dialog) {
        exit_code(p, 1);
        return;
    }
    set_boxes(dialog);
    confirm(dialog, g_small);
    HWND progress = wait_finished(p, L"Help-File conversion");
    check(progress != nullptr, name + ": the progress dialog ends with \"&Ok\"");
    check(last_conversion() == "flags=" + hex(flags) + " kind=" + kind + " file=" + narrow(g_small) +
                                   " folder=" + narrow(g_small.substr(0, g_small.find_last_of(L'\\') + 1)),
          name + ": converts with " + hex(flags) + " beside the file (" + last_conversion() + ")");
    if (progress) {
        HWND button = GetDlgItem(progress, IDOK);
        check(GetDlgItem(progress, IDCANCEL) == nullptr && (GetWindowLongW(button, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON,
              name + ": the button is the default button 1");
        PostMessageW(button, WM_KEYDOWN, finishing_key, 0);
        PostMessageW(button, WM_KEYUP, finishing_key, 0);
    }
    check(exit_code(p, 20) == 2, name + ": exit code 2 after the key");
}

std::string settings_text() { return read_file(settings_path()); }

bool has_line(const std::string& text, const std::string& line) {
    return text.find(line + "\r\n") != std::string::npos || text.find(line + "\n") != std::string::npos;
}

void test_open_dialog() {
    DeleteFileW(settings_path().c_str());
    WriteProfileStringW(L"Intl", L"sLanguage", L"ENG");

    // First run: the defaults.
    {
        Program p = start(L"");
        HWND dialog = find_window(p, L"Convert HLP-File to RTF");
        check(dialog != nullptr, "first run: the open dialog shows");
        if (dialog) {
            check(is_checked(dialog, IDC_FOR_PRINT), "first run: For Print is checked");
            check(visible(dialog, IDC_PAGE_BREAK) && !is_checked(dialog, IDC_PAGE_BREAK),
                  "first run: Page per Topic shows, unchecked");
            check(visible(dialog, IDC_JUMPS) && !is_checked(dialog, IDC_JUMPS), "first run: Jump-Reference shows, unchecked");
            check(!visible(dialog, IDC_AVOID_SHG), "first run: Avoid SHG-Files is hidden");
            check(visible(dialog, IDC_WEB_PAGES) && !is_checked(dialog, IDC_WEB_PAGES), "first run: Web Pages unchecked");
            wchar_t name[128] = L"";
            GetDlgItemTextW(dialog, 1152, name, 128);
            check(std::wstring(name) == L"*.HLP;*.MVB;*.M13", "the file name field is preset");
            HWND types = GetDlgItem(dialog, 1136);
            wchar_t first[128] = L"";
            SendMessageW(types, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(first));
            check(SendMessageW(types, CB_GETCOUNT, 0, 0) == 2 && SendMessageW(types, CB_GETCURSEL, 0, 0) == 0 &&
                      std::wstring(first) == L"Supported Files (*.HLP;*.MVB;*.M13)",
                  "two file types, the supported files first and chosen");
            check(window_text(GetDlgItem(dialog, IDOK)) == L"C&onvert!" &&
                      window_text(GetDlgItem(dialog, IDC_HELP_BUTTON)) == L"&Help",
                  "the English buttons");
            // The place shared by Page per Topic and Avoid SHG-Files.
            RECT a, b;
            GetWindowRect(GetDlgItem(dialog, IDC_PAGE_BREAK), &a);
            GetWindowRect(GetDlgItem(dialog, IDC_AVOID_SHG), &b);
            check(EqualRect(&a, &b), "Page per Topic and Avoid SHG-Files share their place");
            // For Print off and on again: the boxes take turns and keep their state.
            click(dialog, IDC_PAGE_BREAK);
            click(dialog, IDC_FOR_PRINT);
            check(!visible(dialog, IDC_PAGE_BREAK) && !visible(dialog, IDC_JUMPS) && visible(dialog, IDC_AVOID_SHG),
                  "For Print off: the print options hide, Avoid SHG-Files shows");
            click(dialog, IDC_FOR_PRINT);
            check(visible(dialog, IDC_PAGE_BREAK) && visible(dialog, IDC_JUMPS) && !visible(dialog, IDC_AVOID_SHG),
                  "For Print on: the print options show again");
            check(is_checked(dialog, IDC_PAGE_BREAK), "a hidden box keeps its check");
            click(dialog, IDC_PAGE_BREAK);
            confirm(dialog, g_small);
        }
        HWND progress = wait_finished(p, L"Help-File conversion");
        check(progress != nullptr, "first run: the conversion finishes");
        check(last_conversion().rfind("flags=0x07 kind=print", 0) == 0, "first run: flags 0x07 (" + last_conversion() + ")");
        std::string ini = settings_text();
        check(has_line(ini, "ForPrint=1") && has_line(ini, "PageBreak=0") && has_line(ini, "Jumps=0"),
              "first run: the three keys are written (" + ini + ")");
        check(ini.find("PageBreak") < ini.find("ForPrint") && ini.find("ForPrint") < ini.find("Jumps"),
              "the keys are written in the order PageBreak, ForPrint, Jumps");
        if (progress) {
            wchar_t phase[128] = L"";
            GetDlgItemTextW(progress, IDC_PHASE, phase, 128);
            check(phase[0] != 0, "the phase text shows");
            PostMessageW(progress, WM_COMMAND, IDOK, 0);  // the button
        }
        check(exit_code(p, 20) == 2, "first run: exit code 2");
    }

    dialog_run("project mode", [](HWND d) { click(d, IDC_FOR_PRINT); }, 0x38, "sources", VK_RETURN);
    check(has_line(settings_text(), "ForPrint=0"), "For Print off is kept");
    dialog_run(
        "project mode, no SHG",
        [](HWND d) {
            check(!is_checked(d, IDC_FOR_PRINT) && visible(d, IDC_AVOID_SHG) && !visible(d, IDC_PAGE_BREAK),
                  "the kept For Print off starts the next dialog");
            click(d, IDC_AVOID_SHG);
        },
        0x39, "sources", VK_ESCAPE);
    dialog_run(
        "print mode with both options",
        [](HWND d) {
            check(!is_checked(d, IDC_AVOID_SHG), "Avoid SHG-Files starts unchecked in every run");
            click(d, IDC_FOR_PRINT);
            click(d, IDC_PAGE_BREAK);
            click(d, IDC_JUMPS);
        },
        0x37, "print", VK_RETURN);
    std::string ini = settings_text();
    check(has_line(ini, "ForPrint=1") && has_line(ini, "PageBreak=1") && has_line(ini, "Jumps=1"),
          "both print options are kept");
    dialog_run(
        "web pages",
        [](HWND d) {
            check(is_checked(d, IDC_PAGE_BREAK) && is_checked(d, IDC_JUMPS), "the kept print options start checked");
            click(d, IDC_WEB_PAGES);
            check(!IsWindowEnabled(GetDlgItem(d, IDC_FOR_PRINT)), "Web Pages greys For Print");
        },
        0x37, "site", VK_ESCAPE);
    dialog_run(
        "html help",
        [](HWND d) {
            check(is_checked(d, IDC_WEB_PAGES) && !is_checked(d, IDC_HTML_HELP), "Web Pages is kept");
            click(d, IDC_HTML_HELP);
            check(!is_checked(d, IDC_WEB_PAGES), "HTML Help clears Web Pages");
            check(!IsWindowEnabled(GetDlgItem(d, IDC_FOR_PRINT)), "HTML Help greys For Print");
        },
        0x37, "html_help", VK_ESCAPE);
    check(has_line(settings_text(), "Chm=1") && has_line(settings_text(), "Html=0"), "HTML Help is kept, Web Pages not");

    // A cancelled dialog converts nothing and ends with 2.
    {
        std::string before = read_file(g_log);
        Program p = start(L"");
        HWND dialog = find_window(p, L"Convert HLP-File to RTF");
        if (dialog) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        check(exit_code(p, 20) == 2 && read_file(g_log) == before, "Cancel in the open dialog: nothing converted, exit 2");
    }
}

struct LanguageCase {
    const wchar_t* profile;
    const wchar_t* open_caption;
    const wchar_t* convert;
    const wchar_t* for_print;
    const wchar_t* progress_caption;
    const wchar_t* cancel;
    int cancel_x;  // the button's place in dialog units
    int cancel_y;
};

// A place in the dialog units of the progress dialog, in pixels from its
// client area's corner: scaled by the warnings list, 303 units wide, its
// top 76 units down (its height is cut to whole lines).
POINT dialog_units(HWND dialog, int x, int y) {
    RECT frame;
    GetWindowRect(GetDlgItem(dialog, IDC_WARNINGS), &frame);
    POINT origin{0, 0};
    ClientToScreen(dialog, &origin);
    return {MulDiv(x, frame.right - frame.left, 303), MulDiv(y, frame.top - origin.y, 76)};
}

void test_languages() {
    const LanguageCase cases[] = {
        {L"esn", L"Convertir Fichas HLP -> RTF/HPJ", L"C&onvertir", L"Para &Imprintar", L"Convertir de Ficha Ayuda",
         L"&Cancelar", 237, 44},
        {L"DEU", L"HLP-Datei in RTF konvertieren", L"K&onvertieren", L"&Druckgeeignet", L"Konvertierung Hilfetext",
         L"&Abbruch", 238, 40},
    };
    for (const LanguageCase& c : cases) {
        std::string name = "sLanguage " + narrow(c.profile);
        WriteProfileStringW(L"Intl", L"sLanguage", c.profile);
        Program p = start(L"");
        HWND dialog = find_window(p, c.open_caption);
        check(dialog != nullptr, name + ": the open dialog in its language");
        if (!dialog) {
            exit_code(p, 1);
            continue;
        }
        check(window_text(GetDlgItem(dialog, IDOK)) == c.convert && window_text(GetDlgItem(dialog, IDC_FOR_PRINT)) == c.for_print,
              name + ": its button and box texts");
        confirm(dialog, g_small);
        HWND progress = find_window(p, c.progress_caption, 60000);
        check(progress != nullptr, name + ": the progress dialog in its language");
        if (progress) {
            HWND button = GetDlgItem(progress, IDCANCEL);
            if (!button) button = GetDlgItem(progress, IDOK);
            RECT r;
            GetWindowRect(button, &r);
            POINT origin{0, 0};
            ClientToScreen(progress, &origin);
            POINT place = dialog_units(progress, c.cancel_x, c.cancel_y);
            check(std::abs(r.left - origin.x - place.x) <= 1 && std::abs(r.top - origin.y - place.y) <= 1,
                  name + ": the button's place (" + std::to_string(r.left - origin.x) + ", " +
                      std::to_string(r.top - origin.y) + " for " + std::to_string(place.x) + ", " +
                      std::to_string(place.y) + ")");
            wait_for([&] { return window_text(GetDlgItem(progress, IDOK)) == L"&Ok"; });
            PostMessageW(progress, WM_COMMAND, IDOK, 0);
        }
        check(exit_code(p, 30) == 2, name + ": exit code 2");
    }
    WriteProfileStringW(L"Intl", L"sLanguage", L"ENG");
}

// The message box the progress dialog asks its question in.
HWND find_question(const Program& p, HWND owner) {
    HWND found = nullptr;
    wait_for(
        [&] {
            HWND w = find_window(p, L"Korvane", 20);
            if (w && GetWindow(w, GW_OWNER) == owner) found = w;
            return found != nullptr;
        },
        20000);
    return found;
}

// The files of the large help file's conversion in the work folder.
std::vector<std::wstring> large_outputs() {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((g_work + L"\\MM*.*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        std::wstring name = found.cFileName;
        if (name != L"MM.HLP") names.push_back(g_work + L"\\" + name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

void test_cancel() {
    for (const std::wstring& name : large_outputs()) DeleteFileW(name.c_str());
    // The command-line conversion writes into the work folder.
    std::wstring project = g_work + L"\\MM.HPJ";
    Program p = start(g_large);
    HWND progress = find_window(p, L"Help-File conversion", 20000);
    check(progress != nullptr, "a path on the command line shows the progress dialog");
    std::vector<std::wstring> written;
    if (progress) {
        PostMessageW(progress, WM_COMMAND, IDCANCEL, 0);
        HWND question = find_question(p, progress);
        check(question != nullptr, "Cancel asks its question");
        if (question) {
            wchar_t text[256] = L"";
            GetDlgItemTextW(question, 0xFFFF, text, 256);
            check(std::wstring(text) == L"Do you really want to Cancel the Help-File Conversion",
                  "the question is text 41 (" + narrow(text) + ")");
            PostMessageW(question, WM_COMMAND, IDNO, 0);
            check(wait_for([&] { return !IsWindow(question); }, 10000), "No closes the question");
        }
        // It goes on and writes; asked again once it has, Yes ends it.
        check(wait_for([&] { return !(written = large_outputs()).empty() || !IsWindow(progress); }) && !written.empty(),
              "after No the conversion goes on writing");
        if (IsWindow(progress)) {
            PostMessageW(progress, WM_COMMAND, IDCANCEL, 0);
            question = find_question(p, progress);
            if (question) PostMessageW(question, WM_COMMAND, IDYES, 0);
        }
    }
    int code = exit_code(p, 60);
    check(code == 1, "Yes ends the program with exit code 1 (" + std::to_string(code) + ")");
    bool stayed = !written.empty();
    for (const std::wstring& name : written) stayed = stayed && GetFileAttributesW(name.c_str()) != INVALID_FILE_ATTRIBUTES;
    check(stayed, "the files written so far stay");

    // Without a question, the command line converts and ends with 2.
    DeleteFileW(project.c_str());
    Program whole = start(g_large);
    check(exit_code(whole, 120) == 2, "a path on the command line converts and exits with 2");
    check(last_conversion().rfind("flags=0x18 kind=sources", 0) == 0, "the command line converts with 0x18");
    check(GetFileAttributesW(project.c_str()) != INVALID_FILE_ATTRIBUTES, "into the current folder");
}

// The program's string table holds the core's texts: English at the id,
// German at id + 512, none missing and none beyond them.
void test_string_table() {
    HMODULE program = LoadLibraryExW(g_korvane.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    check(program != nullptr, "korvane.exe's resources load");
    if (!program) return;
    int compared = 0;
    for (int id = 1; id <= 42; ++id) {
        for (int offset : {0, 512}) {
            std::string_view core = korvane::message_text(static_cast<korvane::Msg>(id), offset);
            std::wstring table = resource_text(program, id, offset);
            if (core == "String Id not found") {
                check(table.empty(), "no string " + std::to_string(id + offset) + " where the core has none");
            } else {
                check(narrow(table) == core, "string " + std::to_string(id + offset) + " is the core's text");
                ++compared;
            }
        }
    }
    check(compared >= 56, "the table holds the texts of both languages (" + std::to_string(compared) + ")");
    check(template_caption(program, IDD_OPEN_GERMAN) == L"HLP-Datei in RTF konvertieren" &&
              template_caption(program, IDD_OPEN_SPANISH) == L"Convertir Fichas HLP -> RTF/HPJ",
          "the dialog captions as the templates hold them");
    FreeLibrary(program);
}

// One conversion from the dialog to its end (for the beep's count).
void test_finish() {
    Program p = start(L"");
    HWND dialog = find_window(p, L"Convert HLP-File to RTF");
    if (dialog) confirm(dialog, g_small);
    HWND progress = wait_finished(p, L"Help-File conversion");
    if (progress) PostMessageW(progress, WM_COMMAND, IDOK, 0);
    check(progress && exit_code(p, 20) == 2, "a conversion from the dialog to its end");
}

int record_url(const wchar_t* file, const wchar_t* url) {
    HANDLE f = CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return 1;
    std::string text = narrow(url);
    DWORD n;
    WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &n, nullptr);
    CloseHandle(f);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 4 && std::wcscmp(argv[1], L"--record-url") == 0) return record_url(argv[2], argv[3]);
    if (argc < 5) {
        std::fputs("usage: korvane_gui_test KORVANE.EXE WORK_FOLDER SMALL.HLP LARGE.HLP [GROUP...]\n", stderr);
        return 2;
    }
    g_korvane = argv[1];
    g_work = argv[2];
    g_small = argv[3];
    g_large = argv[4];
    g_log = g_work + L"\\conversions.log";
    std::vector<std::wstring> groups(argv + 5, argv + argc);
    auto wanted = [&](const wchar_t* group) {
        if (groups.empty()) return true;
        for (const std::wstring& g : groups) {
            if (g == group) return true;
        }
        return false;
    };
    if (wanted(L"strings")) test_string_table();
    if (wanted(L"bar")) test_progress_bar();
    if (wanted(L"open")) test_open_dialog();
    if (wanted(L"languages")) test_languages();
    if (wanted(L"cancel")) test_cancel();
    if (!groups.empty() && wanted(L"finish")) test_finish();
    std::printf("%d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}
