// SPDX-License-Identifier: MIT
// Pictures checked by ImageMagick: every picture written for the corpus and
// the seeds decodes, msgdlg's match its author's bitmaps pixel for pixel,
// and the PNG of every picture for web pages matches the picture that the
// file route writes (.BMP, or the .WMF drawn the same way). Damaged
// containers give a picture or a reason instead of a crash; the opacity of
// 32-bit pixels; print mode leaves nothing in TEMP.
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
    EXPECT_EQ(image.columns(), reference.columns()) << file;
    EXPECT_EQ(image.rows(), reference.rows()) << file;
    if (image.columns() != reference.columns() || image.rows() != reference.rows()) return -1;
    return image.compare(reference, Magick::AbsoluteErrorMetric);
}

// Compressed numbers as pictures store them: long form (u16 or u32) and
// short form (byte or u16), the value shifted left by one.
void put_long(std::vector<uint8_t>& out, uint32_t v) {
    if (v < 0x8000) {
        out.push_back(static_cast<uint8_t>(v << 1));
        out.push_back(static_cast<uint8_t>(v >> 7));
    } else {
        uint32_t w = v << 1 | 1;
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(w >> (8 * i)));
    }
}

// A stored bitmap with two palette entries, black and white.
std::vector<uint8_t> bitmap_member(uint32_t width, uint32_t height, uint16_t bits, const std::vector<uint8_t>& pixels,
                                   const std::vector<uint8_t>& hotspots) {
    std::vector<uint8_t> m = {6, 0};
    put_long(m, 96);
    put_long(m, 96);
    m.push_back(2);  // planes 1
    m.push_back(static_cast<uint8_t>(bits << 1));
    put_long(m, width);
    put_long(m, height);
    put_long(m, 2);
    put_long(m, 0);
    put_long(m, static_cast<uint32_t>(pixels.size()));
    put_long(m, static_cast<uint32_t>(hotspots.size()));
    m.insert(m.end(), 8, 0);
    for (uint8_t b : {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0}) m.push_back(b);
    m.insert(m.end(), pixels.begin(), pixels.end());
    m.insert(m.end(), hotspots.begin(), hotspots.end());
    return m;
}

// A picture container of the members.
std::vector<uint8_t> container(const std::vector<std::vector<uint8_t>>& members) {
    std::vector<uint8_t> c = {'l', 'p', static_cast<uint8_t>(members.size()), 0};
    uint32_t at = static_cast<uint32_t>(4 + 4 * members.size());
    for (const auto& m : members) {
        for (int i = 0; i < 4; ++i) c.push_back(static_cast<uint8_t>(at >> (8 * i)));
        at += static_cast<uint32_t>(m.size());
    }
    for (const auto& m : members) c.insert(c.end(), m.begin(), m.end());
    return c;
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
            EXPECT_EQ(web.picture->extension, "png");
            // Every container here holds one bitmap or a bitmap and a
            // metafile: the bitmap is the one taken.
            bool bitmap = file_exists(dir / (base + "0.BMP"));
            Magick::Image png = decode(*web.picture);
            EXPECT_EQ(differing_pixels(png, dir / (base + (bitmap ? "0.BMP" : "0.WMF")), !bitmap), 0) << row.name;
            EXPECT_EQ(png.columns(), static_cast<size_t>(web.picture->width));
            EXPECT_EQ(png.rows(), static_cast<size_t>(web.picture->height));
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

TEST(Pictures, PrintModeExtractsIntoTempAndLeavesNothing) {
    TempDir dir, temp;
    RunResult r = run_program({KORVANE_CLI_BIN, "--print", "-C", dir.path(), kSource + "/fuzz/seeds/named-pictures.hlp"},
                              dir.path(), {"TEMP=" + temp.path()});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(names_in(temp.path()), std::vector<std::string>{});
    EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"named-1.RTF"});
    EXPECT_NE(read_text(dir / "named-1.RTF").find("\\pict"), std::string::npos);  // the pictures were there to embed
}

