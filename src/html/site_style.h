// SPDX-License-Identifier: MIT
// The style sheet and the popup script every page of the site uses.
//
// The classes and attributes the pages carry for them:
//   div.window                the window a topic shows in: its colours and
//                             width from the class of its window definition
//                             (html/window_style.h), a .caption bar
//   div.topic                 the topic's content; its paragraphs keep every
//                             space (runs that line up columns, leading
//                             ones) and wrap at spaces as the viewer does:
//                             white-space: pre-wrap, which the markup
//                             allows as it has no line ends in paragraphs;
//                             a line is as tall as the runs on it (the
//                             paragraph's own line has no height: no font
//                             size, no line height; its spans have them)
//   header.nonscroll          the topic's non-scrolling region: it stays at
//                             the top of the browser's window while the
//                             text scrolls under it (sticky)
//   span.tab, span.hang       a tab, and the text before the first tab of a
//                             hanging indent (an inline block as wide as
//                             the indent, --hang; html/paragraph_layout.h)
//   img.picture.left/.right   pictures that float, text flowing around them
//   a.jump                    a jump to another topic
//   a.popup[data-popup=ID]    a popup: href the popup topic's page, and the
//                             page holds <div hidden id="popup-ID"> with the
//                             popup topic's content
//   span.macro                a macro hotspot, shown as inert text
//   ul.image-map              the hotspots of a picture, as a list of links
//   div.embedded-window       the placeholder of an embedded window
//   .popup-box                the box the script shows a popup in
//   nav.contents, table.border, p.no-wrap
//
// The script runs from file:// (where pages cannot be fetched). It places
// the text after each tab at its stop (p.tabs-set, each span.tab an inline
// block of the width that reaches the stop): the next of the paragraph's
// stops (--tabs, and its hanging indent) past the text before the tab,
// else the next default stop, every half inch after the last one; text
// after a right stop ends at it, after a centred stop is centred on it.
// It measures after the fonts have loaded and again when the window
// changes size. Without the script a tab advances to the next half inch
// of the paragraph (tab-size) and hanging-indent lists line up by span.hang.
//
// A click on a.popup copies the hidden popup content into a box over the
// text, next to the link (the link's aria-controls names the box), and
// places it inside the browser's window; a popup link inside a box opens
// another box above it. A second click on the link closes its box (and
// those above it), Escape the topmost, a click elsewhere those above the
// box clicked in. Without scripts, or when the page holds no content for
// the popup, the link opens the popup topic's page. It installs its
// listeners on the document (no inline handlers), so it may be embedded or
// loaded from a file.
//
// The style sheet korvane.css is that fixed part, then a class per font of
// the help file (.fN: face, size, attributes, colour) and per paragraph
// format the pages use (.pN).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korvane {
struct FontTable;
}

namespace korvane::html {

extern const std::string_view kSiteStyleSheet;
extern const std::string_view kPopupScript;

// The rule of each font of the table, by font number.
std::vector<std::string> font_rules(const FontTable& fonts);
// korvane.css: the fixed rules, the font rules and the paragraph formats'.
std::string style_sheet(const std::vector<std::string>& paragraph_styles, const std::vector<std::string>& fonts);

}  // namespace korvane::html
