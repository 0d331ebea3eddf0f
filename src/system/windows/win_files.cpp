// SPDX-License-Identifier: MIT
// Files on Windows: UTF-8 paths are turned into UTF-16 and handed to the C
// run time's wide-character calls (_wfopen, _wstat64, _wmkdir, ...), which
// set errno as their narrow twins do.
#include <windows.h>
#include <direct.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cwchar>

#include "system/files.h"

namespace korvane::sys {

namespace {

// UTF-16 of UTF-8; bytes that are not UTF-8 are taken as Latin-1, so that
// every path names some file.
std::wstring wide(const std::string& utf8) {
    if (utf8.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    if (n <= 0) return std::wstring(utf8.begin(), utf8.end());
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string narrow(const std::wstring& utf16) {
    if (utf16.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), out.data(), n, nullptr, nullptr);
    return out;
}

}  // namespace

std::FILE* open_file(const std::string& path, const char* mode) {
    const std::wstring name = wide(path);
    std::FILE* f = _wfopen(name.c_str(), wide(mode).c_str());
    // Windows refuses a folder as "Permission denied"; the messages say
    // what Linux says.
    struct _stat64 st;
    if (!f && errno == EACCES && _wstat64(name.c_str(), &st) == 0 && (st.st_mode & _S_IFMT) == _S_IFDIR) errno = EISDIR;
    return f;
}

int file_status(const std::string& path, FileStatus& status) {
    struct _stat64 st;
    if (_wstat64(wide(path).c_str(), &st) != 0) return errno;
    status.directory = (st.st_mode & _S_IFMT) == _S_IFDIR;
    status.regular = (st.st_mode & _S_IFMT) == _S_IFREG;
    status.size = static_cast<uint64_t>(st.st_size);
    status.modified_seconds = st.st_mtime;
    status.modified_nanoseconds = 0;
    return 0;
}

int make_directory(const std::string& path, bool) { return _wmkdir(wide(path).c_str()) == 0 ? 0 : errno; }

int remove_file(const std::string& path) { return _wremove(wide(path).c_str()) == 0 ? 0 : errno; }

int rename_file(const std::string& from, const std::string& to) {
    // _wrename refuses to replace; MoveFileEx does, as rename does on Linux.
    if (MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_REPLACE_EXISTING)) return 0;
    switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND: case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_ALREADY_EXISTS: return EEXIST;
    default: return EACCES;
    }
}

std::filesystem::path file_path(const std::string& utf8) { return std::filesystem::path(wide(utf8)); }

std::string utf8_path(const std::filesystem::path& path) { return narrow(path.wstring()); }

const char* const kPathSeparators = "/\\";

std::string absolute_path(const std::string& path) {
    // A rooted path (/folder, C:/folder, a share) stays as it is, as on Linux.
    const bool drive = path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
    if (drive || (!path.empty() && (path[0] == '/' || path[0] == '\\'))) return path;
    wchar_t* current = _wgetcwd(nullptr, 0);
    if (!current) return path;
    std::string out = narrow(current);
    std::free(current);
    return out + "\\" + path;
}

int change_directory(const std::string& path) { return _wchdir(wide(path).c_str()) == 0 ? 0 : errno; }

SavedDirectory::SavedDirectory() {
    wchar_t* current = _wgetcwd(nullptr, 0);
    if (!current) {
        error_ = errno;
        return;
    }
    path_ = narrow(current);
    std::free(current);
}

SavedDirectory::~SavedDirectory() = default;

int SavedDirectory::restore() { return error_ ? error_ : change_directory(path_); }

}  // namespace korvane::sys
