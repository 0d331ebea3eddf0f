// The writers of format data: compressed values, paragraph properties,
// commands, escaping and the line-feed counter, hotspots and footnotes, and
// table rows.
#include <gtest/gtest.h>

#include "driver/out_stream.h"
#include "helpfile/byte_reader.h"
#include "helpfile/helpfile.h"
#include "rtf/hotspots.h"
#include "rtf/paragraph.h"
#include "rtf/tables.h"
#include "support/index_builder.h"
#include "support/rtf_builder.h"
#include "topics/context_hash.h"

using namespace korvane;
using namespace korvane::test;

namespace {

// One help file and what the paragraph or table writer left of its input.
struct Writer {
    HelpFile help;
    RecordingPlatform log;
    size_t format_left = 0, text_left = 0;
    uint32_t pending = 0;

    explicit Writer(int flags = 0) {
        help.flags = flags;
        help.progress_window = true;
    }
    // One paragraph (or, with row set, one table row), without the writers' line feeds.
    std::string write(const std::vector<uint8_t>& format, const std::vector<std::string>& strings,
                      bool keep_with_next = false, const TableCell* cell = nullptr, bool row = false) {
        std::vector<uint8_t> text = text_strings(strings);
        return flat(captured([&](OutStream& out) {
            ByteReader f(format.data(), format.size());
            ByteReader t(text.data(), text.size());
            if (row) {
                write_table(help, out, t, f, keep_with_next, pending);
            } else {
                write_paragraph(help, out, t, f, keep_with_next, cell, pending);
            }
            format_left = f.remaining();
            text_left = t.remaining();
        }));
    }
    std::string row(const Format& format, const std::vector<std::string>& strings, bool keep_with_next = false) {
        return write(format, strings, keep_with_next, nullptr, true);
    }
};

}  // namespace

TEST(RtfParagraph, CompressedValues) {
    struct Case {
        bool is_signed;
        std::vector<uint8_t> bytes;
        int value;
    } cases[] = {
        {true, {0x00}, -64}, {true, {0xFE}, 63}, {true, {0xC9, 0x80}, 100},
        {true, {0x37, 0x7F}, -100},  // -201 / 2 truncates toward zero
        {false, {0x90}, 72}, {false, {0x91, 0x80}, -16311}, {false, {0xFF, 0x7F}, 16383},
        {false, {0x91}, 0},  // cut after its first byte: nothing read beyond
    };
    for (const Case& c : cases) {
        ByteReader r(c.bytes.data(), c.bytes.size());
        int v = c.is_signed ? read_compressed_signed(r) : read_compressed_unsigned(r);
        bool cut = c.bytes.size() == 1 && (c.bytes[0] & 1);
        EXPECT_EQ(r.overrun(), cut);
        EXPECT_EQ(r.remaining(), 0u);
        EXPECT_EQ(cut ? 0 : v, c.value) << int(c.bytes[0]);
    }
}

