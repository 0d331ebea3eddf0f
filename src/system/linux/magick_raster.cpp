// SPDX-License-Identifier: MIT
// PNG through ImageMagick's Magick++, from the file bytes in memory.
#include <Magick++.h>

#include <mutex>

#include "base/format.h"
#include "system/raster.h"

namespace korvane::sys {

namespace {

void start_magick() {
    static std::once_flag once;
    std::call_once(once, [] {
        Magick::InitializeMagick(nullptr);
        // One picture at a time needs no worker threads: they would spin
        // between pictures, and the PNG writer sizes the buffer it clears
        // for every row of a picture by their number (a 12 x 15,621 bitmap
        // took twice as long with two).
        Magick::ResourceLimits::thread(1);
    });
}

RasterResult to_png(const std::vector<uint8_t>& file, const char* magick, int drawn_dpi, bool opaque) {
    start_magick();
    try {
        Magick::Image image;
        image.quiet(true);
        if (drawn_dpi) {
            image.backgroundColor(Magick::Color("none"));
            image.density(Magick::Geometry(drawn_dpi, drawn_dpi));
        }
        image.magick(magick);
        image.read(Magick::Blob(file.data(), file.size()));
        if (opaque) image.matte(false);
        // No time stamps: the same help file gives the same site, byte for byte.
        image.defineValue("png", "exclude-chunk", "date,tIME");
        Magick::Blob png;
        image.write(&png, "PNG");
        RasterImage out;
        const auto* bytes = static_cast<const uint8_t*>(png.data());
        out.png.assign(bytes, bytes + png.length());
        out.width = static_cast<int>(image.columns());
        out.height = static_cast<int>(image.rows());
        return {std::move(out), {}};
    } catch (const Magick::Exception& e) {
        return {std::nullopt, format("ImageMagick: %s", e.what())};
    }
}

}  // namespace

RasterResult png_of_bitmap(const std::vector<uint8_t>& bitmap_file, bool opaque) {
    return to_png(bitmap_file, "BMP", 0, opaque);
}

RasterResult png_of_metafile(const std::vector<uint8_t>& metafile, int dots_per_inch) {
    return to_png(metafile, "WMF", dots_per_inch, false);
}

}  // namespace korvane::sys
