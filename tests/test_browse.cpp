// Browse sequences: group numbers, positions, merges, and agreement with a
// plain implementation that searches the groups entry by entry.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "driver/format.h"
#include "helpfile/helpfile.h"
#include "topics/browse.h"

using namespace korvane;

namespace {

constexpr int32_t N = -1;

// The groups as lists of entries, searched from the first entry each time.
struct PlainBrowse {
    struct Entry {
        int32_t prev, self, next;
    };
    std::vector<std::vector<Entry>> groups;

    int find(int32_t key) const {
        for (size_t g = 0; g < groups.size(); ++g) {
            for (const Entry& e : groups[g]) {
                if (e.self == key) return static_cast<int>(g);
            }
        }
        return -1;
    }

    std::optional<std::string> name(int32_t prev, int32_t self, int32_t next) {
        if (prev == N && next == N) return std::nullopt;
        int d = find(self);
        if (d == -1) {
            d = find(prev);
            int e = find(next);
            if (d == -1 && e == -1) {
                groups.emplace_back();
                d = static_cast<int>(groups.size()) - 1;
            } else if (d == -1) {
                d = e;
            } else if (e != -1 && e != d) {
                groups[d].insert(groups[d].end(), groups[e].begin(), groups[e].end());
                groups[e].clear();
            }
            groups[d].push_back({prev, self, next});
        }
        int32_t key = self;
        int count = 0;
        std::set<int32_t> seen;  // the walk depends on the key only: a repeated key loops to the limit
        for (;;) {
            const Entry* found = nullptr;
            for (const Entry& e : groups[d]) {
                if (e.self == key) {
                    found = &e;
                    break;
                }
            }
            ++count;
            if (found) key = found->prev;
            if (!found || key == N || count >= 0x7FFF) break;
            if (!seen.insert(key).second) {
                count = 0x7FFF;
                break;
            }
        }
        return format("grp%04X:%d", d + 1, count);
    }
};

}  // namespace

TEST(Browse, WorkedExampleInBothPasses) {
    HelpFile help;
    // T1 -> T2 -> T3 with keys 100, 200, 300, read in the order T2, T1, T3.
    EXPECT_EQ(browse_sequence_name(help, 100, 200, 300), "grp0001:2");  // missing predecessor counts once
    EXPECT_EQ(browse_sequence_name(help, N, 100, 200), "grp0001:1");
    EXPECT_EQ(browse_sequence_name(help, 200, 300, N), "grp0001:3");
    EXPECT_EQ(browse_sequence_name(help, 100, 200, 300), "grp0001:2");
    EXPECT_EQ(browse_sequence_name(help, N, 100, 200), "grp0001:1");
    EXPECT_EQ(browse_sequence_name(help, 200, 300, N), "grp0001:3");
    EXPECT_EQ(help.browse_groups.entries.size(), 3u);

    // Not in a chain: no text and nothing entered.
    EXPECT_FALSE(browse_sequence_name(help, N, 400, N));
    EXPECT_EQ(find_browse_group(help, 400), -1);
    // A chain of one topic with a successor only.
    EXPECT_EQ(browse_sequence_name(help, N, 500, 600), "grp0002:1");
}

TEST(Browse, MergedGroupKeepsItsNumberAndTheEmptiedOneIsNotReused) {
    HelpFile help;
    EXPECT_EQ(browse_sequence_name(help, N, 100, 200), "grp0001:1");
    EXPECT_EQ(browse_sequence_name(help, 200, 300, N), "grp0002:2");
    EXPECT_EQ(find_browse_group(help, 300), 1);
    EXPECT_EQ(browse_sequence_name(help, 100, 200, 300), "grp0001:2");  // group 2 moves into group 1
    EXPECT_EQ(find_browse_group(help, 300), 0);
    EXPECT_EQ(browse_sequence_name(help, 200, 300, N), "grp0001:3");
    EXPECT_EQ(browse_sequence_name(help, N, 700, 800), "grp0003:1");

    // A merge in the other direction: the group of prev wins even when it
    // is the later one.
    EXPECT_EQ(browse_sequence_name(help, 900, 1000, N), "grp0004:2");
    EXPECT_EQ(browse_sequence_name(help, 1000, 1200, 700), "grp0004:3");
    EXPECT_EQ(find_browse_group(help, 700), 3);
    EXPECT_EQ(browse_sequence_name(help, N, 700, 800), "grp0004:1");
    EXPECT_EQ(find_browse_group(help, 800), -1);
}

