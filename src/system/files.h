// SPDX-License-Identifier: MIT
// Files by UTF-8 paths. Paths travel through Korvane as UTF-8 strings;
// Linux takes them as they are, Windows through its wide-character
// functions, so that a name outside the ANSI code page opens too. Failures
// come back as errno values, whose texts (std::strerror) the messages
// show.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace korvane::sys {

// fopen's modes ("rb", "wb", "w+b", ...); null with errno set when it fails.
std::FILE* open_file(const std::string& path, const char* mode);

struct FileStatus {
    bool directory = false;
    bool regular = false;
    uint64_t size = 0;
    int64_t modified_seconds = 0;  // since 1970
    int64_t modified_nanoseconds = 0;
};
// 0, or the errno value that tells why there is no status. Links are followed.
int file_status(const std::string& path, FileStatus& status);

// 0, or an errno value (EEXIST when something of that name is there).
// only_the_user: readable by its owner alone where the system knows owners.
int make_directory(const std::string& path, bool only_the_user = false);
int remove_file(const std::string& path);
// Replaces to when it exists (and is not a folder).
int rename_file(const std::string& from, const std::string& to);

// A path of the standard library for a UTF-8 path, and back.
std::filesystem::path file_path(const std::string& utf8);
std::string utf8_path(const std::filesystem::path& path);

// True when the stream (stdout or stderr) is a terminal or console.
bool is_terminal(std::FILE* stream);

}  // namespace korvane::sys
