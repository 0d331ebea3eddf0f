// The topic pass: files and separators, print mode, footnotes over each
// record's range of topic offsets, warnings, tables, 3.0 files, browse
// sequences and damaged topic streams.
#include <gtest/gtest.h>

#include <random>

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

// n topics "Title i" with the text "Topic i.".
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

// The first of pieces that does not stand in s after the ones before it; "" when all do.
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

// A |CONTEXT entry: the hash of name at a topic offset.
std::pair<int32_t, int32_t> ctx(const std::string& name, uint32_t offset) {
    return {static_cast<int32_t>(context_hash(name)), static_cast<int32_t>(offset)};
}

KeywordFiles keywords(const std::vector<std::pair<std::string, uint32_t>>& at, BTreeSpec desc = {}) {
    std::vector<KeywordSpec> k;
    for (const auto& [text, offset] : at) k.push_back({text, {static_cast<int32_t>(offset)}});
    return keyword_files(k, desc);
}

}  // namespace

TEST(RtfTopics, FilesOf152TopicsAndSeparators) {
    TopicRun one = run_topics(spec_of(topics(152)), 0);
    ASSERT_EQ(one.files, std::vector<std::string>{"T1.RTF"});
    EXPECT_EQ(one.contents[0].rfind("{\\rtf1\\ansi\\deff0\\deflang1031 {\\fonttbl{}}\n{\\colortbl\n}\n", 0), 0u);
    EXPECT_EQ(count(one.contents[0], "\\par\\pard\\par\n"), 151u);
    EXPECT_EQ(first_out_of_order(one.all(), {footnote('$', "Title 0"), "\\pard\\ql Topic 0.\\par",
                                             "\\par\\pard\\par" + footnote('$', "Title 1"), "Topic 151.\\par}"}),
              "");

    TopicRun two = run_topics(spec_of(topics(153)), CVF_PAGE_BREAK);
    ASSERT_EQ(two.files, (std::vector<std::string>{"T1.RTF", "T2.RTF"}));
    EXPECT_EQ(two.project, "\n[Files]\nT1.RTF\nT2.RTF\n");
    EXPECT_EQ(count(two.contents[0], "\\page\\pard\n"), 151u);
    EXPECT_EQ(flat(two.contents[1]), "{\\rtf1\\ansi\\deff0\\deflang1031 {\\fonttbl{}}{\\colortbl}" +
                                         footnote('$', "Title 152") + "\\pard\\ql Topic 152.\\par}");
    EXPECT_TRUE(balanced_rtf(one.contents[0]) && balanced_rtf(two.contents[0]));
}

TEST(RtfTopics, PrintModeHeaderWithoutFootnotes) {
    TopicRun r = run_topics(spec_of(topics(3)), CVF_FOR_PRINT | CVF_EMBED_PICTURES | CVF_NO_SHG);
    ASSERT_EQ(r.files.size(), 1u);
    EXPECT_EQ(r.contents[0].rfind("{\\rtf1\\ansi\\deff0\\deflang1031 "
                                  "{\\header\\pard\\plain\\s243\\brdrb\\brdrs\\brdrw15\\brsp20\\tqc\\tx4252\\tqr"
                                  "\\tx8504\\fs20\\lang1031 T1.RTF \\fs15\\tab  \\fs20\\tab Page "
                                  "{\\field{\\*\\fldinst page }} of {\\field{\\*\\fldinst numpages }} \\par}\n"
                                  "{\\fonttbl{}}",
                                  0),
              0u);
    EXPECT_EQ(r.contents[0].find("\\footnote"), std::string::npos);
    EXPECT_TRUE(r.warnings.empty());  // no context-id warnings in print mode
    EXPECT_EQ(r.phases, std::vector<std::string>{"Reading Topics"});
    ASSERT_GE(r.percents.size(), 2u);
    EXPECT_EQ(r.percents.front(), 50);
    EXPECT_EQ(r.percents.back(), 100);
}

