// SPDX-License-Identifier: MIT
// The process on Windows: the wide-character command line and environment
// turned into UTF-8, standard streams in binary mode, and other programs
// run through CreateProcessW with a command line quoted as the C run time
// splits it.
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdlib>
#include <filesystem>

#include "system/files.h"

#include "system/process.h"

namespace korvane::sys {

namespace {

std::string narrow(const wchar_t* text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return {};
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    out.pop_back();
    return out;
}

// One argument as the C run time's parser reads it back: in quotes when it
// holds a blank or a quote or is empty, a quote escaped with a backslash,
// and backslashes doubled where a quote follows them.
void append_argument(std::wstring& line, const std::wstring& argument) {
    if (!line.empty()) line += L' ';
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) {
        line += argument;
        return;
    }
    line += L'"';
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        line += c;
    }
    line.append(backslashes * 2, L'\\');
    line += L'"';
}

std::string error_text(DWORD error) {
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string out = text ? narrow(text) : "error " + std::to_string(error);
    if (text) LocalFree(text);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == '.')) out.pop_back();
    return out;
}

}  // namespace

std::vector<std::string> utf8_arguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide || count != argc) {
        if (wide) LocalFree(wide);
        return std::vector<std::string>(argv, argv + argc);
    }
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i) out.push_back(narrow(wide[i]));
    LocalFree(wide);
    return out;
}

void prepare_standard_streams() {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    SetConsoleOutputCP(CP_UTF8);
}

std::optional<std::string> environment_variable(const char* name) {
    std::wstring wide_name(name, name + std::char_traits<char>::length(name));
    const wchar_t* value = _wgetenv(wide_name.c_str());
    if (!value) return std::nullopt;
    return narrow(value);
}

bool is_terminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

std::string find_program(const std::string& name) {
    // A name without an extension is looked for as NAME.exe, NAME.com and
    // as it is.
    std::vector<std::string> names;
    if (name.find('.') == std::string::npos) names = {name + ".exe", name + ".com"};
    names.push_back(name);
    const std::string list = environment_variable("PATH").value_or("");
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(';', start);
        if (end == std::string::npos) end = list.size();
        std::string folder = list.substr(start, end - start);
        if (folder.size() > 1 && folder.front() == '"' && folder.back() == '"') folder = folder.substr(1, folder.size() - 2);
        if (!folder.empty()) {
            for (const std::string& candidate : names) {
                const std::string path = folder + "\\" + candidate;
                FileStatus status;
                if (file_status(path, status) == 0 && status.regular) return path;
            }
        }
        start = end + 1;
    }
    return {};
}

namespace {

// Moves what the program wrote so far from the pipe into the log (null:
// discarded); with all, until the pipe ends.
void drain(HANDLE pipe, HANDLE log, bool all) {
    char buffer[4096];
    for (;;) {
        DWORD waiting = 0, got = 0;
        if (!all && (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &waiting, nullptr) || waiting == 0)) return;
        if (!ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) || got == 0) return;
        DWORD written = 0;
        if (log != INVALID_HANDLE_VALUE) WriteFile(log, buffer, got, &written, nullptr);
    }
}

}  // namespace

ProcessResult run_program(const std::string& program, const std::vector<std::string>& arguments,
                          const std::string& folder, const std::string& output,
                          const std::function<bool()>& waiting) {
    ProcessResult result;
    std::wstring line;
    append_argument(line, file_path(program).wstring());
    for (const std::string& argument : arguments) append_argument(line, file_path(argument).wstring());

    // The program writes into a pipe that this process empties into the log:
    // a file the program itself held open could outlive it for a moment, and
    // could not be removed at once afterwards.
    HANDLE log = INVALID_HANDLE_VALUE;
    if (!output.empty()) {
        const std::filesystem::path path = file_path(output);
        const std::wstring name = (path.is_absolute() ? path : file_path(folder) / path).wstring();
        log = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                          nullptr);
        if (log == INVALID_HANDLE_VALUE) {
            result.problem = error_text(GetLastError());
            return result;
        }
    }
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE read_end = nullptr, write_end = nullptr;
    HANDLE in = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    if (in == INVALID_HANDLE_VALUE || !CreatePipe(&read_end, &write_end, &inherit, 0) ||
        !SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0)) {
        result.problem = error_text(GetLastError());
        for (HANDLE h : {in, read_end, write_end, log}) {
            if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h);
        }
        return result;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = startup.hStdError = write_end;
    PROCESS_INFORMATION process{};
    const std::wstring directory = file_path(folder).wstring();
    // No console window of its own: a desktop conversion shows none.
    const BOOL created = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                        directory.empty() ? nullptr : directory.c_str(), &startup, &process);
    const DWORD create_error = GetLastError();
    CloseHandle(write_end);
    CloseHandle(in);
    if (!created) {
        result.problem = error_text(create_error);
    } else {
        result.started = true;
        CloseHandle(process.hThread);
        while (WaitForSingleObject(process.hProcess, 100) == WAIT_TIMEOUT) {
            drain(read_end, log, false);
            if (waiting && !result.stopped && !waiting()) {
                TerminateProcess(process.hProcess, 1);
                result.stopped = true;
            }
        }
        drain(read_end, log, true);
        DWORD code = 0;
        if (GetExitCodeProcess(process.hProcess, &code)) {
            result.exited = !result.stopped;
            result.exit_code = static_cast<int>(code);
        } else {
            result.problem = error_text(GetLastError());
        }
        CloseHandle(process.hProcess);
    }
    CloseHandle(read_end);
    if (log != INVALID_HANDLE_VALUE) CloseHandle(log);
    return result;
}

}  // namespace korvane::sys
