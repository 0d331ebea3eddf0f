// SPDX-License-Identifier: MIT
#include "topicmap/windows.h"

#include "base/ascii.h"

namespace korvane {

int main_window(const std::vector<WindowDefinition>& windows) {
    for (size_t i = 0; i < windows.size(); ++i) {
        if (windows[i].has(kWindowName) && equal_ignoring_ascii_case(windows[i].name, "main")) return static_cast<int>(i);
    }
    return -1;
}

int window_named(const std::vector<WindowDefinition>& windows, std::string_view name) {
    if (const size_t gt = name.rfind('>'); gt != std::string_view::npos) name.remove_prefix(gt + 1);
    if (equal_ignoring_ascii_case(name, "main")) return main_window(windows);
    for (size_t i = 0; i < windows.size(); ++i) {
        if (windows[i].has(kWindowName) && equal_ignoring_ascii_case(windows[i].name, name)) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace korvane
