// Context and keyword tables: loading through leaf chains, damaged trees and
// counts, the lookups, their agreement with a plain search, and their speed.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <optional>
#include <random>

#include "helpfile/helpfile.h"
#include "support/index_builder.h"
#include "topics/context_hash.h"
#include "topics/indexes.h"

using namespace korvane;
using namespace korvane::test;

namespace {

using Pairs = std::vector<std::pair<int32_t, int32_t>>;
using Names = std::vector<std::string>;

int32_t hash_of(const char* name) { return static_cast<int32_t>(context_hash(name)); }

Pairs loaded_pairs(const HelpFile& help) {
    Pairs out;
    for (const auto& e : help.context_table.entries) out.emplace_back(e.hash, e.topic_offset);
    return out;
}

std::unique_ptr<HelpFile> keyword_help(const TempDir& dir, const KeywordFiles& f, const std::string& prefix = "|") {
    auto help = open_files(dir, {{prefix + "KWBTREE", f.kwbtree}, {prefix + "KWDATA", f.kwdata}});
    load_keyword_table(*help);
    return help;
}

// Names of the entries {name, topic offset} that match, searched in table
// order; an empty name (a hash of 0) never matches.
template <class Match>
Names plain_search(const std::vector<std::pair<std::string, int32_t>>& table, Match match) {
    Names found;
    for (const auto& [name, offset] : table) {
        if (!name.empty() && match(offset)) found.push_back(name);
    }
    return found;
}

std::optional<std::string> joined(const Names& names, bool first_only = false) {
    if (names.empty()) return std::nullopt;
    std::string out = names[0];
    for (size_t i = 1; i < names.size() && !first_only; ++i) out += ";" + names[i];
    return out;
}

}  // namespace

TEST(IndexTables, ContextLoadsEveryLeafWithProgress) {
    Pairs entries;
    for (int i = 0; i < 10; ++i) entries.emplace_back(1000 + i, i * 100);
    // Through one and two index levels, one report per leaf (entries 0, 3,
    // 6 and 9 of 10); the header's entry count ends the walk early, and 0
    // or less reads no leaf.
    struct Case {
        int32_t total;
        int levels;
        std::vector<int> percents;
    } cases[] = {{10, 1, {43, 44, 45, 47}}, {10, 2, {43, 44, 45, 47}}, {5, 1, {43, 45}}, {0, 1, {}}, {-3, 1, {}}};
    TempDir dir;
    for (const Case& c : cases) {
        std::vector<uint8_t> context = context_btree(entries, {64, 3, c.levels});
        poke(context, 34, static_cast<uint32_t>(c.total));
        auto help = open_files(dir, {{"|CONTEXT", context}});
        RecordingPlatform rec;
        load_context_table(*help);
        EXPECT_EQ(loaded_pairs(*help), Pairs(entries.begin(), entries.begin() + std::max(c.total, 0))) << c.total;
        EXPECT_EQ(rec.percents, c.percents) << c.total;
        EXPECT_EQ(rec.phases, c.percents.empty() ? Names{} : Names{"Reading Context File"}) << c.total;
    }

    // No |CONTEXT at all, or one too short for its header.
    for (bool present : {false, true}) {
        auto help = present ? open_files(dir, {{"|CONTEXT", {1, 2, 3}}}) : open_files(dir, {});
        load_context_table(*help);
        EXPECT_TRUE(help->context_table.entries.empty());
    }
}

