// The topic pass: files, separators, footnotes, offsets, warnings, progress
// and damaged topic streams.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "driver/messages.h"
#include "helpfile/helpfile.h"
#include "support/index_builder.h"
#include "support/rtf_topics.h"
#include "topics/context_hash.h"

using namespace korvane;
using namespace korvane::test;

namespace {

HelpFileSpec spec_of(std::vector<TopicRecord> records) {
    HelpFileSpec s;
    s.records = std::move(records);
    return s;
}

std::vector<TopicRecord> topics(int n) {
    std::vector<TopicRecord> r;
    for (int i = 0; i < n; ++i) {
        r.push_back(topic_header({.number = i, .title = "Title " + std::to_string(i)}));
        r.push_back(plain_text("Topic " + std::to_string(i) + "."));
    }
    return r;
}

size_t count(const std::string& s, const std::string& what) {
    size_t n = 0;
    for (size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + what.size())) ++n;
    return n;
}

// Checks that the pieces stand in s in this order; returns the first
// missing or misplaced one.
std::string first_out_of_order(const std::string& s, const std::vector<std::string>& pieces) {
    size_t at = 0;
    for (const auto& p : pieces) {
        size_t found = s.find(p, at);
        if (found == std::string::npos) return p;
        at = found + p.size();
    }
    return "";
}

std::string footnote(char mark, const std::string& text) {
    return std::string("{") + mark + "{\\footnote{" + mark + "}" + text + "}}";
}

std::string context_footnote(const std::string& name) { return footnote('#', made_up_name(context_hash(name))); }

uint32_t hash_of(const std::string& name) { return context_hash(name); }

// The loop's topic offset for record i, before its text.
uint32_t offset_of(const HelpFileSpec& spec, size_t i) { return build_help_file(spec).topic.records.at(i).text_offset; }

}  // namespace

TEST(RtfTopics, FilesOf152TopicsSeparatorsAndHeads) {
    TopicRun one = run_topics(spec_of(topics(152)), 0);
    ASSERT_EQ(one.files, std::vector<std::string>{"T1.RTF"});
    const std::string& c = one.contents[0];
    EXPECT_EQ(c.rfind("{\\rtf1\\ansi\\deff0\\deflang1031 {\\fonttbl{}}\n{\\colortbl\n}\n", 0), 0u);
    EXPECT_EQ(c.back(), '}');
    EXPECT_TRUE(balanced_rtf(c));
    EXPECT_EQ(count(c, "\\par\\pard\\par\n"), 151u);
    EXPECT_EQ(one.project, "\n[Files]\nT1.RTF\n");
    EXPECT_EQ(first_out_of_order(one.all(), {footnote('$', "Title 0"), "\\pard\\ql Topic 0.\\par",
                                             "\\par\\pard\\par" + footnote('$', "Title 1"), "Topic 151."}),
              "");

    TopicRun two = run_topics(spec_of(topics(153)), CVF_PAGE_BREAK);
    ASSERT_EQ(two.files, (std::vector<std::string>{"T1.RTF", "T2.RTF"}));
    EXPECT_EQ(two.project, "\n[Files]\nT1.RTF\nT2.RTF\n");
    EXPECT_EQ(count(two.contents[0], "\\page\\pard\n"), 151u);
    EXPECT_EQ(count(two.contents[1], "\\page\\pard\n"), 0u);
    EXPECT_EQ(count(two.contents[0], "\\par\\pard\\par"), 0u);
    std::string second = flat(two.contents[1]);
    EXPECT_NE(second.find("{\\rtf1\\ansi\\deff0\\deflang1031 {\\fonttbl{}}{\\colortbl}" + footnote('$', "Title 152") +
                          "\\pard\\ql Topic 152.\\par}"),
              std::string::npos);
    EXPECT_EQ(flat(two.contents[0]).find("Topic 152."), std::string::npos);
    EXPECT_TRUE(balanced_rtf(two.contents[0]) && balanced_rtf(two.contents[1]));
}

