// The picture decoders, the container reader and the bitmap, metafile and
// container writers.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "driver/messages.h"
#include "driver/out_stream.h"
#include "helpfile/helpfile.h"
#include "pictures/picture_decoders.h"
#include "pictures/picture_reader.h"
#include "pictures/picture_writers.h"
#include "support/hlp_builder.h"
#include "support/lz77_compress.h"
#include "support/picture_builder.h"

using namespace korvane;
using namespace korvane::test;

namespace {

std::vector<uint8_t> bytes_of(std::string_view s) { return {s.begin(), s.end()}; }
std::string text_of(const std::vector<uint8_t>& b) { return {b.begin(), b.end()}; }

std::string run_length(std::vector<uint8_t> stored, uint32_t n, size_t* left = nullptr) {
    ByteReader in(stored.data(), stored.size());
    std::vector<uint8_t> out;
    ByteSink sink{nullptr, &out};
    size_t written = expand_run_length(in, sink, n);
    EXPECT_EQ(written, out.size());
    if (left) *left = in.remaining();
    return text_of(out);
}

// A help file holding the given internal files, opened with flags; the
// files the writers create land in dir.
std::unique_ptr<HelpFile> open_pictures(TempDir& dir, const std::vector<std::pair<std::string, std::vector<uint8_t>>>& files,
                                        int flags = 0) {
    HlpBuilder b;
    b.add("|SYSTEM", system_file(21, 0));
    for (const auto& [name, content] : files) b.add(name, content);
    std::string path = dir / "in.hlp";
    write_file(path, b.build());
    return open_help_file(path, flags);
}

const InternalFile& row_named(const HelpFile& help, std::string_view name) {
    auto it = std::find_if(help.files.begin(), help.files.end(), [&](const InternalFile& f) { return f.name == name; });
    EXPECT_NE(it, help.files.end()) << name;
    return *it;
}

// Converts internal file `name` with its files created in dir under base.
std::string convert(HelpFile& help, TempDir& dir, std::string_view name, const std::string& base) {
    const InternalFile& row = row_named(help, name);
    InDirectory in(dir.path());
    return convert_picture_file(help, row.offset, row.size, base);
}

TestPicture bitmap8(uint8_t packing, const std::vector<uint8_t>& pixels) {
    TestPicture p;
    p.packing = packing;
    p.bits_per_pixel = 8;
    p.width = 13;
    p.height = 7;
    p.palette = grey_palette(256);
    switch (packing) {
        case 0: p.data = pixels; break;
        case 1: p.data = run_length_pack(pixels); break;
        case 2: p.data = lz77_compress(pixels); break;
        default: p.data = lz77_compress(run_length_pack(pixels)); break;
    }
    return p;
}

TestPicture small_bitmap(std::vector<uint8_t> hotspots = {}) {
    TestPicture p;
    p.bits_per_pixel = 1;
    p.width = 16;
    p.height = 2;
    p.palette = grey_palette(2);
    p.data = bitmap_pixels(1, 16, 2);
    p.hotspots = std::move(hotspots);
    return p;
}

std::vector<std::string> names_of(const HelpFile& help) {
    std::vector<std::string> names;
    for (const auto& e : help.context_names.entries) names.push_back(e.name);
    return names;
}

}  // namespace

TEST(PictureDecoders, RunLengthGroupsAndWhereTheyStop) {
    size_t left = 0;
    EXPECT_EQ(run_length({0x83, 'a', 'b', 'c', 0x04, 'x'}, 6), "abcxxxx");
    // A lone control byte at the end starts no group and stays unread.
    EXPECT_EQ(run_length({0x82, 'a', 'b', 0x05}, 4, &left), "ab");
    EXPECT_EQ(left, 1u);
    // 0x80 and 0x00 write nothing; the repeated byte of 0x00 is consumed.
    EXPECT_EQ(run_length({0x80, 0x00, 'q', 0x81, 'z'}, 5), "z");
    // A literal run is finished past n, and the first group runs whatever n.
    EXPECT_EQ(run_length({0x83, 'a', 'b', 'c', 0x01, 'd'}, 2, &left), "abc");
    EXPECT_EQ(left, 2u);
    EXPECT_EQ(run_length({0x02, 'y', 0x01, 'z'}, 0), "yy");
    // Data that end early give a shorter picture.
    EXPECT_EQ(run_length({0x85, 'a', 'b'}, 10), "ab");
    EXPECT_EQ(run_length({0x01, 'a', 0x7F}, 10), "a");
    EXPECT_EQ(run_length({}, 10), "");
    // A repeat run of 127 bytes from two stored bytes.
    EXPECT_EQ(run_length({0x7F, 'r'}, 2), std::string(127, 'r'));
}

