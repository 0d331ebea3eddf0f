// SPDX-License-Identifier: MIT
// The files of a site: their names, and where and how they are written.
// Pages, scripts and the style sheet are text with CR LF line ends;
// pictures are binary. Every file goes through the conversion's output
// sink into the site's folder. Pages are UTF-8, or text of the code page
// the page options name (characters it lacks as character references).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "text/code_page_encoder.h"

namespace korvane {

class OutStream;
class OutputSink;

namespace html {

// The site's own files; no topic's page takes their names.
constexpr std::string_view kIndexPage = "index.html";
constexpr std::string_view kKeywordsPage = "keywords.html";
constexpr std::string_view kSearchPage = "search.html";
constexpr std::string_view kStyleSheetFile = "korvane.css";
constexpr std::string_view kScriptFile = "korvane.js";
constexpr std::string_view kFilesFolder = "files";  // the baggage files
constexpr std::string_view kSearchIndexFile = "search-index.js";
constexpr std::string_view kSearchScriptFile = "search.js";
constexpr std::string_view kLunrFile = "lunr.min.js";
constexpr std::string_view kLunrLicenceFile = "lunr-licence.txt";
constexpr std::string_view kPageExtension = ".html";

// How the pages are made. The defaults give the web site's; the pages of
// an HTML Help file (chm/html_help.h) go without the site's search (the
// viewer has its own), ask Internet Explorer for its newest engine (the
// viewer's default is that of IE 7) and are text of the code page of the
// file's language.
struct PageOptions {
    bool search = true;    // search.html, and the search box of every page
    bool ie_edge = false;  // <meta http-equiv="X-UA-Compatible" content="IE=edge">
    int code_page = 0;     // of the pages' text; 0: UTF-8
    std::string charset;   // the name of that code page the pages declare
    // Character references only where HTML needs them, for the HTML Help
    // compiler, which decodes none: it stores the title as written (the
    // viewer lists search results by it) and ends a word at a reference.
    // Apostrophes are written as they are (attributes are in double
    // quotes), and the title keeps its quotes, '>' and an '&' that starts
    // no reference.
    bool few_references = false;
};

class SiteFiles {
public:
    // folder: where the files go in output, with a trailing '/'.
    SiteFiles(OutputSink& output, std::string folder, PageOptions options = {});

    // Creates a file of the site (fatal when it cannot be created).
    std::unique_ptr<OutStream> create(std::string_view name) const;
    // Writes a file of the site whole (fatal when it cannot be written).
    void write(std::string_view name, std::string_view bytes) const;
    // Writes a page (UTF-8) whole, in the pages' code page.
    void write_page(std::string_view name, std::string_view html) const;

    const PageOptions& options() const { return options_; }

private:
    OutputSink& output_;
    std::string folder_;
    PageOptions options_;
    std::unique_ptr<text::CodePageEncoder> encoder_;  // with a code page
};

// The head of a page up to </head>: language, the encoding, title (UTF-8,
// escaped here), the style sheet and the popup script.
std::string page_head(std::string_view lang, std::string_view title, const PageOptions& options);

}  // namespace html
}  // namespace korvane