TEST(RtfTopics, PrintModeHeaderWithoutFootnotes) {
    HelpFileSpec spec = spec_of(topics(3));
    spec.records[1] = text_record(Format().info(0).u8(0xE3).u32(hash_of("x")).u8(0x89).u8(0xFF), {"", "jump", ""});
    spec.extra_files = {{"|CONTEXT", context_btree({{static_cast<int32_t>(hash_of("ctx")), 0}})}};
    TopicRun r = run_topics(spec, CVF_FOR_PRINT | CVF_EMBED_PICTURES | CVF_NO_SHG);
    ASSERT_EQ(r.files.size(), 1u);
    EXPECT_NE(r.contents[0].find("{\\rtf1\\ansi\\deff0\\deflang1031 "
                                 "{\\header\\pard\\plain\\s243\\brdrb\\brdrs\\brdrw15\\brsp20\\tqc\\tx4252\\tqr"
                                 "\\tx8504\\fs20\\lang1031 T1.RTF \\fs15\\tab  \\fs20\\tab Page "
                                 "{\\field{\\*\\fldinst page }} of {\\field{\\*\\fldinst numpages }} \\par}\n"
                                 "{\\fonttbl{}}"),
              std::string::npos);
    EXPECT_EQ(r.contents[0].find("\\footnote"), std::string::npos);
    EXPECT_NE(r.all().find("\\pard\\ql jump\\strike0\\ul0{\\v }"), std::string::npos);
    EXPECT_TRUE(balanced_rtf(r.contents[0]));
    EXPECT_TRUE(r.warnings.empty());  // no context-id warnings in print mode
    EXPECT_EQ(r.phases, std::vector<std::string>{"Reading Topics"});
    ASSERT_FALSE(r.percents.empty());
    EXPECT_EQ(r.percents.front(), 50);
    EXPECT_EQ(r.percents.back(), 100);
}

TEST(RtfTopics, WarningsForMissingContextIdsAndUnknownRecords) {
    HelpFileSpec spec = spec_of(topics(4));
    TopicRecord odd;
    odd.record_type = 0x21;
    odd.format = {1, 2, 3};
    odd.text = to_bytes("skipped");
    spec.records.insert(spec.records.begin() + 6, odd);
    spec.extra_files = {{"|CONTEXT", context_btree({{static_cast<int32_t>(hash_of("zero")), 0},
                                                    {static_cast<int32_t>(hash_of("two")),
                                                     static_cast<int32_t>(offset_of(spec, 5))}})}};
    TopicRun r = run_topics(spec, 0);
    // Topic 1 lacks a context id: reported at topic 2's header. Topic 3 is
    // the last and is never reported.
    EXPECT_EQ(r.warnings, (std::vector<std::string>{"Topic #1 does not have a Context Id",
                                                    "Unknown TopicLink-Record Type 33"}));
    EXPECT_EQ(r.all().find("skipped"), std::string::npos);
    EXPECT_EQ(first_out_of_order(r.all(), {context_footnote("zero"), "Topic 0.", "Topic 1.", context_footnote("two"),
                                           "Topic 2.", "Topic 3."}),
              "");
}

TEST(RtfTopics, ContextIdsAndKeywordsOverEachRecordsRange) {
    HelpFileSpec spec;
    spec.records = {topic_header({.number = 0}), plain_text("Alpha text"), plain_text("Beta"),
                    topic_header({.number = 1}), plain_text("Gamma")};
    spec.records[4].new_block = true;
    BuiltHelpFile pre = build_help_file(spec);
    uint32_t beta = pre.topic.records[2].text_offset;
    uint32_t block_end = beta + static_cast<uint32_t>(spec.records[2].text.size());
    uint32_t gamma = pre.topic.records[4].text_offset;
    ASSERT_EQ(gamma, 32768u);

    spec.extra_files.push_back({"|CONTEXT", context_btree({{static_cast<int32_t>(hash_of("second")), static_cast<int32_t>(beta + 2)},
                                                           {static_cast<int32_t>(hash_of("first")), static_cast<int32_t>(beta + 2)},
                                                           {static_cast<int32_t>(hash_of("atzero")), 0},
                                                           {static_cast<int32_t>(hash_of("tail")), static_cast<int32_t>(block_end)},
                                                           {0, static_cast<int32_t>(gamma)}})});
    KeywordFiles kw = keyword_files({{"kwzero", {0}},
                                     {"kwmid", {static_cast<int32_t>(beta + 1)}},
                                     {"kwtail", {static_cast<int32_t>(block_end)}},
                                     {"kwgamma", {static_cast<int32_t>(gamma + 3)}}});
    spec.extra_files.push_back({"|KWBTREE", kw.kwbtree});
    spec.extra_files.push_back({"|KWDATA", kw.kwdata});

    TopicRun r = run_topics(spec, 0);
    std::string all = r.all();
    // Every context of a range in table order; keywords anywhere in the
    // range, offset 0 included; the first record of a new block also covers
    // the offsets where the previous block's count ended.
    EXPECT_EQ(first_out_of_order(all, {context_footnote("atzero"), footnote('K', "kwzero"), "Alpha text",
                                       context_footnote("second"), context_footnote("first"), footnote('K', "kwmid"),
                                       "Beta", "\\par\\pard\\par", context_footnote("tail"), "{K{\\footnote{K}",
                                       "Gamma"}),
              "");
    size_t k = all.find("{K{\\footnote{K}kw", all.find("\\par\\pard\\par"));
    std::string gamma_keywords = all.substr(k, all.find("}}", k) - k);
    EXPECT_NE(gamma_keywords.find("kwtail"), std::string::npos);
    EXPECT_NE(gamma_keywords.find("kwgamma"), std::string::npos);
    EXPECT_EQ(count(all, "{#{\\footnote{#}"), 4u);
    EXPECT_TRUE(r.warnings.empty());
}

