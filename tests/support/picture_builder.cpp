// Picture containers as help compilers write them. A bitmap: type, packing,
// x and y resolution as compressed u32, planes and bit count as compressed
// u16, width, height, colours used and important as compressed u32, the two
// sizes, two u32 offsets, then colour table, data and hotspots. A metafile:
// type, packing, mapping mode, u16 width and height, the unpacked, stored
// and hotspot sizes, two u32 offsets, then data and hotspots. Compressed
// numbers are doubled, with bit 0 set in the long form.
#include "support/picture_builder.h"

#include <cstdlib>
#include <sstream>

#include "support/lz77_compress.h"

namespace korvane::test {

namespace {

std::vector<uint8_t> picture_bytes(const TestPicture& p) {
    Bytes b;
    auto word = [&](unsigned v, bool long_form = false) { v < 0x80 && !long_form ? b.u8(v << 1) : b.u16((v << 1) | 1); };
    auto dword = [&](uint32_t v, bool long_form) { v < 0x8000 && !long_form ? b.u16(v << 1) : b.u32((v << 1) | 1); };
    uint32_t stored = p.stored_size.value_or(static_cast<uint32_t>(p.data.size()));
    uint32_t hotspot = p.hotspot_size.value_or(static_cast<uint32_t>(p.hotspots.size()));
    b.u8(p.type).u8(p.packing);
    if (p.type == 8) {
        word(8);
        b.u16(p.mf_width).u16(p.mf_height);
        dword(static_cast<uint32_t>(p.data.size()), p.long_forms);
    } else {
        dword(p.x_dpi.value_or(p.dpi), p.long_resolutions);
        dword(p.dpi, p.long_resolutions);
        word(1, p.long_resolutions);
        word(p.bits_per_pixel);
        dword(p.width, p.long_forms);
        dword(p.height, p.long_forms);
        dword(p.palette_entries.value_or(static_cast<uint32_t>(p.palette.size() / 4)), p.long_forms);
        dword(0, false);
    }
    dword(stored, p.long_forms);
    dword(hotspot, p.long_forms);
    b.u32(0).u32(0).raw(p.palette).raw(p.data).raw(p.hotspots);
    return b.b;
}

// Each stretch of equal bytes: a repeat run when it is three or more bytes
// long, otherwise a literal run.
std::vector<uint8_t> run_length_pack(const std::vector<uint8_t>& raw) {
    Bytes b;
    for (size_t i = 0, run; i < raw.size(); i += run) {
        for (run = 1; i + run < raw.size() && raw[i + run] == raw[i] && run < 127;) ++run;
        run >= 3 ? b.u8(static_cast<unsigned>(run)).u8(raw[i]) : b.u8(0x80 | static_cast<unsigned>(run)).fill(run, raw[i]);
    }
    return b.b;
}

}  // namespace

std::vector<uint8_t> picture_container(const std::vector<TestPicture>& pictures, char sig2) {
    Bytes head, bodies;
    head.u8('l').u8(static_cast<uint8_t>(sig2)).u16(static_cast<unsigned>(pictures.size()));
    for (const TestPicture& p : pictures) {
        head.u32(static_cast<uint32_t>(4 + 4 * pictures.size() + bodies.size()));
        bodies.raw(picture_bytes(p));
    }
    return head.raw(bodies.b).b;
}

std::vector<uint8_t> packed(uint8_t packing, const std::vector<uint8_t>& raw) {
    switch (packing) {
        case 0: return raw;
        case 1: return run_length_pack(raw);
        case 2: return lz77_compress(raw);
        default: return lz77_compress(run_length_pack(raw));
    }
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

std::vector<uint8_t> small_metafile(int width, int height) {
    Bytes records;
    records.u32(5).u16(0x020B).i16(0).i16(0).u32(5).u16(0x020C).i16(height).i16(width);
    records.u32(7).u16(0x041B).i16(height / 2).i16(width / 2).i16(height / 4).i16(width / 4);
    records.u32(3).u16(0);
    Bytes b;
    b.u16(1).u16(9).u16(0x0300).u32(static_cast<uint32_t>(18 + records.size()) / 2);
    b.u16(0).u32(7).u16(0).raw(records.b);
    return b.b;
}

std::vector<uint8_t> bitmap_pixels(unsigned bits_per_pixel, uint32_t width, uint32_t height) {
    size_t row = (static_cast<size_t>(bits_per_pixel) * width + 31) / 32 * 4;
    std::vector<uint8_t> pixels(row * height);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>((i % row / 5) * 37 + i / row * 11);
    return pixels;
}

std::vector<uint8_t> grey_palette(unsigned entries) {
    Bytes b;
    for (unsigned i = 0, v; i < entries; ++i) {
        v = i * 255 / (entries - 1);
        b.u8(v).u8(v).u8(v).u8(0);
    }
    return b.b;
}

std::vector<uint8_t> bmp_file(uint32_t width, uint32_t height, uint16_t bits, uint32_t colours_used,
                              const std::vector<uint8_t>& palette, const std::vector<uint8_t>& pixels, int32_t ppm) {
    Bytes b;
    uint32_t offset = 54 + static_cast<uint32_t>(palette.size());
    b.raw("BM").u32(offset + static_cast<uint32_t>(pixels.size())).u32(0).u32(offset);
    b.u32(40).u32(width).u32(height).u16(1).u16(bits).u32(0).u32(0).i32(ppm).i32(ppm).u32(colours_used).u32(0);
    return b.raw(palette).raw(pixels).b;
}

std::optional<ImageInfo> identify(const std::string& path) {
    RunResult r = run_program({"/usr/bin/env", "identify", "-format", "%m %w %h %z\\n", path}, "");
    if (r.exit_code == 127) return std::nullopt;  // not installed
    ImageInfo info;
    info.error = r.err;
    std::istringstream first(r.out);
    if (r.exit_code != 0 || !(first >> info.format >> info.width >> info.height >> info.depth)) info.format.clear();
    return info;
}

}  // namespace korvane::test
