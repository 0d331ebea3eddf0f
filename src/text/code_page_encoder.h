// SPDX-License-Identifier: MIT
// UTF-8 text in a Windows code page: the other direction of text/utf8.h,
// for outputs whose readers take a code page's bytes (an HTML Help file's
// titles, contents and index are read in the code page of its language).
//
// A character has the bytes the code page's table gives it; where the
// table gives one character several sequences, the first in byte order.
// A character the code page lacks, and a byte that starts no UTF-8
// sequence, is written as the caller chooses: '?' or an HTML character
// reference "&#N;".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace korvane::text {

class CodePageEncoder {
public:
    enum class Missing { question_mark, reference };

    // A code page the system has no table of is taken as Western (1252).
    explicit CodePageEncoder(int code_page);

    int code_page() const { return code_page_; }
    // True when the code page has the character.
    bool has(char32_t c) const;
    void append(std::string& out, std::string_view utf8, Missing missing) const;
    std::string encode(std::string_view utf8, Missing missing) const;

private:
    int code_page_;
    bool ascii_is_ascii_ = true;
    // Character -> its byte (below 0x100) or lead byte * 256 + trail byte.
    std::unordered_map<char32_t, uint16_t> bytes_;
};

}  // namespace korvane::text
