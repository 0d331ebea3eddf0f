// Context and keyword tables: loading through leaf chains, the lookups, and
// their agreement with a plain search through the table.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <random>

#include "driver/messages.h"
#include "helpfile/helpfile.h"
#include "support/hlp_builder.h"
#include "support/index_builder.h"
#include "topics/context_hash.h"
#include "topics/indexes.h"

using namespace korvane;
using namespace korvane::test;

namespace {

using Pairs = std::vector<std::pair<int32_t, int32_t>>;

HlpBuilder builder_with(const std::vector<std::pair<std::string, std::vector<uint8_t>>>& files) {
    HlpBuilder b;
    b.add("|SYSTEM", system_file(21, 0));
    for (const auto& [name, content] : files) b.add(name, content);
    return b;
}

int32_t hash_of(const char* name) { return static_cast<int32_t>(context_hash(name)); }

std::vector<std::pair<int32_t, int32_t>> loaded_pairs(const HelpFile& help) {
    std::vector<std::pair<int32_t, int32_t>> out;
    for (const auto& e : help.context_table.entries) out.emplace_back(e.hash, e.topic_offset);
    return out;
}

// A page size that holds per_leaf entries of at most entry_size bytes and
// the index page over all leaves.
uint16_t page_size_for(size_t entries, size_t per_leaf, size_t entry_size) {
    size_t leaves = (entries + per_leaf - 1) / per_leaf;
    return static_cast<uint16_t>(std::max(8 + entry_size * per_leaf, 6 + 3 * leaves));
}

// Plain searches through the tables, in table order.
bool in_range(int32_t offset, int32_t low, uint32_t high) {
    return offset >= low && static_cast<uint32_t>(offset) <= high;
}

std::vector<int32_t> plain_context_hashes(const Pairs& table, int32_t low, uint32_t high) {
    std::vector<int32_t> hashes;
    for (const auto& [hash, offset] : table) {
        if (hash != 0 && in_range(offset, low, high)) hashes.push_back(hash);
    }
    return hashes;
}

template <class Match>
std::optional<std::string> plain_keywords(const std::vector<KeywordSpec>& keywords, Match match) {
    std::optional<std::string> joined;
    for (const KeywordSpec& k : keywords) {
        for (int32_t offset : k.occurrences) {
            if (!match(offset)) continue;
            if (joined) *joined += ';';
            else joined.emplace();
            *joined += k.text;
        }
    }
    return joined;
}

}  // namespace

TEST(ContextTable, LoadsEveryLeafThroughIndexLevelsWithProgress) {
    Pairs entries;
    for (int i = 0; i < 10; ++i) entries.emplace_back(1000 + i, i * 100);
    for (int levels : {1, 2}) {
        TempDir dir;
        std::vector<uint8_t> context = context_btree(entries, {64, 3, levels});
        auto help = open_built_help(builder_with({{"|CONTEXT", context}}), dir);
        RecordingPlatform rec;
        load_context_table(*help);
        EXPECT_EQ(loaded_pairs(*help), entries);
        // Once per leaf, at entries 0, 3, 6 and 9 of 10.
        EXPECT_EQ(rec.percents, (std::vector<int>{43, 44, 45, 47}));
        EXPECT_EQ(rec.phases, (std::vector<std::string>{"Reading Context File"}));
    }

    // The header's entry count ends the walk early; 0 reads no leaf.
    for (int32_t total : {5, 0, -3}) {
        TempDir dir;
        std::vector<uint8_t> context = context_btree(entries, {64, 3, 1});
        set_total_entries(context, total);
        auto help = open_built_help(builder_with({{"|CONTEXT", context}}), dir);
        RecordingPlatform rec;
        load_context_table(*help);
        Pairs expected(entries.begin(), entries.begin() + std::max(total, 0));
        EXPECT_EQ(loaded_pairs(*help), expected) << total;
        EXPECT_EQ(rec.percents.size(), total == 5 ? 2u : 0u) << total;
    }

    // No |CONTEXT at all, or one too short for its header.
    for (bool present : {false, true}) {
        TempDir dir;
        auto help = open_built_help(present ? builder_with({{"|CONTEXT", {1, 2, 3}}}) : builder_with({}), dir);
        load_context_table(*help);
        EXPECT_TRUE(help->context_table.entries.empty());
        EXPECT_FALSE(context_name_in_range(*help, INT32_MIN, UINT32_MAX));
    }
}

