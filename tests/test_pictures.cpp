// The picture decoders, the container reader and the bitmap, metafile and
// container writers.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <string>
#include <vector>

#include "driver/out_stream.h"
#include "helpfile/compressed.h"
#include "helpfile/helpfile.h"
#include "pictures/picture_decoders.h"
#include "pictures/picture_reader.h"
#include "pictures/picture_writers.h"
#include "support/hlp_builder.h"
#include "support/index_builder.h"
#include "support/picture_builder.h"
#include "support/rtf_topics.h"
#include "support/topic_builder.h"

using namespace korvane;
using namespace korvane::test;

namespace {

using Decoder = size_t (*)(ByteReader&, ByteSink&, uint32_t);

std::vector<uint8_t> expand(Decoder decoder, const std::vector<uint8_t>& stored, uint32_t n, size_t* left = nullptr) {
    ByteReader in(stored.data(), stored.size());
    std::vector<uint8_t> out;
    ByteSink sink{nullptr, &out};
    size_t written = decoder(in, sink, n);
    EXPECT_EQ(written, out.size());
    if (left) *left = in.remaining();
    return out;
}

using Files = std::vector<std::pair<std::string, std::vector<uint8_t>>>;

// A help file t.hlp in dir holding |SYSTEM and the given internal files.
std::unique_ptr<HelpFile> open_pictures(TempDir& dir, const Files& files, int flags = 0) {
    HlpBuilder b;
    b.add("|SYSTEM", system_file(21, 0));
    for (const auto& [name, content] : files) b.add(name, content);
    return open_help_bytes(b.build(), dir, flags);
}

// Converts internal file `name`, creating its files in dir under base.
std::string convert(HelpFile& help, TempDir& dir, std::string_view name, const std::string& base,
                    std::vector<std::string>* written = nullptr) {
    for (const InternalFile& f : help.files) {
        if (f.name != name) continue;
        WorkingDirectory in(dir.path());
        return convert_picture_file(help, f.offset, f.size, base, written);
    }
    ADD_FAILURE() << "no internal file " << name;
    return "";
}

// 13 by 7 pixels, 8 bits, 256 colours.
TestPicture bitmap8(uint8_t packing, const std::vector<uint8_t>& pixels) {
    return {.packing = packing, .bits_per_pixel = 8, .width = 13, .height = 7, .palette = grey_palette(256),
            .data = packed(packing, pixels)};
}

// 16 by 2 pixels, 1 bit, stored.
TestPicture small_bitmap(std::vector<uint8_t> hotspots = {}) {
    return {.width = 16, .height = 2, .palette = grey_palette(2), .data = bitmap_pixels(1, 16, 2), .hotspots = std::move(hotspots)};
}

std::vector<std::string> names_of(const HelpFile& help) {
    std::vector<std::string> names;
    for (const auto& e : help.context_names.entries) names.push_back(e.name);
    return names;
}

}  // namespace

TEST(PictureDecoders, StopWhereTheDataEnd) {
    struct Case { std::vector<uint8_t> stored; uint32_t n; std::string out; size_t left; };
    const Case run_length[] = {
        {{0x83, 'a', 'b', 'c', 0x04, 'x'}, 6, "abcxxxx", 0},
        {{0x82, 'a', 'b', 0x05}, 4, "ab", 1},             // a lone final control byte stays unread
        {{0x80, 0x00, 'q', 0x81, 'z'}, 5, "z", 0},        // 0x80 and 0x00 write nothing; 0x00 uses its byte
        {{0x83, 'a', 'b', 'c', 0x01, 'd'}, 2, "abc", 2},  // a literal run is finished past n
        {{0x02, 'y', 0x01, 'z'}, 0, "yy", 2},             // the first group runs whatever n
        {{0x7F, 'r'}, 2, std::string(127, 'r'), 0},
        {{0x85, 'a', 'b'}, 10, "ab", 0},                  // data that end early
        {{0x01, 'a', 0x7F}, 10, "a", 0},
        {{}, 10, "", 0},
    };
    for (const Case& c : run_length) {
        size_t left = 99;
        std::vector<uint8_t> out = expand(expand_run_length, c.stored, c.n, &left);
        EXPECT_EQ(std::string(out.begin(), out.end()), c.out);
        EXPECT_EQ(left, c.left) << c.out;
    }

    // LZ77: a stored size beyond the data expands what is there; a stream
    // cut in the middle yields a prefix; back-references only (the largest
    // expansion) fit the buffer.
    std::vector<uint8_t> raw = bitmap_pixels(8, 40, 10), half = packed(3, raw);
    EXPECT_EQ(expand(expand_lz77_to_stream, packed(2, raw), 0xFFFFFFFF), raw);
    half.resize(half.size() / 2);
    std::vector<uint8_t> part = expand(expand_lz77_run_length, half, 0xFFFFFFFF);
    EXPECT_LT(part.size(), raw.size());
    EXPECT_TRUE(std::equal(part.begin(), part.end(), raw.begin()));
    EXPECT_EQ(expand(expand_lz77_to_stream, std::vector<uint8_t>(17 * 20, 0xFF), 17 * 20).size(), 20u * 144);

    std::vector<uint8_t> numbers = {0xC0, 0x01, 0x02, 0x00, 0x01, 0x01, 0x00, 0x01, 0x00, 0x03};
    ByteReader r(numbers.data(), numbers.size());
    EXPECT_EQ(read_compressed_u16(r), 96u);
    EXPECT_EQ(read_compressed_u16(r), 256u);
    EXPECT_EQ(read_compressed_u32(r), 128u);
    EXPECT_EQ(read_compressed_u32(r), 32768u);
    EXPECT_EQ(read_compressed_u16(r), 1u);  // the long form cut off: the missing byte reads as zero
    EXPECT_TRUE(r.overrun());
}

