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

// The characters that separate the folders of a path: '/', and on Windows
// '\\' too.
extern const char* const kPathSeparators;
// path made absolute against the current directory (not resolved further).
std::string absolute_path(const std::string& path);

// 0, or an errno value.
int change_directory(const std::string& path);

// The current directory when made, to go back to after change_directory.
class SavedDirectory {
public:
    SavedDirectory();
    ~SavedDirectory();
    SavedDirectory(const SavedDirectory&) = delete;
    SavedDirectory& operator=(const SavedDirectory&) = delete;
    // 0 when the directory was taken, else an errno value.
    int error() const { return error_; }
    // Goes back: 0, or an errno value.
    int restore();

private:
    int error_ = 0;
    int handle_ = -1;   // Linux: a descriptor of the folder
    std::string path_;  // Windows: its path
};

}  // namespace korvane::sys
