// SPDX-License-Identifier: MIT
// The symbol fonts' tables, entry by entry, against the published mappings
// kept in tests/data/symbol (Apple's SYMBOL.TXT and DINGBATS.TXT, the
// Wingdings and Webdings source data of Unicode 7.0), and the face names
// that find them.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <sstream>
#include <vector>

#include "text/symbol_fonts.h"
#include "support/test_util.h"

using namespace korvane::text;
using korvane::test::read_text;

namespace {

const std::string kData = KORVANE_SOURCE_DIR "/tests/data/symbol/";

// Byte -> the published character, or sequence of characters.
using Published = std::map<int, std::vector<char32_t>>;

// Apple's tables, in the two forms the copies kept here have:
// "0xNN<tab>0xNNNN<tab># NAME" and "0xNN = 0xNNNN[+0xNNNN]" (those also
// commented out).
Published apple_table(const std::string& file) {
    Published table;
    std::istringstream in(read_text(kData + file));
    const std::regex entry(R"(^#?0x([0-9A-F]{2})(?:\t| = )0x([0-9A-F]{4})(?:\+0x([0-9A-F]{4}))?)");
    for (std::string line; std::getline(in, line);) {
        std::smatch m;
        if (!std::regex_search(line, m, entry)) continue;
        std::vector<char32_t>& chars = table[std::stoi(m[1], nullptr, 16)];
        EXPECT_TRUE(chars.empty()) << file << " maps a byte twice: " << line;
        chars = {static_cast<char32_t>(std::stoul(m[2], nullptr, 16))};
        if (m[3].matched) chars.push_back(static_cast<char32_t>(std::stoul(m[3], nullptr, 16)));
    }
    return table;
}

// The Wingdings and Webdings source data: "CODEPOINT;INDEX[;INDEX]", the
// index being 1000 x font (0 Webdings, 1-3 Wingdings 1-3) + byte.
std::vector<Published> wdings_tables() {
    std::vector<Published> fonts(4);
    std::istringstream in(read_text(kData + "WDingsSources.txt"));
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string field;
        std::getline(fields, field, ';');
        char32_t c = static_cast<char32_t>(std::stoul(field, nullptr, 16));
        while (std::getline(fields, field, ';')) {
            int index = std::stoi(field);
            std::vector<char32_t>& chars = fonts.at(static_cast<size_t>(index / 1000))[index % 1000];
            EXPECT_TRUE(chars.empty()) << "index " << index << " twice";
            chars = {c};
        }
    }
    return fonts;
}

// What the table must give for a byte: the published character; for a
// character with Apple's variant tag, the character; for a private-use
// character (Apple's corporate ones) or none, U+F000 + byte; the space is
// a space in every font.
char32_t expected(const Published& published, int byte) {
    auto it = published.find(byte);
    if (it == published.end()) return byte == 0x20 ? 0x20 : 0xF000 + static_cast<char32_t>(byte);
    char32_t c = it->second.front();
    return c >= 0xE000 && c <= 0xF8FF ? 0xF000 + static_cast<char32_t>(byte) : c;
}

void expect_table(const std::string& face, const Published& published, size_t published_entries) {
    SCOPED_TRACE(face);
    EXPECT_EQ(published.size(), published_entries) << "entries read from the published table";
    const SymbolTable* table = symbol_table(face);
    ASSERT_NE(table, nullptr);
    for (int byte = 0; byte < 0x20; ++byte) EXPECT_EQ((*table)[static_cast<size_t>(byte)], static_cast<char32_t>(byte));
    for (int byte = 0x20; byte < 0x100; ++byte) {
        EXPECT_EQ(static_cast<uint32_t>((*table)[static_cast<size_t>(byte)]),
                  static_cast<uint32_t>(expected(published, byte)))
            << std::hex << "byte 0x" << byte;
    }
}

}  // namespace

TEST(SymbolFonts, EveryEntryIsThePublishedTables) {
    // Symbol: 0x20-0x7E and 0xA0-0xFE (0xE2-0xE4 as sign + variant tag).
    Published symbol = apple_table("SYMBOL.TXT");
    EXPECT_EQ(symbol.at(0xE2), (std::vector<char32_t>{0x00AE, 0xF87F}));
    expect_table("Symbol", symbol, 95 + 95);
    // Zapf Dingbats: 0x21-0x7E, 0x80-0x8D, 0xA1-0xEF, 0xF1-0xFE.
    expect_table("Zapf Dingbats", apple_table("DINGBATS.TXT"), 94 + 14 + 79 + 14);
    // Every index of the Wingdings and Webdings data but 127.
    std::vector<Published> wdings = wdings_tables();
    expect_table("Webdings", wdings[0], 255 - 33);
    expect_table("Wingdings", wdings[1], 254 - 33);
    expect_table("Wingdings 2", wdings[2], 249 - 33);
    expect_table("Wingdings 3", wdings[3], 240 - 33);
    // No published mapping: every byte falls back.
    expect_table("Marlett", {}, 0);
    expect_table("MT Extra", {}, 0);
}

TEST(SymbolFonts, FacesMatchWithoutRegardToCaseAndOnlyWhole) {
    EXPECT_EQ(symbol_table("WingDings"), symbol_table("Wingdings"));
    EXPECT_EQ(symbol_table("zapfdingbats"), symbol_table("Zapf Dingbats"));
    for (const char* face : {"", "Arial", "Symbo", "Symbols", "Symbol ", "Wingdings 4"}) {
        EXPECT_EQ(symbol_table(face), nullptr) << face;
    }
}