TEST(RtfParagraph, PropertiesParagraphEndsAndCutData) {
    TableCell last{0, 2};
    struct Case {
        Format format;
        std::vector<std::string> strings;
        std::string out;
        bool keep_with_next = false;
        const TableCell* cell = nullptr;
        bool long_font_records = false;
    } cases[] = {
        {Format().info(0).u8(0xFF), {"x"}, "\\pard\\keepn\\intbl\\ql x", true, &last},
        // Every field in the stored order; 0x0001's two values are dropped.
        {Format().info(0x1C7F | 0x0300).cs(7).cs(-9).cs(1).cs(2).cs(-3).cs(8).cs(100).cs(-50).u8(0x21).u16(0)
             .u8(2 * 2).cu(72).u16(0x8091).u8(0x02).u8(0xFF),
         {""}, "\\pard\\keep\\qc\\sb10\\sa20\\sl-30\\li80\\ri1000\\fi-500\\box\\brdrth\\tx720\\tqr\\tx164570 "},
        // The byte 0x90 as a left indent, not scaled when descriptors are long.
        {Format().info(0x0400 | 0x0010).u8(0x90).u8(0xFF), {}, "\\pard\\qr\\li8 ", false, nullptr, true},
        {Format().info(0x0100).u8(0xDE).u16(15).u8(0xFF), {},
         "\\pard\\ql\\brdrl\\brdrr\\brdrb\\brdrbar\\brdrt\\brdrs "},
        // The count byte keeps bits 1..6: 0x81 means none, 0x07 three stops.
        {Format().info(0x0200).u8(0x81).u8(0x83).u8(0xFF), {"a", "b"}, "\\pard\\ql a\\tab b"},
        {Format().info(0x0200).u8(0x07).cu(10).u16(0x8091).u8(0x00).cu(0x4000 - 1).u8(0xFF), {"t"},
         "\\pard\\ql\\tx100\\tqc\\tx164570\\tx163830 t"},
        // A paragraph end right before the 0xFF is left to a cell's mark.
        {Format().info(0).u8(0x82).u8(0xFF), {"one", ""}, "\\pard\\ql one\\par"},
        {Format().info(0).u8(0x82).u8(0xFF), {"one", ""}, "\\pard\\intbl\\ql one", false, &last},
        {Format().info(0).u8(0x82).u8(0x83).u8(0xFF), {"a", "b", "c"}, "\\pard\\intbl\\ql a\\parb\\tab c", false,
         &last},
        // Format data cut short, with nothing read beyond them. Information cut
        // short: the paragraph is still opened and its text kept.
        {Format().u8(0).u8(0).u16(0), {"kept", "too"}, "\\pard\\ql kepttoo"},
        // A field cut short: the fields before it stand.
        {Format().info(0x0002 | 0x0004).cs(1).u8(0x01), {"x"}, "\\pard\\ql\\sb10 x"},
        // No 0xFF: the loop ends with the data and every string left is written.
        {Format().info(0).u8(0x83), {"a", "b", "c"}, "\\pard\\ql a\\tab bc"},
        // Operands cut short: font, macro length.
        {Format().info(0).u8(0x80).u8(0), {"a", "b"}, "\\pard\\ql ab"},
        {Format().info(0).u8(0xC8).u8(9), {"a", "b"}, "\\pard\\ql ab"},
        // A macro running past the end keeps what is there; its hotspot is
        // closed with its target at the end of the paragraph.
        {Format().info(0).u8(0xC8).i16(40).raw("Exit()"), {"", "Quit"},
         "\\pard\\ql \\strike Quit\\strike0\\ul0{\\v !Exit()}"},
        // An embedded window whose description has no NUL.
        {Format().info(0).u8(0x86).u8(0x05).fill(7).u8(0).raw("desc"), {"w"}, "\\pard\\ql w\\{ewc desc\\}"},
    };
    for (const Case& c : cases) {
        Writer w;
        w.help.long_font_records = c.long_font_records;
        w.help.font_styles.styles = {"\\f0\\ul0"};
        EXPECT_EQ(w.write(c.format, c.strings, c.keep_with_next, c.cell), c.out);
        EXPECT_EQ(w.format_left + w.text_left, 0u) << c.out;
    }
}

TEST(RtfParagraph, EscapingAndTheLineFeedCounter) {
    Writer w;
    EXPECT_EQ(w.write(Format().info(0).u8(0xFF), {"a{b}\\c\xE4\r\x80\x81\t\x7F"}),
              "\\pard\\ql a\\{b\\}\\\\c\\'e4(0x0d)\x80\\'81\\tab \x7F");

    // A line feed follows a character whenever the conversion's count before
    // it is a multiple of 64; the null device counts too.
    uint64_t written = 0;
    write_rtf_text(*OutStream::null_device(), std::string(10, 'n'), written);
    std::string expected;
    for (uint64_t i = 0; i < 200; ++i) expected += (10 + i) % 64 == 0 ? "x\n" : "x";
    EXPECT_EQ(captured([&](OutStream& out) { write_rtf_text(out, std::string(200, 'x'), written); }), expected);
    EXPECT_EQ(written, 210u);
    // An escape stays whole before its line feed.
    std::string raw = captured([&](OutStream& out) {
        write_rtf_text(out, std::string((64 - written % 64) % 64, 'y'), written);
        write_rtf_text(out, "{}", written);
    });
    EXPECT_EQ(raw.substr(raw.size() - 5), "\\{\n\\}");
}

