// Phrase tables: both formats and their codings, the image size warning,
// and the bounds against damaged tables and text.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "driver/format.h"
#include "helpfile/helpfile.h"
#include "support/index_builder.h"
#include "support/topic_builder.h"
#include "topics/phrases.h"

using namespace korvane;
using namespace korvane::test;

namespace {

using B = std::vector<uint8_t>;

std::vector<std::string> numbered_phrases(size_t n) {
    std::vector<std::string> p;
    for (size_t i = 0; i < n; ++i) p.push_back("p" + std::to_string(i));
    return p;
}

std::string expand(const HelpFile& h, const B& src, bool indexed, size_t capacity = 0xFF00) {
    B out;
    expand_phrases(h, src.data(), src.size(), capacity, indexed, out);
    EXPECT_LE(out.size(), capacity);
    return {out.begin(), out.end()};
}

std::unique_ptr<HelpFile> indexed_help(const TempDir& dir, const IndexedPhraseFiles& f, uint16_t minor = 33) {
    return open_files(dir, {{"|PhrIndex", f.phrindex}, {"|PhrImage", f.phrimage}}, minor);
}

}  // namespace

TEST(Phrases, PlainTablesAndCoding) {
    TempDir dir;
    std::vector<std::string> words = numbered_phrases(1920);
    words[3] = "";
    words[5] = std::string("a\0b", 3);
    // Stored, stored in a 3.0 file, compressed, compressed with the long header.
    struct Case {
        uint16_t minor, flags;
        PlainPhraseOptions o;
    } cases[] = {
        {21, 0, {false, false}}, {15, 0x04, {false, false}}, {21, 0x04, {true, false}}, {21, 0x08, {true, true}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "minor " << c.minor << " compressed " << c.o.compressed);
        auto h = open_files(dir, {{"|Phrases", plain_phrases_file(words, c.o)}}, c.minor, c.flags);
        EXPECT_EQ(phrase_text(*h, 5).value_or(""), words[5]);
        EXPECT_EQ(phrase_text(*h, 1919).value_or(""), "p1919");
        EXPECT_FALSE(phrase_text(*h, 1920));
        EXPECT_EQ(expand(*h, {0x01, 0x05}, false), "p2 ");
        EXPECT_EQ(expand(*h, {0x02, 0x04}, false), "p130");
        EXPECT_EQ(expand(*h, {0x0F, 0xFF}, false), "p1919 ");
        // Phrase 1 with a space, a plain byte, phrase 0, the empty phrase 3
        // with its space, phrase 5 up to its NUL; 0 and bytes from 0x10 up
        // stand for themselves.
        EXPECT_EQ(expand(*h, {0x01, 0x03, 'X', 0x01, 0x00, 0x01, 0x07, 0x01, 0x0A}, false), "p1 Xp0 a");
        EXPECT_EQ(expand(*h, {0x10, 0x00, 'a', 0xFF}, false), std::string("\x10\0a\xFF", 4));
    }

    // The int32 at offset 4 selects the long header only above 0x10000.
    auto table = plain_phrases_file(words, {true, false});
    poke(table, 4, 0x10000);
    EXPECT_EQ(phrase_text(*open_files(dir, {{"|Phrases", table}}, 21, 0x04), 2).value_or(""), "p2");
    poke(table, 4, 0x10001);
    EXPECT_NE(phrase_text(*open_files(dir, {{"|Phrases", table}}, 21, 0x04), 2).value_or(""), "p2");

    // No phrases: one offset, nothing to look up.
    auto h = open_files(dir, {{"|Phrases", plain_phrases_file({}, {true, false})}}, 21, 0x04);
    EXPECT_EQ(h->phrases.plain_offsets.size(), 1u);
    EXPECT_EQ(expand(*h, {0x01, 0x01, 'z'}, false), "z");
}

