// Hotspots, macro hotspots and footnotes.
#include <gtest/gtest.h>

#include "driver/out_stream.h"
#include "helpfile/byte_reader.h"
#include "helpfile/helpfile.h"
#include "rtf/hotspots.h"
#include "rtf/paragraph.h"
#include "support/rtf_builder.h"
#include "topics/context_hash.h"

using namespace korvane;
using namespace korvane::test;

namespace {

struct Fixture {
    HelpFile help;
    WarningLog log;
    explicit Fixture(int flags) {
        help.flags = flags;
        help.progress_window = true;
        add_context_name(help, "NEXT_TOPIC");
    }
    std::string paragraph(const Format& f, const std::vector<std::string>& strings) {
        std::vector<uint8_t> text = text_strings(strings);
        uint32_t pending = 0;
        return flat(captured([&](OutStream& out) {
            ByteReader fr(f.data.b.data(), f.data.size());
            ByteReader tr(text.data(), text.size());
            write_paragraph(help, out, tr, fr, false, nullptr, pending);
        }));
    }
};

const uint32_t kNext = context_hash("NEXT_TOPIC");

// A long-form operand: u16 n, option byte, hash, then the parts.
Format long_hotspot(uint8_t code, uint8_t options, uint32_t hash, const Bytes& parts) {
    Format f;
    f.u8(code).u16(static_cast<unsigned>(5 + parts.size())).u8(options).u32(hash).bytes(parts.b);
    return f;
}

}  // namespace

TEST(RtfHotspots, JumpsPopupsAndTheirTargets) {
    Fixture s(CVF_JUMPS);
    Format jump;
    jump.info(0).u8(0xE3).u32(kNext).u8(0x89).u8(0xFF);
    EXPECT_EQ(s.paragraph(jump, {"See ", "Next", "."}),
              "\\pard\\ql See \\strike Next\\strike0\\ul0{\\v NEXT_TOPIC}.");

    Format popup;
    popup.info(0).u8(0xE6).u32(kNext).u8(0x89).u8(0xFF);
    EXPECT_EQ(s.paragraph(popup, {"", "word", ""}), "\\pard\\ql \\ul word\\strike0\\ul0{\\v %NEXT_TOPIC}");

    // Window and file parts, in the order of the option bits.
    for (int i = 0; i < 75; ++i) s.help.window_names.push_back("w" + std::to_string(i));
    auto target_of = [&](Format hotspot) {
        Format f;
        f.info(0).bytes(hotspot.data.b).u8(0x89).u8(0xFF);
        std::string out = s.paragraph(f, {"", "t", ""});
        size_t v = out.find("{\\v ");
        return v == std::string::npos ? out : out.substr(v + 4, out.size() - v - 5);
    };
    EXPECT_EQ(target_of(long_hotspot(0xEB, 0x01, kNext, Bytes().u8(0xFF))), "NEXT_TOPIC>main");
    EXPECT_EQ(target_of(long_hotspot(0xEB, 0x01, kNext, Bytes().u8(70))), "NEXT_TOPIC>w70");
    EXPECT_EQ(target_of(long_hotspot(0xEA, 0x04, kNext, Bytes().str("OTHER.HLP"))), "NEXT_TOPIC@OTHER.HLP");
    EXPECT_EQ(target_of(long_hotspot(0xEB, 0x05, kNext, Bytes().u8(0xFF).str("OTHER.HLP"))),
              "NEXT_TOPIC>main@OTHER.HLP");
    EXPECT_EQ(target_of(long_hotspot(0xEF, 0x06, kNext, Bytes().str("pop").str("X.HLP"))), "%NEXT_TOPIC>pop@X.HLP");
    // Long targets are kept whole; braces and backslashes in them are escaped.
    std::string long_file(300, 'f');
    EXPECT_EQ(target_of(long_hotspot(0xEB, 0x04, kNext, Bytes().str(long_file + "{\\}"))),
              "NEXT_TOPIC@" + long_file + "\\{\\\\\\}");

    EXPECT_TRUE(s.log.lines.empty());
    EXPECT_EQ(target_of(long_hotspot(0xEB, 0x01, kNext, Bytes().u8(75))), "NEXT_TOPIC");
    ASSERT_EQ(s.log.lines.size(), 1u);
    EXPECT_EQ(s.log.lines[0], "Illegal Secondary Window Number Reference 0x4b");

    // The cursor moves by n + 2 whatever the options parsed: the byte after
    // the operand is the next command.
    Format padded;
    padded.info(0).u8(0xEB).u16(9).u8(0x00).u32(kNext).u32(0x89898989).u8(0x83).u8(0x89).u8(0xFF);
    EXPECT_EQ(s.paragraph(padded, {"", "a", "b", ""}), "\\pard\\ql \\strike a\\tab b\\strike0\\ul0{\\v NEXT_TOPIC}");
}

