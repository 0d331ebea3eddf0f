// Format data encodings, |FONT files and the capture of RTF output.
#include "support/rtf_builder.h"

#include "driver/out_stream.h"

namespace korvane::test {

namespace {

// Two bytes: the odd word w reads as (int16)(w - bias) / 2, truncated toward 0.
std::vector<uint8_t> two_bytes(int value, int bias) {
    auto w = static_cast<uint16_t>((value >= 0 ? value * 2 + 1 : value * 2 - 1) + bias);
    return {static_cast<uint8_t>(w & 0xFF), static_cast<uint8_t>(w >> 8)};
}

}  // namespace

std::vector<uint8_t> compressed_unsigned(int value) {
    if (value >= 0 && value < 128) return {static_cast<uint8_t>(value * 2)};
    return two_bytes(value, 0);
}

std::vector<uint8_t> compressed_signed(int value) {
    if (value >= -64 && value < 64) return {static_cast<uint8_t>(value * 2 + 128)};
    return two_bytes(value, 0x8000);
}

std::vector<uint8_t> text_strings(const std::vector<std::string>& strings) {
    Bytes b;
    for (const auto& s : strings) b.str(s);
    return b.b;
}

std::string captured(const std::function<void(OutStream&)>& write) {
    TempDir dir;
    std::string path = dir / "out.rtf";
    {
        auto out = OutStream::open(path, "wb");
        write(*out);
    }
    return read_text(path);
}

std::string flat(std::string_view s) {
    std::string out;
    for (char c : s) {
        if (c != '\n' && c != '\r') out += c;
    }
    return out;
}

bool balanced_rtf(std::string_view rtf) {
    long depth = 0;
    for (size_t i = 0; i < rtf.size(); ++i) {
        if (rtf[i] == '\\') {
            ++i;  // the escaped character (or the start of a control word)
        } else if (rtf[i] == '{') {
            ++depth;
        } else if (rtf[i] == '}' && --depth < 0) {
            return false;
        }
    }
    return depth == 0;
}

std::vector<uint8_t> font_file(const std::vector<std::string>& faces, const std::vector<ShortFontSpec>& fonts) {
    Bytes b;
    b.u16(static_cast<unsigned>(faces.size())).u16(static_cast<unsigned>(fonts.size())).u16(8);
    b.u16(static_cast<unsigned>(8 + 20 * faces.size()));
    for (const auto& f : faces) b.raw(f.substr(0, 20)).fill(20 - std::min<size_t>(f.size(), 20));
    for (const auto& f : fonts) {
        b.u8(f.attributes).u8(f.half_points).u8(f.family).u16(f.face).u8(f.red).u8(f.green).u8(f.blue).fill(3);
    }
    return b.b;
}

}  // namespace korvane::test
