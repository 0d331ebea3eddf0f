// SPDX-License-Identifier: MIT
// The face names that find the symbol fonts' tables. (The tables, entry by
// entry, are held against the published mappings by tests/html/site_text.py.)
#include <gtest/gtest.h>

#include "text/symbol_fonts.h"

using namespace korvane::text;

TEST(SymbolFonts, FacesMatchWithoutRegardToCaseAndOnlyWhole) {
    EXPECT_EQ(symbol_table("WingDings"), symbol_table("Wingdings"));
    EXPECT_EQ(symbol_table("zapfdingbats"), symbol_table("Zapf Dingbats"));
    for (const char* face : {"", "Arial", "Symbo", "Symbols", "Symbol ", "Wingdings 4"}) {
        EXPECT_EQ(symbol_table(face), nullptr) << face;
    }
}
