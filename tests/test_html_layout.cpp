// SPDX-License-Identifier: MIT
// Topic pages laid out as the help viewer shows them, measured in a browser:
// hand-made topics with every kind of tab stop, hanging indents, spacers,
// exact line spacing, pictures in the line and floating, popups inside
// popups and a topic sent to a secondary window go through the page writer
// with the style sheet and script; beside them the test writes the same
// topics as their RTF source and project file, from which
// tests/html/check_layout.py takes where each text must stand.
#include <gtest/gtest.h>

#include <Magick++.h>

#include <string>
#include <vector>

#include "base/format.h"
#include "base/output_sink.h"
#include "html/page_writer.h"
#include "html/site.h"
#include "html/site_style.h"
#include "support/test_util.h"
#include "topics/help_model.h"

using namespace korvane;
using namespace korvane::test;

namespace {

// One event of a paragraph's content.
struct Piece {
    enum class Kind { text, tab, line_break, picture, jump, popup, end } kind;
    std::string value = {};  // text, or the context a hotspot leads to
    Placement placement = Placement::inline_;
    std::string window = {};  // of a jump
};
Piece text(std::string s) { return {Piece::Kind::text, std::move(s)}; }
const Piece kTab{Piece::Kind::tab};
const Piece kBreak{Piece::Kind::line_break};
const Piece kEnd{Piece::Kind::end};
Piece picture(Placement placement) { return {Piece::Kind::picture, "", placement}; }
Piece jump(std::string context, std::string window = "") {
    return {Piece::Kind::jump, std::move(context), Placement::inline_, std::move(window)};
}
Piece popup(std::string context) { return {Piece::Kind::popup, std::move(context)}; }

struct Paragraph {
    ParagraphFormat format;
    uint16_t font = 0;
    std::vector<Piece> pieces;  // none: an empty paragraph
};

struct Topic {
    std::string context, title;
    std::vector<Paragraph> paragraphs;
    bool popup = false;
};

// Fonts 0 to 2: text, heading, a 4-point spacer font.
const int kHalfPoints[] = {20, 24, 8};

ParagraphFormat indents(int left = 0, int first = 0, std::vector<TabStop> tabs = {}) {
    ParagraphFormat f;
    f.left_indent = left;
    f.first_indent = first;
    f.tabs = std::move(tabs);
    return f;
}
TabStop stop(int twips, TabStop::Kind kind = TabStop::Kind::left) { return {twips / 10, kind}; }
ParagraphFormat region() {
    ParagraphFormat f;
    f.non_scrolling = true;
    f.space_after = 60;
    return f;
}

std::vector<Topic> topics() {
    const std::string words = " Some more words, so that the text runs over several lines beside the picture and"
                              " shows whether it flows around it as the viewer lets it.";
    ParagraphFormat exact = indents(120);
    exact.line_spacing = -300;
    ParagraphFormat spaced = indents();
    spaced.space_before = 120;
    spaced.space_after = 80;
    ParagraphFormat right_aligned = indents();
    right_aligned.alignment = Alignment::right;
    return {
        {"tabs", "Tab stops",
         {{region(), 1, {text("Tab stops")}},
          // Hanging indents: a stored stop at the indent, the indent alone,
          // and a lead wider than the indent (on to the next default stop).
          {indents(360, -360, {stop(360)}), 0, {text("1."), kTab, text("First item of a numbered list")}},
          {indents(360, -360, {stop(360)}), 0, {text("10."), kTab, text("Tenth item, wrapping onto a second line "
                                                                      "of text under the first words")}},
          {indents(540, -360), 0, {text("\x95"), kTab, text("Bullet on the hanging indent alone")}},
          {indents(360, -360), 0, {text("Lead too wide"), kTab, text("goes on to the next stop")}},
          // Columns at stored stops.
          {indents(0, 0, {stop(2160)}), 0, {text("Name"), kTab, text("Two columns")}},
          {indents(0, 0, {stop(2160)}), 0, {text("A longer name"), kTab, text("Two columns")}},
          {indents(0, 0, {stop(1440), stop(2880)}), 0, {text("a"), kTab, text("bb"), kTab, text("ccc")}},
          {indents(0, 0, {stop(1440), stop(2880)}), 0, {text("aaaaaa"), kTab, text("b"), kTab, text("c")}},
          // Right and centred stops, and a line break between tabs.
          {indents(0, 0, {stop(4320, TabStop::Kind::right)}), 0, {text("Chapter"), kTab, text("12")}},
          {indents(0, 0, {stop(4320, TabStop::Kind::right)}), 0, {text("A long chapter"), kTab, text("1234")}},
          {indents(0, 0, {stop(2880, TabStop::Kind::centre), stop(5040, TabStop::Kind::right)}), 0,
           {text("Left"), kTab, text("Centre"), kTab, text("Right")}},
          {indents(240, 0, {stop(1800)}), 0, {text("x"), kTab, text("y"), kBreak, text("z"), kTab, text("w")}},
          // Default stops only, from the left margin.
          {indents(180), 0, {text("a"), kTab, text("b"), kTab, text("c")}},
          // Spacers and exact line spacing.
          {indents(), 2, {}},
          {spaced, 0, {}},
          {exact, 0, {text("Exact spacing"), kBreak, text("on two lines")}},
          {exact, 2, {}},
          {indents(), 0, {text("See the "), popup("glossary"), text("glossary"), kEnd, text(" and "),
                         jump("secondary", "note"), text("a secondary window"), kEnd, text(".")}},
          {right_aligned, 0, {text("At the right edge: "), popup("glossary"), text("glossary"), kEnd}}}},
        {"pictures", "Pictures",
         {{region(), 1, {text("Pictures")}},
          {indents(), 0, {text("Before "), picture(Placement::inline_), text(" after, on the baseline.")}},
          {indents(), 0, {picture(Placement::left), text("Left:" + words + words)}},
          {indents(), 0, {picture(Placement::right), text("Right:" + words + words)}},
          {indents(), 0, {jump("tabs"), picture(Placement::inline_), kEnd, text(" leads to the tab stops.")}}}},
        {"glossary", "Glossary",
         {{region(), 1, {text("Glossary")}},
          {indents(0, 0, {stop(1440)}), 0, {text("Term"), kTab, text("explained, with "), popup("inner"),
                                           text("another term"), kEnd, text(".")}}},
         true},
        {"inner", "Inner", {{indents(), 0, {text("The inner popup's text.")}}}, true},
        {"secondary", "Secondary",
         {{region(), 1, {text("In a secondary window")}},
          {indents(0, 0, {stop(2880, TabStop::Kind::right)}), 0, {text("Page"), kTab, text("7")}}}},
    };
}

Hotspot hotspot(const Piece& piece) {
    Hotspot h;
    h.kind = piece.kind == Piece::Kind::popup ? HotspotKind::popup : HotspotKind::jump;
    h.target = piece.value;
    h.window = piece.window.empty() ? std::nullopt : std::optional<std::string>(piece.window);
    return h;
}

// The events of the topics, as the topic decoder reports them.
void write_pages(PageWriter& pages, const std::vector<Topic>& all) {
    for (size_t t = 0; t < all.size(); ++t) {
        TopicStart start;
        start.number = static_cast<int32_t>(t);
        start.context_ids = {all[t].context};
        start.title = all[t].title;
        pages.topic_begin(start);
        for (const Paragraph& p : all[t].paragraphs) {
            pages.paragraph_begin(p.format);
            pages.font(p.font);
            for (const Piece& piece : p.pieces) {
                switch (piece.kind) {
                case Piece::Kind::text: pages.text(piece.value); break;
                case Piece::Kind::tab: pages.tab(); break;
                case Piece::Kind::line_break: pages.line_break(); break;
                case Piece::Kind::picture: pages.picture(piece.placement, 1, "bm1.bmp"); break;
                case Piece::Kind::end: pages.hotspot_end(); break;
                case Piece::Kind::jump:
                case Piece::Kind::popup: pages.hotspot_begin(hotspot(piece)); break;
                }
            }
            pages.paragraph_end(false);
            pages.paragraph_done();
        }
    }
    pages.finish();
}

// The same topics as their RTF source: what the help compiler read.
std::string rtf_source(const std::vector<Topic>& all) {
    std::string rtf = "{\\rtf1\\ansi\\ansicpg1252\n";
    for (const Topic& topic : all) {
        rtf += "{#{\\footnote{#}" + topic.context + "}}\n";
        for (const Paragraph& p : topic.paragraphs) {
            const ParagraphFormat& f = p.format;
            rtf += f.non_scrolling ? "\\pard\\keepn" : "\\pard";
            auto word = [&](const char* name, std::optional<int> value) {
                if (value && *value) rtf += format("\\%s%d", name, *value);
            };
            word("sb", f.space_before), word("sa", f.space_after), word("sl", f.line_spacing);
            word("li", f.left_indent), word("fi", f.first_indent);
            for (const TabStop& t : f.tabs) {
                if (t.kind != TabStop::Kind::left) rtf += t.kind == TabStop::Kind::right ? "\\tqr" : "\\tqc";
                rtf += format("\\tx%d", t.position * 10);
            }
            rtf += format("\\fs%d ", kHalfPoints[p.font]);
            std::string hidden;
            for (const Piece& piece : p.pieces) {
                switch (piece.kind) {
                case Piece::Kind::text: rtf += piece.value; break;
                case Piece::Kind::tab: rtf += "\\tab "; break;
                case Piece::Kind::line_break: rtf += "\\line "; break;
                case Piece::Kind::picture:
                    rtf += piece.placement == Placement::left    ? "\\{bml bm1.bmp\\}"
                           : piece.placement == Placement::right ? "\\{bmr bm1.bmp\\}"
                                                                 : "\\{bmc bm1.bmp\\}";
                    break;
                case Piece::Kind::jump:
                case Piece::Kind::popup:
                    rtf += piece.kind == Piece::Kind::popup ? "\\ul " : "\\strike ";
                    hidden = piece.value + (piece.window.empty() ? "" : ">" + piece.window);
                    break;
                case Piece::Kind::end: rtf += "\\ul0\\strike0{\\v " + hidden + "}"; break;
                }
            }
            rtf += "\\par\n";
        }
        rtf += "\\page\n";
    }
    return rtf + "}\n";
}

WindowDefinition window(const char* name, const char* caption, uint16_t width, std::array<uint8_t, 3> scrolling,
                        std::array<uint8_t, 3> band) {
    uint16_t flags = kWindowName | kWindowScrollingColour | kWindowNonScrollingColour;
    flags |= (*caption ? kWindowCaption : 0) | (width ? kWindowWidth : 0);
    return {.flags = flags, .name = name, .caption = caption, .width = width, .scrolling_colour = scrolling,
            .non_scrolling_colour = band};
}

}  // namespace

