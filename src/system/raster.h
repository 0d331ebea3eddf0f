// SPDX-License-Identifier: MIT
// Pictures for web pages: a bitmap file or a placeable metafile, whole in
// memory, as PNG bytes. The callers (pictures/web_picture.h) check sizes
// and structure before handing data over; the PNG holds no time stamp, so
// that the same picture gives the same bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvane::sys {

struct RasterImage {
    std::vector<uint8_t> png;
    int width = 0;  // pixels
    int height = 0;
};

struct RasterResult {
    std::optional<RasterImage> image;
    std::string problem;  // why there is none
};

// A bitmap file (BITMAPFILEHEADER, BITMAPINFOHEADER or BITMAPCOREHEADER,
// colours, pixels) with its pixels as they are. opaque: the fourth byte of
// 32-bit pixels is not an opacity.
RasterResult png_of_bitmap(const std::vector<uint8_t>& bitmap_file, bool opaque);

// A placeable metafile (the 22-byte placeable header, then the metafile)
// drawn at dots_per_inch on a transparent background.
RasterResult png_of_metafile(const std::vector<uint8_t>& metafile, int dots_per_inch);

}  // namespace korvane::sys
