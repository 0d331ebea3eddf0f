// SPDX-License-Identifier: MIT
// Reading picture containers.
//
// Container: "lp" or "lP", u16 count N, N u32 picture offsets from the start
// of the container. Each picture begins with type and packing.
// Bitmap header after those two bytes: horizontal and vertical resolution
// (dpi, compressed u32), planes and bits per pixel (compressed u16), width,
// height, colours used (the palette entries) and colours important, stored
// size and hotspot size (compressed u32), two u32; then the palette (4 bytes
// per entry), the picture data and the hotspot data. Metafile header after
// the two bytes: mapping mode (1 byte), u16 width and height (hundredths of a
// millimetre), compressed u32 (unused), stored size and hotspot size, two
// u32; then the data and the hotspot data.
//
// Hotspot data: 1 byte, u16 count H, u32; H records of 15 bytes: u16 kind,
// 1 byte, u16 left, top, width and height in the picture's pixels, u32 the
// context-name hash of the target; one zero-terminated string for each
// hotspot of kind 0x00C8 or 0x04CC; then for every hotspot two strings, its
// name and its target (the context name it jumps to, or the macro). Kinds:
// 0x00E2 popup, 0x00E3 jump, 0x00C8 macro, drawn with a border; 0x04E6
// popup, 0x04E7 jump, 0x04CC macro, invisible.
//
// Every read stays inside the container: a picture or hotspot list that
// runs past its end yields what is there.
#include "topics/picture_container.h"

#include "base/messages.h"
#include "helpfile/compressed.h"
#include "topics/context_hash.h"

namespace korvane {

namespace {

constexpr uint8_t kTypeBitmap = 6;
constexpr uint8_t kTypeMetafile = 8;
constexpr size_t kHotspotRecord = 15;

bool is_bitmap_kind(uint16_t kind) { return (kind & 0xFF) == kTypeBitmap && (kind >> 8) <= 3; }
bool is_metafile_kind(uint16_t kind) { return (kind & 0xFF) == kTypeMetafile && (kind >> 8) <= 2; }

// Hotspot data at [at, at + size) of the container, clipped to it.
ByteReader hotspots_at(const ByteReader& container, uint64_t at, uint32_t size) {
    if (size == 0 || at >= container.size()) return {};
    return container.sub(static_cast<size_t>(at), size);
}

}  // namespace

BitmapHeader read_bitmap_header(ByteReader& in) {
    BitmapHeader h;
    uint32_t horizontal = read_compressed_u32(in);
    uint32_t vertical = read_compressed_u32(in);
    // A horizontal resolution of 0 records none, whatever the vertical field
    // holds.
    h.resolution = horizontal == 0 ? 0 : vertical;
    read_compressed_u16(in);  // planes
    h.bits_per_pixel = read_compressed_u16(in);
    h.width = read_compressed_u32(in);
    h.height = read_compressed_u32(in);
    h.palette_entries = read_compressed_u32(in);
    read_compressed_u32(in);  // colours important
    h.stored_size = read_compressed_u32(in);
    h.hotspot_size = read_compressed_u32(in);
    in.skip(8);
    return h;
}

MetafileHeader read_metafile_header(ByteReader& in) {
    MetafileHeader h;
    h.width = in.u16();
    h.height = in.u16();
    read_compressed_u32(in);
    h.stored_size = read_compressed_u32(in);
    h.hotspot_size = read_compressed_u32(in);
    in.skip(8);
    return h;
}

std::vector<PictureHotspot> decode_picture_hotspots(ByteReader in) {
    in.skip(1);
    uint16_t count = in.u16();
    in.skip(4);
    if (in.overrun() || static_cast<size_t>(count) * kHotspotRecord > in.remaining()) return {};
    std::vector<PictureHotspot> hotspots(count);
    size_t with_extra_string = 0;
    for (PictureHotspot& h : hotspots) {
        uint16_t kind = in.u16();
        in.skip(1);
        h.left = in.u16();
        h.top = in.u16();
        h.width = in.u16();
        h.height = in.u16();
        h.hash = in.u32();
        switch (kind) {
            case 0x00C8: h.visible = true; [[fallthrough]];
            case 0x04CC: h.kind = HotspotKind::macro; ++with_extra_string; break;
            case 0x00E2: h.visible = true; [[fallthrough]];
            case 0x04E6: h.kind = HotspotKind::popup; break;
            case 0x00E3: h.visible = true; [[fallthrough]];
            case 0x04E7: h.kind = HotspotKind::jump; break;
            default: return {};
        }
    }
    for (size_t i = 0; i < with_extra_string; ++i) {
        if (in.at_end()) return hotspots;
        in.cstring();
    }
    // Names are kept whole whatever their length; a last string that the
    // data end without a terminator is taken as it stands.
    for (PictureHotspot& h : hotspots) {
        if (in.at_end()) break;
        h.name = in.cstring();
        if (in.at_end()) break;
        h.target = in.cstring();
        h.has_target = true;
    }
    return hotspots;
}

void add_hotspot_target_names(ContextNames& names, ByteReader in) {
    for (const PictureHotspot& h : decode_picture_hotspots(in)) {
        if (!h.has_target) break;
        add_context_name(names, h.target);
    }
}

PictureContainer read_picture_container(const ByteReader& container) {
    PictureContainer result;
    ByteReader in = container;
    in.read(result.signature, 2);
    uint16_t count = in.u16();
    result.signature_ok = result.signature[0] == 'l' && (result.signature[1] == 'p' || result.signature[1] == 'P');
    if (!result.signature_ok) return result;

    // A table that does not fit, or an offset outside the container, makes
    // the container one without convertible pictures.
    std::vector<uint32_t> offsets;
    if (static_cast<size_t>(count) * 4 > in.remaining()) return result;
    offsets.reserve(count);
    for (uint16_t i = 0; i < count; ++i) offsets.push_back(in.u32());
    for (uint32_t at : offsets) {
        if (at >= container.size()) return result;
    }

    for (size_t i = 0; i < offsets.size(); ++i) {
        PictureMember m;
        m.index = static_cast<int>(i);
        ByteReader pic = container.sub(0, container.size());
        pic.seek(offsets[i]);
        uint8_t type = pic.u8();
        uint8_t packing = pic.u8();
        m.kind = static_cast<uint16_t>(type | packing << 8);
        if (is_bitmap_kind(m.kind)) {
            m.type = PictureType::bitmap;
            m.bitmap = read_bitmap_header(pic);
            if (pic.overrun()) continue;  // header cut off by the container's end
            m.hotspots = hotspots_at(container, pic.tell() + 4ull * m.bitmap.palette_entries + m.bitmap.stored_size,
                                     m.bitmap.hotspot_size);
        } else if (is_metafile_kind(m.kind)) {
            m.type = PictureType::metafile;
            pic.skip(1);  // mapping mode
            m.metafile = read_metafile_header(pic);
            if (pic.overrun()) continue;
            m.hotspots = hotspots_at(container, pic.tell() + static_cast<uint64_t>(m.metafile.stored_size),
                                     m.metafile.hotspot_size);
        }
        m.data = pic;
        result.members.push_back(m);
    }
    return result;
}

}  // namespace korvane
