// SPDX-License-Identifier: MIT
// The interface language of both front ends, chosen from the locale.
//
// German gets German texts and the German string table (offset 512);
// Spanish gets Spanish texts with the English string table; every other
// locale gets English.
#pragma once

namespace korvane {

enum class Language { English, German, Spanish };

// The first non-empty of LC_ALL, LC_MESSAGES and LANG decides: "de*" German,
// "es*" Spanish (either case), anything else English.
Language language_from_locale();

// String-table offset: 512 for German, else 0.
int string_offset(Language lang);

}  // namespace korvane
