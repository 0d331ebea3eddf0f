// SPDX-License-Identifier: MIT
// The desktop on Windows: the local application data folder, full path
// names, folders made with a unique name and moved whole, and the shell's
// "open" for web pages.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cerrno>
#include <filesystem>

#include "system/desktop.h"
#include "system/files.h"

namespace korvane::sys {

namespace {

std::wstring wide(const std::string& utf8) { return file_path(utf8).wstring(); }

std::string narrow(const std::wstring& utf16) { return utf8_path(std::filesystem::path(utf16)); }

// errno for a Windows error code, as far as the messages need one.
int errno_of(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION: return EACCES;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS: return EEXIST;
    case ERROR_DISK_FULL: return ENOSPC;
    case ERROR_DIR_NOT_EMPTY: return ENOTEMPTY;
    default: return EIO;
    }
}

}  // namespace

std::string site_cache_folder() {
    PWSTR local = nullptr;
    std::string folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &local)) && local && *local) {
        folder = narrow(local) + "\\Korvane";
    }
    CoTaskMemFree(local);
    return folder;
}

std::string resolved_path(const std::string& path) {
    std::wstring name = wide(path);
    DWORD n = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    if (n == 0) return path;
    std::wstring full(n, L'\0');
    n = GetFullPathNameW(name.c_str(), n, full.data(), nullptr);
    full.resize(n);
    for (wchar_t& c : full) {
        if (c == L'/') c = L'\\';
    }
    return narrow(full);
}

std::string make_unique_folder(const std::string& prefix) {
    static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    unsigned long long seed = GetTickCount64() ^ (static_cast<unsigned long long>(GetCurrentProcessId()) << 20);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string folder = prefix;
        for (int i = 0; i < 6; ++i) {
            seed = seed * 6364136223846793005ull + 1442695040888963407ull;
            folder += kDigits[(seed >> 33) % 36];
        }
        if (CreateDirectoryW(wide(folder).c_str(), nullptr)) return folder;
        DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS) {
            errno = errno_of(error);
            return {};
        }
    }
    errno = EEXIST;
    return {};
}

int replace_folder(const std::string& from, const std::string& to) {
    std::wstring source = wide(from), target = wide(to);
    if (MoveFileExW(source.c_str(), target.c_str(), 0)) return 0;
    DWORD error = GetLastError();
    if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS && error != ERROR_ACCESS_DENIED) {
        return errno_of(error);
    }
    // Windows moves no folder onto another: the old one steps aside first.
    std::wstring aside = target + L".old-" + std::to_wstring(GetCurrentProcessId());
    if (!MoveFileExW(target.c_str(), aside.c_str(), 0)) return errno_of(GetLastError());
    if (!MoveFileExW(source.c_str(), target.c_str(), 0)) {
        int err = errno_of(GetLastError());
        MoveFileExW(aside.c_str(), target.c_str(), 0);
        return err;
    }
    std::error_code ec;
    std::filesystem::remove_all(std::filesystem::path(aside), ec);
    return 0;
}

OpenResult open_document(const std::string& file, bool) {
    OpenResult result;
    result.program = "the default web browser";
    std::wstring path = wide(file);
    for (wchar_t& c : path) {
        if (c == L'/') c = L'\\';
    }
    // Greater than 32 when the shell started something for it.
    auto code = reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (code > 32) {
        result.outcome = OpenResult::Outcome::opened;
    } else if (code == SE_ERR_NOASSOC || code == SE_ERR_ASSOCINCOMPLETE) {
        result.outcome = OpenResult::Outcome::no_opener;
    } else {
        result.outcome = OpenResult::Outcome::failed;
    }
    return result;
}

bool display_available() { return true; }

}  // namespace korvane::sys