TEST(RtfTopics, PictureHotspotsMoveTheNextRecordsOffset) {
    auto picture = [](uint8_t kind) {
        Format f;
        f.info(0).u8(0x86).u8(kind).u8(0).u8(0).u8(6).u8(0).u8(0).u16(kind == 0x22 ? 0xFFFF : 0);
        if (kind == 0x05) f.u8(0).str("W");
        return f.u8(0xFF);
    };
    HelpFileSpec spec;
    spec.records = {topic_header({.number = 0}), text_record(picture(0x22), {"A", ""}), plain_text("B"),
                    topic_header({.number = 1}), text_record(picture(0x05), {"C", ""}), plain_text("D")};
    BuiltHelpFile pre = build_help_file(spec);
    uint32_t b = pre.topic.records[2].text_offset + 3;  // three picture hotspots
    uint32_t d = pre.topic.records[5].text_offset + 3;  // the window's count does not move it further
    spec.extra_files = {{"|CONTEXT", context_btree({{static_cast<int32_t>(hash_of("bee")), static_cast<int32_t>(b)},
                                                    {static_cast<int32_t>(hash_of("dee")), static_cast<int32_t>(d)}})}};
    TopicRun r = run_topics(spec, 0);
    EXPECT_EQ(first_out_of_order(r.all(), {"\\pard\\ql A", context_footnote("bee"), "\\pard\\ql B",
                                           "\\pard\\ql C\\{ewc W\\}", context_footnote("dee"), "\\pard\\ql D"}),
              "");
    EXPECT_TRUE(r.warnings.empty());
}

TEST(RtfTopics, TablesAfterTopicHeadersKeepWithNextAndShortHeaders) {
    Format row;
    row.u8(1).u8(1).u16(100).u16(0).u8(0).u16(0).u16(0).info(0).u8(0x82).u8(0xFF).u8(0xFF).u16(0).u16(0);
    HelpFileSpec spec;
    spec.records = {topic_header({.number = 0}), table_record(row, {"c1", ""}), table_record(row, {"c2", ""}),
                    plain_text("text"), table_record(row, {"c3", ""}), topic_header({.number = 1})};
    TopicRun r = run_topics(spec, 0);
    std::string all = r.all();
    EXPECT_EQ(count(all, "{\\pard\\trowd"), 3u);
    EXPECT_EQ(first_out_of_order(all, {"\\par{\\pard\\trowd", "c1", "\\par{\\pard\\trowd", "c2", "text\\par{\\pard\\trowd",
                                       "c3"}),
              "");
    EXPECT_TRUE(balanced_rtf(r.contents.at(0)));

    // The records up to the scrolling region's start keep with the next.
    HelpFileSpec keep;
    keep.records = {topic_header({.number = 0}), plain_text("A"), plain_text("B"), plain_text("C"),
                    topic_header({.number = 1}), plain_text("E")};
    BuiltHelpFile pre = build_help_file(keep);
    keep.records[0] = topic_header({.number = 0, .scroll = pre.topic.records[3].position});
    // A topic header shorter than its six fields: the missing ones are 0, so
    // nothing of its topic keeps with the next and its number is 0.
    keep.records[4].format.resize(12);
    keep.records[4].text = to_bytes(std::string("Short\0", 6));
    r = run_topics(keep, 0);
    EXPECT_EQ(first_out_of_order(r.all(), {"\\pard\\keepn\\ql A", "\\pard\\keepn\\ql B", "\\pard\\ql C",
                                           footnote('$', "Short"), "\\pard\\ql E"}),
              "");
    EXPECT_EQ(r.warnings, std::vector<std::string>{"Topic #0 does not have a Context Id"});
}

