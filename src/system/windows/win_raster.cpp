// SPDX-License-Identifier: MIT
// Pictures for web pages on Windows: bitmap files are read here, metafiles
// drawn by GDI into a 32-bit DIB section, and both written as PNG with
// zlib.
//
// Bitmaps give the pixels, and fail where ImageMagick fails on Linux:
// colour-table entries for 1, 4 and 8 bits (a table of 0 entries holds
// 2^bits of them, read from where it would stand; a table of more entries,
// or one cut off by the end of the file, is refused; an index past the
// table is refused for 4 and 8 bits and takes the first entry for 1 bit),
// 5-5-5 for 16 bits with each 5-bit value v widened to v << 3 | v >> 2,
// blue-green-red for 24 and 32 bits, and the fourth byte of 32-bit pixels
// as opacity unless the caller says the picture is opaque.
//
// Metafiles are played twice, on black and on white: a pixel that comes
// out the same on both is drawn, one that shows the background is
// transparent (GDI draws without blending, so there is nothing between).
#include <windows.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "base/format.h"
#include "base/byte_reader.h"
#include "system/raster.h"

namespace korvane::sys {

namespace {

struct Pixels {
    int width = 0;
    int height = 0;
    bool alpha = false;
    std::vector<uint8_t> rgba;  // rows from the top, 4 bytes a pixel
};

void put_be32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void put_chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    put_be32(out, static_cast<uint32_t>(data.size()));
    size_t at = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put_be32(out, static_cast<uint32_t>(crc32(0, out.data() + at, static_cast<uInt>(out.size() - at))));
}

// Each row with the filter whose bytes add up to the least, taken as
// signed (the usual heuristic).
std::vector<uint8_t> filtered_rows(const Pixels& p) {
    const size_t channels = p.alpha ? 4 : 3;
    const size_t row = static_cast<size_t>(p.width) * channels;
    std::vector<uint8_t> raw(row * p.height);
    for (size_t i = 0, n = static_cast<size_t>(p.width) * p.height; i < n; ++i) {
        std::memcpy(&raw[i * channels], &p.rgba[i * 4], channels);
    }
    std::vector<uint8_t> out;
    out.reserve((row + 1) * p.height);
    std::vector<uint8_t> candidate(row);
    std::vector<uint8_t> zero(row);
    for (int y = 0; y < p.height; ++y) {
        const uint8_t* cur = &raw[y * row];
        const uint8_t* up = y ? &raw[(y - 1) * row] : zero.data();
        int best_filter = 0;
        uint64_t best_sum = UINT64_MAX;
        std::vector<uint8_t> best;
        for (int filter = 0; filter < 5; ++filter) {
            uint64_t sum = 0;
            for (size_t i = 0; i < row; ++i) {
                int a = i >= channels ? cur[i - channels] : 0;
                int b = up[i];
                int c = i >= channels ? up[i - channels] : 0;
                int predicted = 0;
                switch (filter) {
                case 1: predicted = a; break;
                case 2: predicted = b; break;
                case 3: predicted = (a + b) / 2; break;
                case 4: {
                    int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
                    predicted = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
                    break;
                }
                default: break;
                }
                candidate[i] = static_cast<uint8_t>(cur[i] - predicted);
                sum += candidate[i] < 128 ? candidate[i] : 256 - candidate[i];
            }
            if (sum < best_sum) {
                best_sum = sum;
                best_filter = filter;
                best = candidate;
            }
        }
        out.push_back(static_cast<uint8_t>(best_filter));
        out.insert(out.end(), best.begin(), best.end());
    }
    return out;
}

RasterResult png_of(const Pixels& p) {
    std::vector<uint8_t> rows = filtered_rows(p);
    uLongf packed_size = compressBound(static_cast<uLong>(rows.size()));
    std::vector<uint8_t> packed(packed_size);
    if (compress2(packed.data(), &packed_size, rows.data(), static_cast<uLong>(rows.size()), 9) != Z_OK) {
        return {std::nullopt, "zlib could not compress the picture"};
    }
    packed.resize(packed_size);

    RasterImage image;
    image.width = p.width;
    image.height = p.height;
    std::vector<uint8_t>& png = image.png;
    static constexpr uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    png.assign(std::begin(kSignature), std::end(kSignature));
    std::vector<uint8_t> header;
    put_be32(header, static_cast<uint32_t>(p.width));
    put_be32(header, static_cast<uint32_t>(p.height));
    header.push_back(8);                  // bits per channel
    header.push_back(p.alpha ? 6 : 2);    // truecolour, with or without alpha
    header.insert(header.end(), {0, 0, 0});  // deflate, adaptive filters, not interlaced
    put_chunk(png, "IHDR", header);
    put_chunk(png, "IDAT", packed);
    put_chunk(png, "IEND", {});
    return {std::move(image), {}};
}

RasterResult failed(std::string problem) { return {std::nullopt, std::move(problem)}; }

}  // namespace

