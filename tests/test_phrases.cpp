// Phrase tables: loading both formats, the two codings, and the bounds
// against damaged tables and text.
#include <gtest/gtest.h>

#include <random>

#include "driver/platform.h"
#include "helpfile/helpfile.h"
#include "support/lz77_compress.h"
#include "support/topic_builder.h"
#include "topics/phrases.h"
#include "topics/topic_reader.h"

using namespace korvane;
using namespace korvane::test;

namespace {

using Files = std::vector<std::pair<std::string, std::vector<uint8_t>>>;

struct WarningCapture : Platform {
    std::vector<std::string> lines;
    WarningCapture() { set_platform(this); }
    ~WarningCapture() override { set_platform(nullptr); }
    void show_fatal(std::string_view, std::string_view) override {}
    void open_progress() override {}
    void set_phase(std::string_view) override {}
    void set_percent(int) override {}
    void add_warning_line(std::string_view line) override { lines.emplace_back(line); }
    size_t count(std::string_view start) const {
        size_t n = 0;
        for (const auto& l : lines) n += l.rfind(start, 0) == 0;
        return n;
    }
};

std::unique_ptr<HelpFile> open_with(const TempDir& dir, uint16_t minor, uint16_t flags, const Files& files) {
    HlpBuilder b;
    b.add("|SYSTEM", system_file(minor, flags));
    for (const auto& [name, content] : files) b.add(name, content);
    return open_help_bytes(b.build(), dir);
}

std::vector<std::string> numbered_phrases(size_t n) {
    std::vector<std::string> p;
    for (size_t i = 0; i < n; ++i) p.push_back("p" + std::to_string(i));
    return p;
}

std::string expand(const HelpFile& h, const std::vector<uint8_t>& src, bool indexed, size_t capacity = 0xFF00) {
    std::vector<uint8_t> out;
    expand_phrases(h, src.data(), src.size(), capacity, indexed, out);
    EXPECT_LE(out.size(), capacity);
    return {out.begin(), out.end()};
}

void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int k = 0; k < 4; ++k) b[at + k] = static_cast<uint8_t>(v >> (8 * k));
}

const std::vector<std::string> kWords = {"the ", "help", "Windows", "", "topic", "a\0b"};

}  // namespace

TEST(Phrases, PlainTablesStoredCompressedAndLongHeader) {
    TempDir dir;
    std::vector<std::string> words = kWords;
    words[5] = std::string("a\0b", 3);
    struct Case {
        uint16_t minor, flags;
        PlainPhraseOptions o;
    };
    for (Case c : {Case{21, 0, {false, false}}, Case{15, 0x04, {false, false}}, Case{21, 0x04, {true, false}},
                   Case{21, 0x08, {true, true}}}) {
        auto h = open_with(dir, c.minor, c.flags, {{"|Phrases", plain_phrases_file(words, c.o)}});
        SCOPED_TRACE(testing::Message() << "compressed " << c.o.compressed << " long " << c.o.long_header);
        ASSERT_TRUE(h->phrases.plain_loaded);
        EXPECT_FALSE(h->phrases.indexed_loaded);
        for (size_t i = 0; i < words.size(); ++i) EXPECT_EQ(phrase_text(*h, static_cast<uint32_t>(i)), words[i]);
        EXPECT_EQ(phrase_text(*h, static_cast<uint32_t>(words.size())), "");
        // Codes: phrase 1 with a space, a plain byte, phrase 0, the empty
        // phrase 3 with its space, phrase 5 up to its NUL.
        std::vector<uint8_t> src = {0x01, 0x03, 'X', 0x01, 0x00, 0x01, 0x07, 0x01, 0x0A};
        EXPECT_EQ(expand(*h, src, false), "help Xthe  a");
    }

    // The int32 at offset 4 selects the long header only above 0x10000.
    auto table = plain_phrases_file(words, {true, false});
    put32(table, 4, 0x10000);
    auto h = open_with(dir, 21, 0x04, {{"|Phrases", table}});
    EXPECT_EQ(phrase_text(*h, 2), "Windows");
    put32(table, 4, 0x10001);
    h = open_with(dir, 21, 0x04, {{"|Phrases", table}});
    EXPECT_NE(phrase_text(*h, 2), "Windows");

    // No phrases: one offset, nothing to look up.
    h = open_with(dir, 21, 0x04, {{"|Phrases", plain_phrases_file({}, {true, false})}});
    EXPECT_EQ(h->phrases.plain_offsets.size(), 1u);
    EXPECT_EQ(expand(*h, {0x01, 0x01, 'z'}, false), "z");
}

