// SPDX-License-Identifier: MIT
// Escaping for the HTML site.
//
// UTF-8 is checked as it is copied: a sequence is taken when its lead byte
// announces 2 to 4 bytes, the continuation bytes are there, and the code
// point is neither overlong, a surrogate nor above U+10FFFF. Anything else
// is one byte replaced by U+FFFD, and the copy goes on with the next byte.
#include "html/escape.h"

#include <cstdint>

#include "base/ascii.h"
#include "text/utf8.h"

namespace korvane::html {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

}  // namespace


namespace {

// Characters an HTML parser reports as errors even when written as
// references.
bool is_disallowed(uint32_t c) {
    if (c < 0x20) return c != '\t' && c != '\n' && c != '\r';
    if (c >= 0x7F && c <= 0x9F) return true;
    if (c >= 0xFDD0 && c <= 0xFDEF) return true;
    return (c & 0xFFFE) == 0xFFFE;
}

bool is_plain(char c) {
    return c >= 0x20 && c < 0x7F && c != '&' && c != '<' && c != '>' && c != '"' && c != '\'';
}

bool is_ascii_alpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_ascii_digit(char c) { return c >= '0' && c <= '9'; }

enum class Escape {
    text,       // element content
    attribute,  // an attribute value
    title,      // a title for a reader that decodes no reference
};

bool starts_reference(std::string_view s, size_t after) {
    return after < s.size() && (is_ascii_alpha(s[after]) || is_ascii_digit(s[after]) || s[after] == '#');
}

void append_escaped(std::string& out, std::string_view s, Escape escape) {
    const bool attribute = escape == Escape::attribute, title = escape == Escape::title;
    size_t at = 0;
    while (at < s.size()) {
        // Printable ASCII but the five markup characters is copied as it is.
        size_t plain = at;
        while (plain < s.size() && is_plain(s[plain])) ++plain;
        out.append(s.data() + at, plain - at);
        at = plain;
        if (at == s.size()) break;
        char c = s[at];
        switch (c) {
            case '&': out += title && !starts_reference(s, at + 1) ? "&" : "&amp;"; ++at; continue;
            case '<': out += "&lt;"; ++at; continue;
            case '>': out += title ? ">" : "&gt;"; ++at; continue;
            case '"': out += title ? "\"" : "&quot;"; ++at; continue;
            case '\'': out += title ? "'" : "&#39;"; ++at; continue;
            case '\t': out += attribute ? "&#9;" : "\t"; ++at; continue;
            case '\n': out += attribute ? "&#10;" : "\n"; ++at; continue;
            case '\r': out += attribute ? "&#13;" : "\r"; ++at; continue;
            default: break;
        }
        uint32_t code_point = 0;
        size_t length = text::utf8_sequence(s, at, code_point);
        if (length == 0 || is_disallowed(code_point)) {
            out += kReplacement;
            at += length ? length : 1;
        } else {
            out.append(s.substr(at, length));
            at += length;
        }
    }
}

bool is_hex_digit(char c) { return is_ascii_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

constexpr char kHex[] = "0123456789ABCDEF";

// The target as a browser's URL parser sees it: tab, line feed and carriage
// return removed, leading and trailing C0 controls and spaces cut.
std::string browser_view(std::string_view url) {
    std::string seen;
    for (char c : url) {
        if (c != '\t' && c != '\n' && c != '\r') seen += c;
    }
    auto is_cut = [](char c) { return static_cast<uint8_t>(c) <= 0x20; };
    size_t begin = 0, end = seen.size();
    while (begin < end && is_cut(seen[begin])) ++begin;
    while (end > begin && is_cut(seen[end - 1])) --end;
    return seen.substr(begin, end - begin);
}

}  // namespace

void append_text(std::string& out, std::string_view utf8) { append_escaped(out, utf8, Escape::text); }
void append_attribute(std::string& out, std::string_view utf8) { append_escaped(out, utf8, Escape::attribute); }
void append_title(std::string& out, std::string_view utf8) { append_escaped(out, utf8, Escape::title); }

std::string escape_text(std::string_view utf8) {
    std::string out;
    append_text(out, utf8);
    return out;
}

std::string escape_attribute(std::string_view utf8) {
    std::string out;
    append_attribute(out, utf8);
    return out;
}

bool is_safe_link_target(std::string_view url) {
    std::string seen = browser_view(url);
    // A scheme is whatever comes before a ':' that precedes any '/', '?' or
    // '#'. Anything there that is not an allowed scheme is refused, also
    // when it would not parse as a scheme at all: such a target has no place
    // in a help file's links.
    size_t colon = seen.find(':');
    if (colon == std::string::npos || seen.find_first_of("/?#") < colon) return true;
    std::string scheme;
    for (size_t i = 0; i < colon; ++i) scheme += ascii_lower(seen[i]);
    return scheme == "http" || scheme == "https" || scheme == "ftp" || scheme == "mailto";
}

std::string link_target(std::string_view url) {
    if (!is_safe_link_target(url)) return {};
    std::string seen = browser_view(url), out;
    static constexpr std::string_view kKept = "-._~:/?#[]@!$&()*+,;=";
    for (size_t i = 0; i < seen.size(); ++i) {
        char c = seen[i];
        bool escape_kept = c == '%' && i + 2 < seen.size() && is_hex_digit(seen[i + 1]) && is_hex_digit(seen[i + 2]);
        if (is_ascii_alpha(c) || is_ascii_digit(c) || kKept.find(c) != std::string_view::npos || escape_kept) {
            out += c;
        } else {
            uint8_t b = static_cast<uint8_t>(c);
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 15];
        }
    }
    return out;
}


}  // namespace korvane::html
