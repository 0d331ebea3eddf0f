// SPDX-License-Identifier: MIT
// Bitmap, metafile and container files.
//
// A bitmap file is a 14-byte file header ("BM", u32 file size, two reserved
// u16, u32 offset of the pixels), a 40-byte info header, the colour table of
// 4-byte entries copied from the picture, and the expanded pixel data.
// A metafile file is the 22-byte placeable header (u32 key 0x9AC6CDD7, u16
// handle, i16 left, top, right, bottom, u16 units per inch, u32 reserved,
// u16 XOR checksum of the ten words before it) followed by the metafile.
// The bounding box comes from the metafile's own first two records when they
// set the window origin (0x020B) and extent (0x020C): their parameters are
// stored y first, so origin gives top then left and extent bottom then right.
#include "pictures/picture_writers.h"

#include <algorithm>
#include <cstdint>

#include "base/format.h"
#include "base/messages.h"
#include "output/out_stream.h"
#include "helpfile/helpfile.h"
#include "output/output_sink.h"
#include "topics/picture_names.h"
#include "pictures/picture_decoders.h"

namespace korvane {

namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr uint16_t kSetWindowOrg = 0x020B;
constexpr uint16_t kSetWindowExt = 0x020C;

// A stream that lost bytes has cut a picture short.
void check_written(OutStream& out) {
    out.close();
    if (out.failed()) fatal_error(Fatal::DiskFull);
}

}  // namespace

std::vector<uint8_t> bitmap_file_bytes(uint16_t kind, const BitmapHeader& header, ByteReader& in) {
    // A colour table longer than the container is cut to the entries it
    // holds, and the headers say so.
    uint32_t palette_entries =
        static_cast<uint32_t>(std::min<size_t>(header.palette_entries, in.remaining() / 4));
    uint32_t pixels_at = 54 + 4 * palette_entries;
    // 40 pixels per metre for each dot per inch, kept inside the signed field.
    uint32_t pixels_per_metre = static_cast<uint32_t>(std::min<uint64_t>(40ull * header.resolution, INT32_MAX));

    std::vector<uint8_t> file(pixels_at);
    uint8_t* head = file.data();
    head[0] = 'B';
    head[1] = 'M';
    ByteReader::put32(&head[10], pixels_at);
    uint8_t* info = &head[14];
    ByteReader::put32(info + 0, 40);
    ByteReader::put32(info + 4, header.width);
    ByteReader::put32(info + 8, header.height);
    ByteReader::put16(info + 12, 1);
    ByteReader::put16(info + 14, header.bits_per_pixel);
    ByteReader::put32(info + 24, pixels_per_metre);
    ByteReader::put32(info + 28, pixels_per_metre);
    ByteReader::put32(info + 32, palette_entries);
    in.read(file.data() + 54, 4 * static_cast<size_t>(palette_entries));

    ByteSink sink{nullptr, &file};
    size_t pixels = expand_picture_data(kind, in, sink, header.stored_size);
    ByteReader::put32(&file[2], static_cast<uint32_t>(pixels_at + pixels));
    return file;
}

void write_bitmap_file(OutputSink& output, uint16_t kind, const BitmapHeader& header, ByteReader& in, int index,
                       const std::string& base_name) {
    std::unique_ptr<OutStream> out = output.open(picture_file_name(base_name, index, true), "wb+");
    if (!out) fatal_error(Fatal::CannotCreateBitmap);
    std::vector<uint8_t> file = bitmap_file_bytes(kind, header, in);
    out->write(file.data(), file.size());
    check_written(*out);
}