TEST(PictureReader, WrittenFilesHoldThePictures) {
    TempDir dir;
    std::vector<uint8_t> pixels = bitmap_pixels(8, 13, 7), metafile = small_metafile(2000, 1000);
    Files files;
    for (uint8_t packing = 0; packing < 4; ++packing) {
        // Both signatures.
        files.push_back({"|bm" + std::to_string(packing), picture_container({bitmap8(packing, pixels)}, "pP"[packing % 2])});
    }
    // 24 bits per pixel without colour table at 300 dpi, and a metafile
    // whose hotspots follow sizes in their long forms.
    TestPicture deep{.dpi = 300, .bits_per_pixel = 24, .width = 5, .height = 3, .long_forms = true, .data = bitmap_pixels(24, 5, 3)};
    TestPicture mf{.type = 8, .packing = 1, .mf_width = 5080, .mf_height = 2540, .long_forms = true, .data = packed(1, metafile),
                   .hotspots = hotspot_data({{0x04E7, "m", "From_Metafile", ""}})};
    files.push_back({"|bm4", picture_container({deep})});
    files.push_back({"|bm5", picture_container({mf})});
    auto help = open_pictures(dir, files, CVF_NO_SHG);
    ASSERT_TRUE(help);
    for (int n = 0; n < 4; ++n) {
        std::string base = "bm" + std::to_string(n);
        EXPECT_EQ(convert(*help, dir, "|" + base, base), base + "0.BMP");
        EXPECT_EQ(read_file(dir / (base + "0.BMP")), bmp_file(13, 7, 8, 256, grey_palette(256), pixels)) << n;
    }
    EXPECT_EQ(convert(*help, dir, "|bm4", "bm4"), "bm40.BMP");
    EXPECT_EQ(read_file(dir / "bm40.BMP"), bmp_file(5, 3, 24, 0, {}, deep.data, 12000));
    EXPECT_EQ(convert(*help, dir, "|bm5", "bm5"), "bm50.WMF");
    EXPECT_EQ(names_of(*help), std::vector<std::string>{"From_Metafile"});

    struct Seen { const char* file; const char* format; int width, height, depth; };
    // The metafile is two by one inches, at ImageMagick's 72 dots per inch.
    for (Seen s : {Seen{"bm00.BMP", "BMP3", 13, 7, 8}, Seen{"bm40.BMP", "BMP3", 5, 3, 8}, Seen{"bm50.WMF", "WMF", 144, 72, 0}}) {
        auto info = identify(dir / s.file);
        ASSERT_TRUE(info) << "ImageMagick's identify is not installed (tools/install-deps.sh test installs it)";
        EXPECT_EQ(info->format, s.format) << s.file << info->error;
        EXPECT_EQ(info->width, s.width) << s.file;
        EXPECT_EQ(info->height, s.height) << s.file;
        EXPECT_TRUE(s.depth == 0 || info->depth == s.depth) << s.file << " " << info->depth;
    }
}

