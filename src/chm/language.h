// SPDX-License-Identifier: MIT
// The language of an HTML Help file and the code page of its text.
//
// The viewer reads the file's titles, contents, index, window captions and
// context map in the ANSI code page of the file's language (its LCID), so
// the project's files and the pages are written in that code page. The
// language is the help file's locale record when that language's code page
// is the code page of the help file's text; else the usual language of the
// text's code page (932 Japanese, 1251 Russian, ...); a help file whose
// text is in a code page of no language's (437) keeps its locale, or is
// English (United States).
#pragma once

#include <cstdint>
#include <string>

namespace korvane::chm {

struct Language {
    uint16_t lcid = 0x0409;
    int code_page = 1252;   // the ANSI code page of lcid
    std::string charset;    // its name in a page's <meta charset>
};

// The ANSI code page of an LCID (1252 for languages written in Latin
// letters of Western Europe and for those this table lacks).
int ansi_code_page(uint16_t lcid);

// The language for a help file's text code page and the LCID of its locale
// record (0 for none).
Language help_file_language(int text_code_page, uint16_t locale);

// The Language= value of a project file: "0x411 Japanese".
std::string language_option(uint16_t lcid);

}  // namespace korvane::chm
