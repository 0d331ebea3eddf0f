// SPDX-License-Identifier: MIT
// Helpers of the tests: files, temporary folders, running the programs, and
// text comparisons.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "driver/convert.h"
#include "system/process.h"

namespace korvane::test {

// A help file on disk converted into the current directory: into the
// sources or print mode as flags say, or into its web site.
std::optional<ConversionError> convert_file(const std::string& path, int flags, Platform& platform = silent_platform());
std::optional<ConversionError> convert_file_to_site(const std::string& path, Platform& platform = silent_platform());

// Text helpers for comparing output.
std::string lower(std::string s);  // ASCII letters in lower case
// The text of RTF as bytes: control words dropped, escapes resolved, groups
// and line breaks flattened.
std::string rtf_text(std::string_view s);

// Files and processes for tests.
void write_file(const std::string& path, const std::vector<uint8_t>& bytes);
void write_file(const std::string& path, std::string_view text);
std::vector<uint8_t> read_file(const std::string& path);
std::string read_text(const std::string& path);
bool file_exists(const std::string& path);
std::vector<std::string> names_in(const std::string& folder);  // file names, sorted

// Changes the working directory for its lifetime.
struct WorkingDirectory {
    std::filesystem::path previous = std::filesystem::current_path();
    explicit WorkingDirectory(const std::string& dir) { std::filesystem::current_path(dir); }
    ~WorkingDirectory() { std::filesystem::current_path(previous); }
};

// A fresh directory removed at the end of the scope.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(std::string_view name) const { return path_ + "/" + std::string(name); }

private:
    std::string path_;
};

#ifndef _WIN32
// Runs argv in cwd without the display variables (env may set them again),
// capturing stdout and stderr; returns the exit code (128 + signal when it
// was killed). The tests that run other programs run on Linux alone.
struct RunResult {
    int exit_code = -1;
    std::string out, err;
};
RunResult run_program(const std::vector<std::string>& argv, const std::string& cwd,
                      const std::vector<std::string>& env = {});
// Full path of a program on PATH, or "".
using sys::find_program;
#endif

}  // namespace korvane::test