TEST(RtfParagraph, CommandsPicturesAndWindows) {
    Writer w;
    w.help.font_styles = {true, {"\\f0\\cf0\\fs20\\b0\\i0\\ul0", "\\f1\\cf1\\fs24\\b\\i0\\ul"}};
    Format f;
    f.info(0).u8(0).u8(0)  // padding before the first command
        .u8(0x81).u8(0x83).u8(0x82)
        .u8(0x80).u16(1)
        .u8(0x80).u16(2)      // no such font: warning 13
        .u8(0x42)             // unknown: ignored, no operand
        .u8(0x00).u8(0xFF)    // a 0xFF after padding is an ignored command
        .u8(0xFF)
        .u8(0x99);            // beyond the paragraph
    EXPECT_EQ(w.write(f, {"a", "b", "c", "D", "e", "f", "g", "h", "next"}),
              "\\pard\\ql a\\lineb\\tab c\\parD\\f1\\cf1\\fs24\\b\\i0\\ul efgh");
    EXPECT_EQ(w.format_left, 1u);  // just after the 0xFF
    EXPECT_EQ(w.text_left, 5u);    // "next" and its NUL

    // Pictures add their hotspot counts to the pending count; windows and
    // other kinds do not.
    w.help.picture_names.names = {std::string("bm0.bmp"), std::nullopt, std::string("bm2.wmf")};
    auto picture = [](uint8_t code, uint8_t kind, uint8_t hotspots2, uint16_t number) {
        return Bytes().u8(code).u8(kind).u8(0).u8(0).u8(hotspots2).u8(0).u8(0).u16(number).b;
    };
    Format p;
    p.info(0)
        .bytes(picture(0x86, 0x22, 7, 0))       // 3 hotspots
        .bytes(picture(0x87, 0x22, 4, 2))       // 2 hotspots
        .bytes(picture(0x88, 0x22, 2, 0xFFFF))  // no picture, 1 hotspot
        .bytes(picture(0x86, 0x22, 0, 5))       // out of range
        .bytes(picture(0x86, 0x22, 0, 1))       // never extracted
        .bytes(picture(0x87, 0x05, 8, 0)).u8(0).str("MY.DLL,Class,data")
        .bytes(picture(0x88, 0x03, 8, 0))       // consumed, nothing written
        .u8(0xFF);
    EXPECT_EQ(w.write(p, {"", "", "", "", "", "", "", "end"}),
              "\\pard\\ql \\{bmc bm0.bmp\\}\\{bml bm2.wmf\\}\\{ewl MY.DLL,Class,data\\}end");
    EXPECT_EQ(w.pending, 3u + 2u + 1u);
    EXPECT_EQ(w.format_left, 0u);
    EXPECT_EQ(w.log.warnings, (std::vector<std::string>{"Illegal Font Selection", "Illegal Bitmap Reference 0x0005",
                                                        "Illegal Bitmap Reference 0x0001"}));
}

// --- Hotspots and footnotes -------------------------------------------------

namespace {

const uint32_t kNext = context_hash("NEXT_TOPIC");

// A writer that knows the context name NEXT_TOPIC and 75 windows w0..w74.
struct HotspotWriter : Writer {
    explicit HotspotWriter(int flags) : Writer(flags) {
        add_context_name(help, "NEXT_TOPIC");
        for (int i = 0; i < 75; ++i) help.window_names.push_back(std::string("w").append(std::to_string(i)));
        help.font_styles.styles = {"\\f0\\cf0\\fs20\\b0\\i0\\ul0"};
    }
};

}  // namespace

