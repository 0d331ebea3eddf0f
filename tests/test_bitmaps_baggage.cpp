// [Bitmaps] and [Baggage]: which internal files become which output files,
// where they go, and what the project file lists.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "driver/convert.h"
#include "driver/out_stream.h"
#include "helpfile/helpfile.h"
#include "project/bitmaps_baggage.h"
#include "support/hlp_builder.h"
#include "support/index_builder.h"
#include "support/picture_builder.h"
#include "support/rtf_builder.h"
#include "support/rtf_topics.h"
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

// 6 by 3 pixels, 4 bits, run-length packed.
std::vector<uint8_t> one_bitmap(std::vector<uint8_t> hotspots = {}, size_t count = 1) {
    TestPicture p{.packing = 1, .bits_per_pixel = 4, .width = 6, .height = 3, .palette = grey_palette(16),
                  .data = packed(1, bitmap_pixels(4, 6, 3)), .hotspots = std::move(hotspots)};
    return picture_container(std::vector<TestPicture>(count, p));
}

// The sections written with out_dir as the working directory.
std::string sections(HelpFile& help, const std::string& out_dir, bool baggage = true) {
    WorkingDirectory in(out_dir);
    return captured([&](OutStream& out) {
        write_bitmaps_section(help, out);
        if (baggage) write_baggage_section(help, out);
    });
}

// Sets TEMP, or unsets it given nullptr, for a scope.
class TempVariable {
public:
    explicit TempVariable(const char* value) {
        if (const char* old = std::getenv("TEMP")) previous_ = old;
        value ? ::setenv("TEMP", value, 1) : ::unsetenv("TEMP");
    }
    ~TempVariable() { previous_ ? ::setenv("TEMP", previous_->c_str(), 1) : ::unsetenv("TEMP"); }

private:
    std::optional<std::string> previous_;
};

