// SPDX-License-Identifier: MIT
// Web pictures: the bitmap file or the placeable metafile that the picture
// writers build (picture_writers.h) is handed to the system's raster
// pictures (system/raster.h) in memory and PNG comes back.
//
// Sizes are checked before the system sees the data: a bitmap's width and
// height lie between 1 and 16000 (within the 16-bit fields of the pictures' own world) and
// together make at most 16 million pixels; its bits per pixel are 1, 4, 8,
// 16, 24 or 32; pixel data shorter than its rows are filled up with zeros.
// The fourth byte of a 32-bit pixel is taken as its opacity, as bitmap readers
// read it, only when some pixel has one: in pictures made for displays
// without transparency it is all zeros, which would hide the whole picture.
// A metafile's box (placeable header: i16 left, top, right, bottom at 6,
// u16 units per inch at 14) drawn at 96 dots per inch must fit the same
// bounds, and its records must chain soundly to the end record: after the
// 18-byte metafile header (u16 type 1 or 2, u16 header size 9 words, u32
// length in words at 6 that the data hold, u32 largest record in words at
// 12), records of u32 size in words (at least 3, at most the
// largest) and u16 function, the last one function 0. A metafile reader
// may print its complaints about such damage on stderr; damaged
// parameters inside sound records can still make it print one.
#include "pictures/web_picture.h"

#include <algorithm>

#include "base/format.h"
#include "helpfile/helpfile.h"
#include "pictures/picture_writers.h"
#include "system/raster.h"

