// [Bitmaps] and [Baggage]: which internal files become which output files,
// where they go, and what the project file lists.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "driver/convert.h"
#include "driver/out_stream.h"
#include "helpfile/helpfile.h"
#include "project/bitmaps_baggage.h"
#include "support/hlp_builder.h"
#include "support/picture_builder.h"
#include "topics/context_hash.h"

using namespace korvane;
using namespace korvane::test;

namespace {

using Files = std::vector<std::pair<std::string, std::vector<uint8_t>>>;

std::vector<uint8_t> bytes_of(std::string_view s) { return {s.begin(), s.end()}; }

std::string write_help(const std::string& path, const Files& files) {
    HlpBuilder b;
    b.add("|SYSTEM", system_file(21, 0));
    for (const auto& [name, content] : files) b.add(name, content);
    write_file(path, b.build());
    return path;
}

TestPicture bitmap(std::vector<uint8_t> hotspots = {}) {
    TestPicture p;
    p.bits_per_pixel = 4;
    p.width = 6;
    p.height = 3;
    p.palette = grey_palette(16);
    p.data = run_length_pack(bitmap_pixels(4, 6, 3));
    p.packing = 1;
    p.hotspots = std::move(hotspots);
    return p;
}

std::vector<uint8_t> one_bitmap(std::vector<uint8_t> hotspots = {}) { return picture_container({bitmap(std::move(hotspots))}); }

// Runs the two sections for help in out_dir; returns the project text.
std::string sections(HelpFile& help, const std::string& out_dir, bool baggage = true) {
    std::string project = out_dir + "/project.hpj";
    {
        auto out = OutStream::open(project, "wb");
        InDirectory in(out_dir);
        write_bitmaps_section(help, *out);
        if (baggage) write_baggage_section(help, *out);
    }
    std::string text = read_text(project);
    std::remove(project.c_str());
    return text;
}

std::vector<std::string> stored_names(const HelpFile& help) {
    std::vector<std::string> names;
    for (const auto& n : help.picture_names.names) names.push_back(n ? *n : "-");
    return names;
}

}  // namespace

TEST(BitmapsBaggage, EveryInternalFileFindsItsPlace) {
    TempDir dir;
    std::vector<uint8_t> bag = bytes_of("upper-case BM is baggage");
    std::vector<uint8_t> readme = bytes_of(std::string_view("text\0with a zero", 16));
    Files files = {{"|TOPIC", bytes_of("ignored")},
                   {"|bm3", one_bitmap()},
                   {"BM3", bag},
                   {"bm3", one_bitmap(hotspot_data({{0x00E3, "h", "Jump_Here", ""}}))},
                   {"bmx", one_bitmap()},
                   {"readme.txt", readme}};
    auto help = open_help_file(write_help(dir / "in.hlp", files), 0);
    ASSERT_TRUE(help);
    ASSERT_EQ(::mkdir((dir / "out").c_str(), 0700), 0);
    EXPECT_EQ(sections(*help, dir / "out"), "\n[Bitmaps]\nbm30.BMP\nbm3.SHG\nbmx0.BMP\n\n[Baggage]\nBM3\nreadme.txt\n");
    // The later of two containers with one number wins; no digits is 0.
    EXPECT_EQ(stored_names(*help), (std::vector<std::string>{"bmx0.BMP", "-", "-", "bm3.SHG"}));
    EXPECT_EQ(read_file(dir / "out/BM3"), bag);
    EXPECT_EQ(read_file(dir / "out/readme.txt"), readme);
    EXPECT_EQ(read_file(dir / "out/bm3.SHG"), files[3].second);
    EXPECT_EQ(bmp_fields(read_file(dir / "out/bm30.BMP")).width, 6);
    EXPECT_EQ(name_for_hash(*help, context_hash("JUMP_HERE")), "Jump_Here");
    std::vector<std::string> written;
    for (const auto& e : std::filesystem::directory_iterator(dir / "out")) written.push_back(e.path().filename());
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, (std::vector<std::string>{"BM3", "bm3.SHG", "bm30.BMP", "bmx0.BMP", "readme.txt"}));

    // No pictures and no baggage: the headers still.
    auto bare = open_help_file(write_help(dir / "bare.hlp", {}), 0);
    EXPECT_EQ(sections(*bare, dir / "out"), "\n[Bitmaps]\n\n[Baggage]\n");
}

