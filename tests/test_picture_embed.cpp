// Pictures embedded into print-mode RTF as hexadecimal metafile data.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
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

// What embedding a file wrote: the first line, the hex lines decoded, and
// what follows the last line.
struct Embedded {
    bool embedded = false;
    std::string text, first_line, tail;
    std::vector<std::vector<uint8_t>> lines;
};

// Embeds `file` stored under the relative path `name` (none: a missing file).
Embedded embed(const std::string& name, const std::optional<std::vector<uint8_t>>& file) {
    TempDir dir;
    if (file) {
        std::filesystem::create_directories(std::filesystem::path(dir / name).parent_path());
        write_file(dir / name, *file);
    }
    HelpFile help;
    Embedded e;
    e.embedded = embed_picture(help, *OutStream::open(dir / "out.rtf", "wb"), dir / name);
    e.text = read_text(dir / "out.rtf");
    std::istringstream in(e.text);
    std::getline(in, e.first_line);
    for (std::string line; std::getline(in, line);) {
        if (in.eof()) {
            e.tail = line;
            break;
        }
        EXPECT_EQ(line.size() % 2, 0u) << line;
        e.lines.emplace_back();
        for (size_t i = 0; i + 1 < line.size(); i += 2) {
            e.lines.back().push_back(static_cast<uint8_t>(std::stoi(line.substr(i, 2), nullptr, 16)));
        }
    }
    return e;
}

std::vector<uint8_t> joined(const std::vector<std::vector<uint8_t>>& lines, size_t from = 0) {
    std::vector<uint8_t> all;
    for (size_t i = from; i < lines.size(); ++i) all.insert(all.end(), lines[i].begin(), lines[i].end());
    return all;
}

// ImageMagick reads the metafile built around a bitmap, given a placeable
// header at 72 units per inch and the end record, at the bitmap's size.
void expect_readable(const Embedded& e, int width, int height) {
    TempDir dir;
    Bytes wmf;
    wmf.u32(0x9AC6CDD7).u16(0).i16(0).i16(0).i16(width).i16(height).u16(72).u32(0);
    uint16_t sum = 0;
    for (size_t i = 0; i < 20; i += 2) sum ^= ByteReader::le16(&wmf.b[i]);
    write_file(dir / "built.wmf", wmf.u16(sum).raw(joined(e.lines)).u32(3).u16(0));
    auto info = identify(dir / "built.wmf");
    ASSERT_TRUE(info) << "ImageMagick's identify is not installed (tools/install-deps.sh test installs it)";
    EXPECT_EQ(info->format, "WMF") << info->error;
    EXPECT_EQ(info->width, width);
    EXPECT_EQ(info->height, height);
}

}  // namespace

TEST(PictureEmbed, SmallBitmapBecomesOneStretchRecord) {
    std::vector<uint8_t> file = bmp_file(16, 16, 1, 2, grey_palette(2), bitmap_pixels(1, 16, 16));
    Embedded e = embed("bm30.BMP", file);
    ASSERT_TRUE(e.embedded);
    EXPECT_EQ(e.first_line, "{\\pict\\wmetafile8\\picw416\\pich416");
    // Header, map mode, origin, extent, stretch record head, the info header
    // in two lines, then the colour table (P = 8) and the pixels (64 bytes)
    // in lines of 32 bytes.
    std::vector<size_t> sizes;
    for (const auto& l : e.lines) sizes.push_back(l.size());
    ASSERT_EQ(sizes, (std::vector<size_t>{18, 8, 10, 10, 28, 32, 8, 32, 32, 8}));
    // Type 1, 9 header words, version 3, 96 words in all, no objects, the
    // largest record R = 70 words.
    EXPECT_EQ(e.lines[0], (std::vector<uint8_t>{1, 0, 9, 0, 0, 3, 96, 0, 0, 0, 0, 0, 70, 0, 0, 0, 0, 0}));
    EXPECT_EQ(ByteReader::le32(e.lines[4].data()), 70u);
    EXPECT_EQ(ByteReader::le32(e.lines[5].data() + 20), 64u);  // image size completed
    EXPECT_EQ(joined(e.lines, 7), std::vector<uint8_t>(file.begin() + 54, file.end()));
    EXPECT_EQ(e.tail, "0300000000000000000000000000}");
    expect_readable(e, 16, 16);
}

