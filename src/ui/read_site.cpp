// SPDX-License-Identifier: MIT
// The cache of web sites behind `korvane --read` and the desktop opener.
#include "ui/read_site.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string_view>
#include <thread>
#include <vector>

#include "driver/convert.h"
#include "html/site_files.h"
#include "topics/help_file_name.h"
#include "topics/contents_file.h"

namespace korvane {

namespace {

namespace fs = std::filesystem;

// The stamp's name: site folders are all lower case, so it never meets one.
constexpr const char* kStampName = "KORVANE-STAMP";
// Temporary and set-aside folders of an entry that are older than this are
// left over from a run that was killed, and are removed.
constexpr auto kLeftoverAge = std::chrono::hours(1);

std::string hex64(uint64_t value) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

// The standard library's hash of the bytes. It may differ between library
// versions; a cache folder then gets converted again once.
uint64_t hash_bytes(std::string_view bytes) { return std::hash<std::string_view>{}(bytes); }

std::optional<std::string> read_whole_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return bytes;
}

// "SIZE MTIME HASH" of a regular file, or nothing when it is not one or
// cannot be read.
std::optional<std::string> file_record(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    std::optional<std::string> bytes = read_whole_file(path);
    if (!bytes) return std::nullopt;
    return std::to_string(st.st_size) + " " + std::to_string(st.st_mtim.tv_sec) + "." +
           std::to_string(st.st_mtim.tv_nsec) + " " + hex64(hash_bytes(*bytes));
}

bool is_regular_file(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The absolute path of the file at path with its folder's path resolved
// (".", "..", links) and its own name kept: a help file reached by a link
// keeps its name, and the contents file beside it, as the terminal's
// conversion sees them.
std::string resolved_path(const std::string& path) {
    std::string absolute = path;
    if (absolute.empty() || absolute[0] != '/') {
        std::error_code ec;
        fs::path cwd = fs::current_path(ec);
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

// Creates folder and the folders above it that are missing, readable by
// the user alone, as a cache should be. Returns 0 or the error number.
int make_folders(const std::string& folder) {
    for (size_t end = 1; end <= folder.size(); ++end) {
        if (end < folder.size() && folder[end] != '/') continue;
        std::string part = folder.substr(0, end);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return errno;
    }
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) return errno;
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

void remove_tree(const std::string& path) {
    std::error_code ec;
    fs::remove_all(path, ec);  // removes links, never what they point at
}

// Removes the temporary and set-aside folders of entry that an earlier run
// left behind when it was killed.
void remove_leftovers(const std::string& cache_root, const std::string& entry_name) {
    std::error_code ec;
    auto now = fs::file_time_type::clock::now();
    for (const fs::directory_entry& e : fs::directory_iterator(cache_root, ec)) {
        std::string name = e.path().filename().string();
        if (name.rfind(entry_name + ".tmp-", 0) != 0 && name.rfind(entry_name + ".old-", 0) != 0) continue;
        std::error_code time_ec;
        auto written = e.symlink_status(time_ec).type() == fs::file_type::directory
                           ? fs::last_write_time(e.path(), time_ec)
                           : now;
        if (!time_ec && now - written > kLeftoverAge) remove_tree(e.path().string());
    }
}

// Puts the folder from in the place of the folder to, in one step where the
// file system can exchange the two. Returns 0 or the error number.
int replace_folder(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) == 0) return 0;
    if (errno != EEXIST && errno != ENOTEMPTY && errno != ENOTDIR && errno != EISDIR) return errno;
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_EXCHANGE) == 0) {
        remove_tree(from);  // the old site now
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
    remove_tree(aside);
    return 0;
}

bool write_text_file(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    return static_cast<bool>(out);
}

bool display_variable_set() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* v = std::getenv(name);
        if (v && *v) return true;
    }
    return false;
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

