// Builders for topic format data and |FONT files, and helpers that capture
// and inspect what the RTF writers produce.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "support/hlp_builder.h"

namespace korvane {
class OutStream;
}

namespace korvane::test {

// Compressed values as format data store them.
std::vector<uint8_t> compressed_unsigned(int value);
std::vector<uint8_t> compressed_signed(int value);

// Format data: the Bytes operations plus the compressed encodings, all
// chainable.
struct Format {
    Bytes data;

    Format& u8(unsigned v) { data.u8(v); return *this; }
    Format& u16(unsigned v) { data.u16(v); return *this; }
    Format& u32(uint32_t v) { data.u32(v); return *this; }
    Format& i16(int v) { data.i16(v); return *this; }
    Format& str(std::string_view s) { data.str(s); return *this; }
    Format& raw(std::string_view s) { data.raw(s); return *this; }
    Format& fill(size_t n) { data.fill(n); return *this; }
    Format& bytes(const std::vector<uint8_t>& v) { data.raw(v); return *this; }
    Format& cu(int v) { return bytes(compressed_unsigned(v)); }
    Format& cs(int v) { return bytes(compressed_signed(v)); }
    // Paragraph information with only its bits (fields follow via cu/cs/u8).
    Format& info(uint16_t bits) { return u8(0).u8(0).u16(0).u16(bits); }
    operator const std::vector<uint8_t>&() const { return data.b; }
};

// Text data: NUL-terminated strings.
std::vector<uint8_t> text_strings(const std::vector<std::string>& strings);

// Runs write with a binary stream and returns what it wrote.
std::string captured(const std::function<void(OutStream&)>& write);
// The text without the line feeds (and CRs) that the writers add.
std::string flat(std::string_view s);

// RTF group balance: true when every "{" has its "}" (escaped braces and
// the contents of \'xx escapes do not count) and no "}" comes too early.
bool balanced_rtf(std::string_view rtf);

// |FONT with 11-byte descriptors {attributes, half-points, family, face,
// r, g, b} and face names of 20 bytes.
struct ShortFontSpec {
    uint8_t attributes, half_points, family;
    uint16_t face;
    uint8_t red, green, blue;
};
std::vector<uint8_t> font_file(const std::vector<std::string>& faces, const std::vector<ShortFontSpec>& fonts);

}  // namespace korvane::test