TEST(ContextTable, DamagedChainsEndTheWalk) {
    Pairs entries;
    for (int i = 0; i < 9; ++i) entries.emplace_back(1 + i, i);
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
    for (const Case& c : cases) {
        std::vector<uint8_t> context = context_btree(entries, {64, 3, 1});
        set_total_entries(context, 100);
        if (c.page >= 0) set_page_field(context, c.page, c.field, c.value);
        else std::memcpy(context.data() + 26, "\x00\x40", 2);  // root 0x4000
        TempDir dir;
        auto help = open_built_help(builder_with({{"|CONTEXT", context}}), dir);
        load_context_table(*help);
        Pairs expected(entries.begin(), entries.begin() + static_cast<long>(c.expected));
        EXPECT_EQ(loaded_pairs(*help), expected) << c.what;
    }

    // A leaf claiming more entries than its page holds: only the page is read.
    std::vector<uint8_t> context = context_btree(entries, {64, 3, 1});
    set_page_field(context, 0, 2, 200);
    TempDir dir;
    auto help = open_built_help(builder_with({{"|CONTEXT", context}}), dir);
    load_context_table(*help);
    const auto& loaded = help->context_table.entries;
    ASSERT_EQ(loaded.size(), 9u);  // the header's total ends it
    EXPECT_EQ(loaded[2].hash, 3);
    for (size_t i = 3; i < 7; ++i) EXPECT_EQ(loaded[i].hash, 0) << i;  // the page's unused bytes
    EXPECT_EQ(loaded[7].hash, 4);                                      // the next leaf's first entry
}

TEST(ContextLookup, FirstNamedEntryInTableOrder) {
    const char* names[] = {"first", "second", "later", "neg", "top", "zero"};
    Pairs entries = {{0, 100},
                     {hash_of("first"), 100},
                     {hash_of("second"), 100},
                     {hash_of("later"), 150},
                     {hash_of("neg"), -16},
                     {hash_of("top"), INT32_MAX},
                     {hash_of("zero"), 0}};
    TempDir dir;
    auto help = open_built_help(builder_with({{"|CONTEXT", context_btree(entries, {64, 2, 2})}}), dir);
    for (const char* n : names) add_context_name(*help, n);
    load_context_table(*help);
    using Names = std::vector<std::string>;

    EXPECT_EQ(context_name_in_range(*help, 100, 100), "first");  // hash 0 skipped, first of two
    EXPECT_EQ(context_name_in_range(*help, 0, 99), "zero");      // offset 0 is a place like any other
    EXPECT_EQ(context_name_in_range(*help, 150, 150), "later");
    EXPECT_FALSE(context_name_in_range(*help, 101, 149));
    EXPECT_FALSE(context_name_in_range(*help, 200, 100));
    EXPECT_EQ(context_names_in_range(*help, 100, 150), (Names{"first", "second", "later"}));
    // low compares signed, high unsigned.
    EXPECT_EQ(context_names_in_range(*help, -20, UINT32_MAX), (Names{"first", "second", "later", "neg", "top", "zero"}));
    EXPECT_EQ(context_names_in_range(*help, -20, 200), (Names{"first", "second", "later", "zero"}));
    EXPECT_EQ(context_names_in_range(*help, 0, 0xFFFFFFF0u), (Names{"first", "second", "later", "top", "zero"}));
    EXPECT_EQ(context_names_in_range(*help, -15, UINT32_MAX), (Names{"first", "second", "later", "top", "zero"}));
    EXPECT_EQ(context_names_in_range(*help, INT32_MIN, 0xFFFFFFF0u).size(), 6u);
    EXPECT_EQ(context_name_in_range(*help, -16, 0xFFFFFFF0u), "first");
    // The exact lookup matches the offset only.
    EXPECT_EQ(context_name_at(*help, 0xFFFFFFF0u), "neg");
    EXPECT_FALSE(context_name_at(*help, 0xFFFFFFFFu));
    EXPECT_EQ(context_name_at(*help, 100), "first");
}

