// SPDX-License-Identifier: MIT
// Text, attribute values, link targets and names for the HTML site.
//
// Everything a help file holds is data: titles, paragraph text, context ids
// and macro arguments may contain any byte. Text reaches a page only through
// these functions, so that a help file can never open an element, close an
// attribute or start a script. Input is UTF-8 (html/utf8.h makes it so);
// bytes that are not UTF-8 and characters an HTML parser reports as errors
// (control characters but tab, line feed and carriage return, C1 controls,
// noncharacters) become U+FFFD: visible, never dropped in silence.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace korvane::html {

// Appends text for element content or for an attribute value in double or
// single quotes: & < > " ' as character references. In attribute values tab,
// line feed and carriage return are references too, so they survive the
// attribute-value normalisation of the parser.
void append_text(std::string& out, std::string_view utf8);
void append_attribute(std::string& out, std::string_view utf8);
// A page's title for a reader that decodes no character reference (the
// HTML Help compiler stores the title as written): only '<' and an '&' that
// would start a reference are references. Element content only.
void append_title(std::string& out, std::string_view utf8);
std::string escape_text(std::string_view utf8);
std::string escape_attribute(std::string_view utf8);

// True for a link target a page may carry: a relative reference, or an
// absolute one with the scheme http, https, ftp or mailto. The scheme is
// read the way a browser reads it (tab, line feed and carriage return
// removed everywhere, leading and trailing controls and spaces cut), so
// "java\tscript:" and " JavaScript:" are refused as "javascript:" is; so is
// any other scheme (data:, vbscript:, file:, ...).
bool is_safe_link_target(std::string_view url);

// The link target ready for an href or src attribute (still to be passed
// through append_attribute): bytes outside the printable ASCII URL
// characters percent-encoded, an existing %XX kept. Empty when the target is
// not safe; the writer then writes no link.
std::string link_target(std::string_view url);


}  // namespace korvane::html
