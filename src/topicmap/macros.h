// SPDX-License-Identifier: MIT
// Macro calls as hotspots and entry macros write them: a name and its
// arguments in parentheses, strings in "..." or `...'.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

// A macro call's name (lower case) and its leading string arguments.
struct MacroCall {
    std::string name;
    std::vector<std::string> arguments;
};
std::optional<MacroCall> parse_macro(std::string_view macro);
// The context id and help file a jump or popup macro (JumpId, JI, PopupId,
// PI) leads to; popup tells which it is.
struct MacroTarget {
    std::string context, file;
    bool popup = false;
};
std::optional<MacroTarget> macro_target(std::string_view macro);

// The keywords a keyword link (ALink, AL, KLink, KL, JumpKeyword, JK) looks
// up.
struct KeywordLink {
    char table = 'K';      // 'K' or 'A'
    std::string file;      // JumpKeyword's help file, empty for this one
    std::string keywords;  // ';'-separated, as the macro has them
};
std::optional<KeywordLink> keyword_link(const MacroCall& call);

// True when name (lower case) is one of names.
bool macro_is_any(std::string_view name, std::initializer_list<std::string_view> names);

}  // namespace korvane