TEST(BitmapsBaggage, NamesThatCouldLeaveTheOutputDirectoryAreNeverUsed) {
    TempDir dir;
    ASSERT_EQ(::mkdir((dir / "out").c_str(), 0700), 0);
    std::string absolute = dir / "absolute-evil";
    bool tmp_evil_before = file_exists("/tmp/evil");
    Files files = {{"../evil", bytes_of("x")},
                   {"/tmp/evil", bytes_of("x")},
                   {absolute, bytes_of("x")},
                   {"sub\\evil", bytes_of("x")},
                   {"..", bytes_of("x")},
                   {"ctl\x01name", bytes_of("x")},
                   {"", bytes_of("x")},
                   {"good", bytes_of("kept")},
                   {"bm1/../../pic", one_bitmap()},
                   {"|bm2/../../pic", one_bitmap()},
                   {"bm5", one_bitmap()}};
    auto help = open_help_file(write_help(dir / "in.hlp", files), 0);
    ASSERT_TRUE(help);
    WarningCapture warnings;
    EXPECT_EQ(sections(*help, dir / "out"), "\n[Bitmaps]\nbm50.BMP\n\n[Baggage]\ngood\n");
    EXPECT_EQ(warnings.warnings,
              (std::vector<std::string>{"Can't Create bm1/../../pic", "Can't Create bm2/../../pic"}));
    EXPECT_EQ(dir.list(), (std::vector<std::string>{"in.hlp", "out"}));
    EXPECT_FALSE(file_exists(absolute));
    if (!tmp_evil_before) {
        EXPECT_FALSE(file_exists("/tmp/evil"));
    }
    EXPECT_EQ(stored_names(*help).size(), 6u);
}

TEST(BitmapsBaggage, PictureNumbers) {
    EXPECT_EQ(picture_number("12"), 12);
    EXPECT_EQ(picture_number("12abc"), 12);
    EXPECT_EQ(picture_number(""), 0);
    EXPECT_EQ(picture_number("x1"), 0);
    EXPECT_EQ(picture_number(" +7"), 7);
    EXPECT_EQ(picture_number("-0"), 0);
    EXPECT_EQ(picture_number("65534"), 65534);
    // Negative numbers and 0xFFFF and above can never be referred to.
    EXPECT_EQ(picture_number("-3"), std::nullopt);
    EXPECT_EQ(picture_number("65535"), std::nullopt);
    EXPECT_EQ(picture_number("99999999999999999999999"), std::nullopt);

    TempDir dir;
    auto help = open_help_file(write_help(dir / "in.hlp", {{"bm-3", one_bitmap()}, {"bm70000", one_bitmap()}}), 0);
    EXPECT_EQ(sections(*help, dir.path(), false), "\n[Bitmaps]\nbm-30.BMP\nbm700000.BMP\n");
    EXPECT_TRUE(help->picture_names.names.empty());
    EXPECT_TRUE(file_exists(dir / "bm-30.BMP"));
}

TEST(BitmapsBaggage, PrintModeExtractsIntoTempAndLeavesNothing) {
    TempDir dir;
    std::string temp = dir / "a-temporary-directory-with-a-long-name";
    ASSERT_EQ(::mkdir(temp.c_str(), 0700), 0);
    ASSERT_EQ(::mkdir((dir / "out").c_str(), 0700), 0);
    std::vector<uint8_t> spots = hotspot_data({{0x00E3, "h", "In_Print", ""}});
    Files files = {{"|bm1", picture_container({bitmap(), bitmap(), bitmap()})},
                   {"|bm2", one_bitmap(spots)},
                   {"|bm-4", one_bitmap()},
                   {"bm1", one_bitmap()},
                   {"baggage.dat", bytes_of("not in print mode")}};
    std::string path = write_help(dir / "in.hlp", files);
    int print = CVF_NO_SHG | CVF_EMBED_PICTURES | CVF_FOR_PRINT;
    {
        ScopedEnv env("TEMP", temp);
        auto help = open_help_file(path, print);
        EXPECT_EQ(sections(*help, dir / "out", false),
                  "\n[Bitmaps]\n" + temp + "/bm12.BMP\n" + temp + "/bm20.BMP\n" + temp + "/bm-40.BMP\n" + temp +
                      "/bm10.BMP\n");
        // Only the files that picture numbers name are kept for embedding.
        std::vector<std::string> kept;
        for (const auto& e : std::filesystem::directory_iterator(temp)) kept.push_back(e.path().filename());
        std::sort(kept.begin(), kept.end());
        EXPECT_EQ(kept, (std::vector<std::string>{"bm10.BMP", "bm20.BMP"}));
        EXPECT_EQ(name_for_hash(*help, context_hash("in_print")), "In_Print");
        close_help_file(std::move(help));
        EXPECT_TRUE(std::filesystem::is_empty(temp));
    }
    // Without TEMP the current directory serves, and the driver writes no
    // project file and no baggage in print mode.
    {
        ScopedEnv env("TEMP", std::nullopt);
        InDirectory in(dir / "out");
        convert_help_file(path, print);
        for (const char* name : {"in.HPJ", "NUL", "baggage.dat", "bm10.BMP", "bm11.BMP", "bm12.BMP", "bm20.BMP", "bm-40.BMP"}) {
            EXPECT_FALSE(file_exists(dir / "out" + "/" + name)) << name;
        }
    }
    // In project mode the sections follow the options and the files stay.
    {
        ScopedEnv env("TEMP", temp);
        InDirectory in(dir / "out");
        convert_help_file(path, CVF_TWO_PASS | CVF_PAGE_BREAK);
        std::string hpj = read_text(dir / "out/in.HPJ");
        EXPECT_NE(hpj.find("\r\n[Bitmaps]\r\nbm12.BMP\r\nbm2.SHG\r\nbm-40.BMP\r\nbm10.BMP\r\n\r\n[Baggage]\r\nbaggage.dat\r\n"),
                  std::string::npos)
            << hpj;
        EXPECT_LT(hpj.find("[options]"), hpj.find("[Bitmaps]"));
        EXPECT_TRUE(file_exists(dir / "out/bm10.BMP"));
        EXPECT_TRUE(file_exists(dir / "out/baggage.dat"));
        EXPECT_TRUE(std::filesystem::is_empty(temp));
    }
}