namespace korvane {

namespace {

// ImageMagick as Debian configures it (policy.xml: width and height 16KP)
// draws no picture with a longer side; the Windows build keeps to the same.
constexpr uint32_t kMaxSide = 16000;
constexpr uint64_t kMaxPixels = 16u << 20;
constexpr int kMetafileDotsPerInch = 96;

bool fits(uint64_t width, uint64_t height) {
    return width >= 1 && height >= 1 && width <= kMaxSide && height <= kMaxSide && width * height <= kMaxPixels;
}

WebPictureResult failed(std::string problem) { return {std::nullopt, std::move(problem)}; }

WebPictureResult web_picture_of(sys::RasterResult raster) {
    if (!raster.image) return failed(std::move(raster.problem));
    WebPicture picture;
    picture.extension = "png";
    picture.bytes = std::move(raster.image->png);
    picture.width = raster.image->width;
    picture.height = raster.image->height;
    return {std::move(picture), {}};
}

WebPictureResult bitmap_picture(const PictureMember& m) {
    const BitmapHeader& h = m.bitmap;
    if (!fits(h.width, h.height)) return failed(format("bitmap of %u x %u pixels", h.width, h.height));
    switch (h.bits_per_pixel) {
        case 1: case 4: case 8: case 16: case 24: case 32: break;
        default: return failed(format("bitmap of %u bits per pixel", h.bits_per_pixel));
    }
    ByteReader data = m.data;
    std::vector<uint8_t> file = bitmap_file_bytes(m.kind, h, data);
    size_t pixels_at = ByteReader::le32(&file[10]);
    size_t row = (uint64_t{h.width} * h.bits_per_pixel + 31) / 32 * 4;
    size_t wanted = pixels_at + row * h.height;
    if (file.size() < wanted) {
        file.resize(wanted);
        ByteReader::put32(&file[2], static_cast<uint32_t>(wanted));
    }
    bool opaque = true;
    if (h.bits_per_pixel == 32) {
        ByteReader pixels(file.data() + pixels_at, file.size() - pixels_at);
        while (opaque && pixels.remaining() >= 4) {
            pixels.skip(3);
            opaque = pixels.u8() == 0;
        }
    }
    return web_picture_of(sys::png_of_bitmap(file, opaque));
}

bool metafile_records_sound(const std::vector<uint8_t>& file) {
    ByteReader metafile(file.data(), file.size());
    metafile.seek(22);
    uint16_t type = metafile.u16();
    uint16_t header_words = metafile.u16();
    metafile.skip(2);
    uint32_t length = metafile.u32();
    metafile.skip(2);
    uint32_t largest = metafile.u32();
    if ((type != 1 && type != 2) || header_words != 9 || length > (file.size() - 22) / 2) return false;
    ByteReader in = metafile.sub(22, 2 * static_cast<size_t>(length));
    in.seek(18);
    while (!in.overrun()) {
        uint32_t words = in.u32();
        uint16_t function = in.u16();
        if (in.overrun() || words < 3 || words > largest || (words - 3) > in.remaining() / 2) return false;
        if (function == 0) return true;
        in.skip(2 * static_cast<size_t>(words - 3));
    }
    return false;
}

WebPictureResult metafile_picture(const PictureMember& m) {
    ByteReader data = m.data;
    std::vector<uint8_t> file = metafile_file_bytes(m.kind, m.metafile, data);
    const uint8_t* head = file.data();
    int64_t width = int64_t{static_cast<int16_t>(ByteReader::le16(head + 10))} - static_cast<int16_t>(ByteReader::le16(head + 6));
    int64_t height = int64_t{static_cast<int16_t>(ByteReader::le16(head + 12))} - static_cast<int16_t>(ByteReader::le16(head + 8));
    uint16_t units_per_inch = ByteReader::le16(head + 14);
    if (units_per_inch == 0 || file.size() < 22 + 18) return failed("metafile without a size");
    if (!metafile_records_sound(file)) return failed("damaged metafile records");
    int64_t columns = std::abs(width) * kMetafileDotsPerInch / units_per_inch;
    int64_t rows = std::abs(height) * kMetafileDotsPerInch / units_per_inch;
    if (!fits(static_cast<uint64_t>(columns), static_cast<uint64_t>(rows))) {
        return failed(format("metafile of %d x %d pixels", static_cast<int>(columns), static_cast<int>(rows)));
    }
    return web_picture_of(sys::png_of_metafile(file, kMetafileDotsPerInch));
}

// Bitmaps before metafiles; then the most bits per pixel, then the most pixels.
bool better(const PictureMember* a, const PictureMember* b) {
    if (a->type != b->type) return a->type == PictureType::bitmap;
    if (a->type != PictureType::bitmap) return false;
    if (a->bitmap.bits_per_pixel != b->bitmap.bits_per_pixel) return a->bitmap.bits_per_pixel > b->bitmap.bits_per_pixel;
    return uint64_t{a->bitmap.width} * a->bitmap.height > uint64_t{b->bitmap.width} * b->bitmap.height;
}

}  // namespace

WebPictureResult web_picture_of_container(const ByteReader& container) {
    PictureContainer pictures = read_picture_container(container);
    if (!pictures.signature_ok) return failed("not a picture container");
    std::vector<const PictureMember*> order;
    for (const PictureMember& m : pictures.members) {
        if (m.type != PictureType::unknown) order.push_back(&m);
    }
    std::stable_sort(order.begin(), order.end(), better);

    WebPictureResult result = failed("no picture that can be shown");
    for (const PictureMember* m : order) {
        result = m->type == PictureType::bitmap ? bitmap_picture(*m) : metafile_picture(*m);
        if (result.picture) {
            result.picture->hotspots = decode_picture_hotspots(m->hotspots);
            break;
        }
    }
    return result;
}

WebPictureResult web_picture(const HelpFile& help, std::string_view internal_name) {
    for (const InternalFile& row : help.files) {
        if (row.name == internal_name) return web_picture_of_container(help.reader(row.offset, row.size));
    }
    return failed(format("no internal file %s", internal_name));
}

WebPictureResult web_picture(const HelpFile& help, uint32_t picture_number) {
    for (const char* prefix : {"|bm", "bm"}) {
        std::string name = format("%s%u", prefix, picture_number);
        for (const InternalFile& row : help.files) {
            if (row.name == name) return web_picture_of_container(help.reader(row.offset, row.size));
        }
    }
    return failed(format("no picture %u", picture_number));
}

}  // namespace korvane
