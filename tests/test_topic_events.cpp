// SPDX-License-Identifier: MIT
// What the topic decoder reports, as a transcript of TopicSink events with
// their decoded values: every paragraph field and command byte from
// hand-made format and text bytes, and the records of small help files.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "base/format.h"
#include "driver/convert.h"
#include "base/byte_reader.h"
#include "topics/context_hash.h"
#include "topics/help_model.h"
#include "topics/paragraph_decoder.h"
#include "topics/topic_context.h"
#include "topics/topic_decoder.h"
#include "topics/topic_sink.h"

using namespace korvane;
using namespace std::literals;

namespace {

// Text in quotes, bytes outside printable ASCII as \xNN.
std::string shown(std::string_view s) {
    std::string out = "\"";
    for (unsigned char c : s) out += c >= 0x20 && c < 0x7F ? std::string(1, char(c)) : format("\\x%02X", c);
    return out + "\"";
}

const char* const kPlacements[] = {"inline", "left", "right"};

// One "; "-separated entry per event and per warning, in the order raised.
class RecordingSink : public TopicSink, public Platform {
public:
    std::string log;
    void add(const std::string& event) { log += (log.empty() ? "" : "; ") + event; }

    void topic_begin(const TopicStart& t) override {
        std::string ids;
        for (const std::string& id : t.context_ids) ids += " id=" + id;
        add(format("topic %d %s macro=%s browse=%d/%d/%d", t.number, shown(t.title), shown(t.entry_macro),
                   t.browse.prev, t.browse.self, t.browse.next) + ids);
    }
    void context_id(std::string_view id) override { add("ctx " + std::string(id)); }
    void keywords(char table, std::string_view list) override { add(format("kw %c ", table) + shown(list)); }
    void paragraph_begin(const ParagraphFormat& p) override {
        const char* const aligns[] = {"", " align=right", " align=centre"};
        std::string s = "para"s + (p.non_scrolling ? " nonscroll" : "") + (p.in_table ? " table" : "") +
                        (p.keep_together ? " keep" : "") + aligns[static_cast<int>(p.alignment)];
        const std::pair<const char*, const std::optional<int>&> fields[] = {{"before", p.space_before},
            {"after", p.space_after}, {"line", p.line_spacing}, {"left", p.left_indent}, {"right", p.right_indent},
            {"first", p.first_indent}};
        for (const auto& [name, value] : fields) s += value ? format(" %s=%d", name, *value) : "";
        if (const auto& b = p.borders) {
            std::string set;
            for (auto [on, name] : {std::pair{b->box, "box"}, {b->top, "top"}, {b->left, "left"}, {b->bottom, "bottom"},
                                    {b->right, "right"}, {b->bar, "bar"}, {b->thick, "thick"}}) {
                set += on ? ","s + name : "";
            }
            s += " borders=" + set.erase(0, 1);
        }
        const char* const kinds[] = {"", "r", "c"};
        for (size_t i = 0; i < p.tabs.size(); ++i) {
            s += format(i ? ",%d%s" : " tabs=[%d%s", p.tabs[i].position, kinds[static_cast<int>(p.tabs[i].kind)]);
        }
        add(s + (p.tabs.empty() ? "" : "]"));
    }
    void text(std::string_view t) override { add("text " + shown(t)); }
    void font(uint16_t number) override { add(format("font %d", number)); }
    void tab() override { add("tab"); }
    void line_break() override { add("br"); }
    void hotspot_begin(const Hotspot& h) override {
        const char* const kinds[] = {"jump", "popup", "macro"};
        add(format("hot %s", kinds[static_cast<int>(h.kind)]) + (h.keeps_font ? " keep" : "") +
            (h.kind != HotspotKind::macro ? format(" 0x%08X", h.hash) : "") + " " + shown(h.target) +
            (h.window ? " win=" + *h.window : "") + (h.file ? " file=" + *h.file : ""));
    }
    void hotspot_end() override { add("/hot"); }
    void picture(Placement at, uint16_t number, const std::string& name) override {
        add(format("pic %s %d ", kPlacements[static_cast<int>(at)], number) + shown(name));
    }
    void embedded_window(Placement at, std::string_view description) override {
        add(format("window %s ", kPlacements[static_cast<int>(at)]) + shown(description));
    }
    void paragraph_end(bool last_in_cell) override { add(last_in_cell ? "/para cell" : "/para"); }
    void paragraph_done() override { add("done"); }
    void table_begin(const TableRow& row) override {
        if (!row.supported) return add(format("table unsupported type=%d", row.type));
        std::string widths;
        for (int w : row.widths) widths += format(",%d", w);
        add(format("table cols=%d type=%d left=%d gap=%d widths=[%s]", row.columns, row.type, row.left, row.gap,
                   widths.erase(0, 1)));
    }
    void next_cell(int column) override { add(format("cell %d", column)); }
    void table_end() override { add("/table"); }

