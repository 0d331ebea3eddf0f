// SPDX-License-Identifier: MIT
// Text of an HTML Help project's own files (the project file, the contents
// and index files, the map header) in the code page of the file's
// language (chm/language.h), each escaped for the syntax of its file, so
// that no title, caption or keyword of a help file can end a value, start
// a line, section or element, or change what another line means.
#pragma once

#include <string>
#include <string_view>

#include "text/code_page_encoder.h"

namespace korvane::chm {

class ProjectText {
public:
    explicit ProjectText(int code_page) : encoder_(code_page) {}

    // A value of the project file (.hhp), which runs to the line's end:
    // control characters (line ends among them) as spaces, a '[' that
    // would start the line (and so a section) as '(', characters the code
    // page lacks as '?'.
    std::string line(std::string_view utf8) const;
    // A quoted field of a [WINDOWS] line, which the next '"' ends: as line,
    // and '"' as '\''.
    std::string quoted(std::string_view utf8) const;
    // An attribute value of the contents or index file (in double quotes),
    // which the viewer reads as HTML: escaped as such, characters the code
    // page lacks as character references.
    std::string attribute(std::string_view utf8) const;

    const text::CodePageEncoder& encoder() const { return encoder_; }

private:
    text::CodePageEncoder encoder_;
};

// A file of the project: the head and the start of an HTML sitemap (the
// contents and the index files).
std::string sitemap_head();
// An entry of a sitemap: <LI><OBJECT> with the params given (name, value:
// values as ProjectText::attribute gives them), indented by depth.
std::string sitemap_object(int depth, std::initializer_list<std::pair<std::string_view, std::string_view>> params);

}  // namespace korvane::chm
