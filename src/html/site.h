// SPDX-License-Identifier: MIT
// A help file as a static web site that works from the file system:
// index.html (html/contents_page.h), one page per topic named from its
// first context id (topicmap/topic_map.h, html/page_writer.h), a page that
// forwards to its topic for every further context id, keywords.html
// (html/keyword_page.h), search.html (html/search_index.h), the style sheet
// and the script (html/site_style.h), the pictures as PNG
// (html/site_pictures.h) and the baggage files in "files/".
//
// Jumps into another help file link to that file's site as a sibling
// folder, "../other/ID.html", which resolves when both were converted into
// the same folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvane {

struct HelpModel;
struct Reporter;
class OutputSink;
class TopicMap;

namespace html {

class KeywordIndex;
class SiteFiles;

// What the writers of a site's files read: the model, the topic map, the
// keyword index and where the files go; none of them changes it.
struct Site {
    const HelpModel& model;
    const TopicMap& map;
    const KeywordIndex& keywords;
    const SiteFiles& files;
    std::string language;  // BCP 47 tag of the help file's language (text/labels.h)
    int code_page = 0;     // of the help file's text
};

// What a site is made from besides the model.
struct SiteSource {
    std::string out_dir;  // the site's folder in the output, with a trailing '/'
    std::string title;    // the help file's title, in its code page
    std::vector<std::string> baggage;  // file names in out_dir/files/ to link from the contents page
    uint16_t locale = 0;  // the LCID of its locale record, 0 for none
};

// Writes the site of the help file into source.out_dir of output.
void write_help_site(const HelpModel& model, Reporter& report, OutputSink& output, const SiteSource& source);

}  // namespace html
}  // namespace korvane
