// SPDX-License-Identifier: MIT
#include "chm/project_file.h"

#include <algorithm>
#include <set>

#include "base/ascii.h"
#include "base/format.h"
#include "chm/project_text.h"
#include "text/utf8.h"
#include "topicmap/windows.h"

namespace korvane::chm {

namespace {

// The window's properties: the three panes, the search tab, favourites,
// the contents following the topic shown, the title following the topic,
// the place the user gives kept.
constexpr unsigned kMainProperties = 0x20 | 0x100 | 0x400 | 0x1000 | 0x2000 | 0x40000;
// Buttons: hide/show panes, back, forward, home, locate, options, print.
constexpr unsigned kMainButtons = 0x2 | 0x4 | 0x8 | 0x40 | 0x800 | 0x1000 | 0x2000;
// Secondary windows: back, forward, options, print.
constexpr unsigned kSecondaryButtons = 0x4 | 0x8 | 0x1000 | 0x2000;
constexpr int kNavigationWidth = 250;
constexpr int kScreenWidth = 1024, kScreenHeight = 768;

struct Rect {
    int left, top, right, bottom;
};

// The place of a window definition in pixels, the defaults for what it
// leaves out.
Rect window_rect(const WindowDefinition* w, Rect fallback, int extra_width) {
    if (!w) return {fallback.left, fallback.top, fallback.right + extra_width, fallback.bottom};
    if (w->has(kWindowMaximize) && w->maximize != 0) return {0, 0, kScreenWidth, kScreenHeight};
    auto scaled_y = [](int units) { return units * kScreenHeight / 1024; };
    const int left = w->has(kWindowX) ? std::min<int>(w->x, kScreenWidth - 160) : fallback.left;
    const int top = w->has(kWindowY) ? std::min(scaled_y(w->y), kScreenHeight - 100) : fallback.top;
    const int width = w->has(kWindowWidth) && w->width > 0 ? std::clamp<int>(w->width, 160, kScreenWidth)
                                                             : fallback.right - fallback.left;
    const int height = w->has(kWindowHeight) && w->height > 0 ? std::clamp(scaled_y(w->height), 120, kScreenHeight)
                                                                : fallback.bottom - fallback.top;
    // A window that would leave the screen on the right moves left.
    const int wide = std::min(width + extra_width, kScreenWidth);
    const int shifted = std::max(0, std::min(left, kScreenWidth - wide));
    return {shifted, top, shifted + wide, top + height};
}

// A window name as a [WINDOWS] line starts with it: letters, digits and
// '_' ; empty when nothing is left.
std::string window_name(std::string_view name) {
    std::string out;
    for (char c : name) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_') out += c;
    }
    return out;
}

}  // namespace

std::string project_file(const Project& project, const ProjectText& text) {
    text::Utf8Converter utf8;
    const std::string contents = project.key + ".hhc", index = project.key + ".hhk";
    std::string out = "[OPTIONS]\n";
    out += "Compatibility=1.1 or later\n";
    out += "Compiled file=" + project.compiled_file + "\n";
    out += "Contents file=" + contents + "\n";
    out += "Index file=" + index + "\n";
    out += "Default topic=" + project.default_topic + "\n";
    out += format("Default Window=%s\n", kMainWindow);
    out += "Display compile progress=No\n";
    out += "Full-text search=Yes\n";
    out += "Binary TOC=No\n";
    out += "Binary Index=No\n";
    out += "Language=" + language_option(project.language.lcid) + "\n";
    out += "Title=" + text.line(project.title) + "\n";

    out += "\n[WINDOWS]\n";
    const int main = main_window(project.windows);
    const WindowDefinition* main_definition = main >= 0 ? &project.windows[static_cast<size_t>(main)] : nullptr;
    std::string caption = project.title;
    if (main_definition && main_definition->has(kWindowCaption) && !main_definition->caption.empty()) {
        caption = utf8.convert(main_definition->caption, project.text_code_page);
    }
    // The help file's other windows come first: xchm takes the last window
    // of the file for its own, whatever the default window is.
    std::set<std::string> names = {kMainWindow};
    for (size_t i = 0; i < project.windows.size(); ++i) {
        if (static_cast<int>(i) == main) continue;
        const WindowDefinition& w = project.windows[i];
        const std::string name = window_name(w.name);
        if (name.empty() || !names.insert(ascii_lower(name)).second) continue;
        const std::string window_caption = w.has(kWindowCaption) ? utf8.convert(w.caption, project.text_code_page) : "";
        const Rect r = window_rect(&w, {160, 120, 160 + 560, 120 + 420}, 0);
        out += format("%s=\"%s\",,,,,,,,,0x0,0,0x%x,[%d,%d,%d,%d],0x0,0x0,,,,0,0\n", name, text.quoted(window_caption),
                      kSecondaryButtons, r.left, r.top, r.right, r.bottom);
    }
    const Rect main_rect = window_rect(main_definition, {80, 60, 80 + 640, 60 + 560}, kNavigationWidth);
    out += format("%s=\"%s\",\"%s\",\"%s\",\"%s\",\"%s\",,,,,0x%x,%d,0x%x,[%d,%d,%d,%d],0x0,0x0,,,,0,0\n", kMainWindow,
                  text.quoted(caption), contents, index, project.default_topic, project.default_topic,
                  kMainProperties, kNavigationWidth, kMainButtons, main_rect.left, main_rect.top, main_rect.right,
                  main_rect.bottom);

    out += "\n[FILES]\n";
    for (const std::string& file : project.files) out += file + "\n";

    if (project.map && !project.aliases.empty()) {
        out += "\n[ALIAS]\n";
        for (const ContextAlias& alias : project.aliases) out += alias.name + "=" + alias.page + "\n";
        out += "\n[MAP]\n#include " + project.key + ".h\n";
    }
    return out;
}

}  // namespace korvane::chm