TEST(Phrases, IndexedTablesAndCoding) {
    TempDir dir;
    auto words = numbered_phrases(401);
    words[3] = "three";
    for (bool compress : {true, false}) {
        for (unsigned bits : {0u, 2u, 4u, 15u}) {
            auto h = indexed_help(dir, indexed_phrase_files(words, {compress, bits, std::nullopt}));
            EXPECT_EQ(phrase_text(*h, 400).value_or(""), "p400");
            EXPECT_EQ(expand(*h, {0x06}, true), "three");
            EXPECT_EQ(expand(*h, {0x05, 0x10}, true), "p400");
            // Two literal bytes, 2 and 16 spaces, 2 NULs.
            EXPECT_EQ(expand(*h, {0x0B, 'x', 'y', 0x17, 0xF7, 0x1F}, true),
                      "xy  " + std::string(16, ' ') + std::string(2, '\0'));
        }
    }

    // The length data by hand: k = 4, bits 0,1,0,1,0 (length 6) then
    // 1,0,0,0,0,0 (1 + 16 = 17); with k = 0, bits 1,1,0 (3) and 0 (1).
    auto index_file = [](unsigned k, B bitbytes, int32_t image) {
        return Bytes().u32(0).i32(2).i32(static_cast<int32_t>(4 + bitbytes.size())).i32(image).i32(image).u32(0)
            .u8(k).u8(0).u8(0).u8(0).raw(bitbytes).b;
    };
    std::string text = "abcdefghijklmnopqrstuvw";
    auto h = open_files(dir, {{"|PhrIndex", index_file(4, {0x2A, 0x00}, 23)}, {"|PhrImage", to_bytes(text)}}, 33);
    EXPECT_EQ(phrase_text(*h, 0).value_or(""), "abcdef");
    EXPECT_EQ(phrase_text(*h, 1).value_or(""), "ghijklmnopqrstuvw");
    h = open_files(dir, {{"|PhrIndex", index_file(0, {0x03}, 4)}, {"|PhrImage", to_bytes("xyzw")}}, 33);
    EXPECT_EQ(phrase_text(*h, 0).value_or(""), "xyz");
    EXPECT_EQ(phrase_text(*h, 1).value_or(""), "w");

    // |PhrImage without |PhrIndex loads nothing.
    h = open_files(dir, {{"|PhrImage", to_bytes(text)}}, 33);
    EXPECT_EQ(expand(*h, {0x06, 0x08}, true), "");
}

TEST(Phrases, ImageSizeWarningBeyondTenBytes) {
    TempDir dir;
    auto words = numbered_phrases(50);
    uint32_t size = 0;
    for (const auto& w : words) size += static_cast<uint32_t>(w.size());
    for (bool compress : {false, true}) {
        for (int32_t delta : {-11, -10, 10, 11, 0x1234 - static_cast<int32_t>(size)}) {
            RecordingPlatform rec;
            uint32_t announced = size + static_cast<uint32_t>(delta);
            IndexedPhraseFiles f = indexed_phrase_files(words, {compress, 3, static_cast<int32_t>(announced)});
            // A stored image is read as far as its stored size says, so a
            // smaller one finds what it announced.
            if (!compress) poke(f.phrindex, 16, announced);
            auto h = indexed_help(dir, f);
            std::erase_if(rec.warnings, [](const std::string& w) { return w.rfind("Phrases Header", 0) != 0; });
            std::vector<std::string> expected;
            if ((delta > 10 || delta < -10) && (compress || delta > 0)) {
                expected.push_back(format("Phrases Header: Expected Size 0x%08X, found 0x%08X", announced, size));
            }
            EXPECT_EQ(rec.warnings, expected) << "compress " << compress << " delta " << delta;
            EXPECT_EQ(phrase_text(*h, 7).value_or(""), "p7");  // the table is used as far as it goes
        }
    }
}