// Real help files: every picture converts to a file ImageMagick reads, and
// where the authors' bitmaps lie beside the help file the pixels match.
TEST(BitmapsBaggage, CorpusPictures) {
    std::string corpus = KORVANE_CORPUS_DIR;
    if (!file_exists(corpus + "/winfile/winfile.hlp")) GTEST_SKIP() << "corpus not present";
    struct Case {
        std::string file;
        size_t pictures;
    };
    for (const Case& c : {Case{"winfile/winfile.hlp", 11}, Case{"3dmm/ACMSETUP.HLP", 1}, Case{"teraterm/ttermp.hlp", 1},
                          Case{"verinfo/verinfo.hlp", 1}, Case{"msgdlg/PJMessageDialog.hlp", 9}}) {
        if (!file_exists(corpus + "/" + c.file)) continue;
        TempDir dir;
        auto help = open_help_file(corpus + "/" + c.file, 0);
        ASSERT_TRUE(help) << c.file;
        std::string text = sections(*help, dir.path(), false);
        std::vector<std::string> listed;
        size_t start = text.find("[Bitmaps]\n") + 10;
        for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1) listed.push_back(text.substr(start, nl - start));
        EXPECT_EQ(listed.size(), c.pictures) << c.file;
        for (const std::string& name : listed) {
            auto info = identify(dir / name);
            if (!info) GTEST_SKIP() << "ImageMagick's identify is not installed";
            EXPECT_FALSE(info->format.empty()) << c.file << " " << name << ": " << info->error;
            EXPECT_GT(info->width, 0);
        }
    }

    auto compare = find_program("compare");
    if (!compare || !file_exists(corpus + "/msgdlg/PJMessageDialog.hlp")) return;
    TempDir dir;
    auto help = open_help_file(corpus + "/msgdlg/PJMessageDialog.hlp", 0);
    sections(*help, dir.path(), false);
    struct Match {
        const char* ours;
        const char* original;
    };
    for (Match m : {Match{"bm00.BMP", "IDIExclamation.bmp"}, Match{"bm40.BMP", "IDIApplication.bmp"},
                    Match{"bm80.BMP", "TPJVCLMsgDlg.bmp"}}) {
        RunResult r = run_program({*compare, "-metric", "AE", dir / m.ours, corpus + "/msgdlg/" + m.original, "null:"}, "");
        EXPECT_EQ(r.exit_code, 0) << m.ours << " " << r.err;
        EXPECT_EQ(r.err, "0") << m.ours;
    }
}

TEST(BitmapsBaggage, CorpusHotspotsAndBaggage) {
    std::string corpus = KORVANE_CORPUS_DIR;
    if (!file_exists(corpus + "/3dmm/3DMM.HLP") || !file_exists(corpus + "/3dmm/MM.HLP")) GTEST_SKIP() << "corpus not present";
    TempDir dir;
    auto help = open_help_file(corpus + "/3dmm/3DMM.HLP", 0);
    EXPECT_EQ(sections(*help, dir.path()), "\n[Bitmaps]\nbm00.BMP\nbm1.SHG\nbm20.BMP\n\n[Baggage]\n");
    const InternalFile& shg = *std::find_if(help->files.begin(), help->files.end(),
                                            [](const InternalFile& f) { return f.name == "|bm1"; });
    std::vector<uint8_t> copy = read_file(dir / "bm1.SHG");
    ASSERT_EQ(copy.size(), shg.size);
    EXPECT_TRUE(std::equal(copy.begin(), copy.end(), help->bytes.begin() + shg.offset));
    EXPECT_EQ(name_for_hash(*help, context_hash("setup2")), "setup2");

    auto mm = open_help_file(corpus + "/3dmm/MM.HLP", 0);
    std::string text = sections(*mm, dir.path());
    EXPECT_NE(text.find("\n[Baggage]\nSOUND1.WAV\n"), std::string::npos) << text;
    std::vector<uint8_t> wav = read_file(dir / "SOUND1.WAV");
    ASSERT_GT(wav.size(), 12u);
    EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
    EXPECT_EQ(ByteReader::le32(&wav[4]) + 8, wav.size());
}
