// Font table, colour table and font style strings.
#include <gtest/gtest.h>

#include <memory>

#include "driver/out_stream.h"
#include "helpfile/helpfile.h"
#include "rtf/fonts.h"
#include "support/rtf_builder.h"

using namespace korvane;
using namespace korvane::test;

namespace {

// A help file image whose |FONT content is font, between bytes that must
// never be taken for font data.
std::unique_ptr<HelpFile> help_with_font(const std::vector<uint8_t>& font) {
    auto help = std::make_unique<HelpFile>();
    help->bytes.assign(16, 0xEE);
    help->bytes.insert(help->bytes.end(), font.begin(), font.end());
    help->bytes.insert(help->bytes.end(), 64, 0xEE);
    help->font_file = {16, static_cast<uint32_t>(font.size())};
    help->input = ByteReader(help->bytes.data(), help->bytes.size());
    return help;
}

std::string tables_of(HelpFile& help) {
    return captured([&](OutStream& out) { write_font_table(help, &out); });
}

std::vector<uint8_t> long_descriptor(uint8_t red, uint8_t green, uint8_t blue, int32_t height, int32_t weight,
                                     int32_t italic, uint8_t family) {
    Bytes d;
    d.fill(6).u8(red).u8(green).u8(blue).fill(3).i32(height).fill(12).i32(weight).i32(italic).fill(3).u8(family);
    return d.fill(2).b;
}

}  // namespace

TEST(RtfFonts, TwoFontsWorkedExample) {
    auto help = help_with_font(font_file({"Arial", "Courier"}, {{0, 20, 3, 0, 0, 0, 0}, {0, 24, 1, 1, 0, 0, 255}}));
    EXPECT_EQ(tables_of(*help),
              "{\\fonttbl{\\f0\\fswiss Arial\\f1\\fmodern Courier}}\n"
              "{\\colortbl\n"
              "\\red0\\green0\\blue0;\n"
              "\\red0\\green0\\blue255;\n"
              "}\n");
    EXPECT_EQ(help->font_styles.styles,
              (std::vector<std::string>{"\\f0\\cf0\\fs20\\b0\\i0\\ul0", "\\f1\\cf1\\fs24\\b0\\i0\\ul0"}));
    EXPECT_FALSE(help->long_font_records);
    // Every file gets the same tables, and the styles are never rebuilt.
    auto other = help_with_font(font_file({"Arial"}, {{0x01, 30, 3, 0, 0, 0, 0}}));
    other->font_styles = help->font_styles;
    EXPECT_EQ(tables_of(*other), tables_of(*other));
    EXPECT_EQ(other->font_styles.styles, help->font_styles.styles);
}

TEST(RtfFonts, ShortDescriptorDetails) {
    auto help = help_with_font(font_file({"Times New Roman,Bold", "Sym", "Face"},
                                         {{0, 10, 2, 0, 255, 255, 255},  // white becomes black
                                          {0, 12, 7, 1, 1, 2, 3},        // family 7: " "
                                          {0, 14, 4, 0x0302, 0, 0, 0},   // only the low byte: face 2
                                          {0x05, 20, 5, 9, 0, 0, 0}}));  // face number out of range
    EXPECT_EQ(tables_of(*help),
              "{\\fonttbl{\\f0\\froman Times New Roman\\f1\\f  Sym\\f2\\fscript Face\\f3\\fdecor }}\n"
              "{\\colortbl\n\\red0\\green0\\blue0;\n\\red1\\green2\\blue3;\n\\red0\\green0\\blue0;\n"
              "\\red0\\green0\\blue0;\n}\n");
    ASSERT_EQ(help->font_styles.styles.size(), 4u);
    EXPECT_EQ(help->font_styles.styles[3], "\\f3\\cf3\\fs20\\b\\i0\\ul");
}

TEST(RtfFonts, LongDescriptors) {
    Bytes f;
    f.u16(1).u16(3).u16(8).u16(8 + 32).raw("MS Sans Serif,Regular").fill(32 - 21);
    f.raw(long_descriptor(10, 20, 30, -13, 700, 0, 0x20));
    f.raw(long_descriptor(0, 0, 0, 12, 400, 0x01000000, 0x12));  // italic from the top byte alone
    f.raw(long_descriptor(0, 0, 0, -200, 501, 0, 0x50));  // low byte 0x38: -2 * 56 kept to 8 bits
    auto help = help_with_font(f.b);
    EXPECT_EQ(tables_of(*help),
              "{\\fonttbl{\\f0\\fswiss MS Sans Serif\\f1\\fmodern MS Sans Serif\\f2\\fdecor MS Sans Serif}}\n"
              "{\\colortbl\n\\red10\\green20\\blue30;\n\\red0\\green0\\blue0;\n\\red0\\green0\\blue0;\n}\n");
    EXPECT_TRUE(help->long_font_records);
    EXPECT_EQ(help->font_styles.styles,
              (std::vector<std::string>{"\\f0\\cf0\\fs26\\b\\i0\\ul0", "\\f1\\cf1\\fs232\\b0\\i\\ul0",
                                        "\\f2\\cf2\\fs144\\b\\i0\\ul0"}));
}

TEST(RtfFonts, MissingEmptyOrCutFontDataStaysInBounds) {
    const std::string empty = "{\\fonttbl{}}\n{\\colortbl\n}\n";
    // Without |FONT: the bytes at offset 0 look like font data but are not read.
    HelpFile absent;
    absent.bytes = font_file({"Arial"}, {{0, 20, 3, 0, 0, 0, 0}});
    absent.input = ByteReader(absent.bytes.data(), absent.bytes.size());
    EXPECT_EQ(tables_of(absent), empty);
    EXPECT_TRUE(absent.font_styles.built && absent.font_styles.styles.empty());
    // No face names, no descriptors, a header cut short.
    for (const Bytes& font : {Bytes().u16(0).u16(1).u16(8).u16(8).fill(11),
                              Bytes().u16(1).u16(0).u16(8).u16(28).fill(20), Bytes().u16(1).u16(1)}) {
        EXPECT_EQ(tables_of(*help_with_font(font.b)), empty);
    }

    // A descriptor count larger than the data: only descriptors that begin
    // inside |FONT are fonts; the last one's missing bytes read as zero.
    Bytes big;
    big.u16(1).u16(60000).u16(8).u16(28).raw("Arial").fill(15).u8(0).u8(20).u8(3).fill(8).u8(0x02).u8(16);
    auto many = help_with_font(big.b);
    std::string t = tables_of(*many);
    EXPECT_TRUE(balanced_rtf(t));
    EXPECT_NE(t.find("\\f1\\f  Arial}}"), std::string::npos);
    EXPECT_EQ(many->font_styles.styles,
              (std::vector<std::string>{"\\f0\\cf0\\fs20\\b0\\i0\\ul0", "\\f1\\cf1\\fs16\\b0\\i\\ul0"}));
}
