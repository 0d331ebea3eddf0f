// SPDX-License-Identifier: MIT
// Folding and classes of characters through ICU, kept per character.
#include "html/search_tokens.h"

#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/uscript.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

namespace korvane::html {

namespace {

constexpr int32_t kBuffer = 256;  // a character decomposes into at most 18 units, casing triples that

// Leaves out marks and format characters; returns the new length.
int32_t strip_marks(UChar* text, int32_t length) {
    int32_t kept = 0;
    for (int32_t i = 0; i < length;) {
        int32_t start = i;
        UChar32 c;
        U16_NEXT(text, i, length, c);
        if (U_GET_GC_MASK(c) & (U_GC_M_MASK | U_GC_CF_MASK)) continue;
        while (start < i) text[kept++] = text[start++];
    }
    return kept;
}

// The letters of the Latin letters that have no decomposition but are read
// as others: "æ" as "ae", "ø" as "o"; empty for any other character.
std::string_view latin_letters(UChar32 c) {
    switch (c) {
    case 0xE6: return "ae";   // æ
    case 0x153: return "oe";  // œ
    case 0xF8: return "o";    // ø
    case 0x111: return "d";   // đ
    case 0xF0: return "d";    // ð
    case 0x142: return "l";   // ł
    case 0x127: return "h";   // ħ
    case 0xFE: return "th";   // þ
    case 0x167: return "t";   // ŧ
    default: return {};
    }
}

}  // namespace

const std::u32string& SearchTokenizer::fold(char32_t c) {
    auto found = folds_.find(c);
    if (found != folds_.end()) return found->second;
    std::u32string& out = folds_[c];
    auto classify = [](UChar32 d) -> char32_t {
        char32_t code = static_cast<char32_t>(d);
        if (!(U_GET_GC_MASK(d) & (U_GC_L_MASK | U_GC_N_MASK))) return code;
        for (UScriptCode script : {USCRIPT_HAN, USCRIPT_HIRAGANA, USCRIPT_KATAKANA, USCRIPT_HANGUL, USCRIPT_BOPOMOFO}) {
            if (uscript_hasScript(d, script)) return code | kCjk;
        }
        return code | kWord;
    };
    if (c >= 0xAC00 && c <= 0xD7A3) {  // a Hangul syllable
        out.push_back(classify(static_cast<UChar32>(c)));
        return out;
    }
    // Each step maps text[0..length) into the other buffer.
    UErrorCode status = U_ZERO_ERROR;
    const UNormalizer2* nfkd = unorm2_getNFKDInstance(&status);
    UChar buffers[2][kBuffer];
    UChar* text = buffers[0];
    int32_t length = 0;
    U16_APPEND_UNSAFE(text, length, static_cast<UChar32>(c));
    auto step = [&](auto map) {
        if (U_FAILURE(status)) return;
        UChar* into = text == buffers[0] ? buffers[1] : buffers[0];
        length = map(into, text, length);
        text = into;
    };
    auto decompose = [&](UChar* into, const UChar* from, int32_t n) {
        int32_t decomposed = unorm2_normalize(nfkd, from, n, into, kBuffer, &status);
        return U_SUCCESS(status) ? strip_marks(into, decomposed) : 0;
    };
    auto lower = [&](UChar* into, const UChar* from, int32_t n) { return u_strToLower(into, kBuffer, from, n, "", &status); };
    auto upper = [&](UChar* into, const UChar* from, int32_t n) { return u_strToUpper(into, kBuffer, from, n, "", &status); };
    step(decompose);
    step(lower);
    step(upper);
    step(lower);
    step(decompose);
    if (U_FAILURE(status)) {
        out.push_back(0xFFFD);  // a separator
        return out;
    }
    for (int32_t i = 0; i < length;) {
        UChar32 d;
        U16_NEXT(text, i, length, d);
        std::string_view letters = latin_letters(d);
        if (letters.empty()) out.push_back(classify(d));
        for (char letter : letters) out.push_back(static_cast<char32_t>(letter) | kWord);
    }
    return out;
}

std::vector<std::string> SearchTokenizer::tokens(std::string_view text) {
    std::vector<std::string> out;
    tokenize(text, [&](std::string_view token) { out.emplace_back(token); });
    return out;
}

}  // namespace korvane::html
