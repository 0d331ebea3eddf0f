// SPDX-License-Identifier: MIT
#include "html/window_style.h"

#include <algorithm>

#include "base/format.h"

namespace korvane::html {

namespace {

constexpr int kMinimumWidth = 160;
// Window coordinates are 1/1024 of the screen, and the reference screen is
// 1,024 pixels wide: a unit is a pixel.
constexpr int kScreenWidth = 1024;

std::string colour(const std::array<uint8_t, 3>& rgb) { return format("#%02x%02x%02x", rgb[0], rgb[1], rgb[2]); }

}  // namespace

WindowStyles::WindowStyles(const std::vector<WindowDefinition>& windows) : windows_(windows) {
    for (size_t i = 0; i < windows.size(); ++i) {
        const WindowDefinition& w = windows[i];
        std::string rule;
        if (w.has(kWindowScrollingColour)) rule += " --bg: " + colour(w.scrolling_colour) + ";";
        if (w.has(kWindowNonScrollingColour)) rule += " --band: " + colour(w.non_scrolling_colour) + ";";
        bool maximized = w.has(kWindowMaximize) && w.maximize != 0;
        if (w.has(kWindowWidth) && w.width > 0 && !maximized) {
            rule += format(" --width: %dpx;", std::clamp<int>(w.width, kMinimumWidth, kScreenWidth));
        }
        styled_.push_back(!rule.empty());
        if (!rule.empty()) rules_ += format(".w%d {%s }\n", static_cast<int>(i), rule);
    }
}

std::string WindowStyles::css_class(int window) const {
    if (window < 0 || static_cast<size_t>(window) >= styled_.size() || !styled_[static_cast<size_t>(window)]) return {};
    return format("w%d", window);
}

const std::string& WindowStyles::caption(int window) const {
    static const std::string none;
    if (window < 0 || static_cast<size_t>(window) >= windows_.size()) return none;
    const WindowDefinition& w = windows_[static_cast<size_t>(window)];
    return w.has(kWindowCaption) ? w.caption : none;
}

}  // namespace korvane::html
