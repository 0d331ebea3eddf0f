// SPDX-License-Identifier: MIT
// The fonts of a help file: the face names and font descriptors of |FONT,
// decoded once for everything that needs them (the RTF font, colour and
// style tables, the code page of the text, later the HTML export).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace korvane {

struct HelpFile;

struct RgbColour {
    uint8_t red = 0, green = 0, blue = 0;
    bool operator==(const RgbColour&) const = default;
};

// Font families as descriptors number them.
enum FontFamily : uint8_t {
    kFamilyNone = 0,
    kFamilyModern = 1,
    kFamilyRoman = 2,
    kFamilySwiss = 3,
    kFamilyScript = 4,
    kFamilyDecorative = 5,
};

struct FontDescriptor {
    uint16_t face_number = 0;
    std::string face;  // its face name cut at the last comma; empty when the number names none
    uint8_t family = kFamilyNone;
    // Short descriptors: the stored size. Long ones: -2 x the logical
    // height (negative for a height given as cell height), wrapped to 32 bits.
    int32_t half_points = 0;
    bool bold = false, italic = false, underline = false, strike_out = false;
    bool double_underline = false, small_caps = false;  // short descriptors only
    uint8_t attributes = 0;  // short descriptors: the attribute byte as stored
    RgbColour text_colour, background_colour;
    int charset = -1;  // long descriptors that hold it; -1 otherwise
};

struct FontTable {
    bool long_descriptors = false;
    size_t face_slots = 0;  // face-name slots the table declares
    std::vector<FontDescriptor> descriptors;
};

// The number of fonts text can select: the descriptors, none when the
// table has no face names.
inline size_t font_count(const FontTable& fonts) {
    return fonts.face_slots == 0 ? 0 : fonts.descriptors.size();
}

// Paragraph spacing and indents are stored in twips in help files whose
// fonts have long descriptors, else in tens of twips: decided here, once,
// for every output that decodes paragraphs.
inline bool spacing_in_twips(const FontTable& fonts) { return fonts.long_descriptors && font_count(fonts) > 0; }

// Decodes |FONT; a help file without one, or with a header that does not
// fit, gives an empty table.
FontTable read_font_table(const HelpFile& help);

}  // namespace korvane