TEST(Phrases, PlainCodingExamples) {
    TempDir dir;
    auto words = numbered_phrases(1920);
    auto h = open_with(dir, 21, 0x04, {{"|Phrases", plain_phrases_file(words, {true, false})}});
    EXPECT_EQ(expand(*h, {0x01, 0x05}, false), "p2 ");
    EXPECT_EQ(expand(*h, {0x02, 0x04}, false), "p130");
    EXPECT_EQ(expand(*h, {0x0F, 0xFF}, false), "p1919 ");
    EXPECT_EQ(expand(*h, {0x10, 0x00, 'a', 0xFF}, false), std::string("\x10\0a\xFF", 4));
    std::string plain = "No codes at all: \x10\x7F\x80 done.";
    EXPECT_EQ(expand(*h, to_bytes(plain), false), plain);
}

TEST(Phrases, IndexedTablesAndCoding) {
    TempDir dir;
    auto words = numbered_phrases(401);
    words[3] = "three";
    for (bool compress : {true, false}) {
        for (unsigned bits : {0u, 2u, 4u, 15u}) {
            IndexedPhraseFiles f = indexed_phrase_files(words, {compress, bits, std::nullopt});
            auto h = open_with(dir, 33, 0x08, {{"|PhrIndex", f.phrindex}, {"|PhrImage", f.phrimage}});
            ASSERT_TRUE(h->phrases.indexed_loaded);
            EXPECT_FALSE(h->phrases.plain_loaded);
            EXPECT_EQ(phrase_text(*h, 400), "p400");
            EXPECT_EQ(expand(*h, {0x06}, true), "three");
            EXPECT_EQ(expand(*h, {0x05, 0x10}, true), "p400");
            EXPECT_EQ(expand(*h, {0x0B, 'x', 'y', 0x17, 0xF7, 0x1F}, true),
                      "xy  " + std::string(16, ' ') + std::string(2, '\0'));
        }
    }

    // The length data by hand: k = 4, bits 0,1,0,1,0 (length 6) then
    // 1,0,0,0,0,0 (1 + 16 = 17); with k = 0, bits 1,1,0 (3) and 0 (1).
    auto index_file = [](unsigned k, std::vector<uint8_t> bitbytes, int32_t count, int32_t image) {
        Bytes b;
        b.u32(0).i32(count).i32(static_cast<int32_t>(4 + bitbytes.size())).i32(image).i32(image).u32(0);
        b.u8(k).u8(0).u8(0).u8(0).raw(bitbytes);
        return b.b;
    };
    std::string text = "abcdef" + std::string("ghijklmnopqrstuvw");
    auto h = open_with(dir, 33, 0, {{"|PhrIndex", index_file(4, {0x2A, 0x00}, 2, 23)}, {"|PhrImage", to_bytes(text)}});
    EXPECT_EQ(phrase_text(*h, 0), "abcdef");
    EXPECT_EQ(phrase_text(*h, 1), "ghijklmnopqrstuvw");
    h = open_with(dir, 33, 0, {{"|PhrIndex", index_file(0, {0x03}, 2, 4)}, {"|PhrImage", to_bytes("xyzw")}});
    EXPECT_EQ(phrase_text(*h, 0), "xyz");
    EXPECT_EQ(phrase_text(*h, 1), "w");

    // |PhrImage without |PhrIndex loads nothing.
    h = open_with(dir, 33, 0, {{"|PhrImage", to_bytes(text)}});
    EXPECT_FALSE(h->phrases.indexed_loaded);
    EXPECT_EQ(expand(*h, {0x06, 0x08}, true), "");
}

TEST(Phrases, ImageSizeWarning) {
    TempDir dir;
    auto words = numbered_phrases(50);
    std::string image;
    for (const auto& w : words) image += w;
    for (bool compress : {false, true}) {
        for (int32_t delta : {-11, -10, 10, 11}) {
            WarningCapture warnings;
            IndexedPhraseFiles f = indexed_phrase_files(words, {compress, 3, static_cast<int32_t>(image.size()) + delta});
            if (!compress) put32(f.phrindex, 16, static_cast<uint32_t>(image.size() + delta));  // read as stored
            auto h = open_with(dir, 33, 0, {{"|PhrIndex", f.phrindex}, {"|PhrImage", f.phrimage}});
            bool expected = delta == 11 || delta == -11;
            if (!compress && delta < 0) {
                // Stored with a smaller size: only that much is read, which matches.
                expected = false;
            }
            EXPECT_EQ(warnings.count("Phrases Header: Expected Size 0x"), expected ? 1u : 0u)
                << "compress " << compress << " delta " << delta;
            // The table is used as far as it goes.
            EXPECT_EQ(phrase_text(*h, 7), "p7");
        }
    }
    WarningCapture warnings;
    IndexedPhraseFiles f = indexed_phrase_files(words, {true, 3, 0x1234});
    open_with(dir, 33, 0, {{"|PhrIndex", f.phrindex}, {"|PhrImage", f.phrimage}});
    ASSERT_EQ(warnings.count("Phrases Header"), 1u);
    char expect[80];
    std::snprintf(expect, sizeof expect, "Phrases Header: Expected Size 0x00001234, found 0x%08zX", image.size());
    EXPECT_NE(std::find(warnings.lines.begin(), warnings.lines.end(), expect), warnings.lines.end());
}

