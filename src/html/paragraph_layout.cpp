// SPDX-License-Identifier: MIT
#include "html/paragraph_layout.h"

#include <cstdlib>

#include "base/format.h"

namespace korvane::html {

namespace {

// Tab stops are stored in units of ten twips.
int stop_twips(const TabStop& stop) { return stop.position * 10; }

}  // namespace

std::string css_points(int twips) {
    int whole = std::abs(twips) / 20, rest = std::abs(twips) % 20 * 5;
    std::string s = format(twips < 0 ? "-%d" : "%d", whole);
    if (rest) s += format(rest % 10 ? ".%02d" : ".%d", rest % 10 ? rest : rest / 10);
    return s + "pt";
}

bool hanging_lead(const ParagraphFormat& f) {
    int first = f.first_indent.value_or(0), left = f.left_indent.value_or(0);
    if (first >= 0) return false;
    for (const TabStop& stop : f.tabs) {
        int at = stop_twips(stop);
        if (at > left + first && at < left) return false;
    }
    return true;
}

std::string paragraph_declarations(const ParagraphFormat& f) {
    std::string css;
    if (f.alignment == Alignment::centre) css += "text-align:center;";
    else if (f.alignment == Alignment::right) css += "text-align:right;";
    // Space as padding adds up between paragraphs; a negative value (which
    // padding cannot take) pulls the paragraph up or the next one in.
    if (int before = f.space_before.value_or(0)) {
        css += (before > 0 ? "padding-top:" : "margin-top:") + css_points(before) + ";";
    }
    if (int after = f.space_after.value_or(0)) {
        css += (after > 0 ? "padding-bottom:" : "margin-bottom:") + css_points(after) + ";";
    }
    if (int spacing = f.line_spacing.value_or(0)) {
        std::string height = css_points(std::abs(spacing));
        css += spacing < 0 ? "--lh:" + height + ";" : "--lh:max(" + height + ", 1.15em);";
    }
    if (f.left_indent && *f.left_indent) css += "margin-left:" + css_points(*f.left_indent) + ";";
    if (f.right_indent && *f.right_indent) css += "margin-right:" + css_points(*f.right_indent) + ";";
    if (f.first_indent && *f.first_indent) css += "text-indent:" + css_points(*f.first_indent) + ";";
    if (f.borders) {
        const Borders& b = *f.borders;
        std::string line = b.thick ? "2px solid" : "1px solid";
        if (b.box) css += "border:" + line + ";padding-left:2pt;padding-right:2pt;";
        if (b.top) css += "border-top:" + line + ";";
        if (b.bottom) css += "border-bottom:" + line + ";";
        if (b.left) css += "border-left:" + line + ";";
        if (b.right) css += "border-right:" + line + ";";
    }
    if (f.keep_together) css += "break-inside:avoid;";
    if (!f.tabs.empty()) {
        css += "--tabs:";
        for (const TabStop& stop : f.tabs) {
            css += format(" %d", stop_twips(stop));
            if (stop.kind == TabStop::Kind::right) css += 'r';
            if (stop.kind == TabStop::Kind::centre) css += 'c';
        }
        css += ";";
    }
    if (hanging_lead(f)) css += "--hang:" + css_points(-*f.first_indent) + ";";
    return css;
}

}  // namespace korvane::html
