// SPDX-License-Identifier: MIT
// Browse sequences rebuilt from the topic headers' browse links.
//
// Every topic of a chain is entered once, as {prev, self, next} keys, into a
// numbered group; a group's number is its place in the order groups were
// created (from 1), and a group emptied by a merge keeps its number. A
// topic's position is the number of steps back through the prev keys of its
// group until the chain starts (-1), leaves the group or 32,767 steps are
// counted.
//
// Because a self key is entered only once, every key names at most one
// entry. Groups are kept as sets of a union-find structure, and the "prev"
// links between entries of one group as a second, weighted union-find that
// knows each entry's distance to the start of its chain, so that entering,
// merging and numbering cost near-constant time per topic.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace korvane {

struct BrowseGroups {
    struct Entry {
        int32_t prev, self, next;
    };
    std::vector<Entry> entries;                      // in the order entered
    std::unordered_map<int32_t, uint32_t> by_self;   // self key → entry
    uint32_t group_count = 0;                        // groups created so far

    // Group membership: union-find over entries, union by size. The root of
    // a set carries the set's group index and the pending links (ids into
    // `links`) that may join it with another group.
    std::vector<uint32_t> set_parent, set_size, set_group;
    std::vector<std::vector<uint32_t>> set_links;

    // A link: entry `from` has as prev the self key of entry `to`. It counts
    // once both lie in the same group.
    struct Link {
        uint32_t from, to;
        bool joined;
    };
    std::vector<Link> links;
    // prev keys not entered yet → the entries that name them.
    std::unordered_map<int32_t, std::vector<uint32_t>> waiting;

    // Chains: each entry's parent is its joined predecessor (or a later
    // ancestor after path compression) at distance chain_dist; a root has
    // no joined predecessor. chain_loop marks roots whose chain comes back
    // on itself.
    std::vector<uint32_t> chain_parent;
    std::vector<int64_t> chain_dist;
    std::vector<uint8_t> chain_loop;
};

// The browse footnote text "grp%04X:%d" of a topic, entering the topic into
// its group first; nullopt when prev and next are both -1. Group numbers
// above 0xFFFF get more digits.
std::optional<std::string> browse_sequence_name(BrowseGroups& groups, int32_t prev, int32_t self, int32_t next);

}  // namespace korvane
