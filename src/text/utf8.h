// SPDX-License-Identifier: MIT
// Text of a help file's code page as UTF-8.
//
// Code pages are Windows code page numbers (topics/code_page.h chooses
// one), read through the system's table of each (system/code_page_table.h).
// A byte or sequence that the code page does not define becomes U+FFFD, one
// for each byte that starts no character, and so does a sequence cut off at
// the end of a run; nothing is dropped. A code page the system does not
// know is read as Western (1252).
//
// Conversion is called for every text run of a topic, so the table of a
// code page is read once and kept, with the UTF-8 text of every byte that
// is a character of its own. Runs of ASCII are copied directly in code
// pages whose ASCII half is ASCII (checked in the table, not assumed).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

namespace korvane::sys {
struct CodePageTable;
}

namespace korvane::text {

// The system's table of a code page (system/code_page_table.h), read once
// per process and shared; null when the system has none.
const sys::CodePageTable* shared_code_page_table(int code_page);

// The length of a valid UTF-8 sequence at s[at] and its code point; 0 when
// the byte there starts none (overlong forms, surrogates and values past
// U+10FFFF start none).
size_t utf8_sequence(std::string_view s, size_t at, uint32_t& code_point);

// The code point of the UTF-8 sequence at text[i], i moved past it; for a
// byte that starts no valid sequence kNotUtf8, i moved past that byte.
constexpr char32_t kNotUtf8 = 0xFFFFFFFF;
inline char32_t next_code_point(std::string_view text, size_t& i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
        ++i;
        return b;
    }
    uint32_t c = 0;
    const size_t length = utf8_sequence(text, i, c);
    i += length ? length : 1;
    return length ? c : kNotUtf8;
}

// Appends the UTF-8 sequence of code point c.
inline void append_utf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

class Utf8Converter {
public:
    Utf8Converter();
    ~Utf8Converter();
    Utf8Converter(const Utf8Converter&) = delete;
    Utf8Converter& operator=(const Utf8Converter&) = delete;

    // Appends the UTF-8 text of bytes, read in code_page, to out.
    void append(std::string& out, std::string_view bytes, int code_page);
    std::string convert(std::string_view bytes, int code_page);

    // The code page that code_page is read in (itself, or 1252 when the
    // system cannot convert it).
    int effective_code_page(int code_page);

private:
    struct Converter;
    Converter& converter(int code_page);

    std::unordered_map<int, std::unique_ptr<Converter>> converters_;
    int last_code_page_ = 0;
    Converter* last_ = nullptr;
};

}  // namespace korvane::text
