// SPDX-License-Identifier: MIT
// Context and keyword indexes (|CONTEXT; |KWBTREE with |KWDATA for the K
// keywords, |AWBTREE with |AWDATA, of the same layout, for the A keywords
// that associative links look up).
//
// Both indexes are loaded once into tables in the order of their B-tree
// leaves. Lookups ask the reverse question (which contexts and keywords sit
// at a topic offset); they answer as a search through the table in order
// would, but through an index sorted by topic offset.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvane {

struct HelpFile;
struct Reporter;
class ContextNamer;

struct ContextTable {
    struct Entry {
        int32_t hash;
        int32_t topic_offset;
    };
    std::vector<Entry> entries;  // in leaf order

    // Index over the entries whose hash is not 0, ordered by (topic offset
    // taken unsigned, table index); built by index_context_table.
    std::vector<uint32_t> sorted_offsets;  // topic offsets in index order
    std::vector<uint32_t> sorted_index;    // the matching table indices
    std::vector<uint32_t> min_tree;        // segment tree: least table index over index ranges
};

struct KeywordTable {
    struct Entry {
        int32_t topic_offset;
        uint32_t keyword_pos;  // absolute file position of the keyword text
    };
    std::vector<Entry> entries;  // only the occurrences actually read

    // Index ordered by (topic offset taken unsigned, table index); built by
    // index_keyword_table.
    std::vector<uint32_t> sorted_offsets;
    std::vector<uint32_t> sorted_index;
    uint32_t kwbtree_offset = 0, kwbtree_size = 0;  // where keyword texts are read
};

// The first position of sorted (ascending) whose value is not less than
// value, as std::lower_bound finds it, searched outward from hint: the
// topics ask for offsets in rising order, so the answer is usually near the
// last one.
size_t lower_bound_near(const std::vector<uint32_t>& sorted, uint32_t value, size_t hint);

ContextTable load_context_table(const HelpFile& help, Reporter& report);
// Loads the K and the A keyword table.
void load_keyword_tables(const HelpFile& help, Reporter& report, KeywordTable& k, KeywordTable& a);

// (Re)builds the lookup index after the entries changed; the loads call it.
void index_context_table(ContextTable& table);
void index_keyword_table(KeywordTable& table);

// Where the last range lookup in a table began: a reader that asks for
// rising offsets keeps one per table, and each lookup starts near the last
// (it only speeds the search up). The tables themselves are never written
// after loading, so several readers may use them at once.
struct RangeHint {
    size_t at = 0;
};

// The names of every context entry (hash not 0) whose topic offset lies in
// [low, high] (low compared signed, high unsigned), in table order.
std::vector<std::string> context_names_in_range(const ContextTable& table, ContextNamer& names, int32_t low,
                                                uint32_t high, RangeHint& hint);
// Name of the first context entry (table order, hash not 0) whose topic
// offset is exactly topic_offset.
std::optional<std::string> context_name_at(const ContextTable& table, ContextNamer& names, uint32_t topic_offset);
// Keywords of every keyword entry whose topic offset equals topic_offset,
// in table order, joined by ';'; nullopt when there is none.
std::optional<std::string> keywords_for_topic(const HelpFile& help, const KeywordTable& table, int32_t topic_offset);
// The same for every entry whose topic offset lies in [low, high].
std::optional<std::string> keywords_in_range(const HelpFile& help, const KeywordTable& table, int32_t low,
                                             uint32_t high, RangeHint& hint);

}  // namespace korvane