TEST(ContextLookup, AgreesWithPlainSearch) {
    std::mt19937 rng(1234);
    const int32_t pool[] = {0, 1, 2, 5, 100, 101, INT32_MAX, INT32_MIN, -1, -2, -100, 4096, 32768};
    auto pick = [&](auto& arr) { return arr[rng() % std::size(arr)]; };
    for (int round = 0; round < 25; ++round) {
        Pairs entries(rng() % 300);
        for (auto& [hash, offset] : entries) {
            hash = rng() % 4 == 0 ? 0 : static_cast<int32_t>(rng() % 6 + 1);
            offset = rng() % 3 == 0 ? static_cast<int32_t>(rng()) : pick(pool);
        }
        size_t per_leaf = rng() % 12 + 1;
        BTreeSpec spec{page_size_for(entries.size(), per_leaf, 8) , per_leaf, static_cast<int>(rng() % 3 + 1)};
        TempDir dir;
        auto help = open_built_help(builder_with({{"|CONTEXT", context_btree(entries, spec)}}), dir);
        load_context_table(*help);
        ASSERT_EQ(loaded_pairs(*help), entries);
        for (int q = 0; q < 300; ++q) {
            int32_t low = static_cast<int32_t>(static_cast<uint32_t>(pick(pool)) + rng() % 3 - 1);
            uint32_t high = static_cast<uint32_t>(pick(pool)) + rng() % 3 - 1;
            if (q % 10 == 0 && !entries.empty()) low = entries[rng() % entries.size()].second;
            if (q % 7 == 0 && !entries.empty()) high = static_cast<uint32_t>(entries[rng() % entries.size()].second);
            std::vector<int32_t> hashes = plain_context_hashes(entries, low, high);
            std::vector<std::string> expected;
            for (int32_t h : hashes) expected.push_back(name_for_hash(*help, static_cast<uint32_t>(h)));
            EXPECT_EQ(context_names_in_range(*help, low, high), expected) << low << " " << high;
            std::optional<std::string> first = context_name_in_range(*help, low, high);
            EXPECT_EQ(first.has_value(), !expected.empty());
            if (first && !expected.empty()) {
                EXPECT_EQ(*first, expected.front());
            }
            std::optional<std::string> at = context_name_at(*help, high);
            std::vector<int32_t> exact;
            for (const auto& [hash, offset] : entries) {
                if (hash != 0 && static_cast<uint32_t>(offset) == high) exact.push_back(hash);
            }
            EXPECT_EQ(at.has_value(), !exact.empty());
            if (at && !exact.empty()) {
                EXPECT_EQ(*at, name_for_hash(*help, static_cast<uint32_t>(exact.front())));
            }
        }
    }
}

TEST(KeywordTable, LoadsOccurrencesAndJoinsInTableOrder) {
    std::vector<KeywordSpec> keywords = {
        {"Alpha", {10, 20, 10}}, {"Beta", {10}}, {"Gamma", {0}}, {"Delta", {30, 30, 30}}};
    KeywordFiles files = keyword_files(keywords, {64, 2, 2});
    TempDir dir;
    HlpBuilder b = builder_with({{"|KWBTREE", files.kwbtree}, {"|KWDATA", files.kwdata}});
    auto help = open_built_help(b, dir);
    RecordingPlatform rec;
    load_keyword_table(*help);
    const auto& table = help->keyword_table.entries;
    ASSERT_EQ(table.size(), 8u);
    // One progress report per keyword: 43 + MulDiv(k, 3, 8).
    EXPECT_EQ(rec.percents, (std::vector<int>{43, 43, 44, 44}));
    EXPECT_EQ(rec.phases, (std::vector<std::string>{"Scanning Keywords"}));
    // The three occurrences of Delta share the position of its text.
    EXPECT_EQ(table[5].keyword_pos, table[7].keyword_pos);
    EXPECT_EQ(std::memcmp(help->bytes.data() + table[5].keyword_pos, "Delta", 6), 0);

    EXPECT_EQ(keywords_for_topic(*help, 10), "Alpha;Alpha;Beta");
    EXPECT_EQ(keywords_for_topic(*help, 20), "Alpha");
    EXPECT_EQ(keywords_for_topic(*help, 0), "Gamma");
    EXPECT_EQ(keywords_for_topic(*help, 30), "Delta;Delta;Delta");
    EXPECT_FALSE(keywords_for_topic(*help, 40));
    EXPECT_EQ(keywords_in_range(*help, 10, 20), "Alpha;Alpha;Alpha;Beta");
    EXPECT_EQ(keywords_in_range(*help, -1, UINT32_MAX), "Alpha;Alpha;Alpha;Beta;Gamma;Delta;Delta;Delta");
    EXPECT_FALSE(keywords_in_range(*help, 31, 0x7FFFFFFF));

    // The 3.0-era names, when a file has only those.
    TempDir dir0;
    auto old = open_built_help(builder_with({{"|0KWBTREE", files.kwbtree}, {"|0KWDATA", files.kwdata}}), dir0);
    load_keyword_table(*old);
    EXPECT_EQ(keywords_for_topic(*old, 10), "Alpha;Alpha;Beta");

    // Either file missing: no table, no keywords.
    TempDir dir1;
    auto missing = open_built_help(builder_with({{"|KWBTREE", files.kwbtree}}), dir1);
    load_keyword_table(*missing);
    EXPECT_FALSE(missing->keyword_table.loaded);
    EXPECT_FALSE(keywords_for_topic(*missing, 10));
}