// Help compilers store the resolutions in either form of a compressed
// number, and some record none (a horizontal resolution of 0) with anything
// in the vertical field. End to end through korvane-cli: the bitmap file has
// the picture's size and resolution, and print mode embeds it at that
// resolution, or at 96 dpi when there is none.
TEST(PictureReader, ResolutionsInEitherForm) {
    struct Case { unsigned x_dpi, y_dpi; bool long_forms; uint32_t pixels_per_metre; const char* embedded; };
    const Case cases[] = {
        {300, 300, false, 12000, "\\picw133\\pich16"},
        {300, 300, true, 12000, "\\picw133\\pich16"},
        {0, 19069, true, 0, "\\picw416\\pich52"},
        {0, 745, false, 0, "\\picw416\\pich52"},
    };
    for (const Case& c : cases) {
        TestPicture p = small_bitmap();
        p.x_dpi = c.x_dpi;
        p.dpi = c.y_dpi;
        p.long_resolutions = c.long_forms;
        auto picture_command = Bytes().u8(0x86).u8(0x22).fill(5).u16(0).b;
        HelpFileSpec spec;
        spec.records = {topic_header({.number = 0, .title = "Pictures"}),
                        text_record(Format().info(0).bytes(picture_command).u8(0xFF), {"", ""})};
        spec.extra_files = {{"|bm0", picture_container({p})}};
        TempDir dir;
        write_file(dir / "P.HLP", build_help_file(spec).bytes);
        std::string what = std::to_string(c.x_dpi) + "/" + std::to_string(c.y_dpi) + (c.long_forms ? " long" : "");

        RunResult r = run_program({KORVANE_CLI_BIN, "-q", "P.HLP"}, dir.path());
        ASSERT_EQ(r.exit_code, 0) << what << r.err;
        std::vector<uint8_t> bmp = read_file(dir / "bm00.BMP");
        ASSERT_EQ(bmp.size(), 54u + 8 + 8) << what;
        EXPECT_EQ(ByteReader::le32(&bmp[38]), c.pixels_per_metre) << what;
        EXPECT_EQ(ByteReader::le32(&bmp[42]), c.pixels_per_metre) << what;
        auto info = identify(dir / "bm00.BMP");
        if (info) {
            EXPECT_EQ(info->format, "BMP3") << what << info->error;
            EXPECT_EQ(info->width, 16) << what;
            EXPECT_EQ(info->height, 2) << what;
        }

        r = run_program({KORVANE_CLI_BIN, "-q", "--print", "P.HLP"}, dir.path(), {"TEMP=" + dir.path()});
        ASSERT_EQ(r.exit_code, 0) << what << r.err;
        EXPECT_NE(read_text(dir / "P1.RTF").find(std::string("{\\pict\\wmetafile8") + c.embedded + "\r\n"), std::string::npos)
            << what;
    }
}

TEST(PictureReader, WhichPicturesBecomeFilesAndWhichNamesAreKnown) {
    std::vector<uint8_t> spots = hotspot_data({{0x00E3, "spot1", "Target_One", ""},
                                               {0x04CC, "spot2", "Target_Two", "extra string"},
                                               {0x00C8, "spot3", "Third", "x"}});
    std::vector<std::string> three = {"Target_One", "Target_Two", "Third"};
    std::string long_name(300, 'L');
    std::vector<uint8_t> no_terminator = hotspot_data({{0x00E3, "a", "First", ""}, {0x00E3, "b", "Cut", ""}});
    no_terminator.pop_back();
    auto one = [](std::vector<uint8_t> hotspots) { return picture_container({small_bitmap(std::move(hotspots))}); };
    struct Case { const char* what; std::vector<uint8_t> container; int flags; std::vector<std::string> files, names; };
    const Case cases[] = {
        {"hotspots keep the container whole", one(spots), 0, {"bm1.SHG"}, three},
        {"unless .SHG files are avoided", one(spots), CVF_NO_SHG, {"bm10.BMP"}, three},
        {"several pictures", picture_container({small_bitmap(), small_bitmap(), small_bitmap()}), 0,
         {"bm10.BMP", "bm11.BMP", "bm12.BMP"}, {}},
        {"hotspots in one of several", picture_container({small_bitmap(), small_bitmap(hotspot_data({{0x00E2, "s", "Later", ""}}))}),
         0, {"bm10.BMP"}, {"Later"}},
        {"an unknown kind adds nothing", one(hotspot_data({{0x00E3, "a", "Kept", ""}, {0x1234, "b", "Other", ""}})),
         CVF_NO_SHG, {"bm10.BMP"}, {}},
        {"long names stay whole", one(hotspot_data({{0x00E2, "n", long_name, ""}})), CVF_NO_SHG, {"bm10.BMP"}, {long_name}},
        {"a last target without terminator", one(no_terminator), CVF_NO_SHG, {"bm10.BMP"}, {"First", "Cut"}},
        {"a count beyond the records", one(Bytes{}.u8(0).u16(5000).u32(0).u16(0x00E3).fill(13).b), CVF_NO_SHG, {"bm10.BMP"}, {}},
    };
    for (const Case& c : cases) {
        TempDir dir;
        auto help = open_pictures(dir, {{"|bm1", c.container}}, c.flags);
        // The last file written is the one reported.
        EXPECT_EQ(convert(*help, dir, "|bm1", "bm1"), c.files.back()) << c.what;
        std::vector<std::string> files = c.files;
        files.push_back("t.hlp");
        EXPECT_EQ(dir.list(), files) << c.what;
        EXPECT_EQ(names_of(*help), c.names) << c.what;
        if (c.files[0] == "bm1.SHG") {
            EXPECT_EQ(read_file(dir / "bm1.SHG"), c.container);
        }
    }
}

