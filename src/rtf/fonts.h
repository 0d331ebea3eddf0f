// SPDX-License-Identifier: MIT
// Font and colour tables and the font style strings of the RTF files, from
// the decoded |FONT (topics/fonts.h).
#pragma once

#include <string>
#include <vector>

namespace korvane {

struct RtfConversion;
class OutStream;

struct FontStyles {
    bool built = false;
    std::vector<std::string> styles;  // RTF style text per font number
};

// With rtf, writes "{\fonttbl{...}}" and the colour table; without, only
// builds help.font_styles. The style table is built by the first call of a
// conversion and kept. A help file without usable |FONT data gets empty
// tables.
void write_font_table(RtfConversion& help, OutStream* rtf);

}  // namespace korvane