// The metafile is expanded into memory first: its placeable header depends
// on the records at its start. The 22-byte placeable header is followed by
// as many bytes of the metafile as its own header's length names (no more
// than it holds).
std::vector<uint8_t> metafile_file_bytes(uint16_t kind, const MetafileHeader& header, ByteReader& in) {
    std::vector<uint8_t> metafile;
    ByteSink sink{nullptr, &metafile};
    expand_picture_data(kind, in, sink, header.stored_size);

    ByteReader mf(metafile.data(), metafile.size());
    mf.seek(6);
    uint64_t length_bytes = static_cast<uint64_t>(mf.u32()) * 2;
    mf.seek(18);
    mf.skip(4);
    uint16_t origin_function = mf.u16();
    int16_t top = mf.i16();
    int16_t left = mf.i16();
    mf.skip(4);
    uint16_t extent_function = mf.u16();
    int16_t bottom = mf.i16();
    int16_t right = mf.i16();

    uint16_t units_per_inch;
    // Without a width the scale is unknown: the box from the picture size
    // at 254 units per inch serves instead.
    if (origin_function == kSetWindowOrg && extent_function == kSetWindowExt && header.width != 0) {
        units_per_inch = static_cast<uint16_t>(mul_div(right - left, 2540, header.width));
    } else {
        left = 0;
        top = 0;
        right = static_cast<int16_t>(header.width / 10);
        bottom = static_cast<int16_t>(header.height / 10);
        units_per_inch = 254;
    }

    // The metafile as long as its header says; bytes after it are padding.
    size_t keep = static_cast<size_t>(std::min<uint64_t>(length_bytes, metafile.size()));
    std::vector<uint8_t> file(22 + keep);
    uint8_t* head = file.data();
    ByteReader::put32(&head[0], kPlaceableKey);
    ByteReader::put16(&head[6], static_cast<uint16_t>(left));
    ByteReader::put16(&head[8], static_cast<uint16_t>(top));
    ByteReader::put16(&head[10], static_cast<uint16_t>(right));
    ByteReader::put16(&head[12], static_cast<uint16_t>(bottom));
    ByteReader::put16(&head[14], units_per_inch);
    uint16_t checksum = 0;
    for (size_t i = 0; i < 20; i += 2) checksum ^= ByteReader::le16(&head[i]);
    ByteReader::put16(&head[20], checksum);
    std::copy_n(metafile.begin(), keep, file.begin() + 22);
    return file;
}

void write_metafile_file(OutputSink& output, uint16_t kind, const MetafileHeader& header, ByteReader& in, int index,
                         const std::string& base_name) {
    std::vector<uint8_t> file = metafile_file_bytes(kind, header, in);
    std::unique_ptr<OutStream> out = output.open(picture_file_name(base_name, index, false), "wb+");
    if (!out) fatal_error(Fatal::CannotCreateMetafile);
    out->write(file.data(), file.size());
    check_written(*out);
}

bool copy_picture_file(const PictureFiles& files, ByteReader data, const std::string& base_name) {
    std::string name = container_file_name(base_name);
    std::unique_ptr<OutStream> out = files.output.open(name, "wb");
    if (!out) {
        add_warning(files.report, Msg::CannotCreate, name);
        return false;
    }
    out->write(data.here(), data.remaining());
    check_written(*out);
    return true;
}

std::string convert_picture_file(const PictureFiles& files, ByteReader data, const std::string& base_name,
                                 std::vector<std::string>* written) {
    PictureContainer pictures = read_picture_container(data);
    std::string reported;
    bool converted = false;
    if (!pictures.signature_ok) {
        add_warning(files.report, Msg::InvalidPictureFile, static_cast<char>(pictures.signature[0]),
                    static_cast<char>(pictures.signature[1]));
    }

    for (const PictureMember& m : pictures.members) {
        ByteReader member = m.data;
        if (m.type == PictureType::bitmap) {
            if (files.no_shg || m.bitmap.hotspot_size == 0) {
                write_bitmap_file(files.output, m.kind, m.bitmap, member, m.index, base_name);
                converted = true;
                reported = picture_file_name(base_name, m.index, true);
                if (written) written->push_back(reported);
            }
        } else if (m.type == PictureType::metafile) {
            if (files.no_shg || m.metafile.hotspot_size == 0) {
                write_metafile_file(files.output, m.kind, m.metafile, member, m.index, base_name);
                converted = true;
                reported = picture_file_name(base_name, m.index, false);
                if (written) written->push_back(reported);
            }
        } else {
            add_warning(files.report, Msg::UnknownImageType, m.kind, base_name);
        }
    }

    if (!converted) {
        reported = container_file_name(base_name);
        if (copy_picture_file(files, data, base_name) && written) written->push_back(reported);
    }
    return reported;
}

}  // namespace korvane
