// SPDX-License-Identifier: MIT
// Pictures for web pages: a picture of the help file as PNG bytes, with its
// pixel size and the hotspot rectangles an image map needs.
//
// Made from the decoded picture data in memory; nothing is written or read
// back from files. Bitmaps become PNG with their pixels as they are;
// metafiles are drawn at 96 dots per inch on a transparent background.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/byte_reader.h"
#include "topics/picture_container.h"

namespace korvane {

struct HelpFile;

struct WebPicture {
    std::string extension;  // "png"
    std::vector<uint8_t> bytes;
    int width = 0;  // pixels
    int height = 0;
    // The hotspots of the picture taken; for a bitmap their rectangles are in
    // the pixels of the PNG.
    std::vector<PictureHotspot> hotspots;
};

struct WebPictureResult {
    std::optional<WebPicture> picture;
    std::string problem;  // why there is no picture
};

// The web picture of picture number N (the internal file "|bmN" or "bmN")
// or of an internal file by its name. A container that holds several
// pictures (resolutions or colour depths of one picture) gives its best
// one: the bitmap with the most bits per pixel, then the most pixels; a
// metafile only when no bitmap converts.
WebPictureResult web_picture(const HelpFile& help, uint32_t picture_number);
WebPictureResult web_picture(const HelpFile& help, std::string_view internal_name);
// The same for the bytes of a picture container.
WebPictureResult web_picture_of_container(const ByteReader& container);

}  // namespace korvane