TEST(RtfHotspots, WithoutJumpReferences) {
    Fixture s(0);
    Format jump;
    jump.info(0).u8(0xE1).u32(kNext).u8(0x89).u8(0xFF);
    EXPECT_EQ(s.paragraph(jump, {"", "Next", ""}), "\\pard\\ql Next\\strike0\\ul0{\\v }");
    Format macro;
    macro.info(0).u8(0xC8).i16(8).str("Exit()").u8(0).u8(0x89).u8(0xFF);
    EXPECT_EQ(s.paragraph(macro, {"", "Quit", ""}), "\\pard\\ql \\strike Quit\\strike0\\ul0{\\v !Exit()}");
    EXPECT_TRUE(s.log.lines.empty());
}

TEST(RtfHotspots, MacrosStartsAndEnds) {
    Fixture s(CVF_JUMPS);
    s.help.font_styles.styles = {"\\f0\\cf0\\fs20\\b0\\i0\\ul0"};

    Format macro;
    macro.info(0).u8(0xCC).i16(6).str("Back()").u8(0x89).u8(0xFF);
    EXPECT_EQ(s.paragraph(macro, {"", "b", ""}), "\\pard\\ql \\strike b\\strike0\\ul0{\\v %!Back()}");

    // Two starts and one end: the second target; a font change inside keeps
    // the hotspot's underline.
    Format twice;
    twice.info(0).u8(0xE2).u32(1).u8(0xE3).u32(kNext).u8(0x80).u16(0).u8(0x89).u8(0x80).u16(0).u8(0xFF);
    EXPECT_EQ(s.paragraph(twice, {"", "", "x", "y", ""}),
              "\\pard\\ql \\ul \\strike x\\f0\\cf0\\fs20\\b0\\i0 y\\strike0\\ul0{\\v NEXT_TOPIC}"
              "\\f0\\cf0\\fs20\\b0\\i0\\ul0 ");
    EXPECT_TRUE(s.log.lines.empty());

    // Length 0 and a negative length: warning 14, two bytes consumed.
    Format bad;
    bad.info(0).u8(0xC8).i16(0).u8(0xC8).i16(-3).u8(0x83).u8(0xFF);
    EXPECT_EQ(s.paragraph(bad, {"a", "b", "c", "d"}), "\\pard\\ql abc\\tab d");
    // An end without a start.
    Format end;
    end.info(0).u8(0x89).u8(0xFF);
    EXPECT_EQ(s.paragraph(end, {"a", "b"}), "\\pard\\ql ab");
    // An operand longer than the data: warning 11, its bytes read as commands.
    Format cut;
    cut.info(0).u8(0xE0).u8(0x83).u8(0xFF);
    EXPECT_EQ(s.paragraph(cut, {"a", "b", "c"}), "\\pard\\ql ab\\tab c");
    Format cut_long;
    cut_long.info(0).u8(0xEA).u16(40).u8(0xFF);
    // Its length bytes 0x28 0x00 are an ignored command and padding before
    // an ignored 0xFF.
    EXPECT_EQ(s.paragraph(cut_long, {"a", "b", "c", "d"}), "\\pard\\ql abcd");
    EXPECT_EQ(s.log.lines, (std::vector<std::string>{"Illegal Macro Hotspot", "Illegal Macro Hotspot",
                                                     "Hotspotend without Hotspotstart", "Illegal Hotspot Data",
                                                     "Illegal Hotspot Data"}));
}

TEST(RtfHotspots, Footnotes) {
    Fixture s(0);
    auto footnotes = [&](const std::vector<uint8_t>& text) {
        return captured([&](OutStream& out) {
            ByteReader t(text.data(), text.size());
            write_title_footnotes(s.help, out, t);
        });
    };
    std::string one = flat(captured([&](OutStream& out) { write_footnote(s.help, out, "name", '#'); }));
    EXPECT_EQ(one, "{#{\\footnote{#}name}}");
    std::string escaped = flat(captured([&](OutStream& out) { write_footnote(s.help, out, "a;{b}", 'K'); }));
    EXPECT_EQ(escaped, "{K{\\footnote{K}a;\\{b\\}}}");

    Bytes both;
    both.str("Title").str("Macro()");
    EXPECT_EQ(flat(footnotes(both)), "{${\\footnote{$}Title}}{!{\\footnote{!}Macro()}}");
    Bytes macro_only;
    macro_only.u8(0).str("Macro()");
    EXPECT_EQ(flat(footnotes(macro_only)), "{!{\\footnote{!}Macro()}}");
    Bytes title_only;
    title_only.raw("Title");  // no NUL: the text ends with the title
    EXPECT_EQ(flat(footnotes(title_only)), "{${\\footnote{$}Title}}");
    EXPECT_EQ(footnotes({}), "");

    s.help.flags = CVF_FOR_PRINT;
    EXPECT_EQ(footnotes(both), "");
    EXPECT_EQ(captured([&](OutStream& out) { write_footnote(s.help, out, "name", '#'); }), "");
}
