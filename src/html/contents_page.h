// SPDX-License-Identifier: MIT
// The site's first page, index.html: the title, the contents, and every
// topic that nothing else leads to.
//
// With a contents file the page shows its tree, books as <details> that
// open and close without scripts, as the viewer's Contents tab does; then
// "Other topics": the titled topics no entry of it leads to, in file
// order. Without one it lists the titled topics. Either way a topic that
// no page of the site leads to (no contents entry, keyword, jump, popup or
// browse link, followed from this page on) is listed as well, so that
// every page can be reached.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace korvane {

class TopicMap;
struct ContentsFile;

namespace html {
struct Site;
}
namespace text {
class Utf8Converter;
struct Labels;
}

// How each topic is listed (UTF-8): its title, else its first line, else
// the word for a topic and its number ("Topic 12"). first_lines: the first
// line of each topic's text, by topic (missing ones count as empty).
std::vector<std::string> topic_labels(const TopicMap& map, text::Utf8Converter& utf8, int code_page,
                                      const std::vector<std::string>& first_lines, const text::Labels& words);

// The topics the page lists beside the contents, in file order: the titled
// ones no contents entry leads to (all titled ones without contents), then
// as few others as it takes for every topic to be reached from the page.
std::vector<size_t> listed_topics(const TopicMap& map, const std::optional<ContentsFile>& contents);

// Writes index.html; baggage: the names of the files in files/ to link to.
void write_contents_page(const html::Site& site, text::Utf8Converter& utf8, const std::string& title,
                         const std::vector<std::string>& baggage, const std::vector<std::string>& topic_labels);

}  // namespace korvane
