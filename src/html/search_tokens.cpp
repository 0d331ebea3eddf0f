// SPDX-License-Identifier: MIT
// Folding and classes of characters through the system's Unicode data,
// kept per character.
#include "html/search_tokens.h"

#include "system/unicode.h"

namespace korvane::html {

namespace {

// Leaves out marks and format characters.
void strip_marks(std::u32string& text) {
    std::erase_if(text, [](char32_t c) { return sys::character_class(c) == sys::CharacterClass::mark_or_format; });
}

// The letters of the Latin letters that have no decomposition but are read
// as others: "æ" as "ae", "ø" as "o"; empty for any other character.
std::string_view latin_letters(char32_t c) {
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
    auto classify = [](char32_t d) -> char32_t {
        if (sys::character_class(d) != sys::CharacterClass::letter_or_digit) return d;
        return d | (sys::written_without_spaces(d) ? kCjk : kWord);
    };
    if (c >= 0xAC00 && c <= 0xD7A3) {  // a Hangul syllable
        out.push_back(classify(c));
        return out;
    }
    // Each step maps text into the other string.
    std::u32string text(1, c), next;
    bool ok = true;
    auto step = [&](bool (*map)(std::u32string_view, std::u32string&)) {
        if (!ok) return;
        ok = map(text, next);
        text.swap(next);
    };
    auto decompose = [](std::u32string_view from, std::u32string& into) {
        if (!sys::decompose_compatibility(from, into)) return false;
        strip_marks(into);
        return true;
    };
    step(decompose);
    step(sys::to_lower_case);
    step(sys::to_upper_case);
    step(sys::to_lower_case);
    step(decompose);
    if (!ok) {
        out.push_back(0xFFFD);  // a separator
        return out;
    }
    for (char32_t d : text) {
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
