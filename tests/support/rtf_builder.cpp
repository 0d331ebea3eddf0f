#include "support/rtf_builder.h"

#include "driver/out_stream.h"

namespace korvane::test {

std::vector<uint8_t> compressed_unsigned(int value) {
    if (value >= 0 && value < 128) return {static_cast<uint8_t>(value * 2)};
    // Two bytes: the word w (odd) reads as (int16)w / 2, truncated toward 0.
    int w = value >= 0 ? value * 2 + 1 : value * 2 - 1;
    uint16_t u = static_cast<uint16_t>(w);
    return {static_cast<uint8_t>(u & 0xFF), static_cast<uint8_t>(u >> 8)};
}

std::vector<uint8_t> compressed_signed(int value) {
    if (value >= -64 && value < 64) return {static_cast<uint8_t>(value * 2 + 128)};
    int w = (value >= 0 ? value * 2 + 1 : value * 2 - 1) + 0x8000;
    uint16_t u = static_cast<uint16_t>(w);
    return {static_cast<uint8_t>(u & 0xFF), static_cast<uint8_t>(u >> 8)};
}

std::vector<uint8_t> text_strings(const std::vector<std::string>& strings) {
    Bytes b;
    for (const auto& s : strings) b.str(s);
    return b.b;
}

WarningLog::WarningLog() { set_platform(this); }
WarningLog::~WarningLog() { set_platform(nullptr); }

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
        char c = rtf[i];
        if (c == '\\') {
            ++i;  // the escaped character (or the start of a control word)
            continue;
        }
        if (c == '{') ++depth;
        if (c == '}' && --depth < 0) return false;
    }
    return depth == 0;
}

std::vector<uint8_t> font_file(const std::vector<std::string>& faces, const std::vector<ShortFontSpec>& fonts) {
    Bytes b;
    uint16_t descriptor_offset = static_cast<uint16_t>(8 + 20 * faces.size());
    b.u16(static_cast<unsigned>(faces.size())).u16(static_cast<unsigned>(fonts.size())).u16(8).u16(descriptor_offset);
    for (const auto& f : faces) {
        std::string field = f.substr(0, 20);
        b.raw(field).fill(20 - field.size());
    }
    for (const auto& f : fonts) {
        b.u8(f.attributes).u8(f.half_points).u8(f.family).u16(f.face).u8(f.red).u8(f.green).u8(f.blue).u8(0).u8(0).u8(0);
    }
    return b.b;
}

}  // namespace korvane::test
