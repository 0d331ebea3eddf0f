// Pictures embedded into print-mode RTF as hexadecimal metafile data.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <sstream>
#include <string>
#include <vector>

#include "driver/out_stream.h"
#include "helpfile/byte_reader.h"
#include "helpfile/helpfile.h"
#include "rtf/picture_embed.h"
#include "support/hlp_builder.h"
#include "support/picture_builder.h"

using namespace korvane;
using namespace korvane::test;

namespace {

struct Embedded {
    bool embedded = false;
    std::string text;
    std::string first_line;
    std::vector<std::vector<uint8_t>> lines;  // the hex lines decoded
    std::string tail;                          // what follows the last line
};

Embedded embed(const std::string& path) {
    TempDir dir;
    HelpFile help;
    Embedded e;
    {
        auto rtf = OutStream::open(dir / "out.rtf", "wb");
        e.embedded = embed_picture(help, *rtf, path);
    }
    e.text = read_text(dir / "out.rtf");
    std::istringstream in(e.text);
    std::getline(in, e.first_line);
    std::string line;
    while (std::getline(in, line)) {
        if (in.eof()) {
            e.tail = line;
            break;
        }
        std::vector<uint8_t> bytes;
        for (size_t i = 0; i + 1 < line.size(); i += 2) bytes.push_back(static_cast<uint8_t>(std::stoi(line.substr(i, 2), nullptr, 16)));
        EXPECT_EQ(line.size(), bytes.size() * 2) << line;
        e.lines.push_back(bytes);
    }
    return e;
}

std::vector<uint8_t> bmp_file(uint32_t width, uint32_t height, uint16_t bits, uint32_t colours_used,
                              const std::vector<uint8_t>& palette, const std::vector<uint8_t>& pixels,
                              int32_t ppm = 3840) {
    Bytes b;
    uint32_t offset = 54 + static_cast<uint32_t>(palette.size());
    b.raw("BM").u32(offset + static_cast<uint32_t>(pixels.size())).u32(0).u32(offset);
    b.u32(40).u32(width).u32(height).u16(1).u16(bits).u32(0).u32(0).i32(ppm).i32(ppm).u32(colours_used).u32(0);
    b.raw(palette).raw(pixels);
    return b.b;
}

std::vector<uint8_t> joined(const std::vector<std::vector<uint8_t>>& lines, size_t from, size_t to) {
    std::vector<uint8_t> all;
    for (size_t i = from; i < to && i < lines.size(); ++i) all.insert(all.end(), lines[i].begin(), lines[i].end());
    return all;
}

}  // namespace

TEST(PictureEmbed, SmallBitmapBecomesOneStretchRecord) {
    TempDir dir;
    std::vector<uint8_t> pixels = bitmap_pixels(1, 16, 16);
    ASSERT_EQ(pixels.size(), 64u);
    std::vector<uint8_t> file = bmp_file(16, 16, 1, 2, grey_palette(2), pixels);
    write_file(dir / "bm30.BMP", file);
    Embedded e = embed(dir / "bm30.BMP");
    ASSERT_TRUE(e.embedded);
    EXPECT_EQ(e.first_line, "{\\pict\\wmetafile8\\picw416\\pich416");
    // Pieces: header, map mode, origin, extent, record head, info header,
    // then the file data in lines of 32 bytes; the 40-byte info header
    // takes two lines.
    ASSERT_EQ(e.lines.size(), 10u);
    std::vector<size_t> sizes;
    for (const auto& l : e.lines) sizes.push_back(l.size());
    EXPECT_EQ(sizes, (std::vector<size_t>{18, 8, 10, 10, 28, 32, 8, 32, 32, 8}));
    const uint8_t* header = e.lines[0].data();
    EXPECT_EQ(ByteReader::le16(header), 1);
    EXPECT_EQ(ByteReader::le16(header + 2), 9);
    EXPECT_EQ(ByteReader::le16(header + 4), 0x0300);
    EXPECT_EQ(ByteReader::le32(header + 6), 96u);
    EXPECT_EQ(ByteReader::le32(header + 12), 70u);
    EXPECT_EQ(ByteReader::le32(e.lines[4].data()), 70u);
    EXPECT_EQ(ByteReader::le16(e.lines[4].data() + 4), 0x0F43);
    EXPECT_EQ(ByteReader::le32(e.lines[5].data() + 20), 64u);  // image size completed
    std::vector<uint8_t> copied = joined(e.lines, 7, 10);
    EXPECT_EQ(copied, std::vector<uint8_t>(file.begin() + 54, file.end()));
    EXPECT_EQ(e.tail, "0300000000000000000000000000}");
    // Words of the records add up to the file size: 186 bytes, then 6 of the end record.
    EXPECT_EQ(joined(e.lines, 0, 10).size() + 6, 96u * 2);
}

