// The topic pass over damaged and unusual topic streams: every file ends
// balanced and inside its data. (What the pass writes for sound files is
// held by the snapshot test and the corpus tests.)
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

// A |CONTEXT entry: the hash of name at a topic offset.
std::pair<int32_t, int32_t> ctx(const std::string& name, uint32_t offset) {
    return {static_cast<int32_t>(context_hash(name)), static_cast<int32_t>(offset)};
}

}  // namespace

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

