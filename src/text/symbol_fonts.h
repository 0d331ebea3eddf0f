// SPDX-License-Identifier: MIT
// The characters that symbol fonts draw for their bytes.
//
// Text in a symbol font (Symbol, Wingdings, Webdings, ...) is not text of
// the help file's code page: each byte picks a glyph of the font, a bullet
// or an arrow where the code page has a Latin letter. RTF keeps the bytes
// and lets its reader use the font; a web page needs the characters, which
// these tables give. A byte the font draws no Unicode character for gives
// U+F000 + byte, the private-use character Windows symbol fonts answer to
// as well, so a reader who has the font (the page's style sheet names it)
// still sees its glyph.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace korvane::text {

// A symbol font's character for each byte; bytes below 0x20 stand for
// themselves, as in every code page.
using SymbolTable = std::array<char32_t, 256>;

// The table of the symbol font face names (Symbol, Wingdings, Wingdings 2,
// Wingdings 3, Webdings, Zapf Dingbats, Marlett, MT Extra; without regard
// to case, as Windows matches face names); nullptr for any other font.
const SymbolTable* symbol_table(std::string_view face);

// Appends the UTF-8 text of bytes drawn in the font of table to out.
void append_symbol_text(std::string& out, std::string_view bytes, const SymbolTable& table);

}  // namespace korvane::text
