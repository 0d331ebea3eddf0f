// SPDX-License-Identifier: MIT
#include "topicmap/title_rule.h"

#include "text/utf8.h"

namespace korvane {

namespace {

// The code point of the UTF-8 sequence at s[at], at moved past it; a byte
// that starts no sequence is taken as U+FFFD.
char32_t next_code_point(std::string_view s, size_t& at) {
    const char32_t c = text::next_code_point(s, at);
    return c == text::kNotUtf8 ? 0xFFFD : c;
}

// Letters and digits: ASCII ones and every character from U+00C0 on but
// the signs and punctuation among them.
bool is_letter(char32_t c) {
    if (c < 0x80) return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z');
    if (c < 0xC0 || c == 0xD7 || c == 0xF7) return false;
    return !(c >= 0x2000 && c <= 0x206F) && !(c >= 0x3000 && c <= 0x303F) && !(c >= 0xFF00 && c <= 0xFF0F) &&
           !(c >= 0xFF1A && c <= 0xFF20) && !(c >= 0xFF3B && c <= 0xFF40) && !(c >= 0xFF5B && c <= 0xFF65);
}

// The next letter or digit of s from at on, in lower case (ASCII and
// Latin-1), at moved past it; 0 at the end.
char32_t next_letter(std::string_view s, size_t& at) {
    while (at < s.size()) {
        char32_t c = next_code_point(s, at);
        if (!is_letter(c)) continue;
        if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE)) c += 0x20;
        return c;
    }
    return 0;
}

}  // namespace

bool says_title(std::string_view text, std::string_view title) {
    size_t t = 0, p = 0;
    bool letters = false;
    for (char32_t want; (want = next_letter(title, t)) != 0; letters = true) {
        if (next_letter(text, p) != want) return false;
    }
    if (!letters) {
        auto trim = [](std::string_view s) {
            size_t first = s.find_first_not_of(" \t"), last = s.find_last_not_of(" \t");
            return first == std::string_view::npos ? std::string_view() : s.substr(first, last - first + 1);
        };
        return !trim(title).empty() && trim(text) == trim(title);
    }
    return p == text.size() || !is_letter(next_code_point(text, p));
}

}  // namespace korvane
