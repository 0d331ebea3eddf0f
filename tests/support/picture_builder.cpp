#include "support/picture_builder.h"

#include <unistd.h>

#include <cstdlib>
#include <sstream>

#include "helpfile/byte_reader.h"

namespace korvane::test {

void compressed_word(Bytes& b, unsigned value, bool long_form) {
    if (value < 0x80 && !long_form) {
        b.u8(value << 1);
    } else {
        b.u16((value << 1) | 1);
    }
}

void compressed_dword(Bytes& b, uint32_t value, bool long_form) {
    if (value < 0x8000 && !long_form) {
        b.u16(value << 1);
    } else {
        b.u32((value << 1) | 1);
    }
}

// Bitmaps are laid out as help compilers write them: x and y resolution as
// compressed u32, planes and bit count as compressed u16, width, height,
// colours used and important as compressed u32, the two sizes, and two u32
// offsets. The reader takes the y resolution as the resolution.
std::vector<uint8_t> picture_bytes(const TestPicture& p) {
    Bytes b;
    b.u8(p.type).u8(p.packing);
    uint32_t stored = p.stored_size.value_or(static_cast<uint32_t>(p.data.size()));
    uint32_t hotspot = p.hotspot_size.value_or(static_cast<uint32_t>(p.hotspots.size()));
    if (p.type == 8) {
        compressed_word(b, 8);  // mapping mode
        b.u16(p.mf_width).u16(p.mf_height);
        compressed_dword(b, static_cast<uint32_t>(p.data.size()), p.long_forms);
        compressed_dword(b, stored, p.long_forms);
        compressed_dword(b, hotspot, p.long_forms);
    } else {
        compressed_dword(b, p.dpi);
        compressed_dword(b, p.dpi);
        compressed_word(b, 1);
        compressed_word(b, p.bits_per_pixel);
        compressed_dword(b, p.width, p.long_forms);
        compressed_dword(b, p.height, p.long_forms);
        compressed_dword(b, p.palette_entries.value_or(static_cast<uint32_t>(p.palette.size() / 4)), p.long_forms);
        compressed_dword(b, 0);
        compressed_dword(b, stored, p.long_forms);
        compressed_dword(b, hotspot, p.long_forms);
    }
    b.u32(0).u32(0);
    b.raw(p.palette).raw(p.data).raw(p.hotspots);
    return b.b;
}

std::vector<uint8_t> picture_container(const std::vector<TestPicture>& pictures, char sig2) {
    std::vector<std::vector<uint8_t>> bodies;
    for (const TestPicture& p : pictures) bodies.push_back(picture_bytes(p));
    Bytes b;
    b.u8('l').u8(static_cast<uint8_t>(sig2)).u16(static_cast<unsigned>(pictures.size()));
    uint32_t at = 4 + 4 * static_cast<uint32_t>(pictures.size());
    for (const auto& body : bodies) {
        b.u32(at);
        at += static_cast<uint32_t>(body.size());
    }
    for (const auto& body : bodies) b.raw(body);
    return b.b;
}

std::vector<uint8_t> run_length_pack(const std::vector<uint8_t>& raw) {
    Bytes b;
    size_t i = 0;
    std::vector<uint8_t> literal;
    auto flush = [&] {
        if (literal.empty()) return;
        b.u8(0x80 | static_cast<unsigned>(literal.size())).raw(literal);
        literal.clear();
    };
    while (i < raw.size()) {
        size_t run = 1;
        while (i + run < raw.size() && raw[i + run] == raw[i] && run < 127) ++run;
        if (run >= 3) {
            flush();
            b.u8(static_cast<unsigned>(run)).u8(raw[i]);
            i += run;
        } else {
            literal.push_back(raw[i++]);
            if (literal.size() == 127) flush();
        }
    }
    flush();
    return b.b;
}

std::vector<uint8_t> hotspot_data(const std::vector<Hotspot>& hotspots) {
    Bytes b;
    b.u8(1).u16(static_cast<unsigned>(hotspots.size())).u32(0);
    for (const Hotspot& h : hotspots) b.u16(h.kind).fill(13, 0x11);
    for (const Hotspot& h : hotspots) {
        if (h.kind == 0x00C8 || h.kind == 0x04CC) b.str(h.extra);
    }
    for (const Hotspot& h : hotspots) b.str(h.name).str(h.target);
    return b.b;
}

std::vector<uint8_t> small_metafile(int width, int height, bool origin, std::optional<uint32_t> length_words) {
    Bytes records;
    if (origin) {
        records.u32(5).u16(0x020B).i16(0).i16(0);
    } else {
        records.u32(4).u16(0x0103).u16(8);
    }
    records.u32(5).u16(0x020C).i16(height).i16(width);
    records.u32(7).u16(0x041B).i16(height / 2).i16(width / 2).i16(height / 4).i16(width / 4);
    records.u32(3).u16(0);
    uint32_t words = static_cast<uint32_t>(18 + records.size()) / 2;
    Bytes b;
    b.u16(1).u16(9).u16(0x0300).u32(length_words.value_or(words)).u16(0).u32(7).u16(0);
    b.raw(records.b);
    return b.b;
}

std::vector<uint8_t> bitmap_pixels(unsigned bits_per_pixel, uint32_t width, uint32_t height) {
    size_t row = (static_cast<size_t>(bits_per_pixel) * width + 31) / 32 * 4;
    std::vector<uint8_t> pixels(row * height);
    for (size_t y = 0; y < height; ++y) {
        for (size_t x = 0; x < row; ++x) {
            // Runs of equal bytes with changes, so both run kinds occur.
            pixels[y * row + x] = static_cast<uint8_t>((x / 5) * 37 + y * 11);
        }
    }
    return pixels;
}

std::vector<uint8_t> grey_palette(unsigned entries) {
    Bytes b;
    for (unsigned i = 0; i < entries; ++i) {
        uint8_t v = static_cast<uint8_t>(entries > 1 ? i * 255 / (entries - 1) : 0);
        b.u8(v).u8(v).u8(v).u8(0);
    }
    return b.b;
}

WarningCapture::WarningCapture() { set_platform(this); }
WarningCapture::~WarningCapture() { set_platform(nullptr); }

InDirectory::InDirectory(const std::string& dir) {
    char buf[4096];
    if (::getcwd(buf, sizeof buf)) previous_ = buf;
    if (::chdir(dir.c_str()) != 0) std::abort();
}

InDirectory::~InDirectory() {
    if (!previous_.empty() && ::chdir(previous_.c_str()) != 0) std::abort();
}

ScopedEnv::ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) previous_ = old;
    if (value) {
        ::setenv(name, value->c_str(), 1);
    } else {
        ::unsetenv(name);
    }
}

