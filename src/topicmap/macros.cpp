// SPDX-License-Identifier: MIT
#include "topicmap/macros.h"

#include <cctype>

#include "base/ascii.h"

namespace korvane {

std::optional<MacroCall> parse_macro(std::string_view macro) {
    MacroCall call;
    size_t i = 0;
    while (i < macro.size() && macro[i] == ' ') ++i;
    while (i < macro.size() && (std::isalnum(static_cast<unsigned char>(macro[i])) || macro[i] == '_')) {
        call.name += ascii_lower(macro[i]);
        ++i;
    }
    while (i < macro.size() && macro[i] == ' ') ++i;
    if (call.name.empty() || i >= macro.size() || macro[i] != '(') return std::nullopt;
    ++i;
    for (;;) {
        while (i < macro.size() && (macro[i] == ' ' || macro[i] == ',')) ++i;
        if (i >= macro.size() || macro[i] == ')') break;
        char quote = macro[i];
        if (quote != '"' && quote != '`') break;  // not a plain string: the arguments end here
        char close = quote == '`' ? '\'' : '"';
        size_t end = macro.find(close, i + 1);
        if (end == std::string_view::npos) break;
        call.arguments.emplace_back(macro.substr(i + 1, end - i - 1));
        i = end + 1;
    }
    return call;
}

std::optional<MacroTarget> macro_target(std::string_view macro) {
    std::optional<MacroCall> call = parse_macro(macro);
    if (!call || call->arguments.size() < 2) return std::nullopt;
    bool jump = macro_is_any(call->name, {"jumpid", "ji"});
    bool popup = macro_is_any(call->name, {"popupid", "pi"});
    if (!jump && !popup) return std::nullopt;
    MacroTarget target;
    target.file = call->arguments[0];
    size_t window = target.file.find('>');
    if (window != std::string::npos) target.file.resize(window);
    target.context = call->arguments[1];
    target.popup = popup;
    return target;
}

bool macro_is_any(std::string_view name, std::initializer_list<std::string_view> names) {
    for (std::string_view n : names) {
        if (name == n) return true;
    }
    return false;
}

std::optional<KeywordLink> keyword_link(const MacroCall& call) {
    if (call.arguments.empty()) return std::nullopt;
    if (macro_is_any(call.name, {"alink", "al"})) return KeywordLink{'A', {}, call.arguments[0]};
    if (macro_is_any(call.name, {"klink", "kl"})) return KeywordLink{'K', {}, call.arguments[0]};
    if (macro_is_any(call.name, {"jumpkeyword", "jk"}) && call.arguments.size() >= 2) {
        std::string file = call.arguments[0];
        size_t window = file.find('>');
        if (window != std::string::npos) file.resize(window);
        return KeywordLink{'K', file, call.arguments[1]};
    }
    return std::nullopt;
}

}  // namespace korvane