TEST(IndexTables, DamagedTreesEndTheWalkInsideTheFile) {
    Pairs entries;
    std::vector<KeywordSpec> keywords;
    for (int i = 0; i < 9; ++i) {
        entries.emplace_back(1 + i, i);
        keywords.push_back({std::string("k").append(std::to_string(i)), {i}});
    }
    // Three leaves (pages 0 to 2) of three entries, root index page 3; the
    // same damage to |CONTEXT and |KWBTREE.
    struct Case {
        const char* what;
        int page, field;
        int16_t value;
        size_t expected;
    } cases[] = {
        {"last leaf loops to the first", 2, 6, 0, 9},
        {"middle leaf loops to itself", 1, 6, 1, 6},
        {"next leaf outside the file", 0, 6, 500, 3},
        {"root's leftmost child is the root", 3, 4, 3, 0},
        {"root page outside the file", -1, 0, 0, 0},
    };
    TempDir dir;
    for (const Case& c : cases) {
        std::vector<uint8_t> context = context_btree(entries, {64, 3, 1});
        KeywordFiles kw = keyword_files(keywords, {64, 3, 1});
        poke(context, 34, 100);  // the header's count does not end the walk
        for (std::vector<uint8_t>* tree : {&context, &kw.kwbtree}) {
            if (c.page >= 0) poke(*tree, page_field(*tree, c.page, c.field), static_cast<uint16_t>(c.value), 2);
            else poke(*tree, 26, 0x4000, 2);
        }
        auto help = open_files(dir, {{"|CONTEXT", context}, {"|KWBTREE", kw.kwbtree}, {"|KWDATA", kw.kwdata}});
        load_context_table(*help);
        load_keyword_table(*help);
        EXPECT_EQ(loaded_pairs(*help), Pairs(entries.begin(), entries.begin() + static_cast<long>(c.expected)))
            << c.what;
        EXPECT_EQ(help->keyword_table.entries.size(), c.expected) << c.what;
    }

    // Leaves claiming more entries than their pages hold: only the page is
    // read. |CONTEXT reads the page's unused zero bytes; in |KWBTREE they
    // hold text without a terminator, and no entry is made of them.
    std::vector<uint8_t> context = context_btree(entries, {64, 3, 1});
    poke(context, page_field(context, 0, 2), 200, 2);
    KeywordFiles kw = keyword_files(keywords, {64, 3, 1});
    poke(kw.kwbtree, page_field(kw.kwbtree, 1, 2), 5, 2);
    const size_t used = page_field(kw.kwbtree, 1, 8) + 3 * 9;
    std::memset(kw.kwbtree.data() + used, 'x', page_field(kw.kwbtree, 2, 0) - used);
    kw.kwdata.resize(kw.kwdata.size() + 64);  // room for whatever a misread entry might claim
    auto help = open_files(dir, {{"|CONTEXT", context}, {"|KWBTREE", kw.kwbtree}, {"|KWDATA", kw.kwdata}});
    load_context_table(*help);
    load_keyword_table(*help);
    std::vector<int32_t> hashes;
    for (const auto& e : help->context_table.entries) hashes.push_back(e.hash);
    EXPECT_EQ(hashes, (std::vector<int32_t>{1, 2, 3, 0, 0, 0, 0, 4, 5}));  // the header's total ends it
    EXPECT_EQ(keywords_in_range(*help, INT32_MIN, UINT32_MAX), "k0;k1;k2;k3;k4;k5;k6;k7;k8");
}

TEST(IndexTables, KeywordsLoadAndJoinInTableOrder) {
    std::string long_a(12000, 'a'), long_b(12000, 'b');
    std::vector<KeywordSpec> keywords = {{"Alpha", {10, 20, 10}}, {"Beta", {10}}, {"Gamma", {0}},
                                         {"Delta", {30, 30, 30}}, {long_a, {5}},     {long_b, {5}}};
    KeywordFiles files = keyword_files(keywords, {16384, 1, 2});
    TempDir dir;
    auto help = open_files(dir, {{"|KWBTREE", files.kwbtree}, {"|KWDATA", files.kwdata}});
    RecordingPlatform rec;
    load_keyword_table(*help);
    const auto& table = help->keyword_table.entries;
    ASSERT_EQ(table.size(), 10u);
    // One progress report per keyword: 43 + MulDiv(k, 3, 10).
    EXPECT_EQ(rec.percents, (std::vector<int>{43, 43, 44, 44, 44, 45}));
    EXPECT_EQ(rec.phases, Names{"Scanning Keywords"});
    // The three occurrences of Delta share the position of its text.
    EXPECT_EQ(table[5].keyword_pos, table[7].keyword_pos);
    EXPECT_EQ(std::memcmp(help->bytes.data() + table[5].keyword_pos, "Delta", 6), 0);

    EXPECT_EQ(keywords_for_topic(*help, 10), "Alpha;Alpha;Beta");
    EXPECT_EQ(keywords_for_topic(*help, 0), "Gamma");
    EXPECT_EQ(keywords_for_topic(*help, 5), long_a + ";" + long_b);  // long texts kept whole
    EXPECT_FALSE(keywords_for_topic(*help, 40));
    EXPECT_EQ(keywords_in_range(*help, 10, 20), "Alpha;Alpha;Alpha;Beta");

    // The 3.0-era names, when a file has only those; either file missing:
    // no table.
    EXPECT_EQ(keywords_for_topic(*keyword_help(dir, files, "|0"), 10), "Alpha;Alpha;Beta");
    auto missing = open_files(dir, {{"|KWBTREE", files.kwbtree}});
    load_keyword_table(*missing);
    EXPECT_FALSE(keywords_for_topic(*missing, 10));
}

