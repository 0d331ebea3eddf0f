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
// Hotspot data: 1 byte, u16 count H, u32; H records of 15 bytes whose first
// u16 is the hotspot kind; one zero-terminated string for each hotspot of
// kind 0x00C8 or 0x04CC; then for every hotspot two strings, a name and the
// context name it jumps to.
//
// Every read stays inside the container: a picture or hotspot list that
// runs past its end yields what is there.
#include "pictures/picture_reader.h"

#include "base/messages.h"
#include "helpfile/compressed.h"
#include "topics/decoding.h"
#include "pictures/picture_writers.h"
#include "topics/context_hash.h"

namespace korvane {

namespace {

constexpr uint8_t kTypeBitmap = 6;
constexpr uint8_t kTypeMetafile = 8;

bool is_bitmap_kind(uint16_t kind) { return (kind & 0xFF) == kTypeBitmap && (kind >> 8) <= 3; }
bool is_metafile_kind(uint16_t kind) { return (kind & 0xFF) == kTypeMetafile && (kind >> 8) <= 2; }

// Hotspot data at [at, at + size) of the container, clipped to it.
void read_hotspots_at(Decoding& help, const ByteReader& container, uint64_t at, uint32_t size) {
    if (size == 0 || at >= container.size()) return;
    ByteReader hotspots = container.sub(static_cast<size_t>(at), size);
    read_picture_hotspots(help, hotspots);
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

void read_picture_hotspots(Decoding& help, ByteReader& in) {
    in.skip(1);
    uint16_t count = in.u16();
    in.skip(4);
    size_t with_extra_string = 0;
    for (uint16_t i = 0; i < count; ++i) {
        uint16_t kind = in.u16();
        in.skip(13);
        if (in.overrun()) return;
        switch (kind) {
            case 0x00C8:
            case 0x04CC: ++with_extra_string; break;
            case 0x00E2:
            case 0x00E3:
            case 0x04E6:
            case 0x04E7: break;
            default: return;
        }
    }
    for (size_t i = 0; i < with_extra_string; ++i) {
        if (in.at_end()) return;
        in.cstring();
    }
    // Names are kept whole whatever their length; a last string that the
    // data end without a terminator is taken as it stands.
    for (uint16_t i = 0; i < count; ++i) {
        if (in.at_end()) return;
        in.cstring();
        if (in.at_end()) return;
        add_context_name(help, in.cstring());
    }
}

std::string convert_picture_file(Decoding& help, uint32_t offset, uint32_t size, const std::string& base_name,
                                 std::vector<std::string>* written) {
    const ByteReader container = help.reader(offset, size);
    ByteReader in = container;
    std::string reported;
    bool converted = false;

    uint8_t signature[2];
    in.read(signature, 2);
    uint16_t count = in.u16();
    if (signature[0] != 'l' || (signature[1] != 'p' && signature[1] != 'P')) {
        add_warning(help.report, Msg::InvalidPictureFile, static_cast<char>(signature[0]), static_cast<char>(signature[1]));
        count = 0;
    }

    // A table that does not fit, or an offset outside the container, makes
    // the container one without convertible pictures.
    std::vector<uint32_t> offsets;
    if (static_cast<size_t>(count) * 4 <= in.remaining()) {
        offsets.reserve(count);
        for (uint16_t i = 0; i < count; ++i) offsets.push_back(in.u32());
        for (uint32_t at : offsets) {
            if (at >= container.size()) {
                offsets.clear();
                break;
            }
        }
    }

    for (size_t i = 0; i < offsets.size(); ++i) {
        ByteReader pic = container.sub(0, container.size());
        pic.seek(offsets[i]);
        uint8_t type = pic.u8();
        uint8_t packing = pic.u8();
        uint16_t kind = static_cast<uint16_t>(type | packing << 8);
        int index = static_cast<int>(i);

        if (is_bitmap_kind(kind)) {
            BitmapHeader h = read_bitmap_header(pic);
            if (pic.overrun()) continue;  // header cut off by the container's end
            size_t data_at = pic.tell();
            if ((help.flags & CVF_NO_SHG) || h.hotspot_size == 0) {
                write_bitmap_file(help, kind, h, pic, index, base_name);
                converted = true;
                reported = picture_file_name(base_name, index, true);
                if (written) written->push_back(reported);
            }
            read_hotspots_at(help, container, data_at + 4ull * h.palette_entries + h.stored_size, h.hotspot_size);
        } else if (is_metafile_kind(kind)) {
            pic.skip(1);  // mapping mode
            MetafileHeader h = read_metafile_header(pic);
            if (pic.overrun()) continue;
            size_t data_at = pic.tell();
            if ((help.flags & CVF_NO_SHG) || h.hotspot_size == 0) {
                write_metafile_file(help, kind, h, pic, index, base_name);
                converted = true;
                reported = picture_file_name(base_name, index, false);
                if (written) written->push_back(reported);
            }
            read_hotspots_at(help, container, data_at + static_cast<uint64_t>(h.stored_size), h.hotspot_size);
        } else {
            add_warning(help.report, Msg::UnknownImageType, kind, base_name);
        }
    }

    if (!converted) {
        reported = container_file_name(base_name);
        if (copy_picture_file(help, offset, size, base_name) && written) written->push_back(reported);
    }
    return reported;
}

}  // namespace korvane
