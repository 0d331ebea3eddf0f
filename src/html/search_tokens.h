// SPDX-License-Identifier: MIT
// The words of a text as the site's search knows them.
//
// Text is read a character at a time, and each character is folded: its
// compatibility decomposition ("é" to "e" and an accent, "ﬁ" to "fi",
// full-width "Ａ" to "A", half-width katakana to katakana), with marks and
// format characters (accents, soft hyphens, joiners) left out, lower-cased,
// upper-cased and lower-cased again ("ẞ" to "ß" to "SS" to "ss", "ı" to "I"
// to "i"), and once more decomposed and cleared of marks: the voiced-sound
// marks of kana go as accents do, so that half-width katakana, which writes
// them apart, finds full-width. Latin letters that have no decomposition
// become the letters they are read as: "æ" "ae", "œ" "oe", "ø" "o", "đ" and
// "ð" "d", "ł" "l", "ħ" "h", "þ" "th", "ŧ" "t". Hangul syllables stay whole: their
// decomposition is letters nobody searches for. Letters and digits of the
// folded text make the tokens, every other character separates them:
// - a run of Chinese, Japanese or Korean characters (Han, Hiragana,
//   Katakana, Hangul and Bopomofo by their script extensions, so that the
//   long-vowel mark belongs to kana) gives each pair of neighbours as a
//   token, or its one character when it is alone: text without spaces
//   between its words finds every word of two or more characters;
// - any other run of letters and digits is one token, cut after
//   kMaxWordLength characters.
//
// The search script of the site (html/search_index.h) folds and splits the
// query and the excerpts the same way with the browser's Unicode functions
// (String.prototype.normalize, toUpperCase, toLowerCase and the \p{...}
// classes of its regular expressions); here the system's Unicode data
// (system/unicode.h) gives the same answers.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "text/utf8.h"

namespace korvane::html {

class SearchTokenizer {
public:
    static constexpr size_t kMaxWordLength = 64;

    // Calls emit(std::string_view) with every token of text (UTF-8; a byte
    // that is not UTF-8 separates), in order.
    template <class Emit>
    void tokenize(std::string_view text, Emit&& emit);
    std::vector<std::string> tokens(std::string_view text);

private:
    // A folded character carries its class in the bits above 24: none for
    // a separator.
    static constexpr char32_t kWord = 1u << 24, kCjk = 2u << 24, kCharacter = (1u << 24) - 1;

    const std::u32string& fold(char32_t c);

    std::unordered_map<char32_t, std::u32string> folds_;
};

template <class Emit>
void SearchTokenizer::tokenize(std::string_view text, Emit&& emit) {
    std::string word, pair;
    size_t word_length = 0;
    char32_t last_cjk = 0;  // the previous character of a CJK run; 0: none
    bool cjk_alone = false;
    auto end_word = [&] {
        if (word.empty()) return;
        emit(std::string_view(word));
        word.clear();
        word_length = 0;
    };
    auto end_run = [&] {
        if (last_cjk && cjk_alone) {
            pair.clear();
            text::append_utf8(pair, last_cjk);
            emit(std::string_view(pair));
        }
        last_cjk = 0;
    };
    auto add = [&](char32_t folded) {
        char32_t c = folded & kCharacter;
        if ((folded & ~kCharacter) == kWord) {
            end_run();
            if (word_length < kMaxWordLength) {
                text::append_utf8(word, c);
                ++word_length;
            }
        } else if ((folded & ~kCharacter) == kCjk) {
            end_word();
            cjk_alone = !last_cjk;
            if (last_cjk) {
                pair.clear();
                text::append_utf8(pair, last_cjk);
                text::append_utf8(pair, c);
                emit(std::string_view(pair));
            }
            last_cjk = c;
        } else {
            end_word();
            end_run();
        }
    };
    size_t i = 0;
    while (i < text.size()) {
        unsigned char b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            ++i;
            if ((b >= 'a' && b <= 'z') || (b >= '0' && b <= '9')) {
                add(b | kWord);
            } else if (b >= 'A' && b <= 'Z') {
                add((b + 32u) | kWord);
            } else {
                add(b);
            }
            continue;
        }
        char32_t c = text::next_code_point(text, i);
        if (c == text::kNotUtf8) {
            add(0xFFFD);
            continue;
        }
        for (char32_t folded : fold(c)) add(folded);
    }
    end_word();
    end_run();
}

}  // namespace korvane::html