    // Warnings, from a Reporter over this platform.
    void show_fatal(std::string_view, std::string_view) override {}
    void open_progress() override {}
    void set_phase(std::string_view) override {}
    void set_percent(int) override {}
    void add_warning_line(std::string_view line) override { add("warn " + std::string(line)); }
    void repeat_warning(size_t, std::string_view line, unsigned long) override { add_warning_line(line); }
};

// The paragraph information up to its u16 paragraph bits (byte, byte, u16),
// the context-name hash of "intro", and a cell paragraph of a table row
// after its 5-byte header.
#define INFO "\0\0\0\0"
#define INTRO "\x5C\x9A\x3D\x05"
#define CELL "\0\0\0\0\0\0\x82\xFF"

enum Mode { kPara, kTwips, kNonScroll, kRow };

// A row: its name, the bytes the decoder reads, the events it should report.
struct Case { const char* name; Mode mode; std::string_view format, text; const char* want; };

const Case kCases[] = {
    {"plain", kPara, INFO "\0\0\xFF"sv, "abc\0"sv, R"(para; text "abc"; done)"},
    // Paragraph fields.
    {"0x0001 pair skipped", kPara, INFO "\x03\0" "\x90\x01\x80" "\x98\xFF"sv, "", "para before=120; done"},
    {"spacing and indents in bit order", kPara, INFO "\x7E\0" "\x82\x84\x86\x59\x82\x8A\xA7\x7D\xFF"sv, "",
     "para before=10 after=20 line=30 left=3000 right=50 first=-3000; done"},
    {"each bit its field", kPara, INFO "\x44\0" "\x84\x74\xFF"sv, "", "para after=20 first=-60; done"},
    {"twips with long font descriptors", kTwips, INFO "\x12\0" "\x98\x76\xFF"sv, "", "para before=12 left=-5; done"},
    {"right aligned, kept together", kNonScroll, INFO "\0\x14\xFF"sv, "", "para nonscroll keep align=right; done"},
    {"centred wins over right", kPara, INFO "\0\x0C\xFF"sv, "", "para align=centre; done"},
    // Each border flag is set in its own combination of these three rows,
    // so any two flags read the wrong way round show.
    {"borders 1, then tabs", kPara, INFO "\0\x03" "\x95\0\0\x02\x64\xFF"sv, "",
     "para borders=box,left,right,bar tabs=[50]; done"},
    {"borders 2", kPara, INFO "\0\x01" "\xA6\x01\0\xFF"sv, "", "para borders=top,left,bar,thick; done"},
    {"borders 3", kPara, INFO "\0\x01" "\xF8\0\0\xFF"sv, "", "para borders=left,bottom,right,thick; done"},
    {"tab stops", kPara, INFO "\0\x02" "\x87\xA1\x85\x02\xC9\x80\x01\x64\x81\xFF"sv, "a\0b\0"sv,
     R"(para tabs=[720r,100c,50]; text "a"; br; text "b"; done)"},
    // Commands.
    {"font, line break, paragraph end, tab", kPara, INFO "\0\0" "\x80\x03\0\x81\x82\x83\xFF"sv, "a\0b\0c\0d\0e\0"sv,
     R"(para; text "a"; font 3; text "b"; br; text "c"; /para; text "d"; tab; text "e"; done)"},
    {"font beyond the table", kPara, INFO "\0\0" "\x80\x04\0\xFF"sv, "a\0b\0"sv,
     R"(para; text "a"; warn Illegal Font Selection; text "b"; done)"},
    {"padding and unknown bytes", kPara, INFO "\0\0" "\0\0\x81\0\0\x84\xE4\xFF"sv, "a\0b\0c\0d\0"sv,
     R"(para; text "a"; br; text "b"; text "c"; text "d"; done)"},
    {"0xFF ends the paragraph", kPara, INFO "\0\0" "\x81\xFF\x83"sv, "a\0b\0c\0"sv,
     R"(para; text "a"; br; text "b"; done; unread format=1 text=2 pending=0)"},
    {"pictures", kPara, INFO "\0\0" "\x86\x22\0\0\x06\0\0\0\0" "\x87\x22\0\0\x04\0\0\x02\0" "\x88\x22\0\0\0\0\0\x01\0"
     "\x86\x22\0\0\0\0\0\xFF\xFF" "\x87\x03\0\0\x08\0\0\0\0\xFF"sv, "",
     R"(para; pic inline 0 "bm0.BMP"; pic left 2 "bm2.SHG"; warn Illegal Bitmap Reference 0x0001; done; )"
     "unread format=0 text=0 pending=5"},
    {"embedded window", kPara, INFO "\0\0" "\x88\x05\0\0\x06\0\0\x01\0\x07" "calc.dll,Calc,0\0\xFF"sv, "a\0b\0"sv,
     R"(para; text "a"; window right "calc.dll,Calc,0"; text "b"; done)"},
    {"macros", kPara, INFO "\0\0" "\xC8\x07\0" "Exit()\0" "\x89\xCC\x0A\0" "Next()\0\x81\x81\x81" "\x89\xFF"sv,
     "a\0b\0c\0d\0e\0"sv, R"~(para; text "a"; hot macro "Exit()"; text "b"; /hot; text "c"; )~"
     R"~(hot macro keep "Next()"; text "d"; /hot; text "e"; done)~"},
    {"empty macro, end without start", kPara, INFO "\0\0" "\xC8\0\0\x89\xFF"sv, "a\0b\0c\0"sv,
     R"(para; text "a"; warn Illegal Macro Hotspot; text "b"; warn Hotspotend without Hotspotstart; text "c"; done)"},
    {"short jumps and popups", kPara,
     INFO "\0\0" "\xE0" INTRO "\xE1" INTRO "\xE2" INTRO "\xE3" INTRO "\xE6" INTRO "\xE7" INTRO "\x89\xFF"sv, "",
     R"(para; hot popup 0x053D9A5C "intro"; hot jump 0x053D9A5C "intro"; hot popup 0x053D9A5C "intro"; )"
     R"(hot jump 0x053D9A5C "intro"; hot popup keep 0x053D9A5C "intro"; hot jump keep 0x053D9A5C "intro"; /hot; done)"},
    {"long forms, windows by number", kPara, INFO "\0\0" "\xEA\x05\0\0" INTRO "\xEB\x06\0\x01" INTRO "\x01"
     "\xEB\x06\0\x01" INTRO "\xFF" "\xEB\x06\0\x01" INTRO "\x07\xFF"sv, "",
     R"(para; hot popup 0x053D9A5C "intro"; hot jump 0x053D9A5C "intro" win=beta; hot jump 0x053D9A5C "intro" )"
     R"(win=main; warn Illegal Secondary Window Number Reference 0x07; hot jump 0x053D9A5C "intro"; /hot; done)"},
    {"long forms, window by name, other file", kPara,
     INFO "\0\0" "\xEE\x0A\0\x03" INTRO "\0" "Big\0" "\xEF\x13\0\x06" INTRO "Big\0" "other.hlp\0\x89\xFF"sv, "",
     R"(para; hot popup keep 0x053D9A5C "intro" win=alpha>Big; )"
     R"(hot jump keep 0x053D9A5C "intro" win=Big file=other.hlp; /hot; done)"},
    {"hotspot open at the end", kPara, INFO "\0\0" "\xE3" INTRO "\xFF"sv, "a\0b\0"sv,
     R"(para; text "a"; hot jump 0x053D9A5C "intro"; text "b"; /hot; done)"},
    // Data cut short: what was read is kept, every string of text is shown.
    {"information under six bytes", kPara, "\0\0\0"sv, "a\0b\0"sv, R"(para; text "a"; text "b"; done)"},
    {"cut inside a field", kPara, INFO "\x06\0" "\x98\x59"sv, "a\0"sv, R"(para before=120; text "a"; done)"},
    {"cut inside borders", kPara, INFO "\0\x01" "\x95\0"sv, "", "para; done"},
    {"cut inside tab stops", kPara, INFO "\0\x02" "\x04\x64\xA1\x85"sv, "", "para tabs=[50]; done"},
    {"long hotspot past the end", kPara, INFO "\0\0" "\xEB\x20\0\x81\xFF"sv, "a\0b\0c\0d\0"sv,
     R"(para; text "a"; warn Illegal Hotspot Data; text "b"; text "c"; br; text "d"; done)"},
    {"font operand cut, text unterminated", kPara, INFO "\0\0" "\x81\x80\x03"sv, "a\0b\0c\0d"sv,
     R"(para; text "a"; br; text "b"; text "c"; text "d"; done)"},
    {"picture operand cut", kPara, INFO "\0\0" "\x86\x22\0"sv, "a\0"sv, R"(para; text "a"; done)"},
    // Table rows.
    {"type 1 row, a column past the last ends it", kRow,
     "\x02\x01\xC8\0\x0A\0\x2C\x01\x14\0" "\0\0\0\0\0" CELL "\x01\0\0\0\0" CELL "\x02\0\0\0\0" CELL ""sv,
     "A\0\0B\0\0"sv,
     R"(table cols=2 type=1 left=10 gap=20 widths=[200,300]; para table; text "A"; /para cell; done; )"
     R"(cell 1; para table; text "B"; /para cell; done; /table; unread format=13 text=0 pending=0)"},
    {"type 3 row, two paragraphs in a cell", kRow, "\x01\x03\xE8\x03\x64\0" "\0\0\0\0\0" CELL "\0\0\0\0\0" CELL ""sv,
     "A\0\0B\0\0"sv, R"(table cols=1 type=3 left=100 gap=0 widths=[1000]; para table; text "A"; /para; done; )"
     R"(para table; text "B"; /para cell; done; /table)"},
    {"type 0 row rescaled", kRow, "\x02\0\xFF\x3F\xE8\x03\x64\0\xD0\x07\x28\0" "\x01\0\0\0\0" CELL ""sv, "A\0"sv,
     R"(table cols=2 type=0 left=50 gap=20 widths=[500,1000]; cell 1; para table; text "A"; /para cell; done; /table)"},
    {"unsupported type", kRow, "\x01\x02\0\0"sv, "",
     "warn Table Format not Supported; table unsupported type=2; unread format=2 text=0 pending=0"},
    {"row cut short", kRow, "\x02\x01\xC8\0"sv, "", "table cols=2 type=1 left=0 gap=0 widths=[200,0]; /table"},
    {"no row", kRow, "\x02"sv, "", "table unsupported type=0; unread format=1 text=0 pending=0"},
};

TEST(TopicEvents, ParagraphsCommandsAndTableRows) {
    HelpModel model;
    model.fonts = {false, 1, std::vector<FontDescriptor>(4)};  // four fonts
    model.window_names = {"alpha", "beta"};
    model.picture_names.names = {"bm0.BMP", std::nullopt, "bm2.SHG"};
    add_context_name(model.context_names, "intro");
    for (const Case& c : kCases) {
        model.fonts.long_descriptors = c.mode == kTwips;
        ContextNamer names(model.context_names);
        RecordingSink sink;
        Reporter report(sink);
        report.progress_window = true;  // warnings are shown from the first one
        const TopicContext context{model, names, report};
        ByteReader bytes(reinterpret_cast<const uint8_t*>(c.format.data()), c.format.size());
        ByteReader text(reinterpret_cast<const uint8_t*>(c.text.data()), c.text.size());
        uint32_t pending = 0;
        ParagraphDecoder decoder{context, sink, text, bytes, c.mode == kNonScroll, pending};
        c.mode == kRow ? decoder.table() : decoder.paragraph(nullptr);
        // What the decoder left unread, and the topic offsets its pictures take.
        if (bytes.remaining() || text.remaining() || pending) {
            sink.add(format("unread format=%u text=%u pending=%u", bytes.remaining(), text.remaining(), pending));
        }
        EXPECT_EQ(sink.log, c.want) << "in case " << c.name;
    }
}

// Each piece is found, in this order, in the events of the seed help file's topics.
void expect_in_order(const std::string& seed, std::initializer_list<std::string_view> pieces) {
    RecordingSink sink;
    Reporter report(sink);
    auto model = build_help_model(open_input_file(KORVANE_SOURCE_DIR "/fuzz/seeds/" + seed, report), {}, report);
    ContextNamer names(model->context_names);
    sink.log.clear();
    report.progress_window = true;
    decode_topics(TopicContext{*model, names, report}, sink, WalkOptions{});
    size_t at = 0;
    for (std::string_view piece : pieces) {
        size_t found = sink.log.find(piece, at);
        ASSERT_TRUE(found != std::string::npos)
            << seed << ": no\n  " << piece << "\nin the events from " << at << ":\n  " << sink.log.substr(at, 2000);
        at = found + piece.size();
    }
}

// Topic headers (title, entry macro, browse keys), the context ids and
// keywords of a record before its paragraph, the non-scrolling region, the
// spacing scale of the fonts, table records of each type, and 3.0 files
// (topics numbered from 1 and named by their number) with a 0x01 text
// record and with 0x20 and 0x23 ones.
TEST(TopicEvents, RecordsOfSmallHelpFiles) {
    expect_in_order("halibut-small.hlp",
                    {R"~(topic 0 "Contents" macro="DB("btn_up")" browse=-1/0/77; ctx top; para nonscroll; )~"
                     R"~(font 6; text "Korvane sample"; /para; done; para; hot jump 0x4EF9C604 "Indl3tao."; font 0)~",
                     R"~(topic 1 "Chapter 1: Introduction" macro="CBB("btn_up","JI(`',`Top')");EB("btn_up")" )~"
                     R"~(browse=0/77/223; ctx Indl3tao.; kw K "sample index"; para nonscroll; font 6)~",
                     R"~(/para; done; para after=120 left=0; font 0; text "This is the "; font 1; text "sample")~",
                     R"~(topic 2 "Section 1.1: More things")~"});
    expect_in_order("long-fonts-indents.hlp", {R"~(para after=12 left=0; font 0; text "This is the ")~"});
    const char* cells =
        R"~(; para table; text "cell one"; /para cell; done; cell 1; para table; text "cell"; tab; text "two"; done; )~"
        "/table";
    expect_in_order("table-types.hlp", {"table cols=2 type=0 left=13 gap=6 widths=[63,125]", cells,
                                        "table cols=2 type=1 left=20 gap=10 widths=[100,200]", cells,
                                        "table cols=2 type=3 left=20 gap=10 widths=[100,200]", cells,
                                        "warn Table Format not Supported; table unsupported type=2"});
    expect_in_order("long-version30.hlp",
                    {R"~(topic 1 "Long" macro="" browse=-1/1/-1 id=Indc3._e5; para; text "beta alpha)~",
                     R"~(/para; done; topic 2 "Long" macro="" browse=-1/2/-1 id=a; para; text "after")~"});
    expect_in_order("version30.hlp",
                    {R"~(topic 1 "Topic 0" macro="BrowseButtons()" browse=-1/1/-1 id=Indc3._e5; ctx topic_0; para )~",
                     R"~(ctx conkkxsy9; table cols=2 type=0 left=20 gap=10 widths=[100,200])~",
                     R"~(topic 2 "Topic 1" macro="BrowseButtons()" browse=-1/2/-1 id=a; para)~"});
}

}  // namespace