TEST(RtfHotspots, HotspotsMacrosAndTheirErrors) {
    struct Case {
        int flags;
        Format format;
        std::vector<std::string> strings;
        std::string out;
        std::vector<std::string> warnings = {};
    } cases[] = {
        {CVF_JUMPS, Format().info(0).u8(0xE3).u32(kNext).u8(0x89).u8(0xFF), {"See ", "Next", "."},
         "\\pard\\ql See \\strike Next\\strike0\\ul0{\\v NEXT_TOPIC}."},
        {CVF_JUMPS, Format().info(0).u8(0xE6).u32(kNext).u8(0x89).u8(0xFF), {"", "word", ""},
         "\\pard\\ql \\ul word\\strike0\\ul0{\\v %NEXT_TOPIC}"},
        {CVF_JUMPS, Format().info(0).u8(0xCC).i16(6).str("Back()").u8(0x89).u8(0xFF), {"", "b", ""},
         "\\pard\\ql \\strike b\\strike0\\ul0{\\v %!Back()}"},
        // Without jump references: no start, an empty target; macros unchanged.
        {0, Format().info(0).u8(0xE1).u32(kNext).u8(0x89).u8(0xFF), {"", "Next", ""},
         "\\pard\\ql Next\\strike0\\ul0{\\v }"},
        {0, Format().info(0).u8(0xC8).i16(8).str("Exit()").u8(0).u8(0x89).u8(0xFF), {"", "Quit", ""},
         "\\pard\\ql \\strike Quit\\strike0\\ul0{\\v !Exit()}"},
        // Two starts and one end: the second target; a font change inside
        // keeps the hotspot's underline.
        {CVF_JUMPS,
         Format().info(0).u8(0xE2).u32(1).u8(0xE3).u32(kNext).u8(0x80).u16(0).u8(0x89).u8(0x80).u16(0).u8(0xFF),
         {"", "", "x", "y", ""},
         "\\pard\\ql \\ul \\strike x\\f0\\cf0\\fs20\\b0\\i0 y\\strike0\\ul0{\\v NEXT_TOPIC}"
         "\\f0\\cf0\\fs20\\b0\\i0\\ul0 "},
        // The cursor moves by n + 2 whatever the options parsed.
        {CVF_JUMPS, Format().info(0).u8(0xEB).u16(9).u8(0x00).u32(kNext).u32(0x89898989).u8(0x83).u8(0x89).u8(0xFF),
         {"", "a", "b", ""}, "\\pard\\ql \\strike a\\tab b\\strike0\\ul0{\\v NEXT_TOPIC}"},
        // Macro lengths 0 and negative consume their two bytes.
        {CVF_JUMPS, Format().info(0).u8(0xC8).i16(0).u8(0xC8).i16(-3).u8(0x83).u8(0xFF), {"a", "b", "c", "d"},
         "\\pard\\ql abc\\tab d", {"Illegal Macro Hotspot", "Illegal Macro Hotspot"}},
        {CVF_JUMPS, Format().info(0).u8(0x89).u8(0xFF), {"a", "b"}, "\\pard\\ql ab",
         {"Hotspotend without Hotspotstart"}},
        // An operand longer than the data: its bytes read as commands.
        {CVF_JUMPS, Format().info(0).u8(0xE0).u8(0x83).u8(0xFF), {"a", "b", "c"}, "\\pard\\ql ab\\tab c",
         {"Illegal Hotspot Data"}},
        {CVF_JUMPS, Format().info(0).u8(0xEA).u16(40).u8(0xFF), {"a", "b", "c", "d"}, "\\pard\\ql abcd",
         {"Illegal Hotspot Data"}},
    };
    for (const Case& c : cases) {
        HotspotWriter w(c.flags);
        EXPECT_EQ(w.write(c.format, c.strings), c.out);
        EXPECT_EQ(w.log.warnings, c.warnings) << c.out;
    }
}