TEST(KeywordTable, CountsBeyondKwdataNeverOverflowOrMatch) {
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
    for (const Case& c : cases) {
        Bytes kwdata;
        for (int32_t v : c.kwdata) kwdata.i32(v);
        TempDir dir;
        auto help = open_built_help(builder_with({{"|KWBTREE", build_btree(c.leaf)}, {"|KWDATA", kwdata.b}}), dir);
        load_keyword_table(*help);
        EXPECT_LE(help->keyword_table.entries.size(), c.kwdata.size()) << c.what;
        // Unfilled room in the table never answers for offset 0.
        EXPECT_FALSE(keywords_for_topic(*help, 0)) << c.what;
        for (const auto& [offset, text] : c.expected) {
            EXPECT_EQ(keywords_for_topic(*help, offset), text) << c.what << " " << offset;
        }
    }
}

TEST(KeywordTable, LongKeywordsAndListsAreKeptWhole) {
    std::string a(12000, 'a'), b(12000, 'b'), c(9000, 'c');
    KeywordFiles files = keyword_files({{a, {5}}, {b, {5}}, {c, {6}}}, {16384, 1, 1});
    TempDir dir;
    auto help = open_built_help(builder_with({{"|KWBTREE", files.kwbtree}, {"|KWDATA", files.kwdata}}), dir);
    load_keyword_table(*help);
    EXPECT_EQ(keywords_for_topic(*help, 5), a + ";" + b);
    EXPECT_EQ(keywords_for_topic(*help, 6), c);
}

TEST(KeywordTable, DamagedPagesAndChains) {
    std::vector<KeywordSpec> keywords = {{"one", {1}}, {"two", {2}}, {"three", {3}}, {"four", {4}}};
    // The last leaf loops back to the first: every keyword is read once.
    {
        KeywordFiles files = keyword_files(keywords, {40, 2, 1});
        set_page_field(files.kwbtree, 1, 6, 0);
        TempDir dir;
        auto help = open_built_help(builder_with({{"|KWBTREE", files.kwbtree}, {"|KWDATA", files.kwdata}}), dir);
        load_keyword_table(*help);
        EXPECT_EQ(keywords_in_range(*help, 0, 10), "one;two;three;four");
    }
    // A leaf claims more entries than it has, and its page's spare bytes
    // hold text without a terminator: nothing is read beyond the page.
    {
        KeywordFiles files = keyword_files(keywords, {40, 2, 1});
        set_page_field(files.kwbtree, 1, 2, 5);
        size_t used = 38 + 40 + 8 + 12 + 11;  // leaf 1: header, "three" and "four" entries
        std::memset(files.kwbtree.data() + used, 'x', 38 + 80 - used);
        files.kwdata.resize(files.kwdata.size() + 64);  // room for whatever a misread entry might claim
        TempDir dir;
        auto help = open_built_help(builder_with({{"|KWBTREE", files.kwbtree}, {"|KWDATA", files.kwdata}}), dir);
        load_keyword_table(*help);
        EXPECT_EQ(keywords_in_range(*help, INT32_MIN, UINT32_MAX), "one;two;three;four");
    }
}

