// SPDX-License-Identifier: MIT
// What the search's folding of characters (text/search_tokens.h) asks of
// the system's Unicode data: normalization, full case mapping and the
// classes of characters. Each function takes and gives whole strings of
// code points, so that a decomposition may lengthen the text.
#pragma once

#include <string>
#include <string_view>

namespace korvane::sys {

// The compatibility decomposition (NFKD) of text; false when the system
// cannot give it.
bool decompose_compatibility(std::u32string_view text, std::u32string& out);
// Full case mapping without a locale ("ẞ" upper-cased is "SS"); false when
// the system cannot give it.
bool to_lower_case(std::u32string_view text, std::u32string& out);
bool to_upper_case(std::u32string_view text, std::u32string& out);

enum class CharacterClass {
    other,            // punctuation, symbols, separators, controls, unassigned
    mark_or_format,   // Mn, Mc, Me, Cf
    letter_or_digit,  // L*, N*
};
CharacterClass character_class(char32_t c);

// True when c's script extensions include Han, Hiragana, Katakana, Hangul
// or Bopomofo: the scripts written without spaces between words.
bool written_without_spaces(char32_t c);

}  // namespace korvane::sys
