// SPDX-License-Identifier: MIT
// Help-file text in RTF.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace korvane {

class OutStream;

// Writes help-file text escaped for RTF. After every character the count
// of characters written (across all files and passes of a conversion) is
// examined and then increased; when the examined value is a multiple of 64
// a line feed follows the character. With multibyte set (text in a code
// page of one- and two-byte characters, whose trail bytes may be a
// backslash or a brace) those three are written as hexadecimal escapes.
void write_rtf_text(OutStream& rtf, std::string_view text, uint64_t& written, bool multibyte = false);

// Text that is written without character escaping (hotspot targets, face
// names, file names) with only the three bytes that would break the RTF
// structure escaped: backslash and both braces (as hexadecimal escapes
// with multibyte, as above).
std::string escape_rtf_structure(std::string_view text, bool multibyte = false);

}  // namespace korvane
