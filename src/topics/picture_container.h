// SPDX-License-Identifier: MIT
// Picture containers (the internal "bm" files): one or more bitmaps or
// metafiles, packed in one of four ways, optionally with hotspots.
//
// Container: 2-byte signature "lp" or "lP", u16 picture count, then one u32
// offset per picture from the start of the container. A picture starts with
// a type byte (6 bitmap, 8 metafile) and a packing byte (0 stored,
// 1 run-length, 2 LZ77, 3 LZ77 then run-length); the pair is handled as one
// kind, type + 256 * packing. Numbers in the headers are compressed
// (helpfile/compressed.h), unsigned, in the short and the long form.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/byte_reader.h"
#include "topics/topic_sink.h"  // HotspotKind

namespace korvane {

struct ContextNames;

struct BitmapHeader {
    uint32_t resolution = 0;  // dots per inch; 0 when the picture records none
    uint16_t bits_per_pixel = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t palette_entries = 0;
    uint32_t stored_size = 0;
    uint32_t hotspot_size = 0;
};

struct MetafileHeader {
    uint16_t width = 0;   // hundredths of a millimetre
    uint16_t height = 0;
    uint32_t stored_size = 0;
    uint32_t hotspot_size = 0;
};

// Read the rest of a header: a bitmap's from the byte after the packing on,
// a metafile's from the byte after the mapping mode on.
BitmapHeader read_bitmap_header(ByteReader& in);
MetafileHeader read_metafile_header(ByteReader& in);

enum class PictureType { bitmap, metafile, unknown };

// One picture of a container whose header was read whole.
struct PictureMember {
    int index = 0;  // its place in the container's offset table
    uint16_t kind = 0;
    PictureType type = PictureType::unknown;
    BitmapHeader bitmap;
    MetafileHeader metafile;
    ByteReader data;      // over the container, at the palette (bitmaps) or the metafile data
    ByteReader hotspots;  // the hotspot data; empty when there are none
};

struct PictureContainer {
    bool signature_ok = false;
    uint8_t signature[2] = {};
    std::vector<PictureMember> members;
};

// The pictures of the container. A wrong signature, an offset table that
// does not fit or an offset outside the container gives no members; a
// picture whose header the container cuts off is left out.
PictureContainer read_picture_container(const ByteReader& container);


struct PictureHotspot {
    HotspotKind kind = HotspotKind::jump;
    bool visible = false;  // drawn with a border when shown
    // As stored: a bitmap's pixels (the corpus's segmented bitmap frames a
    // letter with them); no metafile with hotspots has been seen to say its unit.
    uint16_t left = 0, top = 0, width = 0, height = 0;
    uint32_t hash = 0;     // jumps and popups: the context-name hash of the target
    std::string name;      // the hotspot's own name
    std::string target;    // the context name (jumps, popups) or the macro
    bool has_target = false;  // false when the data end before the target
};

// Decodes hotspot data: empty when a record is cut off or of an unknown
// kind. Names and targets that the data end before stay empty.
std::vector<PictureHotspot> decode_picture_hotspots(ByteReader in);

// Adds the hotspot targets of the hotspot data to the known context names.
// A hotspot of an unknown kind stops the picture's list before any name is
// read.
void add_hotspot_target_names(ContextNames& names, ByteReader in);

}  // namespace korvane
