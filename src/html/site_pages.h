// SPDX-License-Identifier: MIT
// The pages of a site, apart from the site's other files: what the web
// site (html/site.h) and an HTML Help file (chm/html_help.h) share. The
// caller makes the topic map (from the pictures it wrote with
// html/site_pictures.h) and writes the style sheet and the script.
#pragma once

#include <string>
#include <vector>

#include "html/page_writer.h"
#include "html/site.h"

namespace korvane {

struct HelpModel;
struct Reporter;
class TopicMap;

namespace html {

class SiteFiles;

// What the pages tell the files written after them.
struct WrittenSite {
    std::string title;                // of the help file (UTF-8)
    std::vector<std::string> labels;  // how each topic is listed (UTF-8), by topic
    WrittenPages pages;
};

// The names the site's own files take, which no topic's page may have.
TopicMapOptions site_map_options();

// Writes a page per topic, the pages that forward further context ids to
// their topics, keywords.html, index.html and, when the page options have
// the search, search.html with its scripts and index.
WrittenSite write_site_pages(const HelpModel& model, const TopicMap& map, Reporter& report, const SiteFiles& files,
                             const SiteSource& source);

}  // namespace html
}  // namespace korvane