TEST(IndexTables, KeywordCountsBeyondKwdataNeverOverflowOrMatch) {
    struct Case {
        const char* what;
        std::vector<std::vector<uint8_t>> leaf;
        std::vector<int32_t> kwdata;
        std::vector<std::pair<int32_t, std::string>> expected;  // topic offset, keywords
    } cases[] = {
        {"counts add up to more than |KWDATA holds",
         {keyword_entry("A", 5, 0), keyword_entry("B", 2, 4)},
         {7, 8},
         {{7, "A"}, {8, "A"}}},
        {"occurrences run past the end of |KWDATA",
         {keyword_entry("A", 3, 4), keyword_entry("B", 1, 0)},
         {7, 8, 9},
         {{8, "A"}, {9, "A"}, {7, "B"}}},
        {"negative count, offset outside |KWDATA",
         {keyword_entry("A", -2, 0), keyword_entry("B", 1, 400), keyword_entry("C", 1, 2)},
         {0x00070000, 9},
         {{0x00090007, "C"}}},  // read from an offset that is not a multiple of 4
    };
    TempDir dir;
    for (const Case& c : cases) {
        Bytes kwdata;
        for (int32_t v : c.kwdata) kwdata.i32(v);
        auto help = keyword_help(dir, {build_btree(c.leaf), kwdata.b});
        EXPECT_LE(help->keyword_table.entries.size(), c.kwdata.size()) << c.what;
        // Unfilled room in the table never answers for offset 0.
        EXPECT_FALSE(keywords_for_topic(*help, 0)) << c.what;
        for (const auto& [offset, text] : c.expected) {
            EXPECT_EQ(keywords_for_topic(*help, offset), text) << c.what << " " << offset;
        }
    }
}

TEST(IndexLookups, ContextWorkedExamples) {
    Pairs entries = {{0, 100}, {hash_of("first"), 100}, {hash_of("second"), 100}, {hash_of("later"), 150},
                     {hash_of("neg"), -16}, {hash_of("top"), INT32_MAX}, {hash_of("zero"), 0}};
    TempDir dir;
    auto help = open_files(dir, {{"|CONTEXT", context_btree(entries, {64, 2, 2})}});
    for (const char* n : {"first", "second", "later", "neg", "top", "zero"}) add_context_name(*help, n);
    load_context_table(*help);
    // The hash-0 entry is never returned; offset 0 is a place like any other.
    EXPECT_EQ(context_name_at(*help, 100), "first");
    EXPECT_EQ(context_names_in_range(*help, 0, 99), Names{"zero"});
    EXPECT_TRUE(context_names_in_range(*help, 101, 149).empty());
    // low compares signed, high unsigned: -16 is 0xFFFFFFF0 above.
    EXPECT_EQ(context_names_in_range(*help, -20, 200), (Names{"first", "second", "later", "zero"}));
    EXPECT_EQ(context_names_in_range(*help, 0, 0xFFFFFFF0u), (Names{"first", "second", "later", "top", "zero"}));
    EXPECT_EQ(context_name_at(*help, 0xFFFFFFF0u), "neg");
    EXPECT_FALSE(context_name_at(*help, 0xFFFFFFFFu));
}

TEST(IndexLookups, AgreeWithPlainSearch) {
    std::mt19937 rng(1234);
    const int32_t pool[] = {0, 1, 2, 5, 7, 100, 101, INT32_MAX, INT32_MIN, -1, -2, -7, -100, 4096, 32768};
    auto pick = [&] { return pool[rng() % std::size(pool)]; };
    auto near = [&] { return static_cast<uint32_t>(pick()) + rng() % 3 - 1; };
    // Leaves of 1 to 12 entries of up to entry_size bytes, 1 to 3 index levels.
    auto desc = [&](size_t entries, size_t entry_size) {
        size_t per_leaf = rng() % 12 + 1, leaves = (entries + per_leaf - 1) / per_leaf;
        return BTreeSpec{static_cast<uint16_t>(std::max(8 + entry_size * per_leaf, 6 + 3 * leaves)), per_leaf,
                         static_cast<int>(rng() % 3 + 1)};
    };
    TempDir dir;
    for (int round = 0; round < 25; ++round) {
        Pairs entries(rng() % 300);
        for (auto& [hash, offset] : entries) {
            hash = rng() % 4 == 0 ? 0 : static_cast<int32_t>(rng() % 6 + 1);
            offset = rng() % 3 == 0 ? static_cast<int32_t>(rng()) : pick();
        }
        std::vector<KeywordSpec> keywords(rng() % 60);
        for (KeywordSpec& k : keywords) {
            for (size_t n = rng() % 8 + 1; n > 0; --n) k.text += static_cast<char>('a' + rng() % 26);
            k.occurrences.resize(rng() % 5);
            for (int32_t& o : k.occurrences) o = pick();
        }
        KeywordFiles kw = keyword_files(keywords, desc(keywords.size(), 15));
        auto help = open_files(dir, {{"|CONTEXT", context_btree(entries, desc(entries.size(), 8))},
                                     {"|KWBTREE", kw.kwbtree},
                                     {"|KWDATA", kw.kwdata}});
        load_context_table(*help);
        load_keyword_table(*help);
        ASSERT_EQ(loaded_pairs(*help), entries);
        std::vector<std::pair<std::string, int32_t>> contexts, occurrences;
        for (const auto& [hash, offset] : entries) {
            contexts.emplace_back(hash ? name_for_hash(*help, static_cast<uint32_t>(hash)) : "", offset);
        }
        for (const KeywordSpec& k : keywords) {
            for (int32_t o : k.occurrences) occurrences.emplace_back(k.text, o);
        }
        for (int q = 0; q < 300; ++q) {
            int32_t low = static_cast<int32_t>(near());
            uint32_t high = near();
            if (q % 10 == 0 && !entries.empty()) low = entries[rng() % entries.size()].second;
            if (q % 7 == 0 && !entries.empty()) high = static_cast<uint32_t>(entries[rng() % entries.size()].second);
            auto in_range = [&](int32_t o) { return o >= low && static_cast<uint32_t>(o) <= high; };
            auto at_high = [&](int32_t o) { return static_cast<uint32_t>(o) == high; };
            SCOPED_TRACE(testing::Message() << "round " << round << " low " << low << " high " << high);
            Names names = plain_search(contexts, in_range);
            EXPECT_EQ(context_names_in_range(*help, low, high), names);
            EXPECT_EQ(context_name_at(*help, high), joined(plain_search(contexts, at_high), true));
            EXPECT_EQ(keywords_in_range(*help, low, high), joined(plain_search(occurrences, in_range)));
            EXPECT_EQ(keywords_for_topic(*help, static_cast<int32_t>(high)),
                      joined(plain_search(occurrences, at_high)));
        }
    }
}

