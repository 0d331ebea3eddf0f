// SPDX-License-Identifier: MIT
// The contents file of an HTML Help project (NAME.hhc): the tree the
// viewer's Contents tab shows.
//
// With a contents file beside the help file it is that file's tree, as the
// site's contents page shows it (html/contents_page.h): its :Include files
// followed, books with their entries, topics of this help file leading to
// their pages, those of other help files to their HTML Help files
// ("ms-its:other.chm::/page.html"), entries that lead nowhere with their
// name alone; then a book with the label for other topics holding the
// topics the page lists beside the contents. Without a contents file the
// entries are those topics, in file order, each under its label.
#pragma once

#include <string>
#include <vector>

namespace korvane {

struct HelpModel;
class TopicMap;

namespace text {
class Utf8Converter;
}

namespace chm {

class ProjectText;

// The text of NAME.hhc (in the project's code page); labels: how each
// topic is listed (UTF-8), other_topics the label of that book.
std::string contents_file(const HelpModel& model, const TopicMap& map, const std::vector<std::string>& labels,
                          const std::string& other_topics, text::Utf8Converter& utf8, const ProjectText& text);

}  // namespace chm
}  // namespace korvane
