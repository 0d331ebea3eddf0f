// SPDX-License-Identifier: MIT
#include "ui/ui_language.h"

#include <cstdlib>
#include <initializer_list>
#include <strings.h>

namespace korvane {

Language language_from_locale() {
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* v = std::getenv(var);
        if (!v || !*v) continue;
        if (strncasecmp(v, "de", 2) == 0) return Language::German;
        if (strncasecmp(v, "es", 2) == 0) return Language::Spanish;
        return Language::English;
    }
    return Language::English;
}

int string_offset(Language lang) { return lang == Language::German ? 512 : 0; }

}  // namespace korvane