TEST(PictureWriters, PlaceableHeaderFromTheWindowRecords) {
    std::vector<uint8_t> mf = small_metafile(2000, 1000), other = mf, padded = mf, long_length = mf;
    ByteReader::put16(&other[22], 0x0103);         // first record: set map mode
    padded.insert(padded.end(), 10, 0xEE);
    ByteReader::put32(&long_length[6], 100000);  // length field beyond the data
    // The box is left, top, right, bottom and units per inch.
    struct Case { std::vector<uint8_t> metafile; uint16_t width, height; std::array<int, 5> box; size_t kept; };
    const Case cases[] = {
        {mf, 5080, 2540, {0, 0, 2000, 1000, 1000}, mf.size()},
        // Any other first record, or no width: the picture size at 254 units per inch.
        {other, 5080, 2547, {0, 0, 508, 254, 254}, other.size()},
        {mf, 0, 1000, {0, 0, 0, 100, 254}, mf.size()},
        // The metafile's own length decides what is kept, within the data.
        {padded, 5080, 2540, {0, 0, 2000, 1000, 1000}, mf.size()},
        {long_length, 5080, 2540, {0, 0, 2000, 1000, 1000}, mf.size()},
        {{1, 0, 9}, 100, 100, {0, 0, 10, 10, 254}, 0},
    };
    for (const Case& c : cases) {
        TempDir dir;
        MetafileHeader h{.width = c.width, .height = c.height};
        write_placeable_metafile(c.metafile, *OutStream::open(dir / "x.wmf", "wb+"), h);
        std::vector<uint8_t> file = read_file(dir / "x.wmf");
        ASSERT_EQ(file.size(), 22 + c.kept) << c.box[2];
        EXPECT_EQ(ByteReader::le32(&file[0]), 0x9AC6CDD7u);
        std::array<int, 5> box;
        for (size_t i = 0; i < 5; ++i) box[i] = ByteReader::le16(&file[6 + 2 * i]);
        EXPECT_EQ(box, c.box);
        uint16_t sum = 0;
        for (size_t i = 0; i < 22; i += 2) sum ^= ByteReader::le16(&file[i]);
        EXPECT_EQ(sum, 0);
        EXPECT_TRUE(std::equal(file.begin() + 22, file.end(), c.metafile.begin()));
    }
}