TEST(WebPictures, DamagedContainersGiveAReason) {
    // A 2 x 2 one-bit bitmap (rows of 4 bytes) with one hotspot.
    const std::vector<uint8_t> pixels = {0x00, 0, 0, 0, 0xC0, 0, 0, 0};
    const std::vector<uint8_t> hotspots = {1, 1, 0, 0, 0, 0, 0, 0xE3, 0, 0, 1, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0,
                                           'a', 0, 'b', 0};
    auto bitmap = [&](uint32_t width, uint32_t height, uint16_t bits, const std::vector<uint8_t>& spots) {
        return container({bitmap_member(width, height, bits, pixels, spots)});
    };
    std::vector<uint8_t> good = bitmap(2, 2, 1, hotspots);
    WebPictureResult web = web_picture_of_container(ByteReader(good.data(), good.size()));
    ASSERT_TRUE(web.picture) << web.problem;
    ASSERT_EQ(web.picture->hotspots.size(), 1u);

    // Too wide, too many pixels, 3 bits per pixel, the offset table cut,
    // no container at all.
    const std::vector<uint8_t> damaged[] = {
        bitmap(0x7FFFFFFF, 2, 1, {}), bitmap(30000, 30000, 1, {}), bitmap(2, 2, 3, {}),
        {'l', 'p', 0xFF, 0xFF, 8, 0, 0, 0}, {'x', 'y', 1, 0, 8, 0, 0, 0},
    };
    for (const std::vector<uint8_t>& bytes : damaged) {
        web = web_picture_of_container(ByteReader(bytes.data(), bytes.size()));
        EXPECT_FALSE(web.picture) << &bytes - damaged;
        EXPECT_FALSE(web.problem.empty()) << &bytes - damaged;
    }
    // Every cut of it and of verinfo's run-length metafile, and each with
    // any byte inverted: a picture (missing pixels are black) or a reason,
    // hotspots only when all their bytes are there. Damaged records never
    // reach the metafile reader.
    Reporter help_report;
    HelpFile help = open_input_file(kSource + "/tests/corpus/verinfo/verinfo.hlp", help_report);
    const InternalFile& row = *std::find_if(help.files.begin(), help.files.end(),
                                            [](const InternalFile& f) { return f.name == "|bm0"; });
    const uint8_t* metafile = help.input.data() + row.offset;
    int damaged_records = 0;
    for (const std::vector<uint8_t>& bytes : {good, std::vector<uint8_t>(metafile, metafile + row.size)}) {
        for (size_t i = 0; i < bytes.size(); ++i) {
            web = web_picture_of_container(ByteReader(bytes.data(), i));
            EXPECT_TRUE(web.picture || !web.problem.empty()) << i;
            EXPECT_FALSE(web.picture && i < good.size() - hotspots.size() && !web.picture->hotspots.empty()) << i;
            damaged_records += web.problem == "damaged metafile records";
            std::vector<uint8_t> changed = bytes;
            changed[i] ^= 0xFF;
            web = web_picture_of_container(ByteReader(changed.data(), changed.size()));
            EXPECT_TRUE(web.picture || !web.problem.empty()) << i;
        }
    }
    EXPECT_GT(damaged_records, 0);

    // 65,535 hotspots announced in 26 bytes: none.
    std::vector<uint8_t> many = hotspots;
    many[1] = many[2] = 0xFF;
    std::vector<uint8_t> with_many = bitmap(2, 2, 1, many);
    web = web_picture_of_container(ByteReader(with_many.data(), with_many.size()));
    ASSERT_TRUE(web.picture);
    EXPECT_TRUE(web.picture->hotspots.empty());
}

// The fourth byte of 32-bit pixels: all zeros is an opaque picture, any
// other value the pixel's opacity.
TEST(WebPictures, OpacityOf32BitPixels) {
    for (uint8_t fourth : {0x00, 0x80}) {
        std::vector<uint8_t> c = container({bitmap_member(2, 1, 32, {0x10, 0x20, 0x30, 0, 0x40, 0x50, 0x60, fourth}, {})});
        WebPictureResult web = web_picture_of_container(ByteReader(c.data(), c.size()));
        ASSERT_TRUE(web.picture) << web.problem;
        Magick::Image png = decode(*web.picture);
        const Magick::PixelPacket* p = png.getConstPixels(0, 0, 2, 1);  // pixelColor() is unreliable here
        ASSERT_TRUE(p);
        EXPECT_EQ(std::vector<int>({p[0].red >> 8, p[0].green >> 8, p[0].blue >> 8, p[1].red >> 8}),
                  std::vector<int>({0x30, 0x20, 0x10, 0x60}));
        EXPECT_EQ(transparent_pixels(png), fourth == 0 ? 0u : 1u) << int{fourth};
    }
}
