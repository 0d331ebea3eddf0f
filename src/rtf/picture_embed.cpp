// SPDX-License-Identifier: MIT
// Pictures embedded into print-mode RTF as "{\pict\wmetafile8 ...}" with the
// metafile in hexadecimal, 32 bytes to a line.
//
// A .WMF file starts with the 22-byte placeable header (i16 left, top,
// right, bottom at 6..12, u16 units per inch at 14); the metafile after it is
// copied as it is. A .BMP file (14-byte file header, 40-byte info header,
// colour table and pixels from offset 54) is wrapped into a metafile of its
// own: an 18-byte metafile header, set map mode 8, set window origin 0,0, set
// window extent to the bitmap's size, and one stretch-DIB record that holds
// the info header, the colour table and the pixels. Sizes in the metafile
// are in 16-bit words. .SHG files are never embedded.
#include "rtf/picture_embed.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <vector>

#include "base/messages.h"
#include "output/out_stream.h"
#include "base/byte_reader.h"
#include "output/output_sink.h"

namespace korvane {

namespace {

constexpr size_t kHexLineBytes = 32;
// 96 dots per inch as the bitmap writer stores it (40 per dpi).
constexpr int32_t kDefaultPixelsPerMetre = 40 * 96;

// Each block starts a new line; lines hold at most 32 bytes.
void write_hex_bytes(OutStream& rtf, const uint8_t* bytes, size_t count) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(count * 2 + count / kHexLineBytes + 1);
    for (size_t i = 0; i < count; ++i) {
        text.push_back(kDigits[bytes[i] >> 4]);
        text.push_back(kDigits[bytes[i] & 0x0F]);
        if ((i + 1) % kHexLineBytes == 0 || i + 1 == count) text.push_back('\n');
    }
    rtf.write(text);
}

// File data go in lines of one 32-byte piece each, written in blocks of
// whole lines.
void copy_hex(OutStream& rtf, const uint8_t* bytes, size_t count) {
    constexpr size_t kBlock = kHexLineBytes * 1024;
    for (size_t at = 0; at < count; at += kBlock) write_hex_bytes(rtf, bytes + at, std::min(kBlock, count - at));
}

// |v| of any 32-bit value, -2^31 included.
uint64_t magnitude(int32_t v) { return v < 0 ? uint64_t{0} - static_cast<uint64_t>(int64_t{v}) : static_cast<uint64_t>(v); }

int32_t clamp32(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

// The character after the last '.' of the file-name part; 0 when none.
char type_character(const std::string& path) {
    size_t name_start = path.find_last_of("/\\");
    name_start = name_start == std::string::npos ? 0 : name_start + 1;
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < name_start || dot + 1 >= path.size()) return 0;
    return path[dot + 1];
}

void embed_metafile(OutStream& rtf, const std::vector<uint8_t>& file) {
    const uint8_t* head = file.data();
    int left = static_cast<int16_t>(ByteReader::le16(head + 6));
    int top = static_cast<int16_t>(ByteReader::le16(head + 8));
    int right = static_cast<int16_t>(ByteReader::le16(head + 10));
    int bottom = static_cast<int16_t>(ByteReader::le16(head + 12));
    int units_per_inch = ByteReader::le16(head + 14);
    write_formatted(rtf, "{\\pict\\wmetafile8\\picw%d\\pich%d\n", mul_div(right - left, 2540, units_per_inch),
                    mul_div(bottom - top, 2540, units_per_inch));
    copy_hex(rtf, file.data() + 22, file.size() - 22);
}

void embed_bitmap(OutStream& rtf, const std::vector<uint8_t>& file, bool end_record) {
    std::array<uint8_t, 40> info;
    std::copy_n(file.begin() + 14, info.size(), info.begin());
    int32_t width = static_cast<int32_t>(ByteReader::le32(&info[4]));
    int32_t height = static_cast<int32_t>(ByteReader::le32(&info[8]));
    uint16_t bits = ByteReader::le16(&info[14]);
    uint32_t image_size = ByteReader::le32(&info[20]);
    int32_t x_ppm = static_cast<int32_t>(ByteReader::le32(&info[24]));
    int32_t y_ppm = static_cast<int32_t>(ByteReader::le32(&info[28]));
    uint32_t colours_used = ByteReader::le32(&info[32]);
    if (x_ppm == 0) x_ppm = kDefaultPixelsPerMetre;
    if (y_ppm == 0) y_ppm = kDefaultPixelsPerMetre;

    write_formatted(rtf, "{\\pict\\wmetafile8\\picw%ld\\pich%ld\n", clamp32(int64_t{width} * 100000 / x_ppm),
                    clamp32(int64_t{height} * 100000 / y_ppm));

    if (image_size == 0) {
        // Rows of whole 32-bit words. Width and height are any 32-bit values
        // of the file: the product is taken unsigned and clamped to the
        // field, and the copy below takes no more than the file holds.
        uint64_t row = (uint64_t{bits} * magnitude(width) + 31) / 32 * 4;
        image_size = static_cast<uint32_t>(clamped_product(row, magnitude(height), UINT32_MAX));
        ByteReader::put32(&info[20], image_size);
    }
    // The colour table the file holds: the colours used, or for up to 8 bits
    // per pixel the full table when that is 0. The record carries only bytes
    // the file has, an even number of them since its size is in words.
    uint64_t palette_entries = colours_used != 0 ? colours_used : bits <= 8 ? (1ull << bits) : 0;
    uint64_t wanted = 4 * palette_entries + image_size;
    uint64_t copy = std::min<uint64_t>(wanted, file.size() - 54) & ~uint64_t{1};
    uint32_t record_words = static_cast<uint32_t>((copy + 40) / 2 + 14);

    std::array<uint8_t, 18> header{};
    ByteReader::put16(&header[0], 1);
    ByteReader::put16(&header[2], 9);
    ByteReader::put16(&header[4], 0x0300);
    ByteReader::put32(&header[6], record_words + 26);
    ByteReader::put32(&header[12], record_words);
    write_hex_bytes(rtf, header.data(), header.size());

    std::array<uint8_t, 8> map_mode{};
    ByteReader::put32(&map_mode[0], 4);
    ByteReader::put16(&map_mode[4], 0x0103);
    ByteReader::put16(&map_mode[6], 8);
    write_hex_bytes(rtf, map_mode.data(), map_mode.size());

    std::array<uint8_t, 10> origin{};
    ByteReader::put32(&origin[0], 5);
    ByteReader::put16(&origin[4], 0x020B);
    write_hex_bytes(rtf, origin.data(), origin.size());

    std::array<uint8_t, 10> extent{};
    ByteReader::put32(&extent[0], 5);
    ByteReader::put16(&extent[4], 0x020C);
    ByteReader::put16(&extent[6], static_cast<uint32_t>(height));
    ByteReader::put16(&extent[8], static_cast<uint32_t>(width));
    write_hex_bytes(rtf, extent.data(), extent.size());

    std::array<uint8_t, 28> stretch{};
    ByteReader::put32(&stretch[0], record_words);
    ByteReader::put16(&stretch[4], 0x0F43);
    ByteReader::put32(&stretch[6], 0x00CC0020);
    ByteReader::put16(&stretch[12], static_cast<uint32_t>(height));
    ByteReader::put16(&stretch[14], static_cast<uint32_t>(width));
    ByteReader::put16(&stretch[20], static_cast<uint32_t>(height));
    ByteReader::put16(&stretch[22], static_cast<uint32_t>(width));
    write_hex_bytes(rtf, stretch.data(), stretch.size());

    write_hex_bytes(rtf, info.data(), info.size());
    copy_hex(rtf, file.data() + 54, static_cast<size_t>(copy));
    if (end_record) rtf.write("0300000000000000000000000000");
}

}  // namespace

bool embed_picture(const OutputSink& output, OutStream& rtf, const std::string& file_name) {
    char type = type_character(file_name);
    if (type == 'S') return false;
    std::vector<uint8_t> file;
    if (!output.read(file_name, file)) return false;
    // A file too short for its own headers is treated as one that cannot be
    // read: the caller refers to it instead.
    if (type == 'W') {
        if (file.size() < 22) return false;
        embed_metafile(rtf, file);
    } else {
        if (file.size() < 54) return false;
        embed_bitmap(rtf, file, type == 'B');
    }
    rtf.write("}");
    return true;
}

}  // namespace korvane
