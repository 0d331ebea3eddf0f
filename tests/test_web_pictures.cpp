// SPDX-License-Identifier: MIT
// Pictures checked by ImageMagick: every picture written for the corpus and
// the seeds decodes, msgdlg's match its author's bitmaps pixel for pixel,
// and the PNG of every picture for web pages matches the picture that the
// file route writes (.BMP, or the .WMF drawn the same way). Damaged
// containers give a picture or a reason instead of a crash.
#include <gtest/gtest.h>

#include <Magick++.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "driver/convert.h"
#include "pictures/web_picture.h"
#include "support/test_util.h"

using namespace korvane;
using namespace korvane::test;

namespace {

const std::string kSource = KORVANE_SOURCE_DIR;

Magick::Image decode(const WebPicture& picture) {
    Magick::Image image;
    image.read(Magick::Blob(picture.bytes.data(), picture.bytes.size()));
    return image;
}

// Pixels wholly transparent (ImageMagick 6 keeps opacity: 0 is opaque).
size_t transparent_pixels(const Magick::Image& image) {
    const Magick::Quantum kTransparent = static_cast<Magick::Quantum>(~Magick::Quantum{0});  // non-HDRI build
    const Magick::PixelPacket* p = image.getConstPixels(0, 0, image.columns(), image.rows());
    size_t n = 0;
    for (size_t i = 0; p && i < image.columns() * image.rows(); ++i) n += p[i].opacity == kTransparent;
    return n;
}

// The number of pixels that differ between image and the picture file
// (drawn: a metafile, drawn at 96 dpi on a transparent background).
double differing_pixels(Magick::Image image, const std::string& file, bool drawn = false) {
    Magick::Image reference;
    if (drawn) {
        reference.backgroundColor(Magick::Color("none"));
        reference.density(Magick::Geometry(96, 96));
    }
    reference.read(file);
    EXPECT_EQ(image.size(), reference.size()) << file;  // compare() takes only the common part
    return image.compare(reference, Magick::AbsoluteErrorMetric);
}

}  // namespace

TEST(Pictures, WrittenPicturesDecodeAndWebPngsMatchThem) {
    const std::pair<const char*, std::vector<std::pair<const char*, const char*>>> cases[] = {
        {"tests/corpus/msgdlg/PJMessageDialog.hlp",
         {{"bm00.BMP", "IDIExclamation.bmp"}, {"bm40.BMP", "IDIApplication.bmp"}, {"bm80.BMP", "TPJVCLMsgDlg.bmp"}}},
        {"tests/corpus/3dmm/3DMM.HLP", {}}, {"tests/corpus/3dmm/ACMSETUP.HLP", {}},
        {"tests/corpus/winfile/winfile.hlp", {}}, {"tests/corpus/teraterm/ttermp.hlp", {}},
        {"tests/corpus/verinfo/verinfo.hlp", {}},
        {"fuzz/seeds/pictures-packing1.hlp", {}}, {"fuzz/seeds/pictures-packing3.hlp", {}},
    };
    int bitmaps = 0, metafiles = 0;
    for (const auto& [file, originals] : cases) {
        SCOPED_TRACE(file);
        TempDir dir;
        RunResult r = run_program({KORVANE_CLI_BIN, "-q", "--no-shg", "-C", dir.path(), kSource + "/" + file}, dir.path());
        ASSERT_EQ(r.exit_code, 0) << r.err;
        int written = 0;
        for (const std::string& name : names_in(dir.path())) {
            std::string ext = std::filesystem::path(name).extension();
            if (ext != ".BMP" && ext != ".WMF") continue;
            ++written;
            Magick::Image image(dir / name);  // throws when it cannot be decoded
            EXPECT_EQ(image.magick().rfind(ext.substr(1), 0), 0u) << name << " " << image.magick();
            // The seeds' bitmaps are 12 x 5 pixels.
            if (ext == ".BMP" && std::string(file).starts_with("fuzz/")) {
                EXPECT_EQ(std::pair(image.columns(), image.rows()), (std::pair<size_t, size_t>(12, 5))) << name;
            }
        }
        EXPECT_GT(written, 0);
        for (const auto& [ours, original] : originals) {
            EXPECT_EQ(differing_pixels(Magick::Image(dir / ours), kSource + "/tests/corpus/msgdlg/" + original), 0) << ours;
        }

        Reporter help_report;
        HelpFile help = open_input_file(kSource + "/" + file, help_report);
        for (const InternalFile& row : help.files) {
            std::string base = row.name.substr(row.name[0] == '|' ? 1 : 0);
            if (base.rfind("bm", 0) != 0) continue;
            WebPictureResult web = web_picture(help, row.name);
            ASSERT_TRUE(web.picture) << row.name << ": " << web.problem;
            // Every container here holds one bitmap or a bitmap and a
            // metafile: the bitmap is the one taken.
            bool bitmap = file_exists(dir / (base + "0.BMP"));
            Magick::Image png = decode(*web.picture);
            EXPECT_EQ(differing_pixels(png, dir / (base + (bitmap ? "0.BMP" : "0.WMF")), !bitmap), 0) << row.name;
            EXPECT_EQ(png.size(), Magick::Geometry(web.picture->width, web.picture->height));
            if (bitmap) {
                ++bitmaps;
                EXPECT_EQ(transparent_pixels(png), 0u) << row.name << ": bitmaps have no transparent parts";
            } else {
                ++metafiles;
                // A metafile's background stays transparent.
                EXPECT_GT(transparent_pixels(png), 0u) << row.name;
                EXPECT_LT(transparent_pixels(png), png.columns() * png.rows()) << row.name;
            }
        }
    }
    EXPECT_GE(bitmaps, 20);
    EXPECT_EQ(metafiles, 1);
}

