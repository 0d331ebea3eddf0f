// SPDX-License-Identifier: MIT
// A help file as a static web site that works from the file system:
// index.html (html/contents_page.h), one page per topic named from its
// first context id (html/page_names.h, html/page_writer.h), a page that
// forwards to its topic for every further context id, keywords.html
// (html/keyword_page.h), search.html (html/search_index.h), the style sheet
// and the script (html/site_style.h), the pictures as PNG
// (html/site_pictures.h) and the baggage files in "files/". The site map
// (html/site_map.h) is what the writers of these share.
//
// Jumps into another help file link to that file's site as a sibling
// folder, "../other/ID.html", which resolves when both were converted into
// the same folder.
#pragma once

#include "html/site_map.h"

namespace korvane {

struct HelpModel;
struct Reporter;
class OutputSink;

// Writes the site of the help file into source.out_dir of output.
void write_help_site(const HelpModel& model, Reporter& report, OutputSink& output, const SiteSource& source);

}  // namespace korvane
