// SPDX-License-Identifier: MIT
#include "support/test_util.h"

#ifndef _WIN32
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
#include <random>
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

// A new name made until one is free: create_directory makes only a folder
// that was not there.
TempDir::TempDir() {
    static unsigned counter = 0;
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path candidate = std::filesystem::temp_directory_path() /
            ("korvane-test-" + std::to_string(random()) + "-" + std::to_string(++counter));
        std::error_code ec;
        if (std::filesystem::create_directory(candidate, ec)) {
            path_ = candidate.generic_string();
            return;
        }
    }
    throw std::runtime_error("no temporary folder could be made");
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

#ifndef _WIN32
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


}  // namespace korvane::test
