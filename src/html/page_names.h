// SPDX-License-Identifier: MIT
// File names of the site's topic pages.
//
// A topic's page is named after its first context id, or "topicN" when it
// has none, through safe_name (html/escape.h): only [A-Za-z0-9_.-], no
// leading dot, the stem at most kMaxPageStem bytes, then ".html". Sites are
// copied to file systems that ignore case, so two pages never differ only
// in case: a name equal to an earlier one ignoring case gets "-2", "-3", ...
// (the first free one). The site's own files (index.html, keywords.html,
// search.html, the style sheet, the pictures) are reserved and never given
// to a topic, and neither are the device names Windows refuses as file
// names (CON, NUL, COM1, ...; "con.html" is one of them there).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace korvane::html {

constexpr std::string_view kIndexPage = "index.html";
constexpr std::string_view kKeywordsPage = "keywords.html";
constexpr std::string_view kStyleSheetFile = "korvane.css";
constexpr std::string_view kSearchPage = "search.html";
constexpr size_t kMaxPageStem = 64;

class PageNames {
public:
    // The site's own pages and the style sheet are reserved from the start.
    PageNames();

    // Reserves a file name the site uses for something else (a picture);
    // false when a page or an earlier reservation has it already.
    bool reserve(std::string_view file_name);

    // The page name of a topic: context_id is its first context id (empty
    // when it has none), topic_number the number in "topicN".
    std::string add(std::string_view context_id, size_t topic_number);

private:
    bool taken(const std::string& lower_name) const;

    std::unordered_set<std::string> used_;  // every name given or reserved, in lower case
    std::unordered_map<std::string, size_t> next_suffix_;  // lower-case stem -> next number to try
};

}  // namespace korvane::html