TEST(PictureReader, ContainersWithoutReadablePicturesAreKeptWhole) {
    TempDir dir;
    TestPicture type5{.type = 5}, bitmap4{.packing = 4}, metafile3{.type = 8, .packing = 3, .data = small_metafile(100, 100)};
    std::vector<uint8_t> good = picture_container({small_bitmap()});
    std::vector<uint8_t> wrong = good, outside = good, short_table = good, cut_header = good;
    wrong[0] = 'x';
    wrong[1] = 'y';
    outside[4] = 0xF0;      // first offset far beyond the container
    short_table[2] = 0xFF;  // 255 pictures, a table the container cannot hold
    cut_header.resize(18);  // a picture header cut off
    std::vector<std::vector<uint8_t>> kept = {picture_container({type5, bitmap4, metafile3}), wrong, {'l', 'p', 0, 0},
                                              outside, short_table, cut_header, {}};
    // A colour table or data longer than the container are cut, and the
    // headers describe the file as written.
    TestPicture big_palette = small_bitmap(), long_data = small_bitmap();
    big_palette.palette_entries = 0x10000000;
    big_palette.data.clear();
    long_data.stored_size = long_data.hotspot_size = 0x7FFFFFFF;
    Files files = {{"|bm7", picture_container({big_palette})}, {"|bm8", picture_container({long_data})}, {"|bm9", kept[2]}};
    for (size_t i = 0; i < kept.size(); ++i) files.push_back({"|bm" + std::to_string(i), kept[i]});
    auto help = open_pictures(dir, files, CVF_NO_SHG);
    RecordingPlatform log;
    for (size_t i = 0; i < kept.size(); ++i) {
        std::string base = "bm" + std::to_string(i);
        EXPECT_EQ(convert(*help, dir, "|" + base, base), base + ".SHG");
        EXPECT_EQ(read_file(dir / (base + ".SHG")), kept[i]) << i;
    }
    EXPECT_EQ(convert(*help, dir, "|bm7", "bm7"), "bm70.BMP");
    EXPECT_EQ(read_file(dir / "bm70.BMP"), bmp_file(16, 2, 1, 2, grey_palette(2), {}));
    EXPECT_EQ(convert(*help, dir, "|bm8", "bm8"), "bm80.BMP");
    EXPECT_EQ(read_file(dir / "bm80.BMP"), bmp_file(16, 2, 1, 2, grey_palette(2), long_data.data));
    // A container that cannot be created is still reported, but not as written.
    std::string missing = dir / "missing/bm9";
    std::vector<std::string> written;
    EXPECT_EQ(convert(*help, dir, "|bm9", missing, &written), missing + ".SHG");
    EXPECT_TRUE(written.empty());
    // An empty container has no signature: its two bytes read as zero.
    EXPECT_EQ(log.warnings, (std::vector<std::string>{"Unknown sfImageType value 0x5 in file bm0.SHG.",
                                                      "Unknown sfImageType value 0x406 in file bm0.SHG.",
                                                      "Unknown sfImageType value 0x308 in file bm0.SHG.",
                                                      "Invalid .SHG or .MRB file! Type: xy",
                                                      std::string("Invalid .SHG or .MRB file! Type: ") + '\0' + '\0',
                                                      "Can't Create " + missing + ".SHG"}));
}

// Random damage to pictures of every packing: the reader stays inside the
// data, writes only the files it reports, none beyond what the stored bytes
// can expand to.
TEST(PictureReader, RandomDamageStaysBounded) {
    std::vector<uint8_t> pixels = bitmap_pixels(8, 13, 7);
    std::vector<TestPicture> pictures;
    for (uint8_t packing = 0; packing < 4; ++packing) pictures.push_back(bitmap8(packing, pixels));
    for (uint8_t packing = 1; packing < 3; ++packing) {
        pictures.push_back({.type = 8, .packing = packing, .mf_width = 1000, .data = packed(packing, small_metafile(300, 200)),
                            .hotspots = hotspot_data({{0x04CC, "a", "Some_Target", "extra"}})});
    }
    std::vector<uint8_t> original = picture_container(pictures);
    std::mt19937 rng(20240607);
    TempDir dir;
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> damaged = original;
        for (int k = 1 + static_cast<int>(rng() % 8); k > 0; --k) damaged[rng() % damaged.size()] = static_cast<uint8_t>(rng());
        if (rng() % 4 == 0) damaged.resize(rng() % damaged.size());
        auto help = open_pictures(dir, {{"|bm1", damaged}}, round % 2 ? CVF_NO_SHG : 0);
        std::vector<std::string> written = {"t.hlp"};  // and the files the reader reports
        convert(*help, dir, "|bm1", "bm1", &written);
        std::sort(written.begin(), written.end());
        EXPECT_EQ(dir.list(), written);
        for (const std::string& name : written) {
            if (name == "t.hlp") continue;
            EXPECT_LE(read_file(dir / name).size(), 600 * damaged.size() + 2000) << name;
            std::remove((dir / name).c_str());
        }
    }
}