RasterResult png_of_bitmap(const std::vector<uint8_t>& bitmap_file, bool opaque) {
    ByteReader file(bitmap_file.data(), bitmap_file.size());
    file.seek(10);
    const uint32_t pixels_at = file.u32();
    const uint32_t header_size = file.u32();
    int32_t width = 0, height = 0;
    uint16_t bits = 0;
    uint32_t colours = 0, compression = 0;
    size_t entry_size = 4;
    if (header_size == 12) {  // BITMAPCOREHEADER
        width = file.u16();
        height = file.i16();
        file.skip(2);
        bits = file.u16();
        entry_size = 3;
    } else if (header_size >= 40) {
        width = file.i32();
        height = file.i32();
        file.skip(2);
        bits = file.u16();
        compression = file.u32();
        file.skip(12);
        colours = file.u32();
    } else {
        return failed(format("bitmap header of %u bytes", header_size));
    }
    if (compression != 0) return failed(format("compressed bitmap (%u)", compression));
    const bool top_down = height < 0;
    const int64_t rows = top_down ? -int64_t{height} : height;
    if (width <= 0 || rows <= 0 || width > 32767 || rows > 32767 || int64_t{width} * rows > (16 << 20)) {
        return failed(format("bitmap of %d x %d pixels", width, static_cast<int>(rows)));
    }
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
        return failed(format("bitmap of %u bits per pixel", bits));
    }

    // The colour table follows the header.
    std::array<std::array<uint8_t, 3>, 256> palette{};
    uint32_t entries = 0;
    if (bits <= 8) {
        if (colours > (1u << bits)) return failed(format("%u colours for %u bits per pixel", colours, bits));
        entries = colours == 0 ? 1u << bits : colours;
        ByteReader table = file.sub(14 + header_size, bitmap_file.size());
        for (uint32_t i = 0; i < entries; ++i) {
            uint8_t bgr[4] = {};
            table.read(bgr, entry_size);
            palette[i] = {bgr[2], bgr[1], bgr[0]};
        }
        if (table.overrun()) return failed("colour table cut short");
    }

    Pixels p;
    p.width = width;
    p.height = static_cast<int>(rows);
    p.alpha = bits == 32 && !opaque;
    p.rgba.resize(static_cast<size_t>(width) * p.height * 4);
    const size_t stride = (static_cast<size_t>(width) * bits + 31) / 32 * 4;
    std::vector<uint8_t> line(stride);
    for (int64_t r = 0; r < rows; ++r) {
        ByteReader in = file.sub(pixels_at + static_cast<size_t>(r) * stride, stride);
        in.read(line.data(), stride);
        const int64_t y = top_down ? r : rows - 1 - r;
        uint8_t* out = &p.rgba[static_cast<size_t>(y) * width * 4];
        for (int x = 0; x < width; ++x, out += 4) {
            out[3] = 255;
            if (bits <= 8) {
                const size_t bit = static_cast<size_t>(x) * bits;
                const uint32_t index = (line[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
                if (index >= entries && bits > 1) return failed(format("colour %u of %u", index, entries));
                const auto& colour = palette[index < entries ? index : 0];
                std::memcpy(out, colour.data(), 3);
            } else if (bits == 16) {
                const uint32_t v = ByteReader::le16(&line[static_cast<size_t>(x) * 2]);
                for (int c = 0; c < 3; ++c) {
                    const uint32_t five = (v >> (10 - 5 * c)) & 31;
                    out[c] = static_cast<uint8_t>(five << 3 | five >> 2);
                }
            } else {
                const uint8_t* bgr = &line[static_cast<size_t>(x) * (bits / 8)];
                out[0] = bgr[2];
                out[1] = bgr[1];
                out[2] = bgr[0];
                if (p.alpha) out[3] = bgr[3];
            }
        }
    }
    return png_of(p);
}

namespace {

// The place of a metafile's picture: its box in its own units (from the
// placeable header) and the pixels that box covers.
struct Frame {
    int left = 0;
    int top = 0;
    int units_wide = 0;
    int units_high = 0;
    int width = 0;
    int height = 0;
};

// The metafile drawn on a background of one colour, as top-down BGRA rows.
// The box maps onto the pixels; the metafile's own window records, where it
// has them, replace that mapping as they would on screen.
bool draw(HMETAFILE picture, const Frame& frame, COLORREF background, std::vector<uint8_t>& out) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = frame.width;
    info.bmiHeader.biHeight = -frame.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return false;
    HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (dib && bits) {
        HGDIOBJ old = SelectObject(dc, dib);
        RECT box = {0, 0, frame.width, frame.height};
        HBRUSH brush = CreateSolidBrush(background);
        FillRect(dc, &box, brush);
        DeleteObject(brush);
        SetMapMode(dc, MM_ANISOTROPIC);
        SetWindowOrgEx(dc, frame.left, frame.top, nullptr);
        SetWindowExtEx(dc, frame.units_wide, frame.units_high, nullptr);
        SetViewportOrgEx(dc, 0, 0, nullptr);
        SetViewportExtEx(dc, frame.width, frame.height, nullptr);
        ok = PlayMetaFile(dc, picture) != 0;
        GdiFlush();
        const size_t size = static_cast<size_t>(frame.width) * frame.height * 4;
        out.assign(static_cast<const uint8_t*>(bits), static_cast<const uint8_t*>(bits) + size);
        SelectObject(dc, old);
    }
    if (dib) DeleteObject(dib);
    DeleteDC(dc);
    return ok;
}

}  // namespace

