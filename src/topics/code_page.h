// SPDX-License-Identifier: MIT
// The code page of a help file's text.
//
// Help files store text as bytes of a Windows code page and rarely say
// which. The choice, in this order: the user's; what the file records (a
// character-set record in |SYSTEM, else the character sets of logical-font
// descriptors in |FONT); a detection over the topic text, trusted only for
// the double-byte code pages, which the text's byte patterns tell apart
// clearly from Western text. Without any of these the text is taken as Western (1252).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace korvane {

struct HelpFile;
struct FontTable;
struct PhraseTables;

constexpr int kWesternCodePage = 1252;

enum class CodePageSource { western, user, system_record, fonts, detected };

struct CodePageChoice {
    int code_page = kWesternCodePage;
    CodePageSource source = CodePageSource::western;
};

// The Windows character set of a code page and the other way round; -1 and
// 0 for those without one.
int charset_of_code_page(int code_page);
int code_page_of_charset(int charset);

// True for the code pages whose characters take one or two bytes (the
// trail byte may look like an ASCII character).
bool is_multibyte_code_page(int code_page);

// Decides the code page of help; user_code_page 0 leaves it to the file.
// Reads |SYSTEM, takes the decoded fonts and, when they record nothing,
// reads up to 256 KB of the topic text.
CodePageChoice choose_code_page(const HelpFile& help, const FontTable& fonts, const PhraseTables& phrases,
                                int user_code_page);

// The expanded text of the topic records, strings separated by line feeds,
// up to about limit bytes.
std::string topic_text_sample(const HelpFile& help, const PhraseTables& phrases, size_t limit);

}  // namespace korvane
