// SPDX-License-Identifier: MIT
// Font and colour tables and the font style strings of the RTF files, from
// the decoded |FONT (topics/fonts.h).
#pragma once

#include <string>
#include <vector>

namespace korvane {

struct FontTable;
class OutStream;

// The RTF style text of each font number: "\fN\cfN\fsN" and the attributes.
std::vector<std::string> font_styles(const FontTable& fonts);

// Writes "{\fonttbl{...}}" and the colour table. A help file without
// usable |FONT data gets empty tables.
void write_font_table(const FontTable& fonts, int code_page, OutStream& rtf);

}  // namespace korvane
