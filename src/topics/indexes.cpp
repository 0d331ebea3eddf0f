// SPDX-License-Identifier: MIT
// Loading and searching the context and keyword indexes.
//
// |CONTEXT and |KWBTREE are B-trees (helpfile/btree.h), read along their
// leaf chain; a damaged chain quietly ends the table. Their leaf entries:
//   |CONTEXT: i32 context-name hash, i32 topic offset.
//   |KWBTREE: keyword text with its NUL, i16 occurrence count, u32 offset
//     into |KWDATA, which is an array of i32 topic offsets.
#include "topics/indexes.h"

#include <algorithm>
#include <utility>

#include "base/messages.h"
#include "helpfile/btree.h"
#include "helpfile/helpfile.h"
#include "topics/context_hash.h"

namespace korvane {

namespace {

// Sorted (unsigned topic offset, table index) pairs, split into two arrays.
void sort_by_offset(std::vector<std::pair<uint32_t, uint32_t>>& pairs, std::vector<uint32_t>& offsets,
                    std::vector<uint32_t>& indices) {
    std::sort(pairs.begin(), pairs.end());
    offsets.resize(pairs.size());
    indices.resize(pairs.size());
    for (size_t i = 0; i < pairs.size(); ++i) {
        offsets[i] = pairs[i].first;
        indices[i] = pairs[i].second;
    }
}

// Positions [begin, end) of the index that hold the offsets o with
// (int32)o >= low and (uint32)o <= high. Compared this way the offsets form
// at most two runs in unsigned order: the non-negative ones up to high, and,
// for a negative low, those from (uint32)low up to high.
struct IndexSpan {
    size_t begin, end;
};

// The first position at or after from where below() no longer holds, for a
// predicate that holds on a prefix of sorted: found by steps that double,
// so a short way costs a few comparisons.
template <class Below>
size_t gallop(const std::vector<uint32_t>& sorted, size_t from, Below below) {
    const size_t n = sorted.size();
    size_t lo = from, hi = from, step = 1;
    while (hi < n && below(sorted[hi])) {
        lo = hi + 1;
        hi = lo + step;
        step *= 2;
    }
    auto begin = sorted.begin();
    return static_cast<size_t>(std::partition_point(begin + static_cast<std::ptrdiff_t>(lo),
                                                    begin + static_cast<std::ptrdiff_t>(std::min(hi, n)), below) -
                               begin);
}

size_t spans_in_range(const std::vector<uint32_t>& sorted, int32_t low, uint32_t high, IndexSpan out[2],
                      size_t& hint) {
    if (sorted.empty()) return 0;
    struct Bounds {
        uint32_t lo, hi;
    } bounds[2];
    size_t n = 0;
    uint32_t top = std::min<uint32_t>(high, 0x7FFFFFFFu);
    if (low >= 0) {
        if (static_cast<uint32_t>(low) <= top) bounds[n++] = {static_cast<uint32_t>(low), top};
    } else {
        bounds[n++] = {0, top};
        if (static_cast<uint32_t>(low) <= high) bounds[n++] = {static_cast<uint32_t>(low), high};
    }
    size_t spans = 0;
    for (size_t i = 0; i < n; ++i) {
        size_t first = lower_bound_near(sorted, bounds[i].lo, hint);
        if (i == 0) hint = first;
        const uint32_t top_of_span = bounds[i].hi;
        size_t last = gallop(sorted, first, [top_of_span](uint32_t v) { return v <= top_of_span; });
        if (first != last) out[spans++] = {first, last};
    }
    return spans;
}

// Least table index among index positions [begin, end).
uint32_t least_index(const ContextTable& table, size_t begin, size_t end) {
    const size_t n = table.sorted_index.size();
    const std::vector<uint32_t>& tree = table.min_tree;
    uint32_t best = UINT32_MAX;
    for (begin += n, end += n; begin < end; begin >>= 1, end >>= 1) {
        if (begin & 1) best = std::min(best, tree[begin++]);
        if (end & 1) best = std::min(best, tree[--end]);
    }
    return best;
}

// Table indices of the entries in the given spans, in table order.
std::vector<uint32_t> indices_in_spans(const std::vector<uint32_t>& sorted_index, const IndexSpan* spans,
                                       size_t count) {
    std::vector<uint32_t> found;
    for (size_t i = 0; i < count; ++i) {
        found.insert(found.end(), sorted_index.begin() + static_cast<std::ptrdiff_t>(spans[i].begin),
                     sorted_index.begin() + static_cast<std::ptrdiff_t>(spans[i].end));
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::optional<std::string> first_context_in_spans(const ContextTable& table, ContextNamer& names,
                                                  const IndexSpan* spans, size_t count) {
    uint32_t best = UINT32_MAX;
    for (size_t i = 0; i < count; ++i) best = std::min(best, least_index(table, spans[i].begin, spans[i].end));
    if (best == UINT32_MAX) return std::nullopt;
    return names(static_cast<uint32_t>(table.entries[best].hash));
}

// The keyword text at an absolute file position, read up to its NUL or the
// end of |KWBTREE.
std::string_view keyword_text(const HelpFile& help, const KeywordTable& table, uint32_t pos) {
    if (pos < table.kwbtree_offset) return {};
    ByteReader kw = help.reader(table.kwbtree_offset, table.kwbtree_size);
    kw.seek(pos - table.kwbtree_offset);
    return kw.cstring();
}

std::optional<std::string> join_keywords(const HelpFile& help, const KeywordTable& table,
                                         const std::vector<uint32_t>& indices) {
    if (indices.empty()) return std::nullopt;
    std::string joined;
    for (size_t i = 0; i < indices.size(); ++i) {
        if (i) joined += ';';
        joined += keyword_text(help, table, table.entries[indices[i]].keyword_pos);
    }
    return joined;
}

}  // namespace

void index_context_table(ContextTable& table) {
    std::vector<std::pair<uint32_t, uint32_t>> pairs;
    pairs.reserve(table.entries.size());
    for (size_t i = 0; i < table.entries.size(); ++i) {
        if (table.entries[i].hash != 0) {
            pairs.emplace_back(static_cast<uint32_t>(table.entries[i].topic_offset), static_cast<uint32_t>(i));
        }
    }
    sort_by_offset(pairs, table.sorted_offsets, table.sorted_index);
    const size_t n = table.sorted_index.size();
    table.min_tree.assign(2 * n, UINT32_MAX);
    for (size_t i = 0; i < n; ++i) table.min_tree[n + i] = table.sorted_index[i];
    for (size_t i = n; i-- > 1;) table.min_tree[i] = std::min(table.min_tree[2 * i], table.min_tree[2 * i + 1]);
}

void index_keyword_table(KeywordTable& table) {
    std::vector<std::pair<uint32_t, uint32_t>> pairs;
    pairs.reserve(table.entries.size());
    for (size_t i = 0; i < table.entries.size(); ++i) {
        pairs.emplace_back(static_cast<uint32_t>(table.entries[i].topic_offset), static_cast<uint32_t>(i));
    }
    sort_by_offset(pairs, table.sorted_offsets, table.sorted_index);
}

size_t lower_bound_near(const std::vector<uint32_t>& sorted, uint32_t value, size_t hint) {
    hint = std::min(hint, sorted.size());
    auto below = [value](uint32_t v) { return v < value; };
    if (hint > 0 && !below(sorted[hint - 1])) {
        return static_cast<size_t>(std::partition_point(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(hint),
                                                        below) -
                                   sorted.begin());
    }
    return gallop(sorted, hint, below);
}

ContextTable load_context_table(const HelpFile& help, Reporter& report) {
    ContextTable table;
    if (help.context_file.present()) {
        BTree tree = open_btree(help.reader(help.context_file));
        const size_t count = tree.total_entries > 0 ? static_cast<size_t>(tree.total_entries) : 0;
        // Never reserve more than the file can hold.
        table.entries.reserve(std::min(count, tree.file.size() / 8));
        if (count > 0) {
            walk_btree_leaves(tree, [&](ByteReader& page, size_t, int16_t entries) {
                // The tables are read before any writer moves the bar: it stays.
                report_progress(report, 0, Msg::ReadingContextFile);
                for (int16_t k = 0; k < entries && table.entries.size() < count; ++k) {
                    if (page.remaining() < 8) break;
                    int32_t hash = page.i32();
                    int32_t offset = page.i32();
                    table.entries.push_back({hash, offset});
                }
                return table.entries.size() < count;
            });
        }
    }
    index_context_table(table);
    return table;
}

namespace {

void load_keywords(const HelpFile& help, Reporter& report, KeywordTable& table, const FileSpan& btree, const FileSpan& data) {
    table = KeywordTable{};
    if (!btree.present() || !data.present()) return;
    table.kwbtree_offset = btree.offset;
    table.kwbtree_size = static_cast<uint32_t>(help.reader(btree).size());

    BTree tree = open_btree(help.reader(btree));
    ByteReader kwdata = help.reader(data);
    // One table entry per topic offset that |KWDATA holds; occurrences that
    // would go beyond that are not there to be read.
    const size_t count = kwdata.size() / 4;
    table.entries.reserve(count);
    walk_btree_leaves(tree, [&](ByteReader& page, size_t page_start, int16_t entries) {
        for (int16_t k = 0; k < entries; ++k) {
            report_progress(report, 0, Msg::ScanningKeywords);
            uint32_t keyword_pos = static_cast<uint32_t>(btree.offset + page_start + page.tell());
            page.cstring();
            int16_t occurrences = page.i16();
            uint32_t data_offset = page.u32();
            if (page.overrun()) break;  // the entry does not fit its page
            for (int16_t j = 0; j < occurrences && table.entries.size() < count; ++j) {
                uint64_t at = static_cast<uint64_t>(data_offset) + 4u * static_cast<uint64_t>(j);
                if (at + 4 > kwdata.size()) break;
                kwdata.seek(static_cast<size_t>(at));
                table.entries.push_back({kwdata.i32(), keyword_pos});
            }
        }
        return true;
    });
    index_keyword_table(table);
}

}  // namespace

void load_keyword_tables(const HelpFile& help, Reporter& report, KeywordTable& k, KeywordTable& a) {
    load_keywords(help, report, k, help.kwbtree_file, help.kwdata_file);
    load_keywords(help, report, a, help.awbtree_file, help.awdata_file);
}

std::optional<std::string> context_name_at(const ContextTable& table, ContextNamer& names, uint32_t topic_offset) {
    const std::vector<uint32_t>& sorted = table.sorted_offsets;
    auto range = std::equal_range(sorted.begin(), sorted.end(), topic_offset);
    IndexSpan span{static_cast<size_t>(range.first - sorted.begin()), static_cast<size_t>(range.second - sorted.begin())};
    return first_context_in_spans(table, names, &span, span.begin < span.end ? 1 : 0);
}

std::vector<std::string> context_names_in_range(const ContextTable& table, ContextNamer& namer, int32_t low,
                                                uint32_t high, RangeHint& hint) {
    IndexSpan spans[2];
    size_t n = spans_in_range(table.sorted_offsets, low, high, spans, hint.at);
    std::vector<std::string> names;
    if (n == 0) return names;  // most records hold no context
    for (uint32_t i : indices_in_spans(table.sorted_index, spans, n)) {
        names.push_back(namer(static_cast<uint32_t>(table.entries[i].hash)));
    }
    return names;
}

std::optional<std::string> keywords_for_topic(const HelpFile& help, const KeywordTable& table, int32_t topic_offset) {
    auto range = std::equal_range(table.sorted_offsets.begin(), table.sorted_offsets.end(),
                                  static_cast<uint32_t>(topic_offset));
    // Within one offset the index keeps table order.
    std::vector<uint32_t> indices(table.sorted_index.begin() + (range.first - table.sorted_offsets.begin()),
                                  table.sorted_index.begin() + (range.second - table.sorted_offsets.begin()));
    return join_keywords(help, table, indices);
}

std::optional<std::string> keywords_in_range(const HelpFile& help, const KeywordTable& table, int32_t low,
                                             uint32_t high, RangeHint& hint) {
    IndexSpan spans[2];
    size_t n = spans_in_range(table.sorted_offsets, low, high, spans, hint.at);
    if (n == 0) return std::nullopt;  // most records hold no keyword
    return join_keywords(help, table, indices_in_spans(table.sorted_index, spans, n));
}

}  // namespace korvane
