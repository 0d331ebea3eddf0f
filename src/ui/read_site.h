// SPDX-License-Identifier: MIT
// `korvane --read FILE`: the help file's web site, written into the user's
// cache and opened in the browser.
//
// Each help file has a folder of its own in the cache, named after the file
// and a hash of its absolute path (its folder's path resolved). A stamp file
// in it records what the site was made from (the program's version, the code page, the help file's
// and its contents file's size, modification time and content hash); while
// the stamp still holds, the site is opened as it is. Otherwise the site is
// converted into a temporary folder beside it that then takes its place in
// one rename, so a reader never sees a half-written site and a failed
// conversion leaves the previous one alone.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "base/messages.h"
#include "ui/ui_language.h"

namespace korvane {

// The folder of cached sites (system/desktop.h): $XDG_CACHE_HOME/korvane or
// ~/.cache/korvane on Linux, %LOCALAPPDATA%\Korvane on Windows. Empty when
// there is none.
std::string site_cache_folder();

// The name of the cache folder of the help file at path (absolute): its
// file name without extension with ASCII letters, digits, '_' and '-' kept
// and each run of other bytes made one '_', cut to 40 characters ("help"
// when empty), then '-' and 16 hex digits of a hash of the whole path.
std::string cache_entry_name(const std::string& path);

// What a site made from the help file at path (absolute) with code_page
// depends on, as the text of a stamp file; empty when the help file cannot
// be read.
std::string site_stamp(const std::string& path, int code_page);

struct CachedSite {
    std::string index;                     // the site's index.html
    std::optional<ConversionError> error;  // the fatal error of the conversion
    // When the cache could not be used: the folder, and why.
    std::string problem_folder, problem_reason;
};

// Writes the site of the help file into cache_root and returns the path of
// its index.html, or reuses the one written before while its stamp holds.
// path is the help file's path as given (relative to the current
// directory). convert writes the site of the help file at its path argument
// (absolute, its folder's path resolved) into its folder argument, a new
// folder inside cache_root.
using SiteWriter = std::function<std::optional<ConversionError>(const std::string& path, const std::string& folder)>;
CachedSite cached_site(const std::string& path, int code_page, const std::string& cache_root,
                       const SiteWriter& convert);

// The texts of `korvane --read`; %1 stands for a path, %2 for a program or a
// reason.
struct ReadTexts {
    const char* no_opener;      // %1: index.html
    const char* opener_failed;  // %1: index.html, %2: the opener
    const char* no_cache;       // %1: the cache folder, %2: the reason
};
const ReadTexts& read_texts(Language lang);

// text with each %1 replaced by first and each %2 by second.
std::string fill_text(const char* text, const std::string& first, const std::string& second = {});

// How the front end shows a read: the conversion with its progress (the
// site written into the current directory), a fatal error of the
// conversion, and any other problem (a text of read_texts, filled).
struct ReadHooks {
    SiteWriter convert;
    std::function<void(const ConversionError& error)> show_error;
    std::function<void(const std::string& text)> show_problem;
};

// The whole of `korvane --read path`: the cached site, then the opener
// (sys::open_document), which waits in the foreground when no window can be
// shown. Returns 0 once the opener took the site, 1 when the conversion
// failed, the cache could not be used or the site could not be opened (the
// problem shown through hooks).
int read_help_file(const std::string& path, int code_page, Language lang, const ReadHooks& hooks);

}  // namespace korvane
