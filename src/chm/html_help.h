// SPDX-License-Identifier: MIT
// A help file as an HTML Help file (NAME.chm, NAME the help file's key) and
// the project it is compiled from, in the folder NAME-chm beside it so
// that an author can edit and compile it again:
//
//   NAME.hhp   the project file (chm/project_file.h)
//   NAME.hhc   the contents (chm/contents_file.h)
//   NAME.hhk   the keyword index (chm/index_file.h)
//   NAME.h     the map header (chm/map_header.h)
//   the site's pages, pictures, style sheet and script, and its baggage in
//   files/ (html/site_pages.h)
//
// The pages are the site's, with the same names and links, made for the
// viewer: no search of their own (the viewer has its full-text search),
// Internet Explorer's newest engine asked for, the text in the code page
// of the file's language (chm/language.h), the style sheet and script
// completed for IE 11 (chm/page_style.h). A page of another help file is
// reached in that help file's HTML Help file beside this one:
// "ms-its:other.chm::/page.html".
//
// The project is compiled by chm/compile.h when the output is on disk and
// chmcmd is there; without chmcmd a warning names what compiles it.
#pragma once

#include <cstdint>
#include <string>

namespace korvane {

struct HelpModel;
struct Reporter;
class OutputSink;

namespace chm {

struct HtmlHelpSource {
    std::string title;    // the help file's title, in its code page
    uint16_t locale = 0;  // the LCID of its locale record, 0 for none
};

// The folder of the project of the help file of key: "NAME-chm/".
std::string project_folder(const std::string& key);

void write_html_help(const HelpModel& model, Reporter& report, OutputSink& output, const HtmlHelpSource& source);

}  // namespace chm
}  // namespace korvane
