// Browse sequences: group numbers, positions, merges, loops, long chains,
// and agreement with a plain implementation that searches entry by entry.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
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

TEST(Browse, WorkedExamplesMergesAndLoops) {
    struct Step {
        int32_t prev, self, next;
        const char* text;  // nullptr: no text
    };
    const std::vector<std::vector<Step>> scenarios = {
        // T1 -> T2 -> T3 with keys 100, 200, 300, read in the order T2, T1,
        // T3 in both passes; a missing predecessor counts once. Then a topic
        // in no chain, and a chain of one topic with a successor only.
        {{100, 200, 300, "grp0001:2"}, {N, 100, 200, "grp0001:1"}, {200, 300, N, "grp0001:3"},
         {100, 200, 300, "grp0001:2"}, {N, 100, 200, "grp0001:1"}, {200, 300, N, "grp0001:3"},
         {N, 400, N, nullptr}, {N, 500, 600, "grp0002:1"}},
        // Group 2 moves into group 1, whose number stays; the emptied one is
        // not reused. Then the group of prev wins even when it is the later.
        {{N, 100, 200, "grp0001:1"}, {200, 300, N, "grp0002:2"}, {100, 200, 300, "grp0001:2"},
         {200, 300, N, "grp0001:3"}, {N, 700, 800, "grp0003:1"}, {900, 1000, N, "grp0004:2"},
         {1000, 1200, 700, "grp0004:3"}, {N, 700, 800, "grp0004:1"}},
        // Chains that come back on themselves stop at the limit.
        {{3, 1, 2, "grp0001:2"}, {1, 2, 3, "grp0001:3"}, {2, 3, 1, "grp0001:32767"}, {3, 1, 2, "grp0001:32767"},
         {9, 9, N, "grp0002:32767"}},
    };
    for (size_t s = 0; s < scenarios.size(); ++s) {
        HelpFile help;
        for (const Step& step : scenarios[s]) {
            SCOPED_TRACE(testing::Message() << "scenario " << s << " self " << step.self);
            std::optional<std::string> text = browse_sequence_name(help, step.prev, step.self, step.next);
            EXPECT_EQ(text, step.text ? std::optional<std::string>(step.text) : std::nullopt);
        }
    }

    // Group numbers in hex, with more digits above 0xFFFF.
    HelpFile many;
    std::vector<std::string> texts;
    for (int32_t g = 1; g <= 0x10001; ++g) texts.push_back(browse_sequence_name(many, N, g, -g - 1).value_or(""));
    EXPECT_EQ(texts[15], "grp0010:1");
    EXPECT_EQ(texts[0xFFFE], "grpFFFF:1");
    EXPECT_EQ(texts[0x10000], "grp10001:1");
}

TEST(Browse, LongChainsCountToTheLimit) {
    const int32_t n = 40000;
    auto call = [&](HelpFile& help, int32_t i) {
        return browse_sequence_name(help, i == 0 ? N : i - 1, i, i + 1 == n ? N : i + 1).value_or("");
    };
    // In reading order, then in reverse order (checked in the second pass).
    for (bool reverse : {false, true}) {
        HelpFile help;
        for (int pass = 0; pass < 2; ++pass) {
            for (int32_t k = 0; k < n; ++k) {
                int32_t i = reverse ? n - 1 - k : k;
                std::string text = call(help, i);
                if (pass == 1 || !reverse) {
                    ASSERT_EQ(text, format("grp0001:%d", std::min(i + 1, 0x7FFF))) << i;
                }
            }
        }
    }
    // The odd topics first, from the end, then the even ones from the end:
    // every even topic merges two groups. A walk per topic would take hours.
    HelpFile help;
    for (int32_t start : {1, 0}) {
        for (int32_t i = (n - 1) / 2 * 2 + start; i >= 0; i -= 2) {
            if (i < n) call(help, i);
        }
    }
    std::string group = call(help, 0).substr(0, 7);
    for (int32_t i = 0; i < n; ++i) ASSERT_EQ(call(help, i), group + format(":%d", std::min(i + 1, 0x7FFF))) << i;
}

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
            }
        }
    }
}
