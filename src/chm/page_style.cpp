// SPDX-License-Identifier: MIT
#include "chm/page_style.h"

#include <map>
#include <string_view>

#include "base/format.h"

namespace korvane::chm {

namespace {

// The declarations "name: value;" of a rule's body, by name (blanks
// around both cut).
std::map<std::string, std::string> declarations(std::string_view body) {
    std::map<std::string, std::string> found;
    auto trim = [](std::string_view s) {
        while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
        while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
        return s;
    };
    while (!body.empty()) {
        size_t end = body.find(';');
        std::string_view declaration = body.substr(0, end);
        size_t colon = declaration.find(':');
        if (colon != std::string_view::npos) {
            found.emplace(trim(declaration.substr(0, colon)), trim(declaration.substr(colon + 1)));
        }
        if (end == std::string_view::npos) break;
        body.remove_prefix(end + 1);
    }
    return found;
}

// A value made only of what a length or colour holds, so that nothing of
// it can leave the rule.
bool plain_value(std::string_view value) {
    if (value.empty()) return false;
    for (char c : value) {
        const bool ok = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' ||
                        c == '#' || c == '-' || c == ' ';
        if (!ok) return false;
    }
    return true;
}

}  // namespace

std::string ie_style_rules(const std::vector<std::string>& paragraph_styles, const std::string& window_rules) {
    std::string css = "@media all and (-ms-high-contrast: none), (-ms-high-contrast: active) {\n"
                      "body { max-width: none; margin: 0; }\n"
                      "p { margin-top: 0; margin-bottom: 0; }\n"
                      "div.topic p, .popup-box p { white-space: pre-wrap; }\n"
                      "div.window, .popup-box { background-color: #fff; }\n"
                      "header.nonscroll { background-color: #fff; }\n"
                      ".popup-box { max-width: 36em; }\n"
                      "a.popup, span.macro { text-decoration: underline; }\n";
    // Window classes: ".wN { --bg: ...; --band: ...; --width: ...; }" a line.
    std::string_view rules = window_rules;
    while (!rules.empty()) {
        size_t end = rules.find('\n');
        std::string_view line = rules.substr(0, end);
        rules.remove_prefix(end == std::string_view::npos ? rules.size() : end + 1);
        size_t open = line.find(" {"), close = line.rfind('}');
        if (line.size() < 3 || line[0] != '.' || line[1] != 'w' || open == std::string_view::npos ||
            close == std::string_view::npos || close < open) {
            continue;
        }
        const std::string name(line.substr(1, open - 1));
        if (name.find_first_not_of("w0123456789") != std::string::npos) continue;
        const std::map<std::string, std::string> d = declarations(line.substr(open + 2, close - open - 2));
        auto value = [&](const char* key) -> std::string {
            auto it = d.find(key);
            return it != d.end() && plain_value(it->second) ? it->second : std::string();
        };
        if (std::string bg = value("--bg"); !bg.empty()) css += format(".%s { background-color: %s; }\n", name, bg);
        if (std::string band = value("--band"); !band.empty()) {
            css += format(".%s header.nonscroll { background-color: %s; }\n", name, band);
        }
        if (std::string width = value("--width"); !width.empty()) {
            css += format("div.window.%s { max-width: %s; }\n", name, width);
        }
    }
    css += ".popup-box header.nonscroll { background-color: transparent; }\n";
    for (size_t i = 0; i < paragraph_styles.size(); ++i) {
        const std::map<std::string, std::string> d = declarations(paragraph_styles[i]);
        const int n = static_cast<int>(i + 1);
        // An exact line height; a least one ("max(...)") IE 11 cannot say.
        auto lh = d.find("--lh");
        if (lh != d.end() && plain_value(lh->second)) css += format(".p%d, .p%d * { line-height: %s; }\n", n, n, lh->second);
        auto hang = d.find("--hang");
        if (hang != d.end() && plain_value(hang->second)) {
            css += format(".p%d span.hang { min-width: %s; }\n", n, hang->second);
        }
    }
    css += "}\n";
    return css;
}

std::string tab_stops_script(const std::vector<std::string>& paragraph_styles) {
    std::string entries;
    for (size_t i = 0; i < paragraph_styles.size(); ++i) {
        const std::map<std::string, std::string> d = declarations(paragraph_styles[i]);
        auto tabs = d.find("--tabs");
        if (tabs == d.end() || !plain_value(tabs->second)) continue;
        if (!entries.empty()) entries += ", ";
        entries += format("\"p%d\": \"%s\"", static_cast<int>(i + 1), tabs->second);
    }
    if (entries.empty()) return {};
    return "window.korvaneTabs = {" + entries + "};\n";
}

}  // namespace korvane::chm
