// Builds picture containers for tests: the compressed numbers, bitmap and
// metafile headers, run-length packing (LZ77 is in support/lz77_compress.h),
// hotspot data, and small Windows metafiles. Also the helpers the picture
// tests share: warning capture, a working-directory guard, BMP header fields
// and ImageMagick's view of a file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "driver/platform.h"
#include "support/hlp_builder.h"

namespace korvane::test {

// Compressed u16 (1 or 2 bytes) and u32 (2 or 4 bytes); the long form is
// used when the value needs it or when forced.
void compressed_word(Bytes& b, unsigned value, bool long_form = false);
void compressed_dword(Bytes& b, uint32_t value, bool long_form = false);

struct TestPicture {
    uint8_t type = 6;     // 6 bitmap, 8 metafile
    uint8_t packing = 0;  // 0 stored, 1 run-length, 2 LZ77, 3 LZ77 then run-length
    // Bitmap fields.
    unsigned dpi = 96;
    unsigned bits_per_pixel = 1;
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> palette;            // 4 bytes per entry
    std::optional<uint32_t> palette_entries;  // default: palette.size() / 4
    // Metafile fields (hundredths of a millimetre).
    uint16_t mf_width = 0, mf_height = 0;
    bool long_forms = false;  // every compressed number in its long form
    std::vector<uint8_t> data;  // picture data as stored (already packed)
    std::vector<uint8_t> hotspots;
    std::optional<uint32_t> stored_size, hotspot_size;  // defaults: the sizes of data and hotspots
};

std::vector<uint8_t> picture_bytes(const TestPicture& p);
// "l" + sig2, the count, the offsets, the pictures back to back.
std::vector<uint8_t> picture_container(const std::vector<TestPicture>& pictures, char sig2 = 'p');

// Run-length packing: repeats of three or more bytes as repeat runs, the
// rest as literal runs, neither longer than 127.
std::vector<uint8_t> run_length_pack(const std::vector<uint8_t>& raw);

struct Hotspot {
    uint16_t kind = 0x00E3;
    std::string name;    // first string of the pair
    std::string target;  // context name it jumps to
    std::string extra;   // the extra string of kinds 0x00C8 and 0x04CC
};
std::vector<uint8_t> hotspot_data(const std::vector<Hotspot>& hotspots);

// A Windows metafile (no placeable header): header, set window origin and
// extent (or another first record when origin is false), one rectangle and
// the end record. length_words overrides the header's length field.
std::vector<uint8_t> small_metafile(int width, int height, bool origin = true,
                                    std::optional<uint32_t> length_words = std::nullopt);

// Rows of a bitmap with the given bit depth, each padded to 4 bytes, filled
// with a pattern that differs from row to row.
std::vector<uint8_t> bitmap_pixels(unsigned bits_per_pixel, uint32_t width, uint32_t height);
std::vector<uint8_t> grey_palette(unsigned entries);

// Collects warning lines while it lives.
class WarningCapture : public Platform {
public:
    WarningCapture();
    ~WarningCapture() override;
    void show_fatal(std::string_view, std::string_view) override {}
    void open_progress() override {}
    void set_phase(std::string_view) override {}
    void set_percent(int p) override { percents.push_back(p); }
    void add_warning_line(std::string_view line) override { warnings.emplace_back(line); }
    std::vector<std::string> warnings;
    std::vector<int> percents;
};

// Runs a scope with the given working directory.
class InDirectory {
public:
    explicit InDirectory(const std::string& dir);
    ~InDirectory();
    InDirectory(const InDirectory&) = delete;
    InDirectory& operator=(const InDirectory&) = delete;

private:
    std::string previous_;
};

// Sets (or, with nullopt, unsets) an environment variable for a scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value);
    ~ScopedEnv();

private:
    std::string name_;
    std::optional<std::string> previous_;
};

struct BmpFields {
    uint32_t file_size = 0, pixel_offset = 0;
    int32_t width = 0, height = 0;
    uint16_t bits_per_pixel = 0;
    uint32_t colours_used = 0, x_ppm = 0;
};
BmpFields bmp_fields(const std::vector<uint8_t>& file);

// ImageMagick's reading of a file: width, height, depth; nullopt when
// identify is not installed, and an empty format when it could not read it.
struct ImageInfo {
    std::string format;
    int width = 0, height = 0, depth = 0;
    std::string error;
};
std::optional<std::string> find_program(const std::string& name);
std::optional<ImageInfo> identify(const std::string& path);

}  // namespace korvane::test
