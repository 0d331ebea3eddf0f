// SPDX-License-Identifier: MIT
// A paragraph's geometry as the help viewer lays it out, in CSS.
//
// Lengths keep the viewer's own units: twips become points (twips / 20),
// which a browser draws at 96 pixels an inch as the viewer does on a
// 96-dpi screen. Space before and after become padding, not margins, so
// that they add up between paragraphs instead of collapsing into the
// larger one. A line is as tall as the tallest run on it, as in the
// viewer: the paragraph's own line has no height (the style sheet gives it
// no font size and no line height), its runs the line height --lh, or
// their font's own. Line spacing follows the RTF rule the help compiler
// read: a positive value is the least height of a line (--lh the larger of
// it and 1.15 em, about a font's own line), a negative one its exact
// height.
//
// Tab stops: the paragraph's stored stops go into the custom property
// --tabs, "POS[r|c] ..." in twips from the left margin (r right, c
// centred, else left); the popup script places the text after each tab at
// its stop (site_style.h). The hanging indent is a stop as well, and
// default stops follow every half inch after the last one.
//
// Without scripts, hanging-indent lists still line up: when the first tab
// of a paragraph with a negative first-line indent leads to the left indent
// (no stored stop lies between the first line's start and the indent), the
// text before that tab is written in an inline block (span.hang) as wide as
// the hanging indent, --hang.
#pragma once

#include <string>

#include "topics/topic_sink.h"

namespace korvane::html {

// Twips as CSS points: 350 gives "17.5pt", -20 "-1pt".
std::string css_points(int twips);

// True when the first tab of a paragraph's first line leads to its left
// indent: the first-line indent is negative and no stored stop lies
// between the first line's start and the indent.
bool hanging_lead(const ParagraphFormat& f);

// The CSS declarations of a paragraph format ("text-align:center;..."),
// empty for a paragraph laid out as the default one.
std::string paragraph_declarations(const ParagraphFormat& f);

}  // namespace korvane::html
