// SPDX-License-Identifier: MIT
// Code-page tables from the Windows converter: every byte, and after each
// lead byte every trail byte, converted on its own with
// MultiByteToWideChar, which refuses a sequence that is no character of
// the code page (MB_ERR_INVALID_CHARS) instead of putting its default
// character in.
//
// Windows answers for the bytes 0x80 to 0x9F that a code page leaves
// unassigned with the C1 control of the same number; they are no character
// here, as in iconv's tables. Other differences from iconv's tables (the
// end-user-defined areas of 936, 949 and 950, which Windows gives as
// private-use characters, Johab's jamo, a Hebrew point of 1255) are listed
// by tests/windows/compare_system.sh.
#include <windows.h>

#include <array>

#include "system/code_page_table.h"

namespace korvane::sys {

namespace {

constexpr std::array<int, 15> kCodePages = {874, 932, 936, 949, 950, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258, 1361};

// The character of bytes, or kUndefined. A surrogate pair (none of the
// listed code pages has one) counts as no character.
char32_t convert(UINT code_page, const char* bytes, int length) {
    wchar_t out[4];
    int n = MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, bytes, length, out, 4);
    if (n != 1 || (out[0] >= 0xD800 && out[0] <= 0xDFFF)) return CodePageTable::kUndefined;
    const char32_t c = static_cast<uint16_t>(out[0]);
    if (length == 1 && c == static_cast<uint8_t>(bytes[0]) && c >= 0x80 && c <= 0x9F) return CodePageTable::kUndefined;
    return c;
}

bool known(int code_page) {
    if (code_page == 437) return true;
    for (int c : kCodePages) {
        if (c == code_page) return true;
    }
    return false;
}

}  // namespace

std::optional<CodePageTable> code_page_table(int code_page) {
    const auto cp = static_cast<UINT>(code_page);
    if (!known(code_page) || !IsValidCodePage(cp)) return std::nullopt;
    CodePageTable table;
    uint16_t leads = 0;
    for (int b = 0; b < 256; ++b) {
        if (IsDBCSLeadByteEx(cp, static_cast<BYTE>(b))) {
            table.bytes[b] = CodePageTable::kLeadByte;
            table.trails_of[b] = leads++;
            continue;
        }
        const char byte = static_cast<char>(b);
        table.bytes[b] = convert(cp, &byte, 1);
    }
    table.pairs.assign(static_cast<size_t>(leads) * 256, CodePageTable::kUndefined);
    for (int lead = 0; lead < 256; ++lead) {
        if (table.bytes[lead] != CodePageTable::kLeadByte) continue;
        for (int trail = 0; trail < 256; ++trail) {
            const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            table.pairs[static_cast<size_t>(table.trails_of[lead]) * 256 + trail] = convert(cp, pair, 2);
        }
    }
    return table;
}

}  // namespace korvane::sys
