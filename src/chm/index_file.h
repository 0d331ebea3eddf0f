// SPDX-License-Identifier: MIT
// The index file of an HTML Help project (NAME.hhk): the K keywords as the
// viewer's Index tab lists them, in the two levels and the order of the
// site's keyword page (html/keyword_index.h's index_groups). An entry with
// one topic leads to the place in it where the keyword stands; one with
// several names each topic (its label) before its place, as HTML Help
// Workshop writes them, and the viewer lists them as Topics Found. A first
// level that only its second levels give topics has its name alone.
//
// A keywords are left out: the compiler (chmcmd) writes no associative
// index. The pages' ALink hotspots lead to their lists on keywords.html,
// as on the site.
#pragma once

#include <string>
#include <vector>

namespace korvane {

class TopicMap;

namespace html {
class KeywordIndex;
}

namespace chm {

class ProjectText;

// The text of NAME.hhk (in the project's code page); labels: how each
// topic is listed (UTF-8).
std::string index_file(const TopicMap& map, const html::KeywordIndex& keywords, const std::vector<std::string>& labels,
                       const ProjectText& text);

}  // namespace chm
}  // namespace korvane