RasterResult png_of_metafile(const std::vector<uint8_t>& metafile, int dots_per_inch) {
    if (metafile.size() < 22 + 18) return failed("metafile without a header");
    const uint8_t* head = metafile.data();
    const auto coordinate = [head](size_t at) { return static_cast<int16_t>(ByteReader::le16(head + at)); };
    const int64_t box_width = int64_t{coordinate(10)} - coordinate(6);
    const int64_t box_height = int64_t{coordinate(12)} - coordinate(8);
    const int64_t units_per_inch = ByteReader::le16(head + 14);
    if (units_per_inch == 0) return failed("metafile without a size");
    // Whole pixels that cover the box, as ImageMagick's metafile reader counts them.
    const int64_t width = (std::abs(box_width) * dots_per_inch + units_per_inch - 1) / units_per_inch;
    const int64_t height = (std::abs(box_height) * dots_per_inch + units_per_inch - 1) / units_per_inch;
    if (width < 1 || height < 1 || width > 32767 || height > 32767 || width * height > (16 << 20)) {
        return failed(format("metafile of %d x %d pixels", static_cast<int>(width), static_cast<int>(height)));
    }

    // The metafile is played as it is, not turned into an enhanced one
    // first: Wine draws the device-independent bitmaps of 4 bits a pixel
    // in a converted metafile as if they had 24.
    Frame frame;
    frame.left = std::min(coordinate(6), coordinate(10));
    frame.top = std::min(coordinate(8), coordinate(12));
    frame.units_wide = static_cast<int>(std::abs(box_width));
    frame.units_high = static_cast<int>(std::abs(box_height));
    frame.width = static_cast<int>(width);
    frame.height = static_cast<int>(height);
    HMETAFILE picture = SetMetaFileBitsEx(static_cast<UINT>(metafile.size() - 22), metafile.data() + 22);
    if (!picture) return failed("GDI cannot read the metafile");
    std::vector<uint8_t> on_black, on_white;
    const bool drawn = draw(picture, frame, RGB(0, 0, 0), on_black) && draw(picture, frame, RGB(255, 255, 255), on_white);
    DeleteMetaFile(picture);
    if (!drawn) return failed("GDI cannot draw the metafile");

    Pixels p;
    p.width = static_cast<int>(width);
    p.height = static_cast<int>(height);
    p.alpha = true;
    p.rgba.resize(on_black.size());
    for (size_t i = 0; i < on_black.size(); i += 4) {
        const bool same = std::memcmp(&on_black[i], &on_white[i], 3) == 0;
        p.rgba[i] = on_black[i + 2];
        p.rgba[i + 1] = on_black[i + 1];
        p.rgba[i + 2] = on_black[i];
        p.rgba[i + 3] = same ? 255 : 0;
        if (!same) p.rgba[i] = p.rgba[i + 1] = p.rgba[i + 2] = 0;
    }
    return png_of(p);
}

}  // namespace korvane::sys
