// SPDX-License-Identifier: MIT
// The cache of web sites behind `korvane --read` and the desktop opener.
#include "ui/read_site.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>

#include "driver/convert.h"
#include "html/site_files.h"
#include "system/desktop.h"
#include "system/files.h"
#include "topics/help_file_name.h"
#include "topics/contents_file.h"

namespace korvane {

namespace {

namespace fs = std::filesystem;

// The stamp's name: site folders are all lower case, so it never meets one.
constexpr const char* kStampName = "KORVANE-STAMP";
// Between the folders of a path in the cache.
#ifdef _WIN32
constexpr const char* kSeparator = "\\";
#else
constexpr const char* kSeparator = "/";
#endif
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
    std::ifstream in(sys::file_path(path), std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return bytes;
}

// "SIZE MTIME HASH" of a regular file, or nothing when it is not one or
// cannot be read.
std::optional<std::string> file_record(const std::string& path) {
    sys::FileStatus st;
    if (sys::file_status(path, st) != 0 || !st.regular) return std::nullopt;
    std::optional<std::string> bytes = read_whole_file(path);
    if (!bytes) return std::nullopt;
    return std::to_string(st.size) + " " + std::to_string(st.modified_seconds) + "." +
           std::to_string(st.modified_nanoseconds) + " " + hex64(hash_bytes(*bytes));
}

bool is_regular_file(const std::string& path) {
    sys::FileStatus st;
    return sys::file_status(path, st) == 0 && st.regular;
}

// Creates folder and the folders above it that are missing, readable by
// the user alone, as a cache should be. Returns 0 or the error number.
int make_folders(const std::string& folder) {
    for (size_t end = 1; end <= folder.size(); ++end) {
        if (end < folder.size() && !std::strchr(sys::kPathSeparators, folder[end])) continue;
        std::string part = folder.substr(0, end);
        sys::FileStatus st;
        if (sys::file_status(part, st) == 0 && st.directory) continue;  // a drive, or a folder made before
        if (int err = sys::make_directory(part, true); err != 0 && err != EEXIST) return err;
    }
    sys::FileStatus st;
    if (int err = sys::file_status(folder, st)) return err;
    return st.directory ? 0 : ENOTDIR;
}

void remove_tree(const std::string& path) {
    std::error_code ec;
    fs::remove_all(sys::file_path(path), ec);  // removes links, never what they point at
}

// Removes the temporary and set-aside folders of entry that an earlier run
// left behind when it was killed.
void remove_leftovers(const std::string& cache_root, const std::string& entry_name) {
    std::error_code ec;
    auto now = fs::file_time_type::clock::now();
    for (const fs::directory_entry& e : fs::directory_iterator(sys::file_path(cache_root), ec)) {
        std::string name = sys::utf8_path(e.path().filename());
        if (name.rfind(entry_name + ".tmp-", 0) != 0 && name.rfind(entry_name + ".old-", 0) != 0) continue;
        std::error_code time_ec;
        auto written = e.symlink_status(time_ec).type() == fs::file_type::directory
                           ? fs::last_write_time(e.path(), time_ec)
                           : now;
        if (!time_ec && now - written > kLeftoverAge) remove_tree(sys::utf8_path(e.path()));
    }
}

bool write_text_file(const std::string& path, const std::string& text) {
    std::ofstream out(sys::file_path(path), std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    return static_cast<bool>(out);
}

}  // namespace

std::string site_cache_folder() { return sys::site_cache_folder(); }

std::string cache_entry_name(const std::string& path) {
    std::string_view name = path;
    if (size_t slash = name.find_last_of(sys::kPathSeparators); slash != std::string_view::npos) name.remove_prefix(slash + 1);
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
    std::string absolute = sys::resolved_path(derive_output_names(path, 0).input_path);
    std::string entry_name = cache_entry_name(absolute);
    std::string entry = cache_root + kSeparator + entry_name;
    std::string site = kSeparator + help_file_key(absolute) + kSeparator + std::string(html::kIndexPage);
    result.index = entry + site;

    std::string stamp = site_stamp(absolute, code_page);
    if (!stamp.empty() && is_regular_file(result.index) && read_whole_file(entry + kSeparator + kStampName) == stamp) {
        return result;
    }

    if (int err = make_folders(cache_root)) {
        result.problem_folder = cache_root;
        result.problem_reason = std::strerror(err);
        return result;
    }
    remove_leftovers(cache_root, entry_name);
    std::string temp = sys::make_unique_folder(entry + ".tmp-");
    if (temp.empty()) {
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
    if (!stamp.empty()) write_text_file(temp + kSeparator + kStampName, stamp);
    if (int err = sys::replace_folder(temp, entry)) {
        result.problem_folder = entry;
        result.problem_reason = std::strerror(err);
        remove_tree(temp);
    }
    return result;
}

// The programs that open a web page: the desktop's opener on Linux, the
// default browser on Windows.
#ifdef _WIN32
#define KORVANE_OPENERS_EN "no default web browser"
#define KORVANE_OPENERS_DE "kein Standard-Webbrowser"
#define KORVANE_OPENERS_ES "ningún navegador web predeterminado"
#else
#define KORVANE_OPENERS_EN "xdg-open or gio"
#define KORVANE_OPENERS_DE "xdg-open oder gio"
#define KORVANE_OPENERS_ES "xdg-open o gio"
#endif

const ReadTexts& read_texts(Language lang) {
    static const ReadTexts english{
        "No program to open the web site with was found (" KORVANE_OPENERS_EN ").\nOpen %1 in a web browser.",
        "%2 could not open the web site.\nOpen %1 in a web browser.",
        "The web site cannot be written into %1: %2",
    };
    static const ReadTexts german{
        "Es wurde kein Programm gefunden, das die Website öffnet (" KORVANE_OPENERS_DE ").\n"
        "Öffnen Sie %1 in einem Webbrowser.",
        "%2 konnte die Website nicht öffnen.\nÖffnen Sie %1 in einem Webbrowser.",
        "Die Website kann nicht in %1 geschrieben werden: %2",
    };
    static const ReadTexts spanish{
        "No se encontró ningún programa para abrir el sitio web (" KORVANE_OPENERS_ES ").\nAbra %1 en un navegador web.",
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
#ifdef _WIN32
        hooks.show_problem(fill_text(texts.no_cache, "%LOCALAPPDATA%\\Korvane", std::strerror(ENOENT)));
#else
        hooks.show_problem(fill_text(texts.no_cache, "~/.cache/korvane", std::strerror(ENOENT)));
#endif
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
    sys::OpenResult opened = sys::open_document(site.index, !sys::display_available());
    switch (opened.outcome) {
    case sys::OpenResult::Outcome::opened: return 0;
    case sys::OpenResult::Outcome::no_opener: hooks.show_problem(fill_text(texts.no_opener, site.index)); break;
    case sys::OpenResult::Outcome::failed:
        hooks.show_problem(fill_text(texts.opener_failed, site.index, opened.program));
        break;
    }
    return 1;
}

}  // namespace korvane
