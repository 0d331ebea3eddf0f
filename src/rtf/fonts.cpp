// SPDX-License-Identifier: MIT
// Font table, colour table and font style strings, built from the decoded
// |FONT (topics/fonts.h). Fonts are numbered as the descriptors; a file
// without face names gets empty tables.
//
// Text in a code page other than the Western one gives every font the
// character set of that code page; a logical font of the symbol set keeps
// it, its characters being in no code page.
#include "rtf/fonts.h"

#include <cstdint>

#include "base/format.h"
#include "output/out_stream.h"
#include "rtf/rtf_text.h"
#include "topics/code_page.h"
#include "topics/fonts.h"

namespace korvane {

namespace {

constexpr int kSymbolCharset = 2;

const char* family_name(uint8_t family) {
    switch (family) {
    case 1: return "modern";
    case 2: return "roman";
    case 3: return "swiss";
    case 4: return "script";
    case 5: return "decor";
    default: return " ";
    }
}

}  // namespace

std::vector<std::string> font_styles(const FontTable& table) {
    std::vector<std::string> styles;
    size_t fonts = font_count(table);
    styles.reserve(fonts);
    for (size_t i = 0; i < fonts; ++i) {
        const FontDescriptor& font = table.descriptors[i];
        int index = static_cast<int>(i);
        std::string style = format("\\f%d\\cf%d\\fs%d", index, index, static_cast<uint8_t>(font.half_points));
        style += font.bold ? "\\b" : "\\b0";
        style += font.italic ? "\\i" : "\\i0";
        style += font.underline ? "\\ul" : "\\ul0";
        styles.push_back(std::move(style));
    }
    return styles;
}

void write_font_table(const FontTable& table, int code_page, OutStream& rtf) {
    size_t fonts = font_count(table);
    std::string font_table = "{\\fonttbl{";
    std::string colour_table = "{\\colortbl\n";
    for (size_t i = 0; i < fonts; ++i) {
        const FontDescriptor& font = table.descriptors[i];
        int index = static_cast<int>(i);
        if (code_page == kWesternCodePage) {
            format_into(font_table, "\\f%d\\f%s %s", {index, family_name(font.family), escape_rtf_structure(font.face)});
        } else {
            int charset = font.charset == kSymbolCharset ? kSymbolCharset : charset_of_code_page(code_page);
            format_into(font_table, "\\f%d\\f%s", {index, family_name(font.family)});
            if (charset >= 0) format_into(font_table, "\\fcharset%d", {charset});
            format_into(font_table, " %s", {escape_rtf_structure(font.face, is_multibyte_code_page(code_page))});
        }

        // White text is written as black.
        RgbColour colour = font.text_colour;
        if (colour == RgbColour{0xFF, 0xFF, 0xFF}) colour = RgbColour{};
        format_into(colour_table, "\\red%d\\green%d\\blue%d;\n", {colour.red, colour.green, colour.blue});
    }
    font_table += "}}\n";
    colour_table += "}\n";
    rtf.write(font_table);
    rtf.write(colour_table);
}

}  // namespace korvane