std::string cache_entry_name(const std::string& path) {
    std::string_view name = path;
    if (size_t slash = name.rfind('/'); slash != std::string_view::npos) name.remove_prefix(slash + 1);
    if (size_t dot = name.rfind('.'); dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
    std::string stem;
    for (char c : name) {
        if (stem.size() >= 40) break;
        bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
        if (kept) {
            stem += c;
        } else if (stem.empty() || stem.back() != '_') {
            stem += '_';  // a run of other bytes is one '_'
        }
    }
    if (stem.empty()) stem = "help";
    return stem + "-" + hex64(hash_bytes(path));
}

std::string site_stamp(const std::string& path, int code_page) {
    std::optional<std::string> help = file_record(path);
    if (!help) return {};
    std::string stamp = "korvane " KORVANE_VERSION "\npath " + path + "\ncode page " + std::to_string(code_page) +
                        "\nhelp file " + *help + "\ncontents file ";
    // The contents file the conversion reads: NAME.CNT beside the help file,
    // in whatever case, found by the same rule as the conversion finds it.
    std::optional<std::string> contents;
    if (auto file = contents_file_beside(path_stem(path))) contents = file_record(file->string());
    stamp += contents ? *contents : "none";
    return stamp + "\n";
}

CachedSite cached_site(const std::string& path, int code_page, const std::string& cache_root,
                       const SiteWriter& convert) {
    CachedSite result;
    std::string absolute = resolved_path(derive_output_names(path, 0).input_path);
    std::string entry_name = cache_entry_name(absolute);
    std::string entry = cache_root + "/" + entry_name;
    std::string site = "/" + help_file_key(absolute) + "/" + std::string(html::kIndexPage);
    result.index = entry + site;

    std::string stamp = site_stamp(absolute, code_page);
    if (!stamp.empty() && is_regular_file(result.index) && read_whole_file(entry + "/" + kStampName) == stamp) {
        return result;
    }

    if (int err = make_folders(cache_root)) {
        result.problem_folder = cache_root;
        result.problem_reason = std::strerror(err);
        return result;
    }
    remove_leftovers(cache_root, entry_name);
    std::string temp = entry + ".tmp-XXXXXX";
    if (!::mkdtemp(temp.data())) {
        result.problem_folder = cache_root;
        result.problem_reason = std::strerror(errno);
        return result;
    }
    result.error = convert(absolute, temp);
    if (result.error) {
        remove_tree(temp);
        return result;
    }
    // Without a stamp the site is converted again next time.
    if (!stamp.empty()) write_text_file(temp + "/" + kStampName, stamp);
    if (int err = replace_folder(temp, entry)) {
        result.problem_folder = entry;
        result.problem_reason = std::strerror(err);
        remove_tree(temp);
    }
    return result;
}

std::string find_on_path(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string_view rest = path ? path : "";
    while (!rest.empty()) {
        size_t colon = rest.find(':');
        std::string_view folder = rest.substr(0, colon);
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
        if (folder.empty() || folder[0] != '/') continue;
        std::string candidate = std::string(folder) + "/" + name;
        if (is_regular_file(candidate) && ::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

OpenResult open_with_desktop_opener(const std::string& file, bool wait) {
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

const ReadTexts& read_texts(Language lang) {
    static const ReadTexts english{
        "No program to open the web site with was found (xdg-open or gio).\nOpen %1 in a web browser.",
        "%2 could not open the web site.\nOpen %1 in a web browser.",
        "The web site cannot be written into %1: %2",
    };
    static const ReadTexts german{
        "Es wurde kein Programm gefunden, das die Website öffnet (xdg-open oder gio).\n"
        "Öffnen Sie %1 in einem Webbrowser.",
        "%2 konnte die Website nicht öffnen.\nÖffnen Sie %1 in einem Webbrowser.",
        "Die Website kann nicht in %1 geschrieben werden: %2",
    };
    static const ReadTexts spanish{
        "No se encontró ningún programa para abrir el sitio web (xdg-open o gio).\nAbra %1 en un navegador web.",
        "%2 no pudo abrir el sitio web.\nAbra %1 en un navegador web.",
        "No se puede escribir el sitio web en %1: %2",
    };
    switch (lang) {
    case Language::German: return german;
    case Language::Spanish: return spanish;
    case Language::English: break;
    }
    return english;
}

std::string fill_text(const char* text, const std::string& first, const std::string& second) {
    std::string out;
    for (const char* p = text; *p; ++p) {
        if (p[0] == '%' && (p[1] == '1' || p[1] == '2')) {
            out += p[1] == '1' ? first : second;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

int read_help_file(const std::string& path, int code_page, Language lang, const ReadHooks& hooks) {
    const ReadTexts& texts = read_texts(lang);
    std::string cache_root = site_cache_folder();
    if (cache_root.empty()) {
        hooks.show_problem(fill_text(texts.no_cache, "~/.cache/korvane", std::strerror(ENOENT)));
        return 1;
    }
    CachedSite site = cached_site(path, code_page, cache_root, hooks.convert);
    if (site.error) {
        hooks.show_error(*site.error);
        return 1;
    }
    if (!site.problem_folder.empty()) {
        hooks.show_problem(fill_text(texts.no_cache, site.problem_folder, site.problem_reason));
        return 1;
    }
    // Without a display the opener can only start a browser in the terminal,
    // which has to keep it.
    OpenResult opened = open_with_desktop_opener(site.index, !display_variable_set());
    switch (opened.outcome) {
    case OpenResult::Outcome::opened: return 0;
    case OpenResult::Outcome::no_opener: hooks.show_problem(fill_text(texts.no_opener, site.index)); break;
    case OpenResult::Outcome::failed:
        hooks.show_problem(fill_text(texts.opener_failed, site.index, opened.program));
        break;
    }
    return 1;
}

}  // namespace korvane
