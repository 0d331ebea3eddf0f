// SPDX-License-Identifier: MIT
// Decoding |FONT.
//
// Header: u16 face-name count, u16 descriptor count, u16 (unused), u16
// descriptor offset. The face names are zero-padded fields that end just
// before the descriptors: 32 bytes each when (descriptor offset - 8) /
// face-name count exceeds 20, else 20. The descriptors are 42 bytes (long)
// when (file size - descriptor offset) / descriptor count exceeds 11, else
// 11 (short). Every descriptor that begins inside |FONT is taken; one that
// the file cuts short reads zeros for its missing bytes.
//
// Short descriptor (11 bytes): attribute byte (0x01 bold, 0x02 italic,
// 0x04 underline, 0x08 strike-out, 0x10 double underline, 0x20 small caps;
// 0x40 and 0x80 are set by some compilers and have no meaning here),
// half-points, family (1 modern, 2 roman, 3 swiss, 4 script, 5 decorative),
// u16 face number, text colour RGB, background colour RGB.
//
// Long descriptor (42 bytes), a logical-font record with a 12-byte front:
// u16 face number at 0, text colour RGB at 6, background colour RGB at 9;
// then i32 height at 12, i32 weight at 28 (above 500 is bold), italic at
// 32, underline at 33, strike-out at 34, character set at 35 and the
// pitch-and-family byte at 39 (family in the high nibble: 0x10 roman, 0x20
// swiss, 0x30 modern, 0x40 script, 0x50 decorative; anything else is taken
// as modern).
#include "topics/fonts.h"

#include "base/byte_reader.h"
#include "helpfile/helpfile.h"

namespace korvane {

namespace {

constexpr size_t kShortDescriptor = 11;
constexpr size_t kLongDescriptor = 42;
constexpr size_t kLongCharsetAt = 35;

RgbColour read_colour(ByteReader& in) {
    RgbColour c;
    c.red = in.u8();
    c.green = in.u8();
    c.blue = in.u8();
    return c;
}

FontDescriptor short_descriptor(ByteReader d) {
    FontDescriptor f;
    f.attributes = d.u8();
    f.half_points = d.u8();
    f.family = d.u8();
    f.face_number = d.u16();
    f.text_colour = read_colour(d);
    f.background_colour = read_colour(d);
    f.bold = f.attributes & 0x01;
    f.italic = f.attributes & 0x02;
    f.underline = f.attributes & 0x04;
    f.strike_out = f.attributes & 0x08;
    f.double_underline = f.attributes & 0x10;
    f.small_caps = f.attributes & 0x20;
    return f;
}

uint8_t long_family(uint8_t pitch_and_family) {
    switch (pitch_and_family) {
        case 0x10: return kFamilyRoman;
        case 0x20: return kFamilySwiss;
        case 0x30: return kFamilyModern;
        case 0x40: return kFamilyScript;
        case 0x50: return kFamilyDecorative;
        default: return kFamilyModern;
    }
}

FontDescriptor long_descriptor(ByteReader d) {
    FontDescriptor f;
    size_t held = d.size();
    f.face_number = d.u16();
    d.seek(6);
    f.text_colour = read_colour(d);
    f.background_colour = read_colour(d);
    int32_t height = d.i32();
    f.half_points = static_cast<int32_t>(0u - 2u * static_cast<uint32_t>(height));
    d.seek(28);
    f.bold = d.i32() > 500;
    f.italic = d.u8() != 0;
    f.underline = d.u8() != 0;
    f.strike_out = d.u8() != 0;
    if (held > kLongCharsetAt) f.charset = d.u8();
    d.seek(39);
    f.family = long_family(d.u8());
    return f;
}

}  // namespace

FontTable read_font_table(const HelpFile& help) {
    FontTable table;
    if (!help.font_file.present()) return table;
    ByteReader in = help.reader(help.font_file);
    size_t size = in.size();
    uint16_t face_count = in.u16();
    uint16_t descriptor_count = in.u16();
    in.skip(2);
    uint16_t descriptor_offset = in.u16();
    if (in.overrun() || descriptor_count == 0 || descriptor_offset >= size) return table;

    size_t descriptor_length = (size - descriptor_offset) / descriptor_count > 11 ? kLongDescriptor : kShortDescriptor;
    table.long_descriptors = descriptor_length == kLongDescriptor;

    // The face names are read where a descriptor names one: a table may
    // declare thousands of slots that lie before the start of |FONT.
    table.face_slots = face_count;
    size_t face_length = 0;
    int64_t first = 0;
    if (face_count > 0) {
        // An offset below 8 wraps to a large quotient: 32-byte names.
        face_length = static_cast<uint32_t>(descriptor_offset - 8) / face_count > 20 ? 32 : 20;
        first = static_cast<int64_t>(descriptor_offset) - int64_t{face_count} * static_cast<int64_t>(face_length);
    }
    auto face_name = [&](uint16_t number) -> std::string_view {
        int64_t start = first + number * static_cast<int64_t>(face_length);
        return start >= 0 ? in.sub(static_cast<size_t>(start), face_length).cstring() : std::string_view();
    };

    size_t fit = (size - descriptor_offset + descriptor_length - 1) / descriptor_length;
    size_t count = descriptor_count < fit ? descriptor_count : fit;
    table.descriptors.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        ByteReader d = in.sub(descriptor_offset + i * descriptor_length, descriptor_length);
        FontDescriptor f = table.long_descriptors ? long_descriptor(d) : short_descriptor(d);
        if (f.face_number < face_count) {
            std::string_view face = face_name(f.face_number);
            size_t comma = face.rfind(',');
            f.face = std::string(comma == std::string_view::npos ? face : face.substr(0, comma));
        }
        table.descriptors.push_back(std::move(f));
    }
    return table;
}

}  // namespace korvane