TEST(RtfHotspots, TargetsInOtherWindowsAndFiles) {
    auto target_of = [](const Bytes& parts, uint8_t code, uint8_t options) {
        HotspotWriter w(CVF_JUMPS);
        Format f;
        f.info(0).u8(code).u16(static_cast<unsigned>(5 + parts.size())).u8(options).u32(kNext).bytes(parts.b);
        std::string out = w.write(f.u8(0x89).u8(0xFF), {"", "t", ""});
        size_t v = out.find("{\\v ");
        return (v == std::string::npos ? out : out.substr(v + 4, out.size() - v - 5)) +
               (w.log.warnings.empty() ? "" : " / " + w.log.warnings[0]);
    };
    std::string long_file(300, 'f');
    EXPECT_EQ(target_of(Bytes().u8(0xFF), 0xEB, 0x01), "NEXT_TOPIC>main");
    EXPECT_EQ(target_of(Bytes().u8(70), 0xEB, 0x01), "NEXT_TOPIC>w70");
    EXPECT_EQ(target_of(Bytes().u8(75), 0xEB, 0x01), "NEXT_TOPIC / Illegal Secondary Window Number Reference 0x4b");
    EXPECT_EQ(target_of(Bytes().str("OTHER.HLP"), 0xEA, 0x04), "NEXT_TOPIC@OTHER.HLP");
    EXPECT_EQ(target_of(Bytes().u8(0xFF).str("OTHER.HLP"), 0xEB, 0x05), "NEXT_TOPIC>main@OTHER.HLP");
    EXPECT_EQ(target_of(Bytes().str("pop").str("X.HLP"), 0xEF, 0x06), "%NEXT_TOPIC>pop@X.HLP");
    // Long targets are kept whole; braces and backslashes in them are escaped.
    EXPECT_EQ(target_of(Bytes().str(long_file + "{\\}"), 0xEB, 0x04), "NEXT_TOPIC@" + long_file + "\\{\\\\\\}");
}

TEST(RtfHotspots, Footnotes) {
    Writer w;
    auto titles = [&](const Bytes& text) {
        return flat(captured([&](OutStream& out) {
            ByteReader t(text.b.data(), text.size());
            write_title_footnotes(w.help, out, t);
        }));
    };
    auto one = [&](std::string_view text, char mark) {
        return flat(captured([&](OutStream& out) { write_footnote(w.help, out, text, mark); }));
    };
    EXPECT_EQ(one("a;{b}", 'K'), "{K{\\footnote{K}a;\\{b\\}}}");
    Bytes both = Bytes().str("Title").str("Macro()");
    EXPECT_EQ(titles(both), "{${\\footnote{$}Title}}{!{\\footnote{!}Macro()}}");
    EXPECT_EQ(titles(Bytes().u8(0).str("Macro()")), "{!{\\footnote{!}Macro()}}");
    EXPECT_EQ(titles(Bytes().raw("Title")), "{${\\footnote{$}Title}}");  // no NUL: the text ends with the title
    EXPECT_EQ(titles(Bytes()), "");
}

// --- Tables -------------------------------------------------------------------

namespace {

// Column data of the given type with the pairs (100, 20) and (200, 10).
Format two_columns(uint8_t type) {
    Format f;
    f.u8(2).u8(type);
    if (type == 0) f.u16(0x7FFF);
    return f.u16(100).u16(20).u16(200).u16(10);
}

// A cell header and a paragraph with one text string and a paragraph end.
Format cell(Format f, uint8_t column) { return f.u8(column).u16(0).u16(0).info(0).u8(0x82).u8(0xFF); }
Format end_of_row(Format f) { return f.u8(0xFF).u16(0xFFFF).u16(0); }

const std::string kRow1 = "{\\pard\\trowd\\intbl\\trgaph100\\trleft100\\cellx1250\\cellx3350 ";

}  // namespace

