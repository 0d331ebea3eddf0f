// SPDX-License-Identifier: MIT
// Code-page tables from glibc's iconv: every byte, and after each lead
// byte every trail byte, converted on its own.
#include <iconv.h>

#include <array>
#include <cerrno>
#include <string_view>

#include "system/code_page_table.h"

namespace korvane::sys {

namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

struct CodePageName {
    int code_page;
    const char* name;
};

// glibc knows CP936 as GBK and CP950 as Big5 with Microsoft's additions; the
// older names come second for an iconv that lacks the CP names.
constexpr std::array<CodePageName, 20> kNames = {{
    {874, "CP874"},   {932, "CP932"},   {936, "CP936"},   {936, "GBK"},     {949, "CP949"},
    {949, "UHC"},     {950, "CP950"},   {950, "BIG5"},    {1250, "CP1250"}, {1251, "CP1251"},
    {1252, "CP1252"}, {1253, "CP1253"}, {1254, "CP1254"}, {1255, "CP1255"}, {1256, "CP1256"},
    {1257, "CP1257"}, {1258, "CP1258"}, {1361, "CP1361"}, {1361, "JOHAB"},  {437, "CP437"},
}};

enum class Outcome { character, incomplete, invalid };

// Converts bytes as one character. CP1255 and CP1258 hold a base letter
// back until they know whether a combining mark follows; the flush at the
// end gives it.
Outcome convert(iconv_t cd, std::string_view bytes, char32_t& c) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char32_t out[4];
    char* in = const_cast<char*>(bytes.data());
    size_t in_left = bytes.size();
    char* dst = reinterpret_cast<char*>(out);
    size_t dst_left = sizeof out;
    size_t rc = iconv(cd, &in, &in_left, &dst, &dst_left);
    int error = errno;
    if (rc == static_cast<size_t>(-1)) return error == EINVAL ? Outcome::incomplete : Outcome::invalid;
    if (in_left != 0) return Outcome::invalid;
    iconv(cd, nullptr, nullptr, &dst, &dst_left);
    if (sizeof out - dst_left != sizeof(char32_t)) return Outcome::invalid;
    c = out[0];
    return Outcome::character;
}

}  // namespace

std::optional<CodePageTable> code_page_table(int code_page) {
    iconv_t cd = kNoConverter;
    for (const CodePageName& n : kNames) {
        if (n.code_page != code_page) continue;
        // UTF-32 in the machine's byte order: one code point per unit.
        cd = iconv_open("UTF-32LE", n.name);
        if (cd != kNoConverter) break;
    }
    if (cd == kNoConverter) return std::nullopt;
    CodePageTable table;
    uint16_t leads = 0;
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        char32_t c = 0;
        switch (convert(cd, std::string_view(&byte, 1), c)) {
        case Outcome::character: table.bytes[b] = c; break;
        case Outcome::invalid: table.bytes[b] = CodePageTable::kUndefined; break;
        case Outcome::incomplete:
            table.bytes[b] = CodePageTable::kLeadByte;
            table.trails_of[b] = leads++;
            break;
        }
    }
    table.pairs.assign(static_cast<size_t>(leads) * 256, CodePageTable::kUndefined);
    for (int lead = 0; lead < 256; ++lead) {
        if (table.bytes[lead] != CodePageTable::kLeadByte) continue;
        for (int trail = 0; trail < 256; ++trail) {
            const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            char32_t c = 0;
            if (convert(cd, std::string_view(pair, 2), c) == Outcome::character) {
                table.pairs[static_cast<size_t>(table.trails_of[lead]) * 256 + trail] = c;
            }
        }
    }
    iconv_close(cd);
    return table;
}

}  // namespace korvane::sys