ScopedEnv::~ScopedEnv() {
    if (previous_) {
        ::setenv(name_.c_str(), previous_->c_str(), 1);
    } else {
        ::unsetenv(name_.c_str());
    }
}

BmpFields bmp_fields(const std::vector<uint8_t>& file) {
    BmpFields f;
    if (file.size() < 54 || file[0] != 'B' || file[1] != 'M') return f;
    const uint8_t* p = file.data();
    f.file_size = ByteReader::le32(p + 2);
    f.pixel_offset = ByteReader::le32(p + 10);
    f.width = static_cast<int32_t>(ByteReader::le32(p + 18));
    f.height = static_cast<int32_t>(ByteReader::le32(p + 22));
    f.bits_per_pixel = ByteReader::le16(p + 28);
    f.x_ppm = ByteReader::le32(p + 38);
    f.colours_used = ByteReader::le32(p + 46);
    return f;
}

std::optional<std::string> find_program(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return std::nullopt;
}

std::optional<ImageInfo> identify(const std::string& path) {
    static const std::optional<std::string> program = find_program("identify");
    if (!program) return std::nullopt;
    RunResult r = run_program({*program, "-format", "%m %w %h %z\\n", path}, "");
    ImageInfo info;
    info.error = r.err;
    std::istringstream first(r.out);
    if (r.exit_code != 0 || !(first >> info.format >> info.width >> info.height >> info.depth)) info.format.clear();
    return info;
}

}  // namespace korvane::test