TEST(PictureDecoders, Lz77StagesExpandInMemory) {
    std::vector<uint8_t> raw = bitmap_pixels(8, 40, 10);
    std::vector<uint8_t> packed = lz77_compress(run_length_pack(raw));
    auto expand = [](size_t (*decoder)(ByteReader&, ByteSink&, uint32_t), std::vector<uint8_t> stored, uint32_t n) {
        ByteReader in(stored.data(), stored.size());
        std::vector<uint8_t> out;
        ByteSink sink{nullptr, &out};
        size_t written = decoder(in, sink, n);
        EXPECT_EQ(written, out.size());
        return out;
    };
    EXPECT_EQ(expand(expand_lz77_run_length, packed, static_cast<uint32_t>(packed.size())), raw);
    // A stored size beyond the data expands what is there.
    EXPECT_EQ(expand(expand_lz77_to_stream, lz77_compress(raw), 0xFFFFFFFF), raw);
    // A stream cut in the middle yields a prefix of the picture.
    std::vector<uint8_t> half(packed.begin(), packed.begin() + static_cast<long>(packed.size() / 2));
    std::vector<uint8_t> part = expand(expand_lz77_run_length, half, static_cast<uint32_t>(packed.size()));
    EXPECT_LT(part.size(), raw.size());
    EXPECT_TRUE(std::equal(part.begin(), part.end(), raw.begin()));
    // Back-references only: the largest expansion fits the buffer.
    std::vector<uint8_t> refs(17 * 20, 0xFF);
    EXPECT_EQ(expand(expand_lz77_to_stream, refs, static_cast<uint32_t>(refs.size())).size(), 20u * 144);
}

TEST(PictureDecoders, StoredDataAndCompressedNumbersStayInsideTheData) {
    std::vector<uint8_t> data = bytes_of("abcd");
    ByteReader in(data.data(), data.size());
    std::vector<uint8_t> out;
    ByteSink sink{nullptr, &out};
    EXPECT_EQ(copy_stored_data(in, sink, 10), 4u);
    EXPECT_EQ(text_of(out), "abcd");

    std::vector<uint8_t> numbers = {0xC0, 0x01, 0x02, 0x00, 0x01, 0x01, 0x00, 0x01, 0x00, 0x03};
    ByteReader r(numbers.data(), numbers.size());
    EXPECT_EQ(read_compressed_word(r), 96u);
    EXPECT_EQ(read_compressed_word(r), 256u);
    EXPECT_EQ(read_compressed_dword(r), 128u);
    EXPECT_EQ(read_compressed_dword(r), 32768u);
    // The long form cut off by the end reads the missing byte as zero.
    EXPECT_EQ(read_compressed_word(r), 1u);
    EXPECT_TRUE(r.overrun());
}

TEST(PictureReader, AllFourPackingsGiveTheSamePixels) {
    TempDir dir;
    std::vector<uint8_t> pixels = bitmap_pixels(8, 13, 7);
    auto help = open_pictures(dir, {{"|bm1", picture_container({bitmap8(0, pixels)})},
                                    {"|bm2", picture_container({bitmap8(1, pixels)})},
                                    {"|bm3", picture_container({bitmap8(2, pixels)})},
                                    {"|bm4", picture_container({bitmap8(3, pixels)})}});
    ASSERT_TRUE(help);
    std::vector<uint8_t> expected;
    {
        Bytes head;
        std::vector<uint8_t> palette = grey_palette(256);
        head.raw("BM").u32(1078 + static_cast<uint32_t>(pixels.size())).u32(0).u32(1078);
        head.u32(40).u32(13).u32(7).u16(1).u16(8).u32(0).u32(0).u32(3840).u32(3840).u32(256).u32(0);
        head.raw(palette).raw(pixels);
        expected = head.b;
    }
    for (int n = 1; n <= 4; ++n) {
        std::string base = "bm" + std::to_string(n);
        EXPECT_EQ(convert(*help, dir, "|" + base, base), base + "0.BMP");
        EXPECT_EQ(read_file(dir / (base + "0.BMP")), expected) << "packing " << n - 1;
        if (auto info = identify(dir / (base + "0.BMP"))) {
            EXPECT_EQ(info->format, "BMP3") << info->error;
            EXPECT_EQ(info->width, 13);
            EXPECT_EQ(info->height, 7);
            EXPECT_EQ(info->depth, 8);
        }
    }
}

