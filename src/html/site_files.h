// SPDX-License-Identifier: MIT
// The files of a site: their names, and where and how they are written.
// Pages, scripts and the style sheet are text with CR LF line ends;
// pictures are binary. Every file goes through the conversion's output
// sink into the site's folder.
#pragma once

#include <memory>
#include <string>
#include <string_view>

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

class SiteFiles {
public:
    // folder: where the files go in output, with a trailing '/'.
    SiteFiles(OutputSink& output, std::string folder) : output_(output), folder_(std::move(folder)) {}

    // Creates a file of the site (fatal when it cannot be created).
    std::unique_ptr<OutStream> create(std::string_view name) const;
    // Writes a file of the site whole (fatal when it cannot be written).
    void write(std::string_view name, std::string_view bytes) const;

private:
    OutputSink& output_;
    std::string folder_;
};

// The head of a site page up to </head>: language, UTF-8, title (UTF-8,
// escaped here), the style sheet and the popup script.
std::string page_head(std::string_view lang, std::string_view title);

}  // namespace html
}  // namespace korvane