TEST(Phrases, DamagedCodesAndTablesStayInBounds) {
    TempDir dir;
    auto plain = open_with(dir, 21, 0x04, {{"|Phrases", plain_phrases_file({"ab", "cd"}, {true, false})}});
    // Indexes beyond the table, a code cut by the end of the source, and the
    // capacity: nothing is appended for them.
    EXPECT_EQ(expand(*plain, {'<', 0x05, 0x00, '>'}, false), "<>");
    EXPECT_EQ(expand(*plain, {'<', 0x01}, false), "<");
    EXPECT_EQ(expand(*plain, {0x01, 0x01, 0x01, 0x01, 0x01, 0x01}, false, 5), "ab ab");
    EXPECT_EQ(expand(*plain, to_bytes("abcdefgh"), false, 3), "abc");
    EXPECT_EQ(expand(*plain, {0x01, 0x01}, false, 0), "");
    // A plain table in a file of minor version 33: its codes find nothing.
    auto rtf = open_with(dir, 33, 0x04, {{"|Phrases", plain_phrases_file({"ab", "cd"}, {true, false})}});
    EXPECT_EQ(expand(*rtf, {0x01, 0x02, 'x'}, false), "x");
    // No table at all.
    auto none = open_with(dir, 21, 0, {});
    EXPECT_EQ(expand(*none, {'a', 0x03, 0x44, 'b'}, false), "ab");
    EXPECT_EQ(expand(*none, {0x02, 0x04}, true), "");

    auto words = numbered_phrases(10);
    IndexedPhraseFiles f = indexed_phrase_files(words, {true, 2, std::nullopt});
    auto ind = open_with(dir, 33, 0, {{"|PhrIndex", f.phrindex}, {"|PhrImage", f.phrimage}});
    EXPECT_EQ(expand(*ind, {0x02, 0xFE, 0x01, 0x00, 0x05}, true), "p1");  // 127, 128 and a cut code
    EXPECT_EQ(expand(*ind, {0x0B, 'x'}, true), "");                       // literal run past the end
    EXPECT_EQ(expand(*ind, {0xFF, 0xF7}, true, 20), std::string(16, '\0') + "    ");
    // Version 21 with an indexed table: its codes refer to a table not used.
    auto old = open_with(dir, 21, 0, {{"|PhrIndex", f.phrindex}, {"|PhrImage", f.phrimage}});
    EXPECT_EQ(expand(*old, {0x02, 0x03, 'q'}, true), "q");

    // Hostile headers: huge counts and sizes must not allocate without bound
    // or read outside the files.
    std::vector<uint8_t> bad = f.phrindex;
    put32(bad, 4, 0x7FFFFFFF);   // phrase count
    put32(bad, 8, 0x7FFFFFFF);   // length data size
    put32(bad, 12, 0x7FFFFFF0);  // image size
    put32(bad, 16, 0x7FFFFFFF);  // stored image size
    auto huge = open_with(dir, 33, 0, {{"|PhrIndex", bad}, {"|PhrImage", f.phrimage}});
    EXPECT_LE(huge->phrases.indexed_offsets.size(), 8 * f.phrindex.size());
    EXPECT_LE(huge->phrases.indexed_text.size(), 9 * f.phrimage.size() + 16);
    EXPECT_EQ(phrase_text(*huge, 0), "p0");
    // Lengths summing past the image are cut at its end.
    bad = f.phrindex;
    for (size_t i = 28; i < bad.size(); ++i) bad[i] = 0xFF;
    auto longer = open_with(dir, 33, 0, {{"|PhrIndex", bad}, {"|PhrImage", f.phrimage}});
    for (uint32_t i = 0; i < 12; ++i) EXPECT_LE(phrase_text(*longer, i).size(), longer->phrases.indexed_text.size());

    auto table = plain_phrases_file({"ab", "cd"}, {true, false});
    table[0] = 0xFF;  // 65535 phrases in a table of two
    table[1] = 0xFF;
    auto many = open_with(dir, 21, 0x04, {{"|Phrases", table}});
    EXPECT_EQ(many->phrases.plain_offsets.size(), 65536u);
    EXPECT_LE(many->phrases.plain_text.size(), 0x20000u + 16);
    std::vector<uint8_t> codes;
    for (int b = 1; b <= 15; ++b) codes.insert(codes.end(), {static_cast<uint8_t>(b), 0xFF});
    expand(*many, codes, false);
    table = plain_phrases_file({"ab", "cd"}, {false, false});
    table[6] = 0xFF;  // offset of phrase 1 far beyond the file
    table[7] = 0xFF;
    auto off = open_with(dir, 21, 0, {{"|Phrases", table}});
    EXPECT_EQ(phrase_text(*off, 0).size(), off->phrases.plain_text.size() - 6);
    EXPECT_EQ(phrase_text(*off, 1), "");
    table.resize(3);  // cut inside the header
    auto cut = open_with(dir, 21, 0, {{"|Phrases", table}});
    EXPECT_EQ(expand(*cut, {0x01, 0x00, 'k'}, false), "k");

    // Random text through both codings against a real table.
    std::mt19937 rng(9);
    auto h = open_with(dir, 21, 0x04, {{"|Phrases", plain_phrases_file(numbered_phrases(300), {true, false})}});
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> src(rng() % 400);
        for (auto& b : src) b = static_cast<uint8_t>(rng());
        expand(*h, src, round % 2, 1 + rng() % 600);
        expand(*ind, src, round % 2, 1 + rng() % 600);
    }
}