TEST(RtfTables, RowDefinitionsAndCells) {
    struct Case {
        Format format;
        std::vector<std::string> strings;
        std::string out;
        bool keep_with_next = false;
    } cases[] = {
        {end_of_row(two_columns(1)), {}, kRow1 + "\\cell\\row\\pard}"},
        // Type 3 scales the gap and the left edge by 10, not the boundaries.
        {end_of_row(two_columns(3)), {},
         "{\\pard\\trowd\\intbl\\trgaph100\\trleft100\\cellx125\\cellx335 \\cell\\row\\pard}"},
        // Type 0: W = 0x7FFF keeps the values; W = 0x4000 about halves them
        // (100 -> 50, 20 -> 10, 200 -> 100, 10 -> 5: G 5, x = 10 - 2 = 8).
        {end_of_row(two_columns(0)), {},
         "{\\pard\\trowd\\intbl\\trqc\\trgaph100\\trleft100\\cellx1250\\cellx3350 \\cell\\row\\pard}"},
        {end_of_row(Format().u8(2).u8(0).u16(0x4000).u16(100).u16(20).u16(200).u16(10)), {},
         "{\\pard\\trowd\\intbl\\trqc\\trgaph50\\trleft60\\cellx630\\cellx1680 \\cell\\row\\pard}"},
        // One column: no gap; the left edge is the second value of pair 0.
        {end_of_row(Format().u8(1).u8(1).u16(300).u16(40)), {},
         "{\\pard\\trowd\\intbl\\trleft400\\cellx3400 \\cell\\row\\pard}"},
        // Two paragraphs in column 0, one in column 1: the first paragraph of
        // the cell keeps its break, the last of each cell leaves it to the mark.
        {end_of_row(cell(cell(cell(two_columns(1), 0), 0), 1)), {"A", "", "B", "", "C", ""},
         kRow1 + "\\pard\\intbl\\ql A\\par\\pard\\intbl\\ql B\\cell \\pard\\intbl\\ql C\\cell\\row\\pard}"},
        // A first cell in column 1 leaves column 0 empty.
        {end_of_row(cell(two_columns(1), 1)), {"C", ""},
         kRow1 + "\\cell \\pard\\keepn\\intbl\\ql C\\cell\\row\\pard}", true},
        // Column -1 at once: the row definition, then the row end.
        {cell(two_columns(1).u8(0xFF).u8(0xFF).u16(0).u8(0), 0), {"never"}, kRow1 + "\\cell\\row\\pard}"},
        // Cells without an ending header; a last cell too short to hold a paragraph.
        {cell(two_columns(1), 0).u8(1).u16(0).u16(0).info(0), {"A", ""},
         kRow1 + "\\pard\\intbl\\ql A\\cell\\row\\pard}"},
    };
    for (const Case& c : cases) {
        Writer w;
        EXPECT_EQ(w.row(c.format, c.strings, c.keep_with_next), c.out);
        EXPECT_TRUE(w.log.warnings.empty()) << c.out;
    }
}

TEST(RtfTables, UnsupportedAndTruncatedRowsStayBalanced) {
    Writer w;
    EXPECT_EQ(w.row(cell(Format().u8(2).u8(2).u16(100).u16(20).u16(200).u16(10), 0), {"lost"}), "");
    EXPECT_EQ(w.log.warnings, std::vector<std::string>{"Table Format not Supported"});
    EXPECT_TRUE(balanced_rtf(w.row(Format().u8(3).u8(1).u16(100), {})));  // column pairs cut short
    EXPECT_EQ(w.row(Format().u8(3), {}), "");
    EXPECT_EQ(w.log.warnings.size(), 1u);
}
