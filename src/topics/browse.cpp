// SPDX-License-Identifier: MIT
// Browse sequences: groups of {prev, self, next} topic keys and each
// topic's position in its chain.
#include "topics/browse.h"

#include <algorithm>
#include <utility>

#include "base/format.h"

namespace korvane {

namespace {

constexpr int64_t kMaxPosition = 0x7FFF;
constexpr int32_t kNone = -1;

uint32_t set_root(const BrowseGroups& g, uint32_t x) {
    while (g.set_parent[x] != x) x = g.set_parent[x];
    return x;
}

// Root of the set holding the entry whose self is key; -1 when none does.
int64_t set_of_key(const BrowseGroups& g, int32_t key) {
    auto it = g.by_self.find(key);
    return it == g.by_self.end() ? -1 : static_cast<int64_t>(set_root(g, it->second));
}

// Root of x's chain and x's distance to it, compressing the path walked.
std::pair<uint32_t, int64_t> chain_root(BrowseGroups& g, uint32_t x) {
    uint32_t root = x;
    int64_t total = 0;
    while (g.chain_parent[root] != root) {
        total += g.chain_dist[root];
        root = g.chain_parent[root];
    }
    int64_t remaining = total;
    for (uint32_t y = x; g.chain_parent[y] != y;) {
        uint32_t up = g.chain_parent[y];
        int64_t step = g.chain_dist[y];
        g.chain_parent[y] = root;
        g.chain_dist[y] = remaining;
        remaining -= step;
        y = up;
    }
    return {root, total};
}

// `from`, still a chain root, gets `to` as its predecessor. When `to`
// already leads back to `from` the chain is a loop.
void join_chain(BrowseGroups& g, uint32_t from, uint32_t to) {
    if (chain_root(g, to).first == from) {
        g.chain_loop[from] = 1;
    } else {
        g.chain_parent[from] = to;
        g.chain_dist[from] = 1;
    }
}

void link_entries(BrowseGroups& g, uint32_t from, uint32_t to) {
    uint32_t a = set_root(g, from), b = set_root(g, to);
    if (a == b) {
        join_chain(g, from, to);
        return;
    }
    // Counts only once the two groups merge.
    uint32_t id = static_cast<uint32_t>(g.links.size());
    g.links.push_back({from, to, false});
    g.set_links[a].push_back(id);
    g.set_links[b].push_back(id);
}

// Unites the sets with roots a and b under the group index `group`; links
// between them now count. The smaller set's pending links are checked and
// the rest handed to the larger set.
void merge_sets(BrowseGroups& g, uint32_t a, uint32_t b, uint32_t group) {
    if (a == b) {
        g.set_group[a] = group;
        return;
    }
    if (g.set_size[a] < g.set_size[b]) std::swap(a, b);
    g.set_parent[b] = a;
    g.set_size[a] += g.set_size[b];
    g.set_group[a] = group;
    std::vector<uint32_t> pending = std::move(g.set_links[b]);
    g.set_links[b] = {};
    for (uint32_t id : pending) {
        BrowseGroups::Link& link = g.links[id];
        if (link.joined) continue;
        if (set_root(g, link.from) == set_root(g, link.to)) {
            link.joined = true;
            join_chain(g, link.from, link.to);
        } else {
            g.set_links[a].push_back(id);
        }
    }
}

void enter_topic(BrowseGroups& g, int32_t prev, int32_t self, int32_t next) {
    int64_t d = set_of_key(g, prev);
    int64_t e = set_of_key(g, next);
    if (d < 0) d = e;
    else if (e >= 0 && e != d) merge_sets(g, static_cast<uint32_t>(d), static_cast<uint32_t>(e), g.set_group[d]);
    if (d >= 0) d = set_root(g, static_cast<uint32_t>(d));

    uint32_t y = static_cast<uint32_t>(g.entries.size());
    g.entries.push_back({prev, self, next});
    g.by_self.emplace(self, y);
    g.set_parent.push_back(y);
    g.set_size.push_back(1);
    g.set_group.push_back(0);
    g.set_links.emplace_back();
    g.chain_parent.push_back(y);
    g.chain_dist.push_back(0);
    g.chain_loop.push_back(0);
    if (d < 0) {
        g.set_group[y] = g.group_count++;
    } else {
        merge_sets(g, static_cast<uint32_t>(d), y, g.set_group[d]);
    }

    if (prev != kNone) {
        auto it = g.by_self.find(prev);
        if (it != g.by_self.end()) link_entries(g, y, it->second);
        else g.waiting[prev].push_back(y);
    }
    auto waiting = g.waiting.find(self);
    if (waiting != g.waiting.end()) {
        std::vector<uint32_t> followers = std::move(waiting->second);
        g.waiting.erase(waiting);
        for (uint32_t x : followers) link_entries(g, x, y);
    }
}

}  // namespace

std::optional<std::string> browse_sequence_name(BrowseGroups& g, int32_t prev, int32_t self, int32_t next) {
    if (prev == kNone && next == kNone) return std::nullopt;
    if (!g.by_self.count(self)) enter_topic(g, prev, self, next);

    uint32_t x = g.by_self.find(self)->second;
    uint32_t group = g.set_group[set_root(g, x)];
    auto [root, distance] = chain_root(g, x);
    // Steps: the entries back to the chain's first one, plus one more when
    // that one names a predecessor outside the group.
    int64_t position = g.chain_loop[root] ? kMaxPosition
                                          : distance + (g.entries[root].prev == kNone ? 1 : 2);
    position = std::min(position, kMaxPosition);
    return format("grp%04X:%d", group + 1u, static_cast<int>(position));
}

}  // namespace korvane
