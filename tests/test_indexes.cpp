// SPDX-License-Identifier: MIT
// Searching the topic-offset indexes from a hint: whatever the hint, the
// answer is the one a binary search over the whole index gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "topics/indexes.h"

using namespace korvane;

TEST(Indexes, SearchFromAnyHintFindsWhatABinarySearchFinds) {
    std::mt19937 random(7);
    for (size_t size : {0u, 1u, 2u, 5u, 64u, 1000u}) {
        // Runs of equal offsets, as several contexts and keywords of one topic give.
        std::vector<uint32_t> sorted(size);
        for (uint32_t& v : sorted) v = random() % (size / 2 + 2) * 16;
        std::sort(sorted.begin(), sorted.end());
        const uint32_t top = sorted.empty() ? 16 : sorted.back() + 16;
        auto binary_search = [&](uint32_t value) {
            return static_cast<size_t>(std::lower_bound(sorted.begin(), sorted.end(), value) - sorted.begin());
        };
        for (size_t hint = 0; hint <= size + 2; hint += 1 + hint / 8) {
            for (uint32_t value = 0; value <= top; value += 8) {
                ASSERT_EQ(lower_bound_near(sorted, value, hint), binary_search(value)) << size << " " << hint << " " << value;
            }
            for (uint32_t value : {0u, 0xFFFFFFFFu}) {
                ASSERT_EQ(lower_bound_near(sorted, value, hint), binary_search(value)) << size << " " << hint << " " << value;
            }
        }
    }
}
