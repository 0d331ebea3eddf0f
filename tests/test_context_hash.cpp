// SPDX-License-Identifier: MIT
// Context-name hashes and the names made up for them.
#include <gtest/gtest.h>

#include <random>

#include "topics/context_hash.h"

using namespace korvane;

TEST(ContextHash, KnownNamesWinInTheOrderAdded) {
    ContextNames known;
    const uint32_t hash = context_hash("second_name");
    EXPECT_EQ(ContextNamer(known)(hash), made_up_name(hash));  // made up while no name is known
    add_context_name(known, "Second_Name");
    add_context_name(known, "SECOND_NAME");  // same hash, added later
    EXPECT_EQ(ContextNamer(known)(hash), "Second_Name");
}

TEST(ContextHash, MadeUpNamesHashBackAndStayShort) {
    std::mt19937 rng(1234);
    ContextNames known;
    ContextNamer names(known);
    for (int i = 0; i < 20000; ++i) {
        uint32_t target = rng();
        std::string name = names(target);
        if (name.rfind("0x", 0) == 0 && name.size() == 10) continue;  // no prefix fits
        EXPECT_EQ(context_hash(name), target) << name;
        EXPECT_LE(name.size(), 3u + 14u) << name;
    }
    std::string prefix = "ID_";
    EXPECT_TRUE(append_hash_suffix(prefix, context_hash("ID_X")));
    EXPECT_EQ(prefix, "ID_x");
}