TEST(IndexLookups, ManyTopicsStayFast) {
    // A search through the whole table per call would take minutes here.
    const int n = 200000;
    const char* names[] = {"alpha", "beta", "gamma", "delta"};
    HelpFile help;
    for (const char* name : names) add_context_name(help, name);
    for (int i = 0; i < n; ++i) help.context_table.entries.push_back({hash_of(names[i % 4]), (n - i) * 8});
    index_context_table(help.context_table);
    size_t found = 0;
    for (int i = 0; i < n; ++i) {
        found += context_names_in_range(help, i * 8, static_cast<uint32_t>(i * 8 + 7)).size();
        found += context_name_at(help, static_cast<uint32_t>(i * 8)).has_value();
    }
    EXPECT_EQ(found, 2 * static_cast<size_t>(n - 1));  // every offset but 0
    EXPECT_EQ(context_name_at(help, 8), names[(n - 1) % 4]);

    std::vector<KeywordSpec> keywords(n / 4);
    for (size_t i = 0; i < keywords.size(); ++i) {
        keywords[i] = {std::string("k").append(std::to_string(i)), {static_cast<int32_t>(i % 1000), 5000}};
    }
    TempDir dir;
    auto file = keyword_help(dir, keyword_files(keywords, {4096, 200, 2}));
    size_t total = 0;
    for (int round = 0; round < 100; ++round) {
        for (int32_t t = 0; t < 1000; ++t) total += keywords_for_topic(*file, t).has_value();
    }
    EXPECT_EQ(total, 100000u);
    std::string all = keywords_for_topic(*file, 5000).value_or("");
    EXPECT_EQ(std::count(all.begin(), all.end(), ';'), static_cast<long>(keywords.size()) - 1);
}

TEST(CorpusIndexes, EveryContextAndKeywordOccurrenceLoads) {
    std::vector<std::string> paths = corpus_help_files(KORVANE_CORPUS_DIR);
    ASSERT_FALSE(paths.empty()) << "the corpus is missing from tests/corpus";
    for (const std::string& path : paths) {
        auto help = open_help_file(path, 0);
        ASSERT_TRUE(help) << path;
        load_context_table(*help);
        load_keyword_table(*help);
        if (help->context_file.present()) {
            uint32_t total = ByteReader::le32(help->bytes.data() + help->context_file.offset + 34);
            EXPECT_EQ(help->context_table.entries.size(), total) << path;
            for (const auto& e : help->context_table.entries) {
                EXPECT_TRUE(context_name_at(*help, static_cast<uint32_t>(e.topic_offset))) << path;
            }
        }
        if (help->kwbtree_file.present() && help->kwdata_file.present()) {
            EXPECT_EQ(help->keyword_table.entries.size(), help->kwdata_file.size / 4) << path;
            for (const auto& e : help->keyword_table.entries) {
                const char* at = reinterpret_cast<const char*>(help->bytes.data() + e.keyword_pos);
                std::string text(at, strnlen(at, help->bytes.size() - e.keyword_pos));
                ASSERT_FALSE(text.empty()) << path;
                std::string all = std::string(";").append(keywords_for_topic(*help, e.topic_offset).value_or("")) + ";";
                EXPECT_NE(all.find(";" + text + ";"), std::string::npos) << path << " " << text;
            }
        }
    }
}
