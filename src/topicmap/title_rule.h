// SPDX-License-Identifier: MIT
// Whether a topic states its title itself. Most topics begin with a
// paragraph that says the title again (the viewer showed the title only as
// the window's caption), so a page or a contents label need not repeat it.
#pragma once

#include <string_view>

namespace korvane {

// True when the text (a topic's first paragraph, UTF-8) starts with the
// title (UTF-8), read without regard to case, spaces and punctuation, and
// the title ends where a word of the text ends: "Internal error. The file
// ..." says the title "Internal error", "Searching" does not say "Search".
// A title without letters or digits is said by a text that is the same but
// for the spaces around it.
bool says_title(std::string_view text, std::string_view title);

}  // namespace korvane
