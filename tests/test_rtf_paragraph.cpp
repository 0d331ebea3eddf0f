// The paragraph writer: compressed values, paragraph properties, commands,
// escaping and the line-feed counter.
#include <gtest/gtest.h>

#include "driver/out_stream.h"
#include "helpfile/byte_reader.h"
#include "helpfile/helpfile.h"
#include "rtf/paragraph.h"
#include "support/rtf_builder.h"

using namespace korvane;
using namespace korvane::test;

namespace {

struct Result {
    std::string out;           // without the writers' line feeds
    size_t format_left = 0;    // format bytes after the paragraph
    size_t text_left = 0;
    uint32_t pending = 0;
};

Result paragraph(HelpFile& help, const std::vector<uint8_t>& format, const std::vector<uint8_t>& text,
              bool keep_with_next = false, const TableCell* cell = nullptr) {
    Result r;
    r.out = flat(captured([&](OutStream& out) {
        ByteReader f(format.data(), format.size());
        ByteReader t(text.data(), text.size());
        write_paragraph(help, out, t, f, keep_with_next, cell, r.pending);
        r.format_left = f.remaining();
        r.text_left = t.remaining();
    }));
    return r;
}

int decode_signed(std::vector<uint8_t> b) {
    ByteReader r(b.data(), b.size());
    return read_compressed_signed(r);
}
int decode_unsigned(std::vector<uint8_t> b) {
    ByteReader r(b.data(), b.size());
    return read_compressed_unsigned(r);
}

}  // namespace

TEST(RtfParagraph, CompressedValues) {
    EXPECT_EQ(decode_signed({0x80}), 0);
    EXPECT_EQ(decode_signed({0x00}), -64);
    EXPECT_EQ(decode_signed({0xFE}), 63);
    EXPECT_EQ(decode_signed({0x01, 0x80}), 0);     // (0x8001 - 0x8000) / 2, truncated
    EXPECT_EQ(decode_signed({0xC9, 0x80}), 100);   // 0x80C9 - 0x8000 = 201
    EXPECT_EQ(decode_signed({0x37, 0x7F}), -100);  // -201 / 2 truncates toward zero
    EXPECT_EQ(decode_unsigned({0x90}), 72);
    EXPECT_EQ(decode_unsigned({0x91, 0x80}), -16311);
    EXPECT_EQ(decode_unsigned({0xFF, 0x7F}), 16383);
    for (int v : {0, 1, 63, 127, 128, 5000, 16383}) EXPECT_EQ(decode_unsigned(compressed_unsigned(v)), v) << v;
    for (int v : {-16000, -65, -64, 0, 63, 64, 16000}) EXPECT_EQ(decode_signed(compressed_signed(v)), v) << v;

    // A two-byte value cut after its first byte reads nothing beyond.
    uint8_t cut[] = {0x91};
    ByteReader r(cut, 1);
    read_compressed_unsigned(r);
    EXPECT_TRUE(r.overrun());
    EXPECT_EQ(r.remaining(), 0u);
}

TEST(RtfParagraph, PropertiesInTheirOrderAndScale) {
    HelpFile help;
    EXPECT_EQ(paragraph(help, Format().info(0).u8(0xFF), text_strings({"Hello", ""})).out, "\\pard\\ql Hello");

    TableCell cell{0, 1};
    EXPECT_EQ(paragraph(help, Format().info(0).u8(0xFF), text_strings({"x"}), true, &cell).out,
              "\\pard\\keepn\\intbl\\ql x");

    // Every field, given in the stored order; 0x0001's two values are dropped.
    Format f;
    f.info(0x1000 | 0x0800 | 0x0400 | 0x0001 | 0x0002 | 0x0004 | 0x0008 | 0x0010 | 0x0020 | 0x0040 | 0x0100 | 0x0200)
        .cs(7).cs(-9)
        .cs(1).cs(2).cs(-3).cs(8).cs(100).cs(-50)
        .u8(0x21).u16(0)
        .u8(2 * 2).cu(72).u16(0x8091).u8(0x02)
        .u8(0xFF);
    EXPECT_EQ(paragraph(help, f, text_strings({""})).out,
              "\\pard\\keep\\qc\\sb10\\sa20\\sl-30\\li80\\ri1000\\fi-500\\box\\brdrth\\tx720\\tqr\\tx164570 ");

    // A right-aligned paragraph; a left indent byte 0x90 with long font records.
    help.long_font_records = true;
    EXPECT_EQ(paragraph(help, Format().info(0x0400 | 0x0010).u8(0x90).u8(0xFF), {}).out, "\\pard\\qr\\li8 ");
    help.long_font_records = false;
    EXPECT_EQ(paragraph(help, Format().info(0x0010).u8(0x90).u8(0xFF), {}).out, "\\pard\\ql\\li80 ");
}

