// SPDX-License-Identifier: MIT
// The characters of a Windows code page, as the system's converters know
// them.
//
// Text of a help file is turned into UTF-8 by the text layer
// (text/utf8.h) from these tables alone, so that every build reads a byte
// the same way whatever converter its system has: the table is read once
// per code page, then looked up.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace korvane::sys {

struct CodePageTable {
    // What a byte is at the start of a character: its code point, or one
    // of these.
    static constexpr char32_t kUndefined = 0xFFFFFFFF;  // starts no character
    static constexpr char32_t kLeadByte = 0xFFFFFFFE;   // starts a two-byte character

    std::array<char32_t, 256> bytes{};
    // The characters of the lead bytes' two-byte sequences: the 256 trail
    // bytes of the lead byte b from trails_of[b] * 256 on (kUndefined for a
    // pair that is no character). Empty for single-byte code pages.
    std::array<uint16_t, 256> trails_of{};
    std::vector<char32_t> pairs;

    char32_t pair(uint8_t lead, uint8_t trail) const {
        return pairs[static_cast<size_t>(trails_of[lead]) * 256 + trail];
    }
};

// The table of a Windows code page (874, 932, 936, 949, 950, 1250 to 1258,
// 1361, 437); nothing when the system cannot convert it.
std::optional<CodePageTable> code_page_table(int code_page);

}  // namespace korvane::sys
