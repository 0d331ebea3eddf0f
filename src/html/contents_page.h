// SPDX-License-Identifier: MIT
// The site's first page, index.html: the title, the contents, and every
// topic that nothing else leads to.
//
// With a contents file the page shows its tree, books as <details> that
// open and close without scripts, as the viewer's Contents tab does; then
// "Other topics": the titled topics no entry of it leads to, in file
// order. Without one it lists the titled topics. Either way a topic that
// no page of the site leads to (no contents entry, keyword, jump, popup or
// browse link, followed from this page on) is listed as well, by its first
// line when it has no title, so that every page can be reached.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "topics/contents_file.h"

namespace korvane {

struct SiteMap;
struct SiteSource;

namespace html {
class Utf8Converter;
}

// How each topic is listed: its title, else its first line, else its first
// context id, else its page's name (UTF-8). first_lines: the first line of
// each topic's text, by topic (missing ones count as empty).
std::vector<std::string> topic_labels(const SiteMap& site, html::Utf8Converter& utf8, int code_page,
                                      const std::vector<std::string>& first_lines);

void write_contents_page(const SiteMap& site, html::Utf8Converter& utf8, int code_page, const std::string& title,
                         const SiteSource& source, const std::optional<ContentsFile>& contents,
                         const std::vector<std::string>& topic_labels);

}  // namespace korvane