TEST(RtfTopics, Version30Files) {
    auto header30 = [](const std::string& title, uint32_t block_size) {
        TopicRecord h = topic_header({.title = title, .block_size = block_size});
        h.format.resize(12);
        return h;
    };
    HelpFileSpec spec;
    spec.minor_version = 15;
    spec.records = {header30("One", 100), plain_text("x"), header30("Two", 100), header30("Three", 8),
                    text_record(Format().info(0).u8(0xFF), {"never"}, 0x01)};
    spec.records[1] = text_record(Format().info(0).u8(0x82).u8(0xFF), {"first", ""}, 0x01);
    spec.records[2].new_block = true;  // its header starts a block: record start = block 1, position 12
    spec.records.insert(spec.records.begin() + 3, text_record(Format().info(0).u8(0xFF), {"second"}, 0x01));
    BuiltHelpFile pre = build_help_file(spec);
    ASSERT_EQ(pre.topic.records[2].position, (1u << 11) | 12u);
    KeywordFiles kw = keyword_files({{"kone", {static_cast<int32_t>(pre.topic.records[0].position)}},
                                     {"ktwo", {static_cast<int32_t>(pre.topic.records[2].position)}}});
    spec.extra_files = {{"|KWBTREE", kw.kwbtree}, {"|KWDATA", kw.kwdata}};

    TopicRun r = run_topics(spec, 0);
    // Topics are numbered from 1; the context id comes from number + 15 and
    // stands first; keywords at the header's record start come before the
    // first text; a first field of 8 or less ends the walk.
    EXPECT_EQ(first_out_of_order(r.all(), {footnote('#', made_up_name(16)), footnote('$', "One"),
                                           footnote('K', "kone"), "first\\par", footnote('#', made_up_name(17)),
                                           footnote('$', "Two"), footnote('K', "ktwo"), "second",
                                           footnote('#', made_up_name(18)), footnote('$', "Three")}),
              "");
    EXPECT_EQ(r.all().find("never"), std::string::npos);
    EXPECT_EQ(count(r.all(), "{K{\\footnote"), 2u);
    EXPECT_TRUE(r.warnings.empty());
}

TEST(RtfTopics, BrowseSequencesNeedTheDryPass) {
    HelpFileSpec spec = spec_of(topics(3));
    BuiltHelpFile pre = build_help_file(spec);
    uint32_t k0 = pre.topic.records[0].text_offset, k1 = pre.topic.records[2].text_offset,
             k2 = pre.topic.records[4].text_offset;
    // Listed out of order so that only the dry pass can number them.
    spec.records[0] = topic_header({.number = 0, .title = "Title 0", .browse_back = k1, .browse_forward = 0xFFFFFFFF});
    spec.records[2] = topic_header({.number = 1, .title = "Title 1", .browse_back = k2, .browse_forward = k0});
    spec.records[4] = topic_header({.number = 2, .title = "Title 2", .browse_back = 0xFFFFFFFF, .browse_forward = k1});
    TopicRun r = run_topics(spec, CVF_TWO_PASS);
    EXPECT_EQ(first_out_of_order(r.all(), {footnote('+', "grp0001:3"), "Topic 0.", footnote('+', "grp0001:2"),
                                           "Topic 1.", footnote('+', "grp0001:1"), "Topic 2."}),
              "");
    EXPECT_EQ(r.phases, (std::vector<std::string>{"Scanning Browse Sequences", "Reading Topics"}));
    EXPECT_EQ(r.project, "\n[Files]\nT1.RTF\n");  // the dry pass writes no [Files]

    TopicRun once = run_topics(spec, 0);
    EXPECT_EQ(once.all().find("{+{"), std::string::npos);
}