TEST(Phrases, WholeHelpFileRecordsExpandThroughTheTable) {
    // A compressed help file with a plain table and an hcrtf file with an
    // indexed one: the topic records read back and expand to their text.
    TempDir dir;
    std::vector<std::string> phrases = {"Microsoft ", "Windows", "Help"};
    for (PhraseKind kind : {PhraseKind::plain, PhraseKind::indexed}) {
        HelpFileSpec spec;
        spec.system_flags = 0x04;
        spec.minor_version = kind == PhraseKind::indexed ? 33 : 21;
        spec.phrase_kind = kind;
        spec.phrases = phrases;
        std::vector<uint8_t> coded;
        std::string expected;
        for (int i = 0; i < 400; ++i) {
            unsigned p = static_cast<unsigned>(i % 3);
            auto code = kind == PhraseKind::plain ? plain_phrase_code(p, i % 2) : indexed_phrase_code(p);
            coded.insert(coded.end(), code.begin(), code.end());
            expected += phrases[p];
            if (kind == PhraseKind::plain && i % 2) expected += ' ';
            if (kind == PhraseKind::indexed) {
                coded.push_back(0x0B);  // two literal bytes
                coded.push_back('0' + static_cast<uint8_t>(i % 10));
                coded.push_back('.');
                expected += static_cast<char>('0' + i % 10);
                expected += '.';
            }
        }
        for (int r = 0; r < 6; ++r) {
            TopicRecord rec;
            rec.format = {0x01, 0x02, 0x03};
            rec.text = coded;
            rec.text_size = static_cast<int32_t>(expected.size());
            spec.records.push_back(rec);
        }
        BuiltHelpFile built = build_help_file(spec);
        auto h = open_help_bytes(built.bytes, dir);
        ASSERT_TRUE(kind == PhraseKind::plain ? h->phrases.plain_loaded : h->phrases.indexed_loaded);
        ASSERT_TRUE(h->topics_compressed);
        uint32_t offset = 0;
        int new_block = 0;
        for (size_t r = 0; r < spec.records.size(); ++r) {
            std::vector<uint8_t> rec(built.topic.records[r].size);
            read_topic_bytes(*h, rec.data(), static_cast<int32_t>(rec.size()), &offset, &new_block);
            uint32_t data1 = ByteReader::le32(rec.data() + 16);
            std::vector<uint8_t> out;
            bool indexed = h->is_hcrtf && rec.size() - data1 < ByteReader::le32(rec.data() + 4);
            expand_phrases(*h, rec.data() + data1, rec.size() - data1, 0xFF00, indexed, out);
            EXPECT_EQ(std::string(out.begin(), out.end()), expected) << "record " << r;
        }
        EXPECT_FALSE(h->topic_reader.exhausted);
    }
}
