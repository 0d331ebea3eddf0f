// SPDX-License-Identifier: MIT
// The desktop on Linux: the XDG cache folder, realpath, mkdtemp, renameat2
// and the desktop's opener (xdg-open or gio).
#include "system/desktop.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <string_view>
#include <thread>
#include <vector>

namespace korvane::sys {

namespace {

bool is_executable_file(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// The full path of an executable file named name in one of PATH's folders
// (empty entries and relative folders are skipped), or "".
std::string find_on_path(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string_view rest = path ? path : "";
    while (!rest.empty()) {
        size_t colon = rest.find(':');
        std::string_view folder = rest.substr(0, colon);
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
        if (folder.empty() || folder[0] != '/') continue;
        std::string candidate = std::string(folder) + "/" + name;
        if (is_executable_file(candidate)) return candidate;
    }
    return {};
}

}  // namespace

std::string site_cache_folder() {
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    if (xdg && xdg[0] == '/') return std::string(xdg) + "/korvane";
    const char* home_variable = std::getenv("HOME");
    std::string home = home_variable ? home_variable : "";
    if (home.empty()) {
        if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) home = pw->pw_dir;
    }
    if (home.empty()) return {};
    return home + "/.cache/korvane";
}

std::string resolved_path(const std::string& path) {
    std::string absolute = path;
    if (absolute.empty() || absolute[0] != '/') {
        std::error_code ec;
        std::filesystem::path cwd = std::filesystem::current_path(ec);
        if (!ec) absolute = (cwd / path).string();
    }
    size_t slash = absolute.rfind('/');
    std::string folder = slash == 0 ? "/" : absolute.substr(0, slash);
    char* real = ::realpath(folder.c_str(), nullptr);
    if (!real) return absolute;
    std::string result = real;
    std::free(real);
    if (result.back() != '/') result += '/';
    return result + absolute.substr(slash + 1);
}

std::string make_unique_folder(const std::string& prefix) {
    std::string folder = prefix + "XXXXXX";
    return ::mkdtemp(folder.data()) ? folder : std::string();
}

int replace_folder(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) == 0) return 0;
    if (errno != EEXIST && errno != ENOTEMPTY && errno != ENOTDIR && errno != EISDIR) return errno;
    std::error_code ec;
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_EXCHANGE) == 0) {
        std::filesystem::remove_all(from, ec);  // the old folder now
        return 0;
    }
    // Without the exchange the old folder steps aside first.
    std::string aside = to + ".old-" + std::to_string(::getpid());
    if (::rename(to.c_str(), aside.c_str()) != 0) return errno;
    if (::rename(from.c_str(), to.c_str()) != 0) {
        int err = errno;
        ::rename(aside.c_str(), to.c_str());
        return err;
    }
    std::filesystem::remove_all(aside, ec);
    return 0;
}

OpenResult open_document(const std::string& file, bool wait) {
    OpenResult result;
    std::vector<std::string> command;
    if (std::string xdg_open = find_on_path("xdg-open"); !xdg_open.empty()) {
        command = {xdg_open, file};
        result.program = "xdg-open";
    } else if (std::string gio = find_on_path("gio"); !gio.empty()) {
        command = {gio, "open", file};
        result.program = "gio open";
    } else {
        return result;
    }
    result.outcome = OpenResult::Outcome::failed;
    std::vector<char*> argv;
    for (std::string& word : command) argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t pid = ::fork();
    if (pid < 0) return result;
    if (pid == 0) {
        if (!wait) {
            ::setsid();
            int null = ::open("/dev/null", O_RDWR);
            if (null >= 0) {
                ::dup2(null, STDIN_FILENO);
                ::dup2(null, STDOUT_FILENO);
                ::dup2(null, STDERR_FILENO);
            }
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kOpenerGraceMs);
    for (;;) {
        pid_t done = ::waitpid(pid, &status, wait ? 0 : WNOHANG);
        if (done == pid) break;
        if (done < 0 && errno != EINTR) return result;
        if (done == 0) {
            // Still running: a browser the opener runs itself.
            if (std::chrono::steady_clock::now() >= deadline) {
                result.outcome = OpenResult::Outcome::opened;
                return result;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) result.outcome = OpenResult::Outcome::opened;
    return result;
}

bool display_available() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* v = std::getenv(name);
        if (v && *v) return true;
    }
    return false;
}

}  // namespace korvane::sys