TEST(Browse, GroupNumbersInHexWithMoreDigitsAboveFFFF) {
    HelpFile help;
    std::vector<std::string> texts;
    for (int32_t g = 1; g <= 0x10001; ++g) texts.push_back(browse_sequence_name(help, N, g, -g - 1).value_or(""));
    EXPECT_EQ(texts[0], "grp0001:1");
    EXPECT_EQ(texts[15], "grp0010:1");
    EXPECT_EQ(texts[0xFFFE], "grpFFFF:1");
    EXPECT_EQ(texts[0xFFFF], "grp10000:1");
    EXPECT_EQ(texts[0x10000], "grp10001:1");
}

TEST(Browse, LongChainsCountToTheLimitAndLoopsStopThere) {
    const int32_t n = 40000;
    auto expected = [](int32_t i) { return format("grp0001:%d", std::min(i + 1, 0x7FFF)); };
    // In reading order, then in reverse order, in both passes.
    for (bool reverse : {false, true}) {
        HelpFile help;
        for (int pass = 0; pass < 2; ++pass) {
            for (int32_t k = 0; k < n; ++k) {
                int32_t i = reverse ? n - 1 - k : k;
                std::optional<std::string> text = browse_sequence_name(help, i == 0 ? N : i - 1, i, i + 1 == n ? N : i + 1);
                if (pass == 1 || !reverse) {
                    ASSERT_EQ(text, expected(i)) << i;
                }
            }
        }
    }
    // The odd topics first, from the end, then the even ones from the end:
    // every even topic merges two groups, the growing one into a new one.
    HelpFile help;
    for (int32_t start : {1, 0}) {
        for (int32_t i = (n - 1) / 2 * 2 + start; i >= 0; i -= 2) {
            if (i < n) browse_sequence_name(help, i == 0 ? N : i - 1, i, i + 1 == n ? N : i + 1);
        }
    }
    std::string group = browse_sequence_name(help, N, 0, 1).value_or("").substr(0, 7);
    for (int32_t i = 0; i < n; ++i) {
        std::string text = browse_sequence_name(help, i == 0 ? N : i - 1, i, i + 1 == n ? N : i + 1).value_or("");
        ASSERT_EQ(text, group + format(":%d", std::min(i + 1, 0x7FFF))) << i;
    }

    // Chains that come back on themselves.
    HelpFile loops;
    EXPECT_EQ(browse_sequence_name(loops, 3, 1, 2), "grp0001:2");
    EXPECT_EQ(browse_sequence_name(loops, 1, 2, 3), "grp0001:3");
    EXPECT_EQ(browse_sequence_name(loops, 2, 3, 1), "grp0001:32767");
    EXPECT_EQ(browse_sequence_name(loops, 3, 1, 2), "grp0001:32767");
    EXPECT_EQ(browse_sequence_name(loops, 9, 9, N), "grp0002:32767");
}

TEST(Browse, AgreesWithPlainSearch) {
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        const int32_t keys = static_cast<int32_t>(rng() % 30 + 2);
        auto key = [&]() { return rng() % 4 == 0 ? N : static_cast<int32_t>(rng() % keys); };
        // Topics mostly forming chains, with some links that disagree.
        struct Call {
            int32_t prev, self, next;
        };
        std::vector<Call> calls;
        for (int32_t self = -1; self < keys; ++self) {
            int32_t prev = rng() % 3 ? self - 1 : key();
            int32_t next = rng() % 3 ? self + 1 : key();
            if (prev < N || prev >= keys) prev = N;
            if (next >= keys) next = N;
            calls.push_back({prev, self, next});
        }
        std::shuffle(calls.begin(), calls.end(), rng);
        size_t extra = rng() % 10;
        for (size_t i = 0; i < extra; ++i) calls.push_back({key(), key(), key()});

        HelpFile help;
        PlainBrowse plain;
        for (int pass = 0; pass < 2; ++pass) {
            for (const Call& c : calls) {
                ASSERT_EQ(browse_sequence_name(help, c.prev, c.self, c.next), plain.name(c.prev, c.self, c.next))
                    << "round " << round << " call " << c.prev << " " << c.self << " " << c.next;
                for (int32_t k = -1; k < keys; ++k) ASSERT_EQ(find_browse_group(help, k), plain.find(k)) << k;
            }
        }
    }
}
