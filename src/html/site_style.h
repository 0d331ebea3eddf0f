// SPDX-License-Identifier: MIT
// The style sheet and the popup script every page of the site uses.
//
// The classes and attributes the pages carry for them:
//   div.topic                 the topic's content; its paragraphs keep every
//                             space (runs that line up columns, leading
//                             ones) and wrap at spaces as the viewer does:
//                             white-space: pre-wrap, which the markup
//                             allows as it has no line ends in paragraphs
//   header.nonscroll          the topic's non-scrolling region
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
// The script runs from file:// (where pages cannot be fetched): a click on
// a.popup copies the hidden popup content into a box after the link and
// shows it; another click, Escape, or a click elsewhere closes it. Without
// scripts, or when the page holds no content for the popup, the link opens
// the popup topic's page. It installs its listeners on the document (no
// inline handlers), so it may be embedded or loaded from a file.
#pragma once

#include <string_view>

namespace korvane::html {

extern const std::string_view kSiteStyleSheet;
extern const std::string_view kPopupScript;

}  // namespace korvane::html
