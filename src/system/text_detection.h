// SPDX-License-Identifier: MIT
// A guess of the code page of text that does not say which it is in.
#pragma once

#include <string_view>

namespace korvane::sys {

// The double-byte Windows code page (932, 936, 949 or 950) that sample is
// clearly written in, or 0. Single-byte code pages are never guessed:
// Western text with a few accented letters is easily taken for Greek or
// Central European.
int detect_double_byte_code_page(std::string_view sample);

}  // namespace korvane::sys