TEST(PictureEmbed, OnlyTheColourTableTheFileHolds) {
    // 8 bits with 16 colours: a full table would take in the bytes after the
    // pixels.
    std::vector<uint8_t> file = bmp_file(4, 2, 8, 16, grey_palette(16), bitmap_pixels(8, 4, 2));
    Embedded e = embed("bm1.BMP", Bytes{}.raw(file).fill(100, 0xEE));
    ASSERT_TRUE(e.embedded);
    ASSERT_GE(e.lines.size(), 7u);
    EXPECT_EQ(ByteReader::le32(e.lines[4].data()), (64u + 8 + 40) / 2 + 14);
    EXPECT_EQ(joined(e.lines, 7), std::vector<uint8_t>(file.begin() + 54, file.end()));
    expect_readable(e, 4, 2);

    // Above 8 bits there is no table; a file cut short is not padded;
    // resolution 0 counts as 96 dots per inch.
    std::vector<uint8_t> full = bmp_file(3, 2, 24, 0, {}, bitmap_pixels(24, 3, 2), 0), deep(full.begin(), full.end() - 5);
    e = embed("bm2.BMP", deep);
    ASSERT_TRUE(e.embedded);
    EXPECT_EQ(e.first_line, "{\\pict\\wmetafile8\\picw78\\pich52");
    std::vector<uint8_t> copied = joined(e.lines, 7);
    EXPECT_EQ(copied.size(), (deep.size() - 54) & ~size_t{1});
    EXPECT_EQ(ByteReader::le32(e.lines[4].data()), (copied.size() + 40) / 2 + 14);
}

TEST(PictureEmbed, MetafilesKeepTheirSize) {
    for (unsigned units : {1440u, 0u}) {
        Bytes b;
        b.u32(0x9AC6CDD7).u16(0).i16(0).i16(0).i16(1440).i16(720).u16(units).u32(0).u16(0).raw(small_metafile(100, 50));
        Embedded e = embed("bm1.WMF", b.b);
        ASSERT_TRUE(e.embedded);
        // No units per inch: no size rather than a division by zero.
        EXPECT_EQ(e.first_line, units ? "{\\pict\\wmetafile8\\picw2540\\pich1270" : "{\\pict\\wmetafile8\\picw-1\\pich-1");
        EXPECT_EQ(joined(e.lines), small_metafile(100, 50));
        EXPECT_EQ(e.tail, "}");
    }
}

TEST(PictureEmbed, WhatIsNotEmbedded) {
    const std::pair<const char*, std::optional<std::vector<uint8_t>>> cases[] = {
        {"bm3.SHG", picture_container({})}, {"missing.BMP", std::nullopt},
        {"short.WMF", std::vector<uint8_t>(21, 0)}, {"short.BMP", std::vector<uint8_t>(53, 0)}};
    for (const auto& [name, file] : cases) {
        Embedded e = embed(name, file);
        EXPECT_FALSE(e.embedded) << name;
        EXPECT_EQ(e.text, "") << name;
    }
    // The type comes from the file name's own extension, not a directory's:
    // a bitmap without the end record of .BMP files.
    Embedded e = embed("T.WDIR/bm9", bmp_file(2, 2, 1, 2, grey_palette(2), bitmap_pixels(1, 2, 2)));
    ASSERT_TRUE(e.embedded);
    EXPECT_EQ(e.lines.size(), 8u);
    EXPECT_EQ(e.tail, "}");
}
