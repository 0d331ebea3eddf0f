// Font table, colour table and font style strings from |FONT.
//
// Header: u16 face-name count, u16 descriptor count, u16 (unused), u16
// descriptor offset. Face names are 32 bytes when (descriptor offset - 8) /
// face-name count exceeds 20, else 20, and end just before the descriptors.
// Descriptors are 42 bytes when (file size - descriptor offset) /
// descriptor count exceeds 11, else 11.
//
// Short descriptor: attributes (0x01 bold, 0x02 italic, 0x04 underline),
// half-points, family (1 modern, 2 roman, 3 swiss, 4 script, 5 decor), u16
// face number, text colour RGB, background RGB. Long descriptor: u16 face
// number at 0, text colour at 6, i32 height at 12, i32 weight at 28, i32
// italic at 32, character set at 35, pitch-and-family byte at 39.
//
// Text in a code page other than the Western one gives every font the
// character set of that code page; a logical font of the symbol set keeps
// it, its characters being in no code page.
#include "rtf/fonts.h"

#include <cstdint>

#include "base/format.h"
#include "base/out_stream.h"
#include "helpfile/byte_reader.h"
#include "rtf/rtf_conversion.h"
#include "rtf/rtf_text.h"
#include "topics/code_page.h"

namespace korvane {

namespace {

struct Font {
    uint8_t attributes = 0;
    uint8_t half_points = 0;
    uint8_t family = 0;
    uint8_t face = 0;
    uint8_t red = 0, green = 0, blue = 0;
    int charset = -1;  // long descriptors only
};

constexpr int kSymbolCharset = 2;

Font short_font(const uint8_t* d) {
    return Font{d[0], d[1], d[2], d[3], d[5], d[6], d[7]};
}

Font long_font(const uint8_t* d) {
    Font f;
    f.face = d[0];
    f.red = d[6];
    f.green = d[7];
    f.blue = d[8];
    f.half_points = static_cast<uint8_t>(static_cast<int8_t>(d[12]) * -2);
    f.charset = d[35];
    if (static_cast<int32_t>(ByteReader::le32(d + 28)) > 500) f.attributes |= 0x01;
    if (ByteReader::le32(d + 32) != 0) f.attributes |= 0x02;
    switch (d[39]) {
    case 0x10: f.family = 2; break;
    case 0x20: f.family = 3; break;
    case 0x30: f.family = 1; break;
    case 0x40: f.family = 4; break;
    case 0x50: f.family = 5; break;
    default: f.family = 1; break;
    }
    return f;
}

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

void write_font_table(RtfConversion& help, OutStream* rtf) {
    ByteReader in = help.reader(help.font_file);
    size_t size = in.size();
    uint16_t face_count = in.u16();
    uint16_t descriptor_count = in.u16();
    in.skip(2);
    uint16_t descriptor_offset = in.u16();

    size_t fonts = 0;
    size_t face_length = 20, descriptor_length = 11;
    if (help.font_file.present() && !in.overrun() && face_count > 0 && descriptor_count > 0) {
        face_length = static_cast<uint32_t>(descriptor_offset - 8) / face_count > 20 ? 32 : 20;
        descriptor_length = (static_cast<int64_t>(size) - descriptor_offset) / descriptor_count > 11 ? 42 : 11;
        if (descriptor_length == 42) help.long_font_records = true;
        // Only descriptors that begin inside |FONT are taken.
        if (descriptor_offset < size) {
            size_t fit = (size - descriptor_offset + descriptor_length - 1) / descriptor_length;
            fonts = descriptor_count < fit ? descriptor_count : fit;
        }
    }

    FontStyles& styles = help.font_styles;
    bool fill_styles = !styles.built;
    if (fill_styles) {
        styles.styles.clear();
        styles.styles.reserve(fonts);
    }

    std::string font_table = "{\\fonttbl{";
    std::string colour_table = "{\\colortbl\n";
    for (size_t i = 0; i < fonts; ++i) {
        uint8_t record[42] = {};
        ByteReader d = in.sub(descriptor_offset + i * descriptor_length, descriptor_length);
        d.read(record, descriptor_length);
        Font font = descriptor_length == 42 ? long_font(record) : short_font(record);

        std::string_view face;
        if (font.face < face_count) {
            int64_t start = static_cast<int64_t>(descriptor_offset) -
                            static_cast<int64_t>(face_count) * static_cast<int64_t>(face_length) +
                            static_cast<int64_t>(font.face) * static_cast<int64_t>(face_length);
            if (start >= 0) {
                ByteReader field = in.sub(static_cast<size_t>(start), face_length);
                face = field.cstring();
            }
        }
        size_t comma = face.rfind(',');
        if (comma != std::string_view::npos) face = face.substr(0, comma);

        int index = static_cast<int>(i);
        if (help.code_page == kWesternCodePage) {
            format_into(font_table, "\\f%d\\f%s %s", {index, family_name(font.family), escape_rtf_structure(face)});
        } else {
            int charset = font.charset == kSymbolCharset ? kSymbolCharset : charset_of_code_page(help.code_page);
            format_into(font_table, "\\f%d\\f%s", {index, family_name(font.family)});
            if (charset >= 0) format_into(font_table, "\\fcharset%d", {charset});
            format_into(font_table, " %s", {escape_rtf_structure(face, is_multibyte_code_page(help.code_page))});
        }

        uint32_t colour = font.red | font.green << 8 | font.blue << 16;
        if (colour == 0xFFFFFF) colour = 0;
        format_into(colour_table, "\\red%d\\green%d\\blue%d;\n",
                    {colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF});

        if (fill_styles) {
            std::string style = format("\\f%d\\cf%d\\fs%d", index, index, font.half_points);
            style += (font.attributes & 0x01) ? "\\b" : "\\b0";
            style += (font.attributes & 0x02) ? "\\i" : "\\i0";
            style += (font.attributes & 0x04) ? "\\ul" : "\\ul0";
            styles.styles.push_back(std::move(style));
        }
    }
    styles.built = true;

    if (rtf) {
        font_table += "}}\n";
        colour_table += "}\n";
        rtf->write(font_table);
        rtf->write(colour_table);
    }
}

}  // namespace korvane