TEST(RtfTopics, ProgressPlan) {
    HelpFileSpec spec = spec_of(topics(200));
    // Each pass moves from its start by MulDiv(block - 1, span, size / 4096)
    // as the blocks are read; the writing pass ends at 100.
    auto follows_plan = [](const std::vector<int>& percents, int start, int span, size_t topic_size) {
        int blocks = static_cast<int>(topic_size / 4096);
        if (percents.empty() || percents.front() != start) return false;
        for (size_t i = 0; i < percents.size(); ++i) {
            if (i > 0 && percents[i] < percents[i - 1]) return false;
            bool on_plan = false;
            for (int b = 0; b <= blocks; ++b) on_plan |= percents[i] == start + mul_div(b, span, blocks);
            if (!on_plan) return false;
        }
        return percents.size() > 3;
    };
    TopicRun project = run_topics(spec, CVF_JUMPS | CVF_PAGE_BREAK);
    size_t size = project.built.topic.content.size();
    ASSERT_GE(size, 3u * 4096);
    EXPECT_EQ(project.percents.back(), 100);
    EXPECT_TRUE(follows_plan(project.percents, 75, 25, size));

    TopicRun print = run_topics(spec, CVF_FOR_PRINT);
    EXPECT_EQ(print.percents.back(), 100);
    EXPECT_TRUE(follows_plan(print.percents, 50, 50, size));

    TopicRun two = run_topics(spec, CVF_TWO_PASS);
    auto writing = std::find(two.percents.begin(), two.percents.end(), 75);
    ASSERT_NE(writing, two.percents.end());
    std::vector<int> dry(two.percents.begin(), writing), rest(writing, two.percents.end());
    EXPECT_TRUE(follows_plan(dry, 50, 25, size));
    EXPECT_LT(dry.back(), 75);
    EXPECT_TRUE(follows_plan(rest, 75, 25, size));
}

TEST(RtfTopics, DamagedStreamsEndCleanly) {
    // The last record's next_link points back at the first: the walk ends
    // with the topic data.
    auto loop = [](BuiltHelpFile& b) {
        const TopicRecordInfo& last = b.topic.records.back();
        size_t at = b.builder.content_offset("|TOPIC") + (last.position >> 14) * 4096 + (last.position & 0x3FFF) + 12;
        uint32_t first = b.topic.records.front().position;
        for (int i = 0; i < 4; ++i) b.bytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(first >> (8 * i));
    };
    TopicRun r = run_topics(spec_of(topics(40)), 0, loop);
    ASSERT_EQ(r.files.size(), 1u);
    EXPECT_TRUE(balanced_rtf(r.contents[0]));
    EXPECT_EQ(count(r.all(), "Topic 39."), 1u);
    EXPECT_EQ(count(r.all(), "Topic 0."), 1u);

    // A data size far beyond the topic data.
    auto huge = [](BuiltHelpFile& b) {
        const TopicRecordInfo& rec = b.topic.records[3];
        size_t at = b.builder.content_offset("|TOPIC") + (rec.position >> 14) * 4096 + (rec.position & 0x3FFF) + 16;
        b.bytes[at + 3] = 0x7F;
    };
    r = run_topics(spec_of(topics(40)), 0, huge);
    ASSERT_EQ(r.files.size(), 1u);
    EXPECT_TRUE(balanced_rtf(r.contents[0]));
    EXPECT_NE(r.all().find("Topic 0."), std::string::npos);

    // An empty |TOPIC: no files.
    r = run_topics(HelpFileSpec{}, 0);
    EXPECT_TRUE(r.files.empty());
    EXPECT_EQ(r.project, "\n[Files]\n");

    // Text ahead of the first topic header is kept, in the first file.
    HelpFileSpec early;
    early.records = {plain_text("early"), topic_header({.number = 0, .title = "T"}), plain_text("later")};
    r = run_topics(early, 0);
    ASSERT_EQ(r.files.size(), 1u);
    EXPECT_EQ(first_out_of_order(r.all(), {"{\\rtf1", "early", footnote('$', "T"), "later"}), "");
    EXPECT_EQ(count(r.all(), "\\pard\\par"), 0u);

    // Format data longer than 64 KB are read whole.
    HelpFileSpec big;
    big.records = {topic_header({.number = 0}), text_record(Format().info(0).fill(70000).u8(0x83).u8(0xFF), {"a", "b"}),
                   plain_text("after")};
    r = run_topics(big, 0);
    EXPECT_EQ(first_out_of_order(r.all(), {"\\pard\\ql a\\tab b", "after"}), "");
}

