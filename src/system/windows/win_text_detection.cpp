// SPDX-License-Identifier: MIT
// The double-byte guess on Windows, a rule of its own over the code pages'
// tables (MLang's guess is not in every Windows, nor in Wine).
//
// Text of a double-byte code page has no byte above 0x7F that is not part
// of a character: a candidate must read every such byte of the sample as a
// character of two bytes, and at least kMinimumPairs of them, and these
// must stand in runs: at least half of them followed by another (accented
// letters of Western text that happen to pair up stand among ASCII letters,
// a word of Chinese, Japanese or Korean is characters of two bytes). Then the
// script that the characters are written in decides, each in its own code
// page:
// - Japanese writes kana among its kanji: 932 when a fifth of its pairs
//   are kana;
// - Korean writes Hangul syllables: 949 when half of its pairs are the
//   2350 common ones of KS X 1001 (leads 0xB0 to 0xC8, trails from 0xA1;
//   Western letters pair up into the rarer syllables that 949 adds);
// - Chinese: Big5 text has trail bytes below 0xA1 in a good share of its
//   characters, which GB 2312 never has: 950 when a tenth do (and Big5
//   reads the sample), else 936.
// Anything else (Western text whose accented letters happen to pair up)
// is no guess.
#include <optional>

#include "system/code_page_table.h"
#include "system/text_detection.h"

namespace korvane::sys {

namespace {

constexpr size_t kMinimumPairs = 8;

struct Reading {
    bool clean = false;  // every byte above 0x7F part of a character of two bytes
    size_t pairs = 0;
    size_t kana = 0;
    size_t hangul = 0;
    size_t low_trails = 0;
    size_t followed = 0;  // pairs that another character of two bytes follows
};

Reading read_as(const CodePageTable& table, std::string_view sample) {
    Reading r;
    for (size_t i = 0; i < sample.size(); ++i) {
        const auto lead = static_cast<uint8_t>(sample[i]);
        if (lead < 0x80) continue;
        if (table.bytes[lead] != CodePageTable::kLeadByte || i + 1 == sample.size()) return r;
        const auto trail = static_cast<uint8_t>(sample[++i]);
        const char32_t c = table.pair(lead, trail);
        if (c == CodePageTable::kUndefined) return r;
        ++r.pairs;
        if (i + 1 < sample.size() && static_cast<uint8_t>(sample[i + 1]) >= 0x80) ++r.followed;
        if (c >= 0x3041 && c <= 0x30FF) ++r.kana;
        if (c >= 0xAC00 && c <= 0xD7A3 && lead >= 0xB0 && lead <= 0xC8 && trail >= 0xA1) ++r.hangul;
        if (trail < 0xA1) ++r.low_trails;
    }
    r.clean = true;
    return r;
}

std::optional<Reading> reading(int code_page, std::string_view sample) {
    static const std::optional<CodePageTable> tables[] = {code_page_table(932), code_page_table(936),
                                                          code_page_table(949), code_page_table(950)};
    const std::optional<CodePageTable>& table = tables[code_page == 932 ? 0 : code_page == 936 ? 1 : code_page == 949 ? 2 : 3];
    if (!table) return std::nullopt;
    Reading r = read_as(*table, sample);
    if (!r.clean || r.pairs < kMinimumPairs || r.followed * 2 < r.pairs) return std::nullopt;
    return r;
}

}  // namespace

int detect_double_byte_code_page(std::string_view sample) {
    if (auto r = reading(932, sample); r && r->kana * 5 >= r->pairs) return 932;
    if (auto r = reading(949, sample); r && r->hangul * 2 >= r->pairs) return 949;
    std::optional<Reading> big5 = reading(950, sample);
    if (big5 && big5->low_trails * 10 >= big5->pairs) return 950;
    if (reading(936, sample)) return 936;
    return big5 ? 950 : 0;
}

}  // namespace korvane::sys