TEST(PictureReader, BitmapHeadersFollowThePicture) {
    TempDir dir;
    TestPicture none;  // 24 bits per pixel, no colour table
    none.bits_per_pixel = 24;
    none.width = 5;
    none.height = 3;
    none.long_forms = true;
    none.data = bitmap_pixels(24, 5, 3);
    TestPicture four = small_bitmap();  // 4 bits, 16 colours
    four.bits_per_pixel = 4;
    four.width = 9;
    four.height = 4;
    four.palette = grey_palette(16);
    four.data = bitmap_pixels(4, 9, 4);
    auto help = open_pictures(dir, {{"|bm7", picture_container({none, four})}});
    EXPECT_EQ(convert(*help, dir, "|bm7", "bm7"), "bm71.BMP");

    std::vector<uint8_t> first = read_file(dir / "bm70.BMP");
    BmpFields f = bmp_fields(first);
    EXPECT_EQ(f.pixel_offset, 54u);
    EXPECT_EQ(f.file_size, first.size());
    EXPECT_EQ(first.size(), 54u + none.data.size());
    EXPECT_EQ(f.colours_used, 0u);
    EXPECT_EQ(f.x_ppm, 3840u);
    BmpFields g = bmp_fields(read_file(dir / "bm71.BMP"));
    EXPECT_EQ(g.pixel_offset, 54u + 64u);
    EXPECT_EQ(g.bits_per_pixel, 4);
    for (const char* name : {"bm70.BMP", "bm71.BMP"}) {
        auto info = identify(dir / name);
        if (!info) GTEST_SKIP() << "ImageMagick's identify is not installed";
        EXPECT_EQ(info->format, "BMP3") << name << info->error;
    }
    EXPECT_EQ(identify(dir / "bm70.BMP")->depth, 8);  // 24 bits: 8 per channel
    EXPECT_EQ(identify(dir / "bm71.BMP")->width, 9);
}

TEST(PictureReader, HotspotsKeepTheContainerUnlessShgIsAvoided) {
    std::vector<uint8_t> hotspots = hotspot_data({{0x00E3, "spot1", "Target_One", ""},
                                                  {0x04CC, "spot2", "Target_Two", "extra string"},
                                                  {0x00C8, "spot3", "Third", "x"}});
    std::vector<uint8_t> container = picture_container({small_bitmap(hotspots)}, 'P');
    {
        TempDir dir;
        auto help = open_pictures(dir, {{"bm3", container}});
        EXPECT_EQ(convert(*help, dir, "bm3", "bm3"), "bm3.SHG");
        EXPECT_EQ(read_file(dir / "bm3.SHG"), container);
        EXPECT_FALSE(file_exists(dir / "bm30.BMP"));
        EXPECT_EQ(names_of(*help), (std::vector<std::string>{"Target_One", "Target_Two", "Third"}));
    }
    {
        TempDir dir;
        auto help = open_pictures(dir, {{"bm3", container}}, CVF_NO_SHG);
        EXPECT_EQ(convert(*help, dir, "bm3", "bm3"), "bm30.BMP");
        EXPECT_FALSE(file_exists(dir / "bm3.SHG"));
        EXPECT_EQ(names_of(*help), (std::vector<std::string>{"Target_One", "Target_Two", "Third"}));
        EXPECT_EQ(name_for_hash(*help, context_hash("target_two")), "Target_Two");
    }
}

TEST(PictureReader, SeveralPicturesReportTheLastConverted) {
    TempDir dir;
    std::vector<uint8_t> spots = hotspot_data({{0x00E2, "s", "Later", ""}});
    auto help = open_pictures(dir, {{"|bm5", picture_container({small_bitmap(), small_bitmap(), small_bitmap()})},
                                    {"|bm6", picture_container({small_bitmap(), small_bitmap(spots)})}});
    EXPECT_EQ(convert(*help, dir, "|bm5", "bm5"), "bm52.BMP");
    EXPECT_EQ(convert(*help, dir, "|bm6", "bm6"), "bm60.BMP");
    EXPECT_EQ(dir.list(), (std::vector<std::string>{"bm50.BMP", "bm51.BMP", "bm52.BMP", "bm60.BMP", "in.hlp"}));
    EXPECT_EQ(names_of(*help), std::vector<std::string>{"Later"});
}

