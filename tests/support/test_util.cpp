// SPDX-License-Identifier: MIT
#include "support/test_util.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <stdexcept>

#include "output/output_sink.h"

namespace korvane::test {

std::optional<ConversionError> convert_file(const std::string& path, int flags, Platform& platform) {
    DiskSink output;
    return convert(HelpInput{path, {}}, ConversionOptions{rtf_kind(flags), flags, 0}, output, platform);
}

std::optional<ConversionError> convert_file_to_site(const std::string& path, Platform& platform) {
    DiskSink output;
    return convert(HelpInput{path, {}}, ConversionOptions{OutputKind::site, 0, 0}, output, platform);
}


std::string trim(std::string s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.pop_back();
    size_t i = 0;
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    return s.substr(i);
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

void write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void write_file(const std::string& path, std::string_view text) {
    std::ofstream(path, std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()));
}

std::vector<uint8_t> read_file(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

std::string read_text(const std::string& path) {
    std::vector<uint8_t> b = read_file(path);
    return {b.begin(), b.end()};
}

bool file_exists(const std::string& path) { return std::filesystem::exists(path); }

std::vector<std::string> names_in(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

#ifdef _WIN32
TempDir::TempDir() {
    // A name of the process id, a counter and the clock, made until one is new.
    static unsigned counter = 0;
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::filesystem::path candidate = base / ("korvane-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                                                  std::to_string(++counter) + "-" + std::to_string(GetTickCount64()));
        std::error_code ec;
        if (std::filesystem::create_directory(candidate, ec)) {
            path_ = candidate.generic_string();
            return;
        }
    }
    throw std::runtime_error("no temporary folder could be made");
}
#else
TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "korvane-test-XXXXXX").string();
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back(0);
    if (!::mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
    path_ = buf.data();
}
#endif

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

#ifdef _WIN32
namespace {

std::wstring wide(const std::string& utf8) {
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

// An argument quoted as the C run time splits command lines.
std::wstring quoted(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        out.push_back(c);
    }
    out.append(2 * backslashes, L'\\');
    return out + L"\"";
}

HANDLE inheritable_file(const std::string& path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateFileW(wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

RunResult run_program(const std::vector<std::string>& argv, const std::string& cwd,
                      const std::vector<std::string>& env) {
    RunResult r;
    TempDir capture;
    std::string out_path = capture / "out", err_path = capture / "err";
    std::wstring command;
    for (const std::string& a : argv) command += (command.empty() ? L"" : L" ") + quoted(wide(a));
    // The environment of this process with env's NAME=VALUE set, sorted
    // as Windows wants it.
    std::vector<std::wstring> variables;
    if (wchar_t* block = GetEnvironmentStringsW()) {
        for (const wchar_t* v = block; *v; v += wcslen(v) + 1) variables.emplace_back(v);
        FreeEnvironmentStringsW(block);
    }
    for (const std::string& kv : env) {
        std::wstring w = wide(kv);
        std::wstring name = w.substr(0, w.find(L'=') + 1);
        std::erase_if(variables, [&](const std::wstring& v) { return _wcsnicmp(v.c_str(), name.c_str(), name.size()) == 0; });
        variables.push_back(w);
    }
    std::sort(variables.begin(), variables.end(), [](const std::wstring& a, const std::wstring& b) { return _wcsicmp(a.c_str(), b.c_str()) < 0; });
    std::wstring block;
    for (const std::wstring& v : variables) block += v + L'\0';
    block += L'\0';

    STARTUPINFOW start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = inheritable_file("NUL", GENERIC_READ, OPEN_EXISTING);
    start.hStdOutput = inheritable_file(out_path, GENERIC_WRITE, CREATE_ALWAYS);
    start.hStdError = inheritable_file(err_path, GENERIC_WRITE, CREATE_ALWAYS);
    PROCESS_INFORMATION process{};
    std::wstring directory = wide(cwd);
    BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                                  block.data(), cwd.empty() ? nullptr : directory.c_str(), &start, &process);
    for (HANDLE h : {start.hStdInput, start.hStdOutput, start.hStdError}) CloseHandle(h);
    if (!started) return r;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    r.exit_code = static_cast<int>(code);
    r.out = read_text(out_path);
    r.err = read_text(err_path);
    return r;
}
#else
RunResult run_program(const std::vector<std::string>& argv, const std::string& cwd,
                      const std::vector<std::string>& env) {
    RunResult r;
    TempDir capture;
    std::string out_path = capture / "out", err_path = capture / "err";
    pid_t pid = ::fork();
    if (pid < 0) return r;
    if (pid == 0) {
        if (!cwd.empty() && ::chdir(cwd.c_str()) != 0) ::_exit(127);
        int o = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int e = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int in = ::open("/dev/null", O_RDONLY);
        ::dup2(o, 1);
        ::dup2(e, 2);
        ::dup2(in, 0);
        // Without a display, korvane FILE converts as on a terminal even
        // though its output goes to files here.
        for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) ::unsetenv(v);
        for (const std::string& kv : env) ::putenv(const_cast<char*>(kv.c_str()));
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.out = read_text(out_path);
    r.err = read_text(err_path);
    return r;
}
#endif

std::string rtf_text(std::string_view s) {
    static const std::regex token(R"(\\'([0-9a-fA-F]{2})|\\[a-zA-Z]+-?[0-9]* ?|\\(.)|[{}\r\n]|([^\\{}\r\n]+))");
    std::string out;
    for (std::cregex_iterator m(s.data(), s.data() + s.size(), token), end; m != end; ++m) {
        if ((*m)[1].matched) out += static_cast<char>(std::stoi((*m)[1].str(), nullptr, 16));
        out += (*m)[2].str() + (*m)[3].str();  // an escaped character, plain text
    }
    return out;
}

std::string find_program(const std::string& name) {
#ifdef _WIN32
    wchar_t found[MAX_PATH];
    DWORD n = SearchPathW(nullptr, wide(name).c_str(), L".exe", MAX_PATH, found, nullptr);
    if (n == 0 || n >= MAX_PATH) return "";
    int size = WideCharToMultiByte(CP_UTF8, 0, found, static_cast<int>(n), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, found, static_cast<int>(n), out.data(), size, nullptr, nullptr);
    return out;
#else
    RunResult r = run_program({"/bin/sh", "-c", "command -v " + name}, "/");
    return r.exit_code == 0 ? r.out.substr(0, r.out.find('\n')) : "";
#endif
}

}  // namespace korvane::test
