// Table rows: row definitions of the three table types and the cells.
#include <gtest/gtest.h>

#include "driver/out_stream.h"
#include "helpfile/byte_reader.h"
#include "helpfile/helpfile.h"
#include "rtf/tables.h"
#include "support/rtf_builder.h"

using namespace korvane;
using namespace korvane::test;

namespace {

struct Fixture {
    HelpFile help;
    WarningLog log;
    Fixture() { help.progress_window = true; }
    std::string row(const Format& f, const std::vector<std::string>& strings, bool keep_with_next = false) {
        std::vector<uint8_t> text = text_strings(strings);
        uint32_t pending = 0;
        return captured([&](OutStream& out) {
            ByteReader fr(f.data.b.data(), f.data.size());
            ByteReader tr(text.data(), text.size());
            write_table(help, out, tr, fr, keep_with_next, pending);
        });
    }
};

// Column data of type 1 or 3 with the pairs (100, 20) and (200, 10).
Format two_columns(uint8_t type) {
    Format f;
    f.u8(2).u8(type).u16(100).u16(20).u16(200).u16(10);
    return f;
}

// A cell header and a paragraph with one text string and a paragraph end.
Format& cell(Format& f, uint8_t column) {
    return f.u8(column).u16(0).u16(0).info(0).u8(0x82).u8(0xFF);
}

Format& end_of_row(Format& f) { return f.u8(0xFF).u16(0xFFFF).u16(0); }

}  // namespace

TEST(RtfTables, RowDefinitions) {
    Fixture s;
    Format t1 = two_columns(1);
    end_of_row(t1);
    EXPECT_EQ(s.row(t1, {}), "{\\pard\\trowd\\intbl\\trgaph100\\trleft100\\cellx1250\\cellx3350 \\cell\\row\\pard}\n");
    Format t3 = two_columns(3);
    end_of_row(t3);
    EXPECT_EQ(s.row(t3, {}), "{\\pard\\trowd\\intbl\\trgaph100\\trleft100\\cellx125\\cellx335 \\cell\\row\\pard}\n");

    // Type 0: W = 0x7FFF keeps the values; W = 0x4000 about halves them.
    Format t0;
    t0.u8(2).u8(0).u16(0x7FFF).u16(100).u16(20).u16(200).u16(10);
    end_of_row(t0);
    EXPECT_EQ(s.row(t0, {}),
              "{\\pard\\trowd\\intbl\\trqc\\trgaph100\\trleft100\\cellx1250\\cellx3350 \\cell\\row\\pard}\n");
    Format half;
    half.u8(2).u8(0).u16(0x4000).u16(100).u16(20).u16(200).u16(10);
    end_of_row(half);
    // 100 -> 50, 20 -> 10, 200 -> 100, 10 -> 5: G 5, x = 10 - 2 = 8.
    EXPECT_EQ(s.row(half, {}),
              "{\\pard\\trowd\\intbl\\trqc\\trgaph50\\trleft60\\cellx630\\cellx1680 \\cell\\row\\pard}\n");

    // One column: no gap; the left edge is the second value of pair 0.
    Format one;
    one.u8(1).u8(1).u16(300).u16(40);
    end_of_row(one);
    EXPECT_EQ(s.row(one, {}), "{\\pard\\trowd\\intbl\\trleft400\\cellx3400 \\cell\\row\\pard}\n");
    EXPECT_TRUE(s.log.lines.empty());
}

TEST(RtfTables, Cells) {
    Fixture s;
    // Two paragraphs in column 0, one in column 1: the first paragraph of
    // the cell keeps its break, the last of each cell leaves it to the mark.
    Format f = two_columns(1);
    cell(f, 0);
    cell(f, 0);
    cell(f, 1);
    end_of_row(f);
    EXPECT_EQ(flat(s.row(f, {"A", "", "B", "", "C", ""})),
              "{\\pard\\trowd\\intbl\\trgaph100\\trleft100\\cellx1250\\cellx3350 "
              "\\pard\\intbl\\ql A\\par\\pard\\intbl\\ql B\\cell \\pard\\intbl\\ql C\\cell\\row\\pard}");

    // A first cell in column 1 leaves column 0 empty.
    Format skip = two_columns(1);
    cell(skip, 1);
    end_of_row(skip);
    EXPECT_EQ(flat(s.row(skip, {"C", ""}, true)),
              "{\\pard\\trowd\\intbl\\trgaph100\\trleft100\\cellx1250\\cellx3350 "
              "\\cell \\pard\\keepn\\intbl\\ql C\\cell\\row\\pard}");

    // Column -1 at once: the row definition, then the row end.
    Format none = two_columns(3);
    none.u8(0xFF).u8(0xFF).u16(0).u8(0);
    cell(none, 0);
    EXPECT_EQ(s.row(none, {"never"}),
              "{\\pard\\trowd\\intbl\\trgaph100\\trleft100\\cellx125\\cellx335 \\cell\\row\\pard}\n");
}

TEST(RtfTables, UnsupportedAndTruncatedRowsStayBalanced) {
    Fixture s;
    Format two;
    two.u8(2).u8(2).u16(100).u16(20).u16(200).u16(10);
    cell(two, 0);
    EXPECT_EQ(s.row(two, {"lost"}), "");
    ASSERT_EQ(s.log.lines.size(), 1u);
    EXPECT_EQ(s.log.lines[0], "Table Format not Supported");

    // Cells without an ending header; a last cell too short to hold a
    // paragraph; column pairs cut short.
    Format open = two_columns(1);
    cell(open, 0);
    open.u8(1).u16(0).u16(0).info(0);  // 6 bytes after the header: no paragraph
    std::string out = s.row(open, {"A", ""});
    EXPECT_EQ(flat(out), "{\\pard\\trowd\\intbl\\trgaph100\\trleft100\\cellx1250\\cellx3350 "
                         "\\pard\\intbl\\ql A\\cell\\row\\pard}");
    Format cut;
    cut.u8(3).u8(1).u16(100);
    EXPECT_TRUE(balanced_rtf(s.row(cut, {})));
    EXPECT_EQ(s.row(Format().u8(3), {}), "");
    EXPECT_EQ(s.log.lines.size(), 1u);
}