TEST(PictureReader, UnknownKindsAndSignaturesWarn) {
    TempDir dir;
    TestPicture type5 = small_bitmap();
    type5.type = 5;
    TestPicture bitmap4 = small_bitmap();
    bitmap4.packing = 4;
    TestPicture metafile3;
    metafile3.type = 8;
    metafile3.packing = 3;
    metafile3.data = small_metafile(100, 100);
    std::vector<uint8_t> unknown = picture_container({type5, bitmap4, metafile3});
    std::vector<uint8_t> wrong = picture_container({small_bitmap()});
    wrong[0] = 'x';
    wrong[1] = 'y';
    auto help = open_pictures(dir, {{"|bm1", unknown}, {"|bm2", wrong}});
    WarningCapture warnings;
    EXPECT_EQ(convert(*help, dir, "|bm1", "bm1"), "bm1.SHG");
    EXPECT_EQ(convert(*help, dir, "|bm2", "bm2"), "bm2.SHG");
    EXPECT_EQ(warnings.warnings,
              (std::vector<std::string>{"Unknown sfImageType value 0x5 in file bm1.SHG.",
                                        "Unknown sfImageType value 0x406 in file bm1.SHG.",
                                        "Unknown sfImageType value 0x308 in file bm1.SHG.",
                                        "Invalid .SHG or .MRB file! Type: xy"}));
    EXPECT_EQ(read_file(dir / "bm1.SHG"), unknown);
    EXPECT_EQ(read_file(dir / "bm2.SHG"), wrong);
}

TEST(PictureReader, HotspotListsThatStopEarly) {
    struct Case {
        const char* what;
        std::vector<uint8_t> hotspots;
        std::vector<std::string> names;
    };
    std::string long_name(300, 'L');
    std::vector<uint8_t> no_terminator = hotspot_data({{0x00E3, "a", "First", ""}, {0x00E3, "b", "Cut", ""}});
    no_terminator.pop_back();
    Bytes too_many;
    too_many.u8(0).u16(5000).u32(0).u16(0x00E3).fill(13);
    std::vector<Case> cases = {
        {"an unknown kind adds nothing", hotspot_data({{0x00E3, "a", "Kept", ""}, {0x1234, "b", "Other", ""}}), {}},
        {"long names stay whole", hotspot_data({{0x00E2, "n", long_name, ""}}), {long_name}},
        {"a last target without terminator is taken", no_terminator, {"First", "Cut"}},
        {"a count beyond the records", too_many.b, {}},
        {"nothing after the header", bytes_of(std::string("\x01\x02\x00\x00\x00\x00\x00", 7)), {}},
    };
    for (const Case& c : cases) {
        TempDir dir;
        auto help = open_pictures(dir, {{"|bm1", picture_container({small_bitmap(c.hotspots)})}}, CVF_NO_SHG);
        EXPECT_EQ(convert(*help, dir, "|bm1", "bm1"), "bm10.BMP") << c.what;
        EXPECT_EQ(names_of(*help), c.names) << c.what;
    }
}

TEST(PictureReader, MetafilesFindTheirHotspotsAfterLongForms) {
    TempDir dir;
    TestPicture mf;
    mf.type = 8;
    mf.packing = 1;
    mf.long_forms = true;
    mf.mf_width = 5080;
    mf.mf_height = 2540;
    std::vector<uint8_t> metafile = small_metafile(2000, 1000);
    mf.data = run_length_pack(metafile);
    mf.hotspots = hotspot_data({{0x04E7, "m", "From_Metafile", ""}});
    auto help = open_pictures(dir, {{"|bm9", picture_container({mf})}}, CVF_NO_SHG);
    EXPECT_EQ(convert(*help, dir, "|bm9", "bm9"), "bm90.WMF");
    EXPECT_EQ(names_of(*help), std::vector<std::string>{"From_Metafile"});
    std::vector<uint8_t> file = read_file(dir / "bm90.WMF");
    ASSERT_EQ(file.size(), 22 + metafile.size());
    EXPECT_TRUE(std::equal(metafile.begin(), metafile.end(), file.begin() + 22));
    if (auto info = identify(dir / "bm90.WMF")) {
        EXPECT_EQ(info->format, "WMF") << info->error;
        // Two by one inches at ImageMagick's 72 dots per inch.
        EXPECT_EQ(info->width, 144);
        EXPECT_EQ(info->height, 72);
    }
}