// Every cut of a picture container, and each with any byte inverted: a
// picture (missing pixels are black) or a reason, never a crash; a cut
// picture keeps only the hotspots it holds whole. Of named-pictures.hlp's
// bitmap with two hotspots and verinfo's run-length metafile, whose damaged
// records never reach the metafile reader.
TEST(WebPictures, DamagedContainersGiveAReason) {
    int damaged_records = 0;
    for (const auto& [file, name] : {std::pair{"fuzz/seeds/named-pictures.hlp", "bm1"},
                                     std::pair{"tests/corpus/verinfo/verinfo.hlp", "|bm0"}}) {
        Reporter report;
        HelpFile help = open_input_file(kSource + "/" + file, report);
        auto row = std::find_if(help.files.begin(), help.files.end(), [&](const InternalFile& f) { return f.name == name; });
        ASSERT_NE(row, help.files.end()) << file;
        const uint8_t* start = help.input.data() + row->offset;
        const std::vector<uint8_t> bytes(start, start + row->size);
        const WebPictureResult whole = web_picture_of_container(ByteReader(bytes.data(), bytes.size()));
        ASSERT_TRUE(whole.picture) << whole.problem;
        for (size_t i = 0; i < bytes.size(); ++i) {
            WebPictureResult web = web_picture_of_container(ByteReader(bytes.data(), i));
            EXPECT_TRUE(web.picture || !web.problem.empty()) << file << " cut at " << i;
            for (size_t h = 0; web.picture && h < web.picture->hotspots.size(); ++h) {
                ASSERT_LT(h, whole.picture->hotspots.size()) << i;
                EXPECT_EQ(web.picture->hotspots[h].target, whole.picture->hotspots[h].target) << i;
            }
            damaged_records += web.problem == "damaged metafile records";
            std::vector<uint8_t> changed = bytes;
            changed[i] ^= 0xFF;
            web = web_picture_of_container(ByteReader(changed.data(), changed.size()));
            EXPECT_TRUE(web.picture || !web.problem.empty()) << file << " byte " << i;
        }
    }
    EXPECT_GT(damaged_records, 0);
}
