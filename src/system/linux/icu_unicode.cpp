// SPDX-License-Identifier: MIT
// Unicode data through ICU.
#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/uscript.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <vector>

#include "system/unicode.h"

namespace korvane::sys {

namespace {

std::vector<UChar> utf16_of(std::u32string_view text) {
    std::vector<UChar> out;
    out.reserve(text.size() * 2);
    for (char32_t c : text) {
        UChar units[2];
        int32_t length = 0;
        UBool error = false;
        U16_APPEND(units, length, 2, static_cast<UChar32>(c), error);
        if (error) return {};
        out.insert(out.end(), units, units + length);
    }
    return out;
}

void utf32_of(const std::vector<UChar>& text, int32_t length, std::u32string& out) {
    out.clear();
    for (int32_t i = 0; i < length;) {
        UChar32 c;
        U16_NEXT(text.data(), i, length, c);
        out.push_back(static_cast<char32_t>(c));
    }
}

// Runs an ICU function of the form f(dest, capacity, src, length, &status)
// that may need a larger buffer than the first guess.
template <class Map>
bool map_text(std::u32string_view text, std::u32string& out, Map map) {
    out.clear();
    if (text.empty()) return true;  // ICU takes no null source, which an empty vector may give
    std::vector<UChar> in = utf16_of(text);
    if (in.size() < text.size()) return false;
    std::vector<UChar> buffer(in.size() * 3 + 16);
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = map(buffer.data(), static_cast<int32_t>(buffer.size()), in.data(), static_cast<int32_t>(in.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        buffer.resize(static_cast<size_t>(length));
        status = U_ZERO_ERROR;
        length = map(buffer.data(), length, in.data(), static_cast<int32_t>(in.size()), &status);
    }
    if (U_FAILURE(status)) return false;
    utf32_of(buffer, length, out);
    return true;
}

}  // namespace

bool decompose_compatibility(std::u32string_view text, std::u32string& out) {
    UErrorCode status = U_ZERO_ERROR;
    const UNormalizer2* nfkd = unorm2_getNFKDInstance(&status);
    if (U_FAILURE(status)) return false;
    return map_text(text, out, [&](UChar* dest, int32_t capacity, const UChar* src, int32_t length, UErrorCode* s) {
        return unorm2_normalize(nfkd, src, length, dest, capacity, s);
    });
}

bool to_lower_case(std::u32string_view text, std::u32string& out) {
    return map_text(text, out, [](UChar* dest, int32_t capacity, const UChar* src, int32_t length, UErrorCode* s) {
        return u_strToLower(dest, capacity, src, length, "", s);
    });
}

bool to_upper_case(std::u32string_view text, std::u32string& out) {
    return map_text(text, out, [](UChar* dest, int32_t capacity, const UChar* src, int32_t length, UErrorCode* s) {
        return u_strToUpper(dest, capacity, src, length, "", s);
    });
}

CharacterClass character_class(char32_t c) {
    const auto mask = U_GET_GC_MASK(static_cast<UChar32>(c));
    if (mask & (U_GC_M_MASK | U_GC_CF_MASK)) return CharacterClass::mark_or_format;
    if (mask & (U_GC_L_MASK | U_GC_N_MASK)) return CharacterClass::letter_or_digit;
    return CharacterClass::other;
}

bool written_without_spaces(char32_t c) {
    for (UScriptCode script : {USCRIPT_HAN, USCRIPT_HIRAGANA, USCRIPT_KATAKANA, USCRIPT_HANGUL, USCRIPT_BOPOMOFO}) {
        if (uscript_hasScript(static_cast<UChar32>(c), script)) return true;
    }
    return false;
}

}  // namespace korvane::sys