TEST(PictureWriters, PlaceableHeaderFromTheWindowRecords) {
    auto placeable = [](const std::vector<uint8_t>& metafile, uint16_t width, uint16_t height) {
        TempDir dir;
        MetafileHeader h;
        h.width = width;
        h.height = height;
        {
            auto out = OutStream::open(dir / "x.wmf", "wb+");
            write_placeable_metafile(metafile, *out, h);
        }
        return read_file(dir / "x.wmf");
    };
    auto field = [](const std::vector<uint8_t>& f, size_t at) { return static_cast<int>(ByteReader::le16(&f[at])); };

    std::vector<uint8_t> metafile = small_metafile(2000, 1000);
    std::vector<uint8_t> file = placeable(metafile, 5080, 2540);
    ASSERT_EQ(file.size(), 22 + metafile.size());
    EXPECT_EQ(ByteReader::le32(&file[0]), 0x9AC6CDD7u);
    EXPECT_EQ(field(file, 6), 0);
    EXPECT_EQ(field(file, 8), 0);
    EXPECT_EQ(field(file, 10), 2000);
    EXPECT_EQ(field(file, 12), 1000);
    EXPECT_EQ(field(file, 14), 1000);
    uint16_t sum = 0;
    for (size_t i = 0; i < 20; i += 2) sum ^= static_cast<uint16_t>(field(file, i));
    EXPECT_EQ(field(file, 20), sum);

    // Any other first record: the box from the picture size at 254 per inch,
    // and the whole metafile still follows.
    std::vector<uint8_t> other = small_metafile(2000, 1000, false);
    file = placeable(other, 5080, 2547);
    EXPECT_EQ(field(file, 10), 508);
    EXPECT_EQ(field(file, 12), 254);
    EXPECT_EQ(field(file, 14), 254);
    EXPECT_TRUE(std::equal(other.begin(), other.end(), file.begin() + 22));

    // Without a width the fallback box serves too.
    file = placeable(metafile, 0, 1000);
    EXPECT_EQ(field(file, 10), 0);
    EXPECT_EQ(field(file, 12), 100);
    EXPECT_EQ(field(file, 14), 254);

    // The metafile's own length decides what is kept; a length beyond the
    // data keeps only what is there.
    std::vector<uint8_t> padded = metafile;
    padded.insert(padded.end(), 10, 0xEE);
    EXPECT_EQ(placeable(padded, 5080, 2540).size(), 22 + metafile.size());
    EXPECT_EQ(placeable(small_metafile(2000, 1000, true, 100000), 5080, 2540).size(), 22 + metafile.size());
    EXPECT_EQ(placeable({1, 0, 9}, 100, 100).size(), 22u);
}

TEST(PictureReader, DamagedContainersStayInsideTheirData) {
    TempDir dir;
    std::vector<uint8_t> good = picture_container({small_bitmap()});
    Bytes zero;
    zero.raw("lp").u16(0);
    std::vector<uint8_t> outside = good;
    outside[4] = 0xF0;  // first offset far beyond the container
    std::vector<uint8_t> short_table = good;
    short_table[2] = 0xFF;  // 255 pictures, a table the container cannot hold
    TestPicture big_palette = small_bitmap();
    big_palette.palette_entries = 0x10000000;
    big_palette.data.clear();
    TestPicture long_data = small_bitmap();
    long_data.stored_size = 0x7FFFFFFF;
    long_data.hotspot_size = 0x7FFFFFFF;
    std::vector<uint8_t> cut_header = picture_container({small_bitmap()});
    cut_header.resize(4 + 4 + 10);

    auto help = open_pictures(dir, {{"|bm1", zero.b},
                                    {"|bm2", outside},
                                    {"|bm3", short_table},
                                    {"|bm4", picture_container({big_palette})},
                                    {"|bm5", picture_container({long_data})},
                                    {"|bm6", cut_header},
                                    {"|bm7", {}}},
                              CVF_NO_SHG);
    WarningCapture warnings;
    EXPECT_EQ(convert(*help, dir, "|bm1", "bm1"), "bm1.SHG");
    EXPECT_EQ(convert(*help, dir, "|bm2", "bm2"), "bm2.SHG");
    EXPECT_EQ(convert(*help, dir, "|bm3", "bm3"), "bm3.SHG");
    EXPECT_EQ(read_file(dir / "bm3.SHG"), short_table);
    EXPECT_TRUE(warnings.warnings.empty());

    // A colour table longer than the container is cut, and the header
    // describes the file as written.
    EXPECT_EQ(convert(*help, dir, "|bm4", "bm4"), "bm40.BMP");
    std::vector<uint8_t> cut = read_file(dir / "bm40.BMP");
    BmpFields f = bmp_fields(cut);
    EXPECT_EQ(f.file_size, cut.size());
    EXPECT_EQ(f.pixel_offset, cut.size());
    EXPECT_EQ(f.colours_used, (cut.size() - 54) / 4);
    EXPECT_LE(f.colours_used, 2u);

    EXPECT_EQ(convert(*help, dir, "|bm5", "bm5"), "bm50.BMP");
    std::vector<uint8_t> shorter = read_file(dir / "bm50.BMP");
    EXPECT_EQ(bmp_fields(shorter).file_size, shorter.size());
    EXPECT_EQ(shorter.size(), 54 + 8 + long_data.data.size());

    EXPECT_EQ(convert(*help, dir, "|bm6", "bm6"), "bm6.SHG");
    EXPECT_EQ(convert(*help, dir, "|bm7", "bm7"), "bm7.SHG");
    // An empty container has no signature: its two bytes read as zero.
    EXPECT_EQ(warnings.warnings, std::vector<std::string>{std::string("Invalid .SHG or .MRB file! Type: ") + '\0' + '\0'});
}

