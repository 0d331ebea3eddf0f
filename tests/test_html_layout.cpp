// SPDX-License-Identifier: MIT
// Topic pages laid out as the help viewer shows them, measured in a browser,
// for what the corpus files of ctest site_layout lack: right and centred tab
// stops, a lead wider than its hanging indent, a line break between tabs,
// default stops only, a popup link at the window's right edge, a popup
// inside a popup and a picture floating right. The hand-made topics go
// through the page writer with the site's style sheet and script; beside
// them the test writes the RTF source of their paragraphs, from which
// tests/html/check_layout.py takes where each text must stand.
#include <gtest/gtest.h>

#include <Magick++.h>

#include <string>
#include <vector>

#include "base/format.h"
#include "output/output_sink.h"
#include "html/keyword_index.h"
#include "html/page_writer.h"
#include "html/site_files.h"
#include "html/site_style.h"
#include "support/test_util.h"
#include "text/utf8.h"
#include "topicmap/topic_map.h"
#include "topics/help_model.h"

using namespace korvane;
using namespace korvane::test;

namespace {

const struct {
    const char* context;
    bool popup;
} kTopics[] = {{"tabs", false}, {"pictures", false}, {"glossary", true}, {"inner", true}};

ParagraphFormat indents(int left, int first, std::vector<TabStop> tabs = {}, Alignment alignment = Alignment::left) {
    ParagraphFormat f;
    f.left_indent = left;
    f.first_indent = first;
    f.tabs = std::move(tabs);
    f.alignment = alignment;
    return f;
}
TabStop stop(int twips, TabStop::Kind kind = TabStop::Kind::left) { return {twips / 10, kind}; }

// Writes each paragraph both to the page writer and as the RTF source of
// its indents, tab stops, text, tabs and line breaks. In the paragraph's
// text "\t" is a tab, "\n" a line break, "@" a picture floating right,
// "<context:" opens a popup hotspot, ">" closes it.
struct Twin {
    PageWriter& pages;
    std::string rtf = "{\\rtf1\\ansi\\ansicpg1252\n";

    void topic(int32_t number) {
        if (number > 0) rtf += "\\page\n";
        TopicStart start;
        start.number = number;
        start.context_ids = {kTopics[number].context};
        pages.topic_begin(start);
    }

    void paragraph(const ParagraphFormat& f, std::string_view text) {
        pages.paragraph_begin(f);
        pages.font(0);
        rtf += format("\\pard\\li%d\\fi%d", f.left_indent.value_or(0), f.first_indent.value_or(0));
        for (const TabStop& t : f.tabs) {
            if (t.kind != TabStop::Kind::left) rtf += t.kind == TabStop::Kind::right ? "\\tqr" : "\\tqc";
            rtf += format("\\tx%d", t.position * 10);
        }
        rtf += ' ';
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\t') {
                pages.tab();
                rtf += "\\tab ";
            } else if (text[i] == '\n') {
                pages.line_break();
                rtf += "\\line ";
            } else if (text[i] == '@') {
                pages.picture(Placement::right, 1, "bm1.bmp");
            } else if (text[i] == '<') {
                const size_t colon = text.find(':', i);
                Hotspot h;
                h.kind = HotspotKind::popup;
                h.target = std::string(text.substr(i + 1, colon - i - 1));
                pages.hotspot_begin(h);
                i = colon;
            } else if (text[i] == '>') {
                pages.hotspot_end();
            } else {
                const size_t end = std::min(text.find_first_of("\t\n@<>", i), text.size());
                pages.text(text.substr(i, end - i));
                rtf += text.substr(i, end - i);
                i = end - 1;
            }
        }
        pages.paragraph_end(false);
        pages.paragraph_done();
        rtf += "\\par\n";
    }
};

}  // namespace

TEST(HtmlLayout, HandMadeTopicsStandWhereTheirSourceSaysInABrowser) {
    TempDir dir;
    HelpModel model;
    model.fonts.descriptors.emplace_back().half_points = 20;
    model.fonts.descriptors.back().face = "Arial";
    model.key = "hand";
    const std::string out_dir = dir / "hand/";
    DiskSink sink;
    const html::SiteFiles files(sink, out_dir);
    std::vector<MapTopic> topics;
    for (size_t t = 0; t < std::size(kTopics); ++t) {
        MapTopic& topic = topics.emplace_back();
        topic.number = static_cast<int32_t>(t);
        topic.context_ids = {kTopics[t].context};
        topic.popup = kTopics[t].popup;
    }
    MapPictures pictures;
    pictures["bm1.png"] = MapPicture{"bm1.png", 24, 18, {}};
    const TopicMap map(model, std::move(topics), std::move(pictures), TopicMapOptions{});
    text::Utf8Converter utf8;
    const html::KeywordIndex keywords(map, utf8, 1252);
    const html::Site site{model, map, keywords, files, "en", 1252};
    std::filesystem::create_directories(out_dir);
    std::filesystem::create_directories(dir / "source");
    Magick::Image bitmap(Magick::Geometry(24, 18), Magick::Color("navy"));
    bitmap.write("png:" + out_dir + "bm1.png");

    PageWriter pages(site);
    Twin twin{pages};
    const std::string words = " Some more words, so that the text runs over several lines beside the picture and"
                              " shows whether it flows around it as the viewer lets it.";
    twin.topic(0);
    twin.paragraph(indents(360, -360), "Lead too wide\tgoes on to the next stop");
    twin.paragraph(indents(0, 0, {stop(4320, TabStop::Kind::right)}), "A long chapter\t1234");
    twin.paragraph(indents(0, 0, {stop(2880, TabStop::Kind::centre), stop(5040, TabStop::Kind::right)}),
                   "Left\tCentre\tRight");
    twin.paragraph(indents(240, 0, {stop(1800)}), "x\ty\nz\tw");
    twin.paragraph(indents(180, 0), "a\tb\tc");  // default stops only, from the left margin
    twin.paragraph(indents(0, 0), "See the <glossary:glossary>.");
    twin.paragraph(indents(0, 0, {}, Alignment::right), "At the right edge: <glossary:glossary>");
    twin.topic(1);
    twin.paragraph(indents(0, 0), "@Right:" + words + words);
    twin.topic(2);
    twin.paragraph(indents(0, 0, {stop(1440)}), "Term\texplained, with <inner:another term>.");
    twin.topic(3);
    twin.paragraph(indents(0, 0), "The inner popup's text.");
    const WrittenPages written = pages.finish();

    write_file(out_dir + "korvane.css",
               html::style_sheet(written.paragraph_styles, html::font_rules(model.fonts)) + written.window_rules);
    write_file(out_dir + "korvane.js", html::kPopupScript);
    write_file(dir / "source/HAND1.RTF", twin.rtf + "}\n");

    RunResult r = run_program({find_program("python3"), KORVANE_SOURCE_DIR "/tests/html/check_layout.py", dir / "hand",
                               dir / "source"}, dir.path());
    EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
    // Every case was measured.
    for (const char* figures : {"c stops 1,", "r stops 2,", "nested popups 2,",
                                "pages 4,", "pictures 1,", "tabs aligned 6, tabs probed 6,"}) {
        EXPECT_NE(r.out.find(figures), std::string::npos) << figures << "\n" << r.out;
    }
}
