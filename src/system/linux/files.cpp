// SPDX-License-Identifier: MIT
// Files on Linux: paths are bytes, the C library's calls take them as they are.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "system/files.h"

namespace korvane::sys {

std::FILE* open_file(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

int file_status(const std::string& path, FileStatus& status) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return errno;
    status.directory = S_ISDIR(st.st_mode);
    status.regular = S_ISREG(st.st_mode);
    status.size = static_cast<uint64_t>(st.st_size);
    status.modified_seconds = st.st_mtim.tv_sec;
    status.modified_nanoseconds = st.st_mtim.tv_nsec;
    return 0;
}

int make_directory(const std::string& path, bool only_the_user) {
    return ::mkdir(path.c_str(), only_the_user ? 0700 : 0777) == 0 ? 0 : errno;
}

int remove_file(const std::string& path) { return std::remove(path.c_str()) == 0 ? 0 : errno; }

int rename_file(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

std::filesystem::path file_path(const std::string& utf8) { return std::filesystem::path(utf8); }

std::string utf8_path(const std::filesystem::path& path) { return path.string(); }

const char* const kPathSeparators = "/";

std::string absolute_path(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    char buf[4096];
    if (!::getcwd(buf, sizeof buf)) return path;
    return std::string(buf) + "/" + path;
}

int change_directory(const std::string& path) { return ::chdir(path.c_str()) == 0 ? 0 : errno; }

SavedDirectory::SavedDirectory() : handle_(::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (handle_ < 0) error_ = errno;
}

SavedDirectory::~SavedDirectory() {
    if (handle_ >= 0) ::close(handle_);
}

int SavedDirectory::restore() {
    if (handle_ < 0) return error_;
    return ::fchdir(handle_) == 0 ? 0 : errno;
}

}  // namespace korvane::sys