TEST(PictureReader, ShgThatCannotBeCreatedIsStillReported) {
    TempDir dir;
    std::vector<uint8_t> spots = hotspot_data({{0x00E3, "s", "T", ""}});
    auto help = open_pictures(dir, {{"|bm3", picture_container({small_bitmap(spots)})}});
    WarningCapture warnings;
    std::vector<std::string> written;
    const InternalFile& row = row_named(*help, "|bm3");
    std::string base = dir / "missing/bm3";
    EXPECT_EQ(convert_picture_file(*help, row.offset, row.size, base, &written), base + ".SHG");
    EXPECT_TRUE(written.empty());
    EXPECT_EQ(warnings.warnings, std::vector<std::string>{"Can't Create " + base + ".SHG"});
}

// Damaged containers of every packing: whatever the bytes say, the reader
// stays inside the data, writes only files named after its base, and no
// file grows beyond what the stored bytes can expand to.
TEST(PictureReader, RandomDamageStaysBounded) {
    std::vector<uint8_t> pixels = bitmap_pixels(8, 13, 7);
    TestPicture mf;
    mf.type = 8;
    mf.packing = 2;
    mf.mf_width = 1000;
    mf.data = lz77_compress(small_metafile(300, 200));
    mf.hotspots = hotspot_data({{0x04CC, "a", "Some_Target", "extra"}});
    TestPicture rle_mf = mf;
    rle_mf.packing = 1;
    rle_mf.data = run_length_pack(small_metafile(300, 200));
    std::vector<uint8_t> original =
        picture_container({bitmap8(0, pixels), bitmap8(1, pixels), bitmap8(2, pixels), bitmap8(3, pixels), mf, rle_mf});

    std::mt19937 rng(20240607);
    TempDir dir;
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> damaged = original;
        int changes = 1 + static_cast<int>(rng() % 8);
        for (int k = 0; k < changes; ++k) damaged[rng() % damaged.size()] = static_cast<uint8_t>(rng());
        if (rng() % 4 == 0) damaged.resize(rng() % damaged.size());
        auto help = open_pictures(dir, {{"|bm1", damaged}}, round % 2 ? CVF_NO_SHG : 0);
        std::vector<std::string> written;
        {
            InDirectory in(dir.path());
            const InternalFile& row = row_named(*help, "|bm1");
            convert_picture_file(*help, row.offset, row.size, "bm1", &written);
        }
        std::vector<std::string> files = dir.list();
        files.erase(std::find(files.begin(), files.end(), "in.hlp"));
        std::sort(written.begin(), written.end());
        EXPECT_EQ(files, written);
        for (const std::string& name : files) {
            EXPECT_LE(read_file(dir / name).size(), 600 * damaged.size() + 2000) << name;
            std::remove((dir / name).c_str());
        }
    }
}

TEST(PictureReader, HighResolutionsSurviveWhole) {
    TempDir dir;
    TestPicture fine = small_bitmap();
    fine.dpi = 300;
    auto help = open_pictures(dir, {{"|bm2", picture_container({fine})}});
    EXPECT_EQ(convert(*help, dir, "|bm2", "bm2"), "bm20.BMP");
    BmpFields f = bmp_fields(read_file(dir / "bm20.BMP"));
    EXPECT_EQ(f.x_ppm, 12000u);
    EXPECT_EQ(f.width, fine.width);
    EXPECT_EQ(f.bits_per_pixel, fine.bits_per_pixel);
}