TEST(HtmlLayout, HandMadeTopicsStandWhereTheirSourceSaysInABrowser) {
    TempDir dir;
    const std::vector<Topic> all = topics();
    HelpModel model;
    for (int half_points : kHalfPoints) {
        model.fonts.descriptors.emplace_back().half_points = half_points;
        model.fonts.descriptors.back().face = "Arial";
    }
    // The main window fluid, the secondary one 300 px wide with a caption.
    model.windows = {window("main", "", 0, {255, 255, 226}, {192, 192, 192}),
                     window("note", "A note", 300, {224, 255, 255}, {128, 160, 255})};
    DiskSink sink;
    SiteMap site;
    site.folder = "hand";
    site.out_dir = dir / "hand/";
    site.output = &sink;
    for (size_t t = 0; t < all.size(); ++t) {
        SiteTopic& topic = site.topics.emplace_back();
        topic.number = static_cast<int32_t>(t);
        topic.title = all[t].title;
        topic.context_ids = {all[t].context};
        topic.popup = all[t].popup;
        topic.page = all[t].context + ".html";
        site.contexts.emplace(all[t].context, SiteTarget{t, topic.page, ""});
    }
    site.jump_windows.emplace("secondary", "note");
    site.pictures["bm1.png"] = SitePicture{"bm1.png", 24, 18, {}};
    std::filesystem::create_directories(site.out_dir);
    std::filesystem::create_directories(dir / "source");
    Magick::Image bitmap(Magick::Geometry(24, 18), Magick::Color("navy"));
    bitmap.write("png:" + site.out_dir + "bm1.png");

    PageWriter pages(model, site);
    write_pages(pages, all);
    std::string css(html::kSiteStyleSheet);
    for (size_t i = 0; i < std::size(kHalfPoints); ++i) {
        css += format(".f%d { font-family: Arial, sans-serif; font-size: %dpt }\n", static_cast<int>(i), kHalfPoints[i] / 2);
    }
    for (size_t i = 0; i < pages.paragraph_styles().size(); ++i) {
        css += format(".p%d { %s }\n", static_cast<int>(i + 1), pages.paragraph_styles()[i]);
    }
    write_file(site.out_dir + "korvane.css", css + pages.window_rules());
    write_file(site.out_dir + "korvane.js", html::kPopupScript);
    write_file(dir / "source/HAND1.RTF", rtf_source(all));
    write_file(dir / "source/HAND.HPJ",
               "[Windows]\nmain=,,,(255,255,226),(192,192,192)\nnote=\"A note\",(,,300,),,(224,255,255),(128,160,255)\n");

    RunResult r = run_program({find_program("python3"), KORVANE_SOURCE_DIR "/tests/html/check_layout.py", dir / "hand",
                               dir / "source"}, dir.path());
    EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
    // Every case was measured.
    for (const char* figures : {"5 pages matched", "tabs: 15 of 15 paragraphs", "(15 tabs to left stops, 4 right, 1 centred)",
                                "hanging: 3 of 3 hanging", "spacing: 3 empty paragraphs; windows: 5 pages; regions: 4; "
                                "popups: 3 opened, 2 nested; pictures: 4"}) {
        EXPECT_NE(r.out.find(figures), std::string::npos) << figures << "\n" << r.out;
    }
}