TEST(RtfTopics, RandomDamageKeepsEveryFileBalanced) {
    Format rich;
    rich.info(0x0200 | 0x0100 | 0x0010).cs(5).u8(0x21).u16(0).u8(4).cu(72).u16(0x8091).u8(2)
        .u8(0x80).u16(0).u8(0xE3).u32(hash_of("target")).u8(0x89).u8(0xC8).i16(7).str("Exit()").u8(0x89)
        .u8(0x86).u8(0x22).u8(0).u8(0).u8(4).u8(0).u8(0).u16(0xFFFF).u8(0xEB).u16(8).u8(0x05).u32(1).u8(0xFF).str("F")
        .u8(0x89).u8(0x82).u8(0xFF);
    Format row;
    row.u8(2).u8(0).u16(0x4000).u16(100).u16(20).u16(200).u16(10);
    for (int column : {0, 0, 1}) row.u8(column).u16(0).u16(0).info(0).u8(0x81).u8(0x82).u8(0xFF);
    row.u8(0xFF).u16(0).u16(0);
    HelpFileSpec spec;
    for (int i = 0; i < 12; ++i) {
        spec.records.push_back(topic_header({.number = i, .title = "T{" + std::to_string(i), .macro = "M()"}));
        spec.records.push_back(text_record(rich, {"a", "{b}", "c\\", "d", "e", "f", "g", "h", "i"}));
        spec.records.push_back(table_record(row, {"x", "y", "z", "w", "v", "u", "t"}));
    }
    spec.extra_files = {{"|CONTEXT", context_btree({{static_cast<int32_t>(hash_of("c")), 5}})},
                        {"|FONT", font_file({"Arial"}, {{0, 20, 3, 0, 0, 0, 0}})}};

    TopicRun clean = run_topics(spec, CVF_JUMPS);
    ASSERT_EQ(clean.files.size(), 1u);
    EXPECT_TRUE(balanced_rtf(clean.contents[0]));
    EXPECT_EQ(count(clean.all(), "{\\pard\\trowd"), 12u);
    EXPECT_EQ(count(clean.all(), "\\strike0\\ul0{\\v !Exit()}"), 12u);
    for (const auto& w : clean.warnings) EXPECT_NE(w.find("does not have a Context Id"), std::string::npos) << w;

    std::mt19937 random(20240601);
    for (int round = 0; round < 150; ++round) {
        auto damage = [&](BuiltHelpFile& b) {
            size_t start = b.builder.content_offset("|TOPIC");
            size_t size = b.topic.content.size();
            int changes = 1 + static_cast<int>(random() % 12);
            for (int k = 0; k < changes; ++k) b.bytes[start + random() % size] = static_cast<uint8_t>(random());
        };
        int flags = round % 3 == 0 ? CVF_JUMPS | CVF_TWO_PASS : round % 3 == 1 ? CVF_FOR_PRINT : CVF_PAGE_BREAK;
        TopicRun r = run_topics(spec, flags, damage);
        for (size_t i = 0; i < r.files.size(); ++i) {
            EXPECT_TRUE(balanced_rtf(r.contents[i])) << "round " << round << " file " << r.files[i];
            EXPECT_EQ(r.contents[i].rfind("{\\rtf1", 0), 0u) << "round " << round;
        }
        if (HasFailure()) break;
    }
}

TEST(RtfTopics, LongKeywordFootnotesAreWhole) {
    HelpFileSpec spec;
    spec.records = {topic_header({.number = 0}), plain_text("body")};
    std::vector<KeywordSpec> keywords;
    for (char c : {'a', 'b', 'c'}) keywords.push_back({std::string(8000, c), {2}});
    KeywordFiles kw = keyword_files(keywords, BTreeSpec{.page_size = 32768});
    spec.extra_files = {{"|KWBTREE", kw.kwbtree}, {"|KWDATA", kw.kwdata}};
    TopicRun r = run_topics(spec, 0);
    std::string all = r.all();
    std::string whole = std::string(8000, 'a') + ";" + std::string(8000, 'b') + ";" + std::string(8000, 'c');
    EXPECT_NE(all.find(footnote('K', whole) + "\\pard\\ql body"), std::string::npos);
}
