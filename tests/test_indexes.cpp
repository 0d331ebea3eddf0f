// Context and keyword tables: damaged trees end the walk inside the file,
// and the lookups agree with a plain search over random tables. Loading the
// real files is held by the corpus and snapshot tests.
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

Pairs loaded_pairs(const HelpFile& help) {
    Pairs out;
    for (const auto& e : help.context_table.entries) out.emplace_back(e.hash, e.topic_offset);
    return out;
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
            EXPECT_EQ(context_name_in_range(*help, low, high), joined(names, true));
            EXPECT_EQ(context_name_at(*help, high), joined(plain_search(contexts, at_high), true));
            EXPECT_EQ(keywords_in_range(*help, low, high), joined(plain_search(occurrences, in_range)));
            EXPECT_EQ(keywords_for_topic(*help, static_cast<int32_t>(high)),
                      joined(plain_search(occurrences, at_high)));
        }
    }
}