TEST(RtfParagraph, BordersAndTabStops) {
    HelpFile help;
    auto borders = [&](uint8_t flags) {
        return paragraph(help, Format().info(0x0100).u8(flags).u16(15).u8(0xFF), {}).out;
    };
    EXPECT_EQ(borders(0x21), "\\pard\\ql\\box\\brdrth ");
    EXPECT_EQ(borders(0xDE), "\\pard\\ql\\brdrl\\brdrr\\brdrb\\brdrbar\\brdrt\\brdrs ");
    EXPECT_EQ(borders(0x00), "\\pard\\ql\\brdrs ");

    // The count byte keeps bits 1..6: 0x81 means none, 0x07 three stops.
    EXPECT_EQ(paragraph(help, Format().info(0x0200).u8(0x81).u8(0xFF), {}).out, "\\pard\\ql ");
    Format tabs;
    tabs.info(0x0200).u8(0x07).cu(10).u16(0x8091).u8(0x00).cu(0x4000 - 1).u8(0xFF);
    Result r = paragraph(help, tabs, text_strings({"t"}));
    EXPECT_EQ(r.out, "\\pard\\ql\\tx100\\tqc\\tx164570\\tx163830 t");
    EXPECT_EQ(r.format_left, 0u);
}

TEST(RtfParagraph, EscapingAndTheLineFeedCounter) {
    HelpFile help;
    std::string text = "a{b}\\c";
    text += '\xE4';
    text += '\x0D';
    text += '\x80';
    text += '\x81';
    text += '\t';
    text += '\x7F';
    EXPECT_EQ(paragraph(help, Format().info(0).u8(0xFF), text_strings({text})).out,
              "\\pard\\ql a\\{b\\}\\\\c\\'e4(0x0d)\x80\\'81\\tab \x7F");

    // A line feed follows a character whenever the process-wide count before
    // it is a multiple of 64; the null device counts too.
    auto null = OutStream::null_device();
    write_rtf_text(*null, std::string(10, 'n'));
    uint64_t start = rtf_chars_written();
    std::string raw = captured([&](OutStream& out) { write_rtf_text(out, std::string(200, 'x')); });
    std::string expected;
    for (uint64_t i = 0; i < 200; ++i) {
        expected += 'x';
        if ((start + i) % 64 == 0) expected += '\n';
    }
    EXPECT_EQ(raw, expected);
    EXPECT_EQ(rtf_chars_written(), start + 200);
    // An escape stays whole before its line feed.
    uint64_t to_boundary = (64 - rtf_chars_written() % 64) % 64;
    raw = captured([&](OutStream& out) {
        write_rtf_text(out, std::string(to_boundary, 'y'));
        write_rtf_char('{', out);
        write_rtf_char('}', out);
    });
    EXPECT_EQ(raw.substr(raw.size() - 5), "\\{\n\\}");
}

TEST(RtfParagraph, CommandsAndText) {
    HelpFile help;
    WarningLog log;
    help.progress_window = true;
    help.font_styles.built = true;
    help.font_styles.styles = {"\\f0\\cf0\\fs20\\b0\\i0\\ul0", "\\f1\\cf1\\fs24\\b\\i0\\ul"};

    Format f;
    f.info(0).u8(0).u8(0)  // padding before the first command
        .u8(0x81).u8(0x83).u8(0x82)
        .u8(0x80).u16(1)
        .u8(0x80).u16(2)      // no such font: warning 13
        .u8(0x42)             // unknown: ignored, no operand
        .u8(0x00).u8(0xFF)    // a 0xFF after padding is an ignored command
        .u8(0xFF)
        .u8(0x99);            // beyond the paragraph
    Result r = paragraph(help, f, text_strings({"a", "b", "c", "D", "e", "f", "g", "h", "next"}));
    EXPECT_EQ(r.out, "\\pard\\ql a\\lineb\\tab c\\parD\\f1\\cf1\\fs24\\b\\i0\\ul efgh");
    EXPECT_EQ(r.format_left, 1u);  // just after the 0xFF
    EXPECT_EQ(r.text_left, 5u);    // "next" and its NUL
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0], "Illegal Font Selection");
}