TEST(PictureEmbed, OnlyTheColourTableTheFileHolds) {
    TempDir dir;
    // 8 bits with 16 colours: a full table would take pixels for colours.
    std::vector<uint8_t> pixels = bitmap_pixels(8, 4, 2);
    std::vector<uint8_t> file = bmp_file(4, 2, 8, 16, grey_palette(16), pixels);
    write_file(dir / "bm1.BMP", file);
    Embedded e = embed(dir / "bm1.BMP");
    ASSERT_TRUE(e.embedded);
    ASSERT_GE(e.lines.size(), 7u);
    uint32_t record = ByteReader::le32(e.lines[4].data());
    EXPECT_EQ(record, (64u + 8 + 40) / 2 + 14);
    EXPECT_EQ(ByteReader::le32(e.lines[0].data() + 6), record + 26);
    EXPECT_EQ(joined(e.lines, 7, e.lines.size()), std::vector<uint8_t>(file.begin() + 54, file.end()));

    // Above 8 bits there is no table; a file cut short is not padded.
    std::vector<uint8_t> deep = bmp_file(3, 2, 24, 0, {}, bitmap_pixels(24, 3, 2), 0);
    deep.resize(deep.size() - 5);
    write_file(dir / "bm2.BMP", deep);
    e = embed(dir / "bm2.BMP");
    ASSERT_TRUE(e.embedded);
    // Resolution 0 counts as 96 dots per inch.
    EXPECT_EQ(e.first_line, "{\\pict\\wmetafile8\\picw78\\pich52");
    std::vector<uint8_t> copied = joined(e.lines, 7, e.lines.size());
    EXPECT_EQ(copied.size(), (deep.size() - 54) & ~size_t{1});
    EXPECT_EQ(ByteReader::le32(e.lines[4].data()), (copied.size() + 40) / 2 + 14);
}

TEST(PictureEmbed, MetafilesAndSizes) {
    TempDir dir;
    auto placeable = [](int left, int right, int bottom, unsigned units) {
        Bytes b;
        b.u32(0x9AC6CDD7).u16(0).i16(left).i16(0).i16(right).i16(bottom).u16(units).u32(0).u16(0);
        b.raw(small_metafile(100, 50));
        return b.b;
    };
    write_file(dir / "bm1.WMF", placeable(0, 1440, 720, 1440));
    Embedded e = embed(dir / "bm1.WMF");
    ASSERT_TRUE(e.embedded);
    EXPECT_EQ(e.first_line, "{\\pict\\wmetafile8\\picw2540\\pich1270");
    EXPECT_EQ(joined(e.lines, 0, e.lines.size()), small_metafile(100, 50));
    EXPECT_EQ(e.tail, "}");

    write_file(dir / "bm2.WMF", placeable(0, 1440, 720, 0));
    EXPECT_EQ(embed(dir / "bm2.WMF").first_line, "{\\pict\\wmetafile8\\picw-1\\pich-1");

    write_file(dir / "bm3.BMP", bmp_file(96, 48, 24, 0, {}, bitmap_pixels(24, 96, 48)));
    EXPECT_EQ(embed(dir / "bm3.BMP").first_line, "{\\pict\\wmetafile8\\picw2500\\pich1250");
}

TEST(PictureEmbed, WhatIsNotEmbedded) {
    TempDir dir;
    write_file(dir / "bm3.SHG", picture_container({}));
    Embedded e = embed(dir / "bm3.SHG");
    EXPECT_FALSE(e.embedded);
    EXPECT_EQ(e.text, "");
    EXPECT_FALSE(embed(dir / "missing.BMP").embedded);
    write_file(dir / "short.WMF", std::vector<uint8_t>(21, 0));
    EXPECT_FALSE(embed(dir / "short.WMF").embedded);
    write_file(dir / "short.BMP", std::vector<uint8_t>(53, 0));
    EXPECT_FALSE(embed(dir / "short.BMP").embedded);

    // The type comes from the file name's own extension, not a directory's.
    ASSERT_EQ(::mkdir((dir / "T.WDIR").c_str(), 0700), 0);
    write_file(dir / "T.WDIR/bm9", bmp_file(2, 2, 1, 2, grey_palette(2), bitmap_pixels(1, 2, 2)));
    e = embed(dir / "T.WDIR/bm9");
    ASSERT_TRUE(e.embedded);
    EXPECT_EQ(e.lines.size(), 8u);  // a bitmap, without the end text of .BMP files
    EXPECT_EQ(e.tail, "}");
}

// The metafile built around a bitmap, given a placeable header, is one
// that ImageMagick reads with the bitmap's proportions.
TEST(PictureEmbed, BuiltMetafileIsReadable) {
    TempDir dir;
    write_file(dir / "bm1.BMP", bmp_file(32, 16, 8, 16, grey_palette(16), bitmap_pixels(8, 32, 16)));
    Embedded e = embed(dir / "bm1.BMP");
    ASSERT_TRUE(e.embedded);
    Bytes wmf;
    wmf.u32(0x9AC6CDD7).u16(0).i16(0).i16(0).i16(32).i16(16).u16(72).u32(0);
    uint16_t sum = 0;
    for (size_t i = 0; i < 20; i += 2) sum ^= ByteReader::le16(&wmf.b[i]);
    wmf.u16(sum).raw(joined(e.lines, 0, e.lines.size()));
    wmf.u32(3).u16(0);
    write_file(dir / "built.wmf", wmf.b);
    auto info = identify(dir / "built.wmf");
    if (!info) GTEST_SKIP() << "ImageMagick's identify is not installed";
    EXPECT_EQ(info->format, "WMF") << info->error;
    EXPECT_EQ(info->width, 32);
    EXPECT_EQ(info->height, 16);
}
