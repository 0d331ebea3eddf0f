// SPDX-License-Identifier: MIT
// The search of a site, which works from the file system.
//
// search.html?q=WORDS lists the topics that hold every word of WORDS, best
// first, each as a link with its title and an excerpt of its text around
// the first match, the matches marked (<mark>); every page's navigation has
// a search box (search_form) that leads there. Pages opened from file://
// can neither fetch files nor load modules, so the index is a classic
// script, search-index.js, that the page loads with lunr.min.js (lunr.js,
// which ranks the topics; the build copies Debian's libjs-lunr into
// kLunrScript) and search.js (kSearchScript: the query, the excerpts, and
// lunr's index made from the site's compact one). lunr-licence.txt carries
// lunr's licence.
//
// The index holds each indexed topic's page, title and plain text, and for
// each token (html/search_tokens.h) of the titles and texts the topics that
// hold it with the counts in title and text; search.js describes the
// encoding. Help-file text reaches the script only as string literals made
// by append_script_string, and the page shows it only as text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korvane {

namespace html {
struct Site;
}

// Writes the search page, its scripts and the index of the site's topics:
// their titles and page_texts (UTF-8, by topic); an untitled topic is
// listed by its label (UTF-8, by topic). site_title is UTF-8.
void write_search(const html::Site& site, const std::vector<std::string>& page_texts,
                  const std::vector<std::string>& labels, std::string_view site_title);

namespace html {

// The search box of the pages' navigation, its button and field named label.
std::string search_form(std::string_view label);
extern const std::string_view kSearchScript;  // search.js
extern const std::string_view kLunrScript;    // lunr.min.js, with its header comment
extern const std::string_view kLunrLicence;   // the licence text that follows that header

// Appends utf8 as a string literal in double quotes, valid JavaScript and
// JSON, that no parser of a script or a page takes for anything but the
// string: quote, backslash, '<', '>', '&', control characters (C0, DEL,
// C1), U+2028 and U+2029 as escapes, a byte that starts no UTF-8 sequence
// as U+FFFD.
void append_script_string(std::string& out, std::string_view utf8);

}  // namespace html
}  // namespace korvane