TEST(RtfParagraph, PicturesAndEmbeddedWindows) {
    HelpFile help;
    WarningLog log;
    help.progress_window = true;
    help.picture_names.names = {std::string("bm0.bmp"), std::nullopt, std::string("bm2.wmf")};

    auto picture = [](uint8_t code, uint8_t kind, uint8_t hotspots2, uint16_t number) {
        Bytes b;
        b.u8(code).u8(kind).u8(0).u8(0).u8(hotspots2).u8(0).u8(0).u16(number);
        return b.b;
    };
    Format f;
    f.info(0)
        .bytes(picture(0x86, 0x22, 7, 0))       // 3 hotspots
        .bytes(picture(0x87, 0x22, 4, 2))       // 2 hotspots
        .bytes(picture(0x88, 0x22, 2, 0xFFFF))  // no picture, 1 hotspot
        .bytes(picture(0x86, 0x22, 0, 5))       // out of range
        .bytes(picture(0x86, 0x22, 0, 1))       // never extracted
        .bytes(picture(0x87, 0x05, 8, 0)).u8(0).str("MY.DLL,Class,data")  // window: no hotspots counted
        .bytes(picture(0x88, 0x03, 8, 0))       // other kinds: consumed, nothing written
        .u8(0xFF);
    Result r = paragraph(help, f, text_strings({"", "", "", "", "", "", "", "end"}));
    EXPECT_EQ(r.out, "\\pard\\ql \\{bmc bm0.bmp\\}\\{bml bm2.wmf\\}\\{ewl MY.DLL,Class,data\\}end");
    EXPECT_EQ(r.pending, 3u + 2u + 1u);
    EXPECT_EQ(r.format_left, 0u);
    ASSERT_EQ(log.lines.size(), 2u);
    EXPECT_EQ(log.lines[0], "Illegal Bitmap Reference 0x0005");
    EXPECT_EQ(log.lines[1], "Illegal Bitmap Reference 0x0001");
}

TEST(RtfParagraph, ParagraphEndInsideAndOutsideTables) {
    HelpFile help;
    Format f;
    f.info(0).u8(0x82).u8(0xFF);
    std::vector<uint8_t> text = text_strings({"one", ""});
    EXPECT_EQ(paragraph(help, f, text).out, "\\pard\\ql one\\par");
    // The last paragraph of a cell is ended by the cell mark.
    TableCell cell{0, 2};
    EXPECT_EQ(paragraph(help, f, text, false, &cell).out, "\\pard\\intbl\\ql one");
    // A paragraph end not directly before the 0xFF is kept.
    Format g;
    g.info(0).u8(0x82).u8(0x83).u8(0xFF);
    EXPECT_EQ(paragraph(help, g, text_strings({"a", "b", "c"}), false, &cell).out, "\\pard\\intbl\\ql a\\parb\\tab c");
}

TEST(RtfParagraph, TruncatedFormatDataReadsNothingBeyond) {
    HelpFile help;
    help.font_styles.styles = {"\\f0\\ul0"};

    // Information cut short: the paragraph is still opened and its text kept.
    Result r = paragraph(help, Format().u8(0).u8(0).u16(0), text_strings({"kept", "too"}));
    EXPECT_EQ(r.out, "\\pard\\ql kepttoo");
    // A field cut short: the fields before it stand.
    r = paragraph(help, Format().info(0x0002 | 0x0004).cs(1).u8(0x01), text_strings({"x"}));
    EXPECT_EQ(r.out, "\\pard\\ql\\sb10 x");
    // No 0xFF: the loop ends with the data and every string left is written.
    r = paragraph(help, Format().info(0).u8(0x83), text_strings({"a", "b", "c"}));
    EXPECT_EQ(r.out, "\\pard\\ql a\\tab bc");
    EXPECT_EQ(r.text_left, 0u);
    // Operands cut short: font, picture, macro length, macro text.
    EXPECT_EQ(paragraph(help, Format().info(0).u8(0x80).u8(0), text_strings({"a", "b"})).out, "\\pard\\ql ab");
    EXPECT_EQ(paragraph(help, Format().info(0).u8(0x86).u8(0x22).u8(0), text_strings({"a"})).out, "\\pard\\ql a");
    EXPECT_EQ(paragraph(help, Format().info(0).u8(0xC8).u8(9), text_strings({"a", "b"})).out, "\\pard\\ql ab");
    // A macro running past the end keeps what is there; its hotspot is
    // closed with its target at the end of the paragraph.
    r = paragraph(help, Format().info(0).u8(0xC8).i16(40).raw("Exit()"), text_strings({"", "Quit"}));
    EXPECT_EQ(r.out, "\\pard\\ql \\strike Quit\\strike0\\ul0{\\v !Exit()}");
    // An embedded window whose description has no NUL.
    r = paragraph(help, Format().info(0).u8(0x86).u8(0x05).fill(7).u8(0).raw("desc"), text_strings({"w"}));
    EXPECT_EQ(r.out, "\\pard\\ql w\\{ewc desc\\}");
}