TEST(RtfTopics, WarningsForMissingContextIdsAndUnknownRecords) {
    // Topics 0 to 3 as topics(4) makes them, an unknown record before topic 3.
    TopicRecord odd;
    odd.record_type = 0x21;
    odd.format = {1, 2, 3};
    odd.text = to_bytes("skipped");
    HelpFileSpec desc = spec_of(topics(3));
    desc.records.push_back(odd);
    desc.records.push_back(topic_header({.number = 3, .title = "Title 3"}));
    desc.records.push_back(plain_text("Topic 3."));
    uint32_t two = build_help_file(desc).topic.records[5].text_offset;
    desc.extra_files = {{"|CONTEXT", context_btree({ctx("zero", 0), ctx("two", two)})}};
    TopicRun r = run_topics(desc, 0);
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
    HelpFileSpec desc = spec_of({topic_header({}), plain_text("Alpha text"), plain_text("Beta"),
                                 topic_header({.number = 1}), plain_text("Gamma")});
    desc.records[4].new_block = true;
    BuiltHelpFile pre = build_help_file(desc);
    uint32_t beta = pre.topic.records[2].text_offset;
    uint32_t block_end = beta + static_cast<uint32_t>(desc.records[2].text.size());
    uint32_t gamma = pre.topic.records[4].text_offset;
    ASSERT_EQ(gamma, 32768u);
    desc.extra_files.push_back({"|CONTEXT", context_btree({ctx("second", beta + 2), ctx("first", beta + 2),
                                                           ctx("atzero", 0), ctx("tail", block_end), {0, 32768}})});
    KeywordFiles kw = keywords({{"kwzero", 0}, {"kwmid", beta + 1}, {"kwtail", block_end}, {"kwgamma", gamma + 3}});
    desc.extra_files.push_back({"|KWBTREE", kw.kwbtree});
    desc.extra_files.push_back({"|KWDATA", kw.kwdata});

    TopicRun r = run_topics(desc, 0);
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

TEST(RtfTopics, OnlyPictureHotspotsMoveTheNextRecordsOffset) {
    auto picture = [](uint8_t kind) {  // three hotspots
        Format f;
        f.info(0).u8(0x86).u8(kind).u8(0).u8(0).u8(6).u8(0).u8(0).u16(kind == 0x22 ? 0xFFFF : 0);
        if (kind == 0x05) f.u8(0).str("W");
        return f.u8(0xFF);
    };
    HelpFileSpec desc = spec_of({topic_header({}), text_record(picture(0x22), {"A", ""}), plain_text("B"),
                                 topic_header({.number = 1}), text_record(picture(0x05), {"C", ""}), plain_text("D")});
    BuiltHelpFile pre = build_help_file(desc);
    // The picture's three move B and all after it; the window's do not.
    desc.extra_files = {{"|CONTEXT", context_btree({ctx("bee", pre.topic.records[2].text_offset + 3),
                                                    ctx("dee", pre.topic.records[5].text_offset + 3)})}};
    TopicRun r = run_topics(desc, 0);
    EXPECT_EQ(first_out_of_order(r.all(), {"\\pard\\ql A", context_footnote("bee"), "\\pard\\ql B",
                                           "\\pard\\ql C\\{ewc W\\}", context_footnote("dee"), "\\pard\\ql D"}),
              "");
    EXPECT_TRUE(r.warnings.empty());
}

TEST(RtfTopics, TablesAfterHeadersKeepWithNextAndShortHeaders) {
    Format row;
    row.u8(1).u8(1).u16(100).u16(0).u8(0).u16(0).u16(0).info(0).u8(0x82).u8(0xFF).u8(0xFF).u16(0).u16(0);
    auto table = [&](const std::string& cell) { return text_record(row, {cell, ""}, 0x23); };
    TopicRun r = run_topics(spec_of({topic_header({}), table("c1"), table("c2"), plain_text("text"), table("c3"),
                                     topic_header({.number = 1})}),
                            0);
    // A table right after a header or another such table opens with \par.
    EXPECT_EQ(first_out_of_order(r.all(), {"\\par{\\pard\\trowd", "c1", "\\par{\\pard\\trowd", "c2",
                                           "text\\par{\\pard\\trowd", "c3"}),
              "");
    EXPECT_TRUE(balanced_rtf(r.contents.at(0)));

    // The records up to the scrolling region's start keep with the next. A
    // topic header shorter than its six fields: the missing ones are 0, so
    // nothing of its topic keeps with the next and its number is 0.
    HelpFileSpec keep = spec_of({topic_header({}), plain_text("A"), plain_text("B"), plain_text("C"),
                                 topic_header({.number = 1}), plain_text("E")});
    keep.records[0] = topic_header({.scroll = build_help_file(keep).topic.records[3].position});
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
    auto text30 = [](const std::string& text, uint8_t command = 0xFF) {
        return text_record(Format().info(0).u8(command).u8(0xFF), {text, ""}, 0x01);
    };
    HelpFileSpec desc = spec_of({header30("One", 100), text30("first", 0x82), header30("Two", 100), text30("second"),
                                 header30("Three", 8), text30("never")});
    desc.minor_version = 15;
    desc.records[2].new_block = true;  // its header starts a block: record start = block 1, position 12
    BuiltHelpFile pre = build_help_file(desc);
    ASSERT_EQ(pre.topic.records[2].position, (1u << 11) | 12u);
    KeywordFiles kw = keywords({{"kone", pre.topic.records[0].position}, {"ktwo", pre.topic.records[2].position}});
    desc.extra_files = {{"|KWBTREE", kw.kwbtree}, {"|KWDATA", kw.kwdata}};

    TopicRun r = run_topics(desc, 0);
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

// A paragraph far longer than 0xFF00 bytes comes back whole from every
// storage of its text: stored and LZ77 blocks, plain phrases (stored and
// compressed table), indexed phrases, 3.0 blocks.
TEST(RtfTopics, LongParagraphsComeBackWhole) {
    for (size_t length : {70000u, 140000u}) {
        // Phrases between words of random letters: the LZ77 form of every
        // block fills its area, as in the help compiler's files.
        std::mt19937 random(7);
        std::string text;
        for (int i = 0; text.size() < length; ++i) {
            if (i % 3 == 2) {
                for (int k = 0; k < 6; ++k) text += static_cast<char>('a' + random() % 26);
                text += ' ';
            } else {
                text += i % 3 ? "alpha " : "beta ";
            }
        }
        text += "THE END";
        std::vector<uint8_t> expanded = text_strings({text, ""});

        // Plain phrases "alpha" and "beta", each with its trailing space.
        std::vector<uint8_t> plain, indexed;
        for (size_t at = 0; at < text.size();) {
            bool alpha = text.compare(at, 6, "alpha ") == 0;
            bool beta = text.compare(at, 5, "beta ") == 0;
            if (alpha || beta) {
                auto code = plain_phrase_code(alpha ? 0 : 1, true);
                plain.insert(plain.end(), code.begin(), code.end());
                indexed.push_back(indexed_phrase_code(alpha ? 0 : 1)[0]);
                at += alpha ? 6 : 5;
            } else {
                plain.push_back(static_cast<uint8_t>(text[at]));
                indexed.push_back(0x03);  // one byte as it stands
                indexed.push_back(static_cast<uint8_t>(text[at]));
                ++at;
            }
        }
        plain.push_back(0);
        plain.push_back(0);
        indexed.push_back(0x1F);  // two NUL bytes

        struct Case {
            const char* what;
            uint16_t minor, flags;
            PhraseKind kind;
            std::vector<std::string> phrases;
            const std::vector<uint8_t>& stored;
        } cases[] = {
            {"stored", 21, 0, PhraseKind::none, {}, expanded},
            {"LZ77", 21, 4, PhraseKind::none, {}, expanded},
            {"phrases", 21, 0, PhraseKind::plain, {"alpha", "beta"}, plain},
            {"compressed phrases", 21, 4, PhraseKind::plain, {"alpha", "beta"}, plain},
            {"indexed phrases", 33, 4, PhraseKind::indexed, {"alpha ", "beta "}, indexed},
            {"3.0", 15, 0, PhraseKind::none, {}, expanded},
        };
        for (const Case& c : cases) {
            bool hc30 = c.minor == 15;
            TopicRecord header = topic_header({.title = "Long"});
            if (hc30) header.format.resize(12);
            TopicRecord body = text_record(Format().info(0).u8(0x82).u8(0xFF), {}, hc30 ? 0x01 : 0x20);
            body.text = c.stored;
            body.text_size = static_cast<int32_t>(expanded.size());
            HelpFileSpec desc = spec_of({header, body, header, plain_text("after")});
            desc.minor_version = c.minor;
            desc.system_flags = c.flags;
            desc.phrase_kind = c.kind;
            desc.phrases = c.phrases;
            std::string all = run_topics(desc, 0).all();
            EXPECT_NE(all.find(text + "\\par"), std::string::npos) << c.what << " " << length;
            EXPECT_NE(all.find("after"), std::string::npos) << c.what << " " << length;
        }
    }
}

TEST(RtfTopics, BrowseSequencesNeedTheDryPass) {
    HelpFileSpec desc = spec_of(topics(3));
    BuiltHelpFile pre = build_help_file(desc);
    uint32_t k0 = pre.topic.records[0].text_offset, k1 = pre.topic.records[2].text_offset,
             k2 = pre.topic.records[4].text_offset;
    // Listed out of order so that only the dry pass can number them.
    desc.records[0] = topic_header({.number = 0, .title = "Title 0", .browse_back = k1});
    desc.records[2] = topic_header({.number = 1, .title = "Title 1", .browse_back = k2, .browse_forward = k0});
    desc.records[4] = topic_header({.number = 2, .title = "Title 2", .browse_forward = k1});
    TopicRun r = run_topics(desc, CVF_TWO_PASS);
    EXPECT_EQ(first_out_of_order(r.all(), {footnote('+', "grp0001:3"), "Topic 0.", footnote('+', "grp0001:2"),
                                           "Topic 1.", footnote('+', "grp0001:1"), "Topic 2."}),
              "");
    EXPECT_EQ(r.phases, (std::vector<std::string>{"Scanning Browse Sequences", "Reading Topics"}));
    EXPECT_EQ(r.project, "\n[Files]\nT1.RTF\n");  // the dry pass writes no [Files]
    EXPECT_EQ(run_topics(desc, 0).all().find("{+{"), std::string::npos);
}

TEST(RtfTopics, DamagedAndUnusualStreamsEndCleanly) {
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
    EXPECT_EQ(count(r.all(), "Topic 0."), 1u);

    // An empty |TOPIC: no files.
    r = run_topics(HelpFileSpec{}, 0);
    EXPECT_TRUE(r.files.empty());
    EXPECT_EQ(r.project, "\n[Files]\n");

    // Text ahead of the first topic header is kept, in the first file.
    r = run_topics(spec_of({plain_text("early"), topic_header({.title = "T"}), plain_text("later")}), 0);
    ASSERT_EQ(r.files.size(), 1u);
    EXPECT_NE(r.all().find("\\pard\\ql early\\par" + footnote('$', "T") + "\\pard\\ql later"), std::string::npos);

    // Format data longer than 64 KB are read whole.
    r = run_topics(spec_of({topic_header({}), text_record(Format().info(0).fill(70000).u8(0x83).u8(0xFF), {"a", "b"}),
                            plain_text("after")}),
                   0);
    EXPECT_EQ(first_out_of_order(r.all(), {"\\pard\\ql a\\tab b", "after"}), "");
}

TEST(RtfTopics, RandomDamageKeepsEveryFileBalanced) {
    Format rich;
    rich.info(0x0200 | 0x0100 | 0x0010).cs(5).u8(0x21).u16(0).u8(4).cu(72).u16(0x8091).u8(2)
        .u8(0x80).u16(0).u8(0xE3).u32(context_hash("target")).u8(0x89).u8(0xC8).i16(7).str("Exit()").u8(0x89)
        .u8(0x86).u8(0x22).u8(0).u8(0).u8(4).u8(0).u8(0).u16(0xFFFF).u8(0xEB).u16(8).u8(0x05).u32(1).u8(0xFF).str("F")
        .u8(0x89).u8(0x82).u8(0xFF);
    Format row;
    row.u8(2).u8(0).u16(0x4000).u16(100).u16(20).u16(200).u16(10);
    for (int column : {0, 0, 1}) row.u8(column).u16(0).u16(0).info(0).u8(0x81).u8(0x82).u8(0xFF);
    row.u8(0xFF).u16(0).u16(0);
    HelpFileSpec desc;
    for (int i = 0; i < 12; ++i) {
        desc.records.push_back(topic_header({.number = i, .title = "T{" + std::to_string(i), .macro = "M()"}));
        desc.records.push_back(text_record(rich, {"a", "{b}", "c\\", "d", "e", "f", "g", "h", "i"}));
        desc.records.push_back(text_record(row, {"x", "y", "z", "w", "v", "u", "t"}, 0x23));
    }
    desc.extra_files = {{"|CONTEXT", context_btree({ctx("c", 5)})},
                        {"|FONT", font_file({"Arial"}, {{0, 20, 3, 0, 0, 0, 0}})}};
    ASSERT_EQ(count(run_topics(desc, CVF_JUMPS).all(), "\\strike0\\ul0{\\v !Exit()}"), 12u);  // the data is sound

    std::mt19937 random(20240601);
    for (int round = 0; round < 150 && !HasFailure(); ++round) {
        auto damage = [&](BuiltHelpFile& b) {
            size_t start = b.builder.content_offset("|TOPIC");
            for (int k = 1 + static_cast<int>(random() % 12); k > 0; --k) {
                b.bytes[start + random() % b.topic.content.size()] = static_cast<uint8_t>(random());
            }
        };
        int flags = round % 3 == 0 ? CVF_JUMPS | CVF_TWO_PASS : round % 3 == 1 ? CVF_FOR_PRINT : CVF_PAGE_BREAK;
        TopicRun r = run_topics(desc, flags, damage);
        for (size_t i = 0; i < r.files.size(); ++i) {
            EXPECT_TRUE(balanced_rtf(r.contents[i])) << "round " << round << " file " << r.files[i];
            EXPECT_EQ(r.contents[i].rfind("{\\rtf1", 0), 0u) << "round " << round;
        }
    }
}

TEST(RtfTopics, LongKeywordFootnotesAreWhole) {
    KeywordFiles kw = keywords({{std::string(8000, 'a'), 2}, {std::string(8000, 'b'), 2}, {std::string(8000, 'c'), 2}},
                               BTreeSpec{.page_size = 32768});
    HelpFileSpec desc = spec_of({topic_header({}), plain_text("body")});
    desc.extra_files = {{"|KWBTREE", kw.kwbtree}, {"|KWDATA", kw.kwdata}};
    std::string whole = std::string(8000, 'a') + ";" + std::string(8000, 'b') + ";" + std::string(8000, 'c');
    EXPECT_NE(run_topics(desc, 0).all().find(footnote('K', whole) + "\\pard\\ql body"), std::string::npos);
}
