// Font and colour tables from |FONT, and the font style strings.
//
// |FONT starts with u16 number of face names, u16 number of descriptors,
// u16 face-name offset (unused), u16 descriptor offset. The face names
// (20 or 32 bytes each) lie directly before the descriptors; the
// descriptors are 11 bytes (attributes, half-points, family, u16 face
// number, text and background colour) or 42 bytes (a logical-font record
// with the face number and the colours in front).
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
