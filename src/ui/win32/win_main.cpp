// SPDX-License-Identifier: MIT
// korvane.exe: the entry point of the Windows program.
//
// Without arguments it shows the open dialog, converts the chosen help file
// beside it with the options of the dialog and waits on the finished
// progress dialog; with a path (the whole command-line tail, as it is) it
// converts that file into the current folder with flags 0x18 and ends. The
// interface language comes from the system profile's "Intl"/"sLanguage".
// The exit code is 2 after every normal end and 1 after a fatal message or
// a confirmed Cancel.
//
// Beyond that, for the shell: `--read FILE` shows the help file as a web
// site in the browser, `--recover FILE` converts it beside itself with the
// progress dialog, `--register` and `--unregister` set and remove the
// current user's association of help files with those two.
#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>

#include "base/messages.h"
#include "output/output_sink.h"
#include "driver/convert.h"
#include "system/process.h"
#include "ui/win32/open_dialog.h"
#include "ui/win32/progress.h"
#include "ui/win32/read_help.h"
#include "ui/win32/registration.h"
#include "ui/win32/resource_ids.h"
#include "ui/win32/settings.h"
#include "ui/win32/start_up.h"
#include "ui/win32/wide_text.h"

namespace korvane::win32 {

namespace {

// KORVANE_CONVERSION_LOG names a file that gets a line for each conversion
// started: its flags, its kind, the help file and the output folder. The
// tests of the dialogs read it.
void log_conversion(const std::string& path, const std::string& folder, const ConversionOptions& options) {
    std::optional<std::string> log = sys::environment_variable("KORVANE_CONVERSION_LOG");
    if (!log || log->empty()) return;
    HANDLE file = CreateFileW(widen(*log).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    static const char* const kKinds[] = {"sources", "print", "site", "html_help"};
    char head[64];
    std::snprintf(head, sizeof head, "flags=0x%02X kind=%s file=", options.flags, kKinds[static_cast<int>(options.kind)]);
    std::string line = head + path + " folder=" + folder + "\r\n";
    DWORD written;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
}

// Converts the help file at path into folder ("" for the current one),
// showing the progress dialog. 1 after a fatal problem (shown) or a
// confirmed Cancel, else 2.
int convert_file(WinPlatform& platform, const std::string& path, const std::string& folder,
                 ConversionOptions options) {
    log_conversion(path, folder, options);
    DiskSink output(folder);
    std::optional<ConversionError> error = convert(HelpInput{path, {}}, options, output, platform);
    if (!error) return 2;
    if (error->id != Fatal::Cancelled) {
        platform.show_fatal(message_text(Msg::SevereProblem, platform.language_offset()), error->text);
    }
    return 1;
}

std::string folder_of(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::string() : narrow(path.substr(0, slash + 1));
}

// The argument after an option: the rest of the tail, without the
// quotation marks around it.
std::wstring argument_after(const std::wstring& tail, size_t length) {
    std::wstring rest = tail.substr(length);
    size_t start = rest.find_first_not_of(L" \t");
    rest = start == std::wstring::npos ? std::wstring() : rest.substr(start);
    while (!rest.empty() && (rest.back() == L' ' || rest.back() == L'\t')) rest.pop_back();
    if (rest.size() >= 2 && rest.front() == L'"' && rest.back() == L'"') rest = rest.substr(1, rest.size() - 2);
    return rest;
}

bool starts_with_option(const std::wstring& tail, const wchar_t* option) {
    std::wstring o = option;
    return tail.compare(0, o.size(), o) == 0 && (tail.size() == o.size() || tail[o.size()] == L' ');
}

int run_dialog(HINSTANCE instance, const StartUp& start) {
    std::optional<OpenChoice> choice = run_open_dialog(instance, start.language, start.help_file);
    if (!choice) return 2;
    WinPlatform platform(instance, start.language);
    ConversionOptions options = choice->options;
    options.code_page = code_page_setting();
    int code = convert_file(platform, narrow(choice->path), folder_of(choice->path), options);
    if (code == 2) platform.finish_progress();
    return code;
}

}  // namespace

int run(HINSTANCE instance, const wchar_t* command_line) {
    // The shell's handlers of "open" may use COM.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    StartUp start = start_up(instance);
    std::wstring tail = command_tail(command_line);
    int code = 2;
    if (starts_with_option(tail, L"--register")) {
        code = register_help_files(program_path()) == 0 ? 2 : 1;
    } else if (starts_with_option(tail, L"--unregister")) {
        code = unregister_help_files() == 0 ? 2 : 1;
    } else if (starts_with_option(tail, L"--read")) {
        code = read_in_browser(instance, start, argument_after(tail, 6));
    } else if (starts_with_option(tail, L"--recover")) {
        std::wstring path = argument_after(tail, 9);
        WinPlatform platform(instance, start.language);
        ConversionOptions options{OutputKind::sources, CVF_TWO_PASS | CVF_PAGE_BREAK, code_page_setting()};
        code = convert_file(platform, narrow(path), folder_of(path), options);
        if (code == 2) platform.finish_progress();
    } else if (!tail.empty()) {
        // The program ends with the conversion, and the progress dialog
        // with it.
        WinPlatform platform(instance, start.language);
        code = convert_file(platform, narrow(tail), "", {OutputKind::sources, CVF_TWO_PASS | CVF_PAGE_BREAK, 0});
    } else {
        code = run_dialog(instance, start);
    }
    finish(instance, start);
    return code;
}

}  // namespace korvane::win32

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    return korvane::win32::run(instance, GetCommandLineW());
}