std::vector<std::string> listing(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(BitmapsBaggage, EveryInternalFileFindsItsPlaceInsideTheOutputDirectory) {
    TempDir dir, temp;
    TempVariable env(temp.path().c_str());  // used only when pictures are embedded
    std::string out = dir / "out", absolute = dir / "absolute-evil";
    ASSERT_TRUE(std::filesystem::create_directory(out));
    bool tmp_evil_before = file_exists("/tmp/evil");
    std::vector<uint8_t> bag = bytes_of("upper-case BM is baggage"), readme = bytes_of(std::string_view("text\0zero", 9));
    std::vector<uint8_t> x = {'x'};
    Files files = {{"|TOPIC", x}, {"|bm3", one_bitmap()}, {"BM3", bag}, {"bm3", one_bitmap(hotspot_data({{0x00E3, "h", "J", ""}}))},
                   {"bmx", one_bitmap()}, {"bm-3", one_bitmap()}, {"bm70000", one_bitmap()}, {"readme.txt", readme},
                   // Names that could reach outside the output directory.
                   {"../evil", x}, {"/tmp/evil", x}, {absolute, x}, {"sub\\evil", x}, {"..", x}, {"ctl\x01name", x}, {"", x},
                   {"bm1/../../pic", one_bitmap()}, {"|bm2/../../pic", one_bitmap()}};
    auto help = open_help_file(write_help(dir / "in.hlp", files), 0);
    ASSERT_TRUE(help);
    RecordingPlatform log;
    EXPECT_EQ(sections(*help, out),
              "\n[Bitmaps]\nbm30.BMP\nbm3.SHG\nbmx0.BMP\nbm-30.BMP\nbm700000.BMP\n\n[Baggage]\nBM3\nreadme.txt\n");
    EXPECT_EQ(log.warnings, (std::vector<std::string>{"Can't Create bm1/../../pic", "Can't Create bm2/../../pic"}));
    // |bm3 and bm3 are both picture 3, the later wins; no digits is 0; numbers
    // that topics cannot refer to name no picture, but their files are written.
    std::vector<std::string> numbered;
    for (const auto& n : help->picture_names.names) numbered.push_back(n ? *n : "-");
    EXPECT_EQ(numbered, (std::vector<std::string>{"bmx0.BMP", "-", "-", "bm3.SHG"}));
    EXPECT_EQ(listing(out), (std::vector<std::string>{"BM3", "bm-30.BMP", "bm3.SHG", "bm30.BMP", "bm700000.BMP", "bmx0.BMP",
                                                      "readme.txt"}));
    EXPECT_EQ(read_file(out + "/BM3"), bag);
    EXPECT_EQ(read_file(out + "/readme.txt"), readme);
    EXPECT_EQ(dir.list(), (std::vector<std::string>{"in.hlp", "out"}));
    EXPECT_FALSE(file_exists(absolute));
    EXPECT_TRUE(tmp_evil_before || !file_exists("/tmp/evil"));
    EXPECT_EQ(temp.list(), std::vector<std::string>{});
    // No pictures and no baggage: the headers still.
    auto bare = open_help_file(write_help(temp / "bare.hlp", {}), 0);
    EXPECT_EQ(sections(*bare, out), "\n[Bitmaps]\n\n[Baggage]\n");
}

TEST(BitmapsBaggage, PictureNumbers) {
    const std::pair<const char*, std::optional<int>> cases[] = {
        {"12", 12}, {"12abc", 12}, {"", 0}, {"x1", 0}, {" +7", 7}, {"-0", 0}, {"65534", 65534},
        // Negative numbers and 0xFFFF and above can never be referred to.
        {"-3", std::nullopt}, {"65535", std::nullopt}, {"99999999999999999999999", std::nullopt}};
    for (const auto& [text, number] : cases) EXPECT_EQ(picture_number(text), number) << text;
}

TEST(BitmapsBaggage, PrintModeExtractsIntoTempAndLeavesNothing) {
    TempDir dir, out, temp;
    std::string path = write_help(dir / "in.hlp", {{"|bm1", one_bitmap({}, 3)}, {"|bm2", one_bitmap()}, {"|bm-4", one_bitmap()},
                                                   {"bm1", one_bitmap()}, {"baggage.dat", bytes_of("not in print mode")}});
    int print = CVF_NO_SHG | CVF_EMBED_PICTURES | CVF_FOR_PRINT;
    {
        TempVariable env(temp.path().c_str());
        auto help = open_help_file(path, print);
        EXPECT_EQ(sections(*help, out.path(), false), "\n[Bitmaps]\n" + temp / "bm12.BMP\n" + temp / "bm20.BMP\n" +
                                                          temp / "bm-40.BMP\n" + temp / "bm10.BMP\n");
        // Only the files that picture numbers name are kept for embedding,
        // until the help file is closed.
        EXPECT_EQ(temp.list(), (std::vector<std::string>{"bm10.BMP", "bm20.BMP"}));
        close_help_file(std::move(help));
        EXPECT_EQ(temp.list(), std::vector<std::string>{});
    }
    // Without TEMP the working directory serves; the driver writes no project
    // file and no baggage in print mode.
    TempVariable env(nullptr);
    WorkingDirectory in(out.path());
    EXPECT_FALSE(convert_help_file(path, print));
    EXPECT_EQ(out.list(), std::vector<std::string>{});
}

// Real help files: a container with hotspots and baggage are kept byte for
// byte; every picture converts to a file ImageMagick reads, and where the
// authors' bitmaps lie beside the help file the pixels match.
TEST(BitmapsBaggage, Corpus) {
    std::string corpus = KORVANE_CORPUS_DIR;
    ASSERT_TRUE(file_exists(corpus + "/3dmm/3DMM.HLP") && file_exists(corpus + "/3dmm/MM.HLP")) << "the corpus is missing";
    TempDir dir;
    auto dmm = open_help_file(corpus + "/3dmm/3DMM.HLP", 0);
    EXPECT_EQ(sections(*dmm, dir.path()), "\n[Bitmaps]\nbm00.BMP\nbm1.SHG\nbm20.BMP\n\n[Baggage]\n");
    auto shg = std::find_if(dmm->files.begin(), dmm->files.end(), [](const InternalFile& f) { return f.name == "|bm1"; });
    ASSERT_NE(shg, dmm->files.end());
    auto at = dmm->bytes.begin() + shg->offset;
    EXPECT_EQ(read_file(dir / "bm1.SHG"), std::vector<uint8_t>(at, at + shg->size));
    EXPECT_EQ(name_for_hash(*dmm, context_hash("setup2")), "setup2");
    auto mm = open_help_file(corpus + "/3dmm/MM.HLP", 0);
    EXPECT_NE(sections(*mm, dir.path()).find("\n[Baggage]\nSOUND1.WAV\n"), std::string::npos);
    std::vector<uint8_t> wav = read_file(dir / "SOUND1.WAV");
    ASSERT_GT(wav.size(), 12u);
    EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
    EXPECT_EQ(ByteReader::le32(&wav[4]) + 8, wav.size());

    const std::pair<std::string, size_t> cases[] = {{"winfile/winfile.hlp", 11}, {"3dmm/ACMSETUP.HLP", 1},
                                                    {"teraterm/ttermp.hlp", 1}, {"verinfo/verinfo.hlp", 1},
                                                    {"msgdlg/PJMessageDialog.hlp", 9}};
    for (const auto& [file, count] : cases) {
        if (!file_exists(corpus + "/" + file)) continue;
        TempDir pictures;
        auto help = open_help_file(corpus + "/" + file, 0);
        ASSERT_TRUE(help) << file;
        sections(*help, pictures.path(), false);
        EXPECT_EQ(pictures.list().size(), count) << file;
        for (const std::string& name : pictures.list()) {
            auto info = identify(pictures / name);
            ASSERT_TRUE(info) << "ImageMagick's identify is not installed (tools/install-deps.sh test installs it)";
            EXPECT_FALSE(info->format.empty()) << file << " " << name << ": " << info->error;
            EXPECT_GT(info->width, 0) << file << " " << name;
        }
        if (file != "msgdlg/PJMessageDialog.hlp") continue;
        for (auto [ours, original] : {std::pair{"bm00.BMP", "IDIExclamation.bmp"}, std::pair{"bm40.BMP", "IDIApplication.bmp"},
                                      std::pair{"bm80.BMP", "TPJVCLMsgDlg.bmp"}}) {
            RunResult r = run_program({"/usr/bin/env", "compare", "-metric", "AE", pictures / ours, corpus + "/msgdlg/" + original,
                                       "null:"}, "");
            ASSERT_NE(r.exit_code, 127) << "ImageMagick's compare is not installed (tools/install-deps.sh test installs it)";
            EXPECT_EQ(r.exit_code, 0) << ours << " " << r.err;
            EXPECT_EQ(r.err, "0") << ours;
        }
    }
}