TEST(Phrases, DamagedCodesAndTablesStayInBounds) {
    TempDir dir;
    auto plain = open_files(dir, {{"|Phrases", plain_phrases_file({"ab", "cd"}, {true, false})}}, 21, 0x04);
    auto rtf = open_files(dir, {{"|Phrases", plain_phrases_file({"ab", "cd"}, {true, false})}}, 33, 0x04);
    auto none = open_files(dir, {});
    IndexedPhraseFiles f = indexed_phrase_files(numbered_phrases(10), {true, 2, std::nullopt});
    auto ind = indexed_help(dir, f);
    auto old = indexed_help(dir, f, 21);
    auto cut_table = plain_phrases_file({"ab", "cd"}, {false, false});
    cut_table.resize(3);  // cut inside the header
    auto cut = open_files(dir, {{"|Phrases", cut_table}});
    struct Case {
        const char* what;
        const HelpFile& h;
        B src;
        bool indexed;
        size_t capacity;
        std::string out;
    } cases[] = {
        {"index beyond the table", *plain, {'<', 0x05, 0x00, '>'}, false, 0xFF00, "<>"},
        {"code cut by the end", *plain, {'<', 0x01}, false, 0xFF00, "<"},
        {"capacity inside a phrase", *plain, {0x01, 0x01, 0x01, 0x01, 0x01, 0x01}, false, 5, "ab ab"},
        {"capacity inside plain bytes", *plain, to_bytes("abcdefgh"), false, 3, "abc"},
        {"capacity 0", *plain, {0x01, 0x01}, false, 0, ""},
        {"plain table, minor version 33", *rtf, {0x01, 0x02, 'x'}, false, 0xFF00, "x"},
        {"no table", *none, {'a', 0x03, 0x44, 'b'}, false, 0xFF00, "ab"},
        {"no indexed table", *none, {0x02, 0x04}, true, 0xFF00, ""},
        {"indexes 127, 128 and a cut code", *ind, {0x02, 0xFE, 0x01, 0x00, 0x05}, true, 0xFF00, "p1"},
        {"literal run past the end", *ind, {0x0B, 'x'}, true, 0xFF00, ""},
        {"capacity inside a run", *ind, {0xFF, 0xF7}, true, 20, std::string(16, '\0') + "    "},
        {"indexed table, minor version 21", *old, {0x02, 0x03, 'q'}, true, 0xFF00, "q"},
        {"header cut short", *cut, {0x01, 0x00, 'k'}, false, 0xFF00, "k"},
    };
    for (const Case& c : cases) EXPECT_EQ(expand(c.h, c.src, c.indexed, c.capacity), c.out) << c.what;

    // Hostile headers: huge counts and sizes must not allocate without bound
    // or read outside the files.
    B bad = f.phrindex;
    for (auto [at, v] : {std::pair{4, 0x7FFFFFFFu}, {8, 0x7FFFFFFFu}, {12, 0x7FFFFFF0u}, {16, 0x7FFFFFFFu}}) {
        poke(bad, at, v);  // count, length data size, image size, stored image size
    }
    auto huge = indexed_help(dir, {bad, f.phrimage});
    EXPECT_LE(huge->phrases.indexed_offsets.size(), 8 * f.phrindex.size());
    EXPECT_LE(huge->phrases.indexed_text.size(), 9 * f.phrimage.size() + 16);
    EXPECT_EQ(phrase_text(*huge, 0).value_or(""), "p0");
    // Lengths summing past the image are cut at its end.
    bad = f.phrindex;
    std::fill(bad.begin() + 28, bad.end(), 0xFF);
    auto longer = indexed_help(dir, {bad, f.phrimage});
    for (uint32_t i = 0; i < 12; ++i) EXPECT_LE(phrase_text(*longer, i).value_or("").size(), longer->phrases.indexed_text.size());
    // 65535 phrases in a compressed table of two; an offset beyond a stored one.
    auto table = plain_phrases_file({"ab", "cd"}, {true, false});
    poke(table, 0, 0xFFFF, 2);
    auto many = open_files(dir, {{"|Phrases", table}}, 21, 0x04);
    EXPECT_EQ(many->phrases.plain_offsets.size(), 65536u);
    EXPECT_LE(many->phrases.plain_text.size(), 0x20000u + 16);
    B codes;
    for (int b = 1; b <= 15; ++b) codes.insert(codes.end(), {static_cast<uint8_t>(b), 0xFF});
    expand(*many, codes, false);
    table = plain_phrases_file({"ab", "cd"}, {false, false});
    poke(table, 6, 0xFFFF, 2);
    auto off = open_files(dir, {{"|Phrases", table}});
    EXPECT_EQ(phrase_text(*off, 0).value_or("").size(), off->phrases.plain_text.size() - 6);
    EXPECT_EQ(phrase_text(*off, 1).value_or(""), "");

    // Random text through both codings against real tables.
    std::mt19937 rng(9);
    auto h = open_files(dir, {{"|Phrases", plain_phrases_file(numbered_phrases(300), {true, false})}}, 21, 0x04);
    for (int round = 0; round < 300; ++round) {
        B src(rng() % 400);
        for (auto& b : src) b = static_cast<uint8_t>(rng());
        expand(*h, src, round % 2, 1 + rng() % 600);
        expand(*ind, src, round % 2, 1 + rng() % 600);
    }
}