TEST(KeywordLookup, AgreesWithPlainSearch) {
    std::mt19937 rng(99);
    const int32_t pool[] = {0, 1, 7, 100, INT32_MAX, INT32_MIN, -1, -7};
    auto pick = [&](auto& arr) { return arr[rng() % std::size(arr)]; };
    for (int round = 0; round < 25; ++round) {
        std::vector<KeywordSpec> keywords(rng() % 60);
        for (KeywordSpec& k : keywords) {
            size_t len = rng() % 8 + 1;
            for (size_t i = 0; i < len; ++i) k.text += static_cast<char>('a' + rng() % 26);
            k.occurrences.resize(rng() % 5);
            for (int32_t& o : k.occurrences) o = pick(pool);
        }
        size_t per_leaf = rng() % 10 + 1;
        BTreeSpec spec{page_size_for(keywords.size(), per_leaf, 15), per_leaf, static_cast<int>(rng() % 3 + 1)};
        KeywordFiles files = keyword_files(keywords, spec);
        TempDir dir;
        auto help = open_built_help(builder_with({{"|KWBTREE", files.kwbtree}, {"|KWDATA", files.kwdata}}), dir);
        load_keyword_table(*help);
        for (int32_t offset : pool) {
            EXPECT_EQ(keywords_for_topic(*help, offset),
                      plain_keywords(keywords, [&](int32_t o) { return o == offset; }));
        }
        for (int q = 0; q < 100; ++q) {
            int32_t low = static_cast<int32_t>(static_cast<uint32_t>(pick(pool)) + rng() % 3 - 1);
            uint32_t high = static_cast<uint32_t>(pick(pool)) + rng() % 3 - 1;
            EXPECT_EQ(keywords_in_range(*help, low, high),
                      plain_keywords(keywords, [&](int32_t o) { return in_range(o, low, high); }))
                << low << " " << high;
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
        found += context_name_in_range(help, i * 8, static_cast<uint32_t>(i * 8 + 7)).has_value();
        if (i % 64 == 0) {
            EXPECT_EQ(context_name_in_range(help, INT32_MIN, UINT32_MAX), "alpha");
        }
    }
    EXPECT_EQ(found, static_cast<size_t>(n - 1));  // every offset but 0
    EXPECT_EQ(context_name_in_range(help, 8, 8), names[(n - 1) % 4]);

    std::vector<KeywordSpec> keywords(n / 4);
    for (size_t i = 0; i < keywords.size(); ++i) keywords[i] = {"k" + std::to_string(i), {static_cast<int32_t>(i % 1000), 5000}};
    KeywordFiles files = keyword_files(keywords, {4096, 200, 2});
    TempDir dir;
    auto file = open_built_help(builder_with({{"|KWBTREE", files.kwbtree}, {"|KWDATA", files.kwdata}}), dir);
    load_keyword_table(*file);
    size_t total = 0;
    for (int round = 0; round < 100; ++round) {
        for (int32_t t = 0; t < 1000; ++t) total += keywords_for_topic(*file, t).has_value();
    }
    EXPECT_EQ(total, 100000u);
    std::string all = keywords_for_topic(*file, 5000).value_or("");
    EXPECT_EQ(std::count(all.begin(), all.end(), ';'), static_cast<long>(keywords.size()) - 1);
}

TEST(CorpusIndexes, EveryContextAndKeywordOccurrenceLoads) {
    std::string root = KORVANE_CORPUS_DIR;
    DIR* top = opendir(root.c_str());
    if (!top) GTEST_SKIP() << "no corpus";
    std::vector<std::string> paths;
    while (dirent* d = readdir(top)) {
        std::string folder = d->d_name;
        if (folder[0] == '.' || folder == "not-winhelp") continue;
        if (DIR* sub = opendir((root + "/" + folder).c_str())) {
            while (dirent* f = readdir(sub)) {
                std::string name = f->d_name;
                std::string ext = name.size() > 4 ? name.substr(name.size() - 4) : "";
                for (char& ch : ext) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
                if (ext == ".hlp") paths.push_back(root + "/" + folder + "/" + name);
            }
            closedir(sub);
        }
    }
    closedir(top);
    ASSERT_FALSE(paths.empty());
    for (const std::string& path : paths) {
        auto help = open_help_file(path, 0);
        ASSERT_TRUE(help) << path;
        load_context_table(*help);
        load_keyword_table(*help);
        if (help->context_file.present()) {
            int32_t total;
            std::memcpy(&total, help->bytes.data() + help->context_file.offset + 34, 4);
            EXPECT_EQ(help->context_table.entries.size(), static_cast<size_t>(total)) << path;
            for (const auto& e : help->context_table.entries) {
                EXPECT_TRUE(context_name_at(*help, static_cast<uint32_t>(e.topic_offset))) << path;
            }
        }
        if (help->keyword_table.loaded) {
            EXPECT_EQ(help->keyword_table.entries.size(), help->kwdata_file.size / 4) << path;
            for (const auto& e : help->keyword_table.entries) {
                const char* at = reinterpret_cast<const char*>(help->bytes.data() + e.keyword_pos);
                std::string text(at, strnlen(at, help->bytes.size() - e.keyword_pos));
                ASSERT_FALSE(text.empty()) << path;
                std::string joined = ";" + keywords_for_topic(*help, e.topic_offset).value_or("") + ";";
                EXPECT_NE(joined.find(";" + text + ";"), std::string::npos) << path << " " << text;
            }
        }
    }
}
