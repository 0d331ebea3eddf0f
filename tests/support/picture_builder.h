// Builds picture containers for tests: bitmap and metafile pictures in any
// of the four packings, hotspot data, small Windows metafiles and .BMP
// files; and ImageMagick's view of a file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "support/hlp_builder.h"

namespace korvane::test {

struct TestPicture {
    uint8_t type = 6;     // 6 bitmap, 8 metafile
    uint8_t packing = 0;  // 0 stored, 1 run-length, 2 LZ77, 3 LZ77 then run-length
    unsigned dpi = 96, bits_per_pixel = 1;
    std::optional<unsigned> x_dpi{};            // horizontal resolution; default: dpi
    bool long_resolutions = false;              // both resolutions and the planes in their long forms
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> palette{};             // 4 bytes per entry
    std::optional<uint32_t> palette_entries{};  // default: palette.size() / 4
    uint16_t mf_width = 0, mf_height = 0;       // metafile size, hundredths of a millimetre
    bool long_forms = false;                    // sizes as compressed numbers in their long form
    std::vector<uint8_t> data{};                // as stored (already packed)
    std::vector<uint8_t> hotspots{};
    std::optional<uint32_t> stored_size{}, hotspot_size{};  // defaults: the sizes of data and hotspots
};

// "l" + sig2, the count, the offsets, the pictures back to back.
std::vector<uint8_t> picture_container(const std::vector<TestPicture>& pictures, char sig2 = 'p');

// raw as packing 0..3 stores it.
std::vector<uint8_t> packed(uint8_t packing, const std::vector<uint8_t>& raw);

struct Hotspot {
    uint16_t kind = 0x00E3;
    std::string name, target;
    std::string extra;  // the extra string of kinds 0x00C8 and 0x04CC
};
std::vector<uint8_t> hotspot_data(const std::vector<Hotspot>& hotspots);

// A Windows metafile without placeable header: set window origin (0, 0) and
// extent, a rectangle, the end record.
std::vector<uint8_t> small_metafile(int width, int height);

// Bitmap rows padded to 4 bytes, with runs of equal bytes that differ from
// row to row.
std::vector<uint8_t> bitmap_pixels(unsigned bits_per_pixel, uint32_t width, uint32_t height);
std::vector<uint8_t> grey_palette(unsigned entries);
// A whole .BMP file: both headers, the colour table and the pixels.
std::vector<uint8_t> bmp_file(uint32_t width, uint32_t height, uint16_t bits, uint32_t colours_used,
                              const std::vector<uint8_t>& palette, const std::vector<uint8_t>& pixels,
                              int32_t ppm = 3840);

// ImageMagick's reading of a file; nullopt when identify is not installed,
// an empty format when it could not read the file.
struct ImageInfo {
    std::string format;
    int width = 0, height = 0, depth = 0;
    std::string error;
};
std::optional<ImageInfo> identify(const std::string& path);

}  // namespace korvane::test
