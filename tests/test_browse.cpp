// Browse sequences against a plain implementation that searches entry by
// entry, over random chains with links that disagree.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <random>
#include <set>

#include "driver/format.h"
#include "helpfile/helpfile.h"
#include "topics/browse.h"

using namespace korvane;

namespace {

constexpr int32_t N = -1;

// The groups as lists of {prev, self}, searched from the first entry.
struct PlainBrowse {
    std::vector<std::vector<std::pair<int32_t, int32_t>>> groups;

    int find(int32_t key) const {
        for (size_t g = 0; g < groups.size(); ++g) {
            for (const auto& e : groups[g]) {
                if (e.second == key) return static_cast<int>(g);
            }
        }
        return -1;
    }

    std::optional<std::string> name(int32_t prev, int32_t self, int32_t next) {
        if (prev == N && next == N) return std::nullopt;
        int d = find(self);
        if (d == -1) {
            int e = find(next);
            d = find(prev);
            if (d == -1 && e == -1) {
                d = static_cast<int>(groups.size());
                groups.emplace_back();
            } else if (d == -1) {
                d = e;
            } else if (e != -1 && e != d) {
                groups[d].insert(groups[d].end(), groups[e].begin(), groups[e].end());
                groups[e].clear();
            }
            groups[d].emplace_back(prev, self);
        }
        // Steps back through the prev keys found in the group; a key seen
        // twice is a loop, which counts to the limit.
        int count = 0;
        std::set<int32_t> seen;
        for (int32_t key = self; count < 0x7FFF;) {
            ++count;
            auto it = std::find_if(groups[d].begin(), groups[d].end(), [&](const auto& e) { return e.second == key; });
            if (it == groups[d].end() || (key = it->first) == N) break;
            if (!seen.insert(key).second) count = 0x7FFF;
        }
        return format("grp%04X:%d", d + 1, count);
    }
};

}  // namespace

TEST(Browse, AgreesWithPlainSearch) {
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        const int32_t keys = static_cast<int32_t>(rng() % 30 + 2);
        auto key = [&]() { return rng() % 4 == 0 ? N : static_cast<int32_t>(rng() % keys); };
        // Topics mostly forming chains, with some links that disagree.
        std::vector<std::array<int32_t, 3>> calls;
        for (int32_t self = -1; self < keys; ++self) {
            int32_t prev = rng() % 3 ? self - 1 : key();
            int32_t next = rng() % 3 ? self + 1 : key();
            calls.push_back({prev < N || prev >= keys ? N : prev, self, next >= keys ? N : next});
        }
        std::shuffle(calls.begin(), calls.end(), rng);
        for (size_t extra = rng() % 10; extra > 0; --extra) calls.push_back({key(), key(), key()});

        HelpFile help;
        PlainBrowse plain;
        for (int pass = 0; pass < 2; ++pass) {
            for (const auto& [prev, self, next] : calls) {
                ASSERT_EQ(browse_sequence_name(help, prev, self, next), plain.name(prev, self, next))
                    << "round " << round << " call " << prev << " " << self << " " << next;
                for (int32_t k = -1; k < keys; ++k) ASSERT_EQ(find_browse_group(help, k), plain.find(k)) << k;
            }
        }
    }
}
