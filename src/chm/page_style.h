// SPDX-License-Identifier: MIT
// What the style sheet and script of an HTML Help file's pages add to the
// site's (html/site_style.h) for Internet Explorer 11, the engine the
// viewer of Windows 10 and 11 renders with.
//
// IE 11 drops every declaration with a custom property, min() or max(),
// and every rule with :where, :is or :has, so the site's colours of
// windows, widths, paragraph spacing and tab stops would be lost. The
// rules here state those values directly, inside a media query only IE 10
// and 11 match (-ms-high-contrast), so that the pages look in any other
// browser as the site does:
//   - paragraphs keep every space and have no margin (spacing is padding);
//   - window classes (.wN): the background, the non-scrolling region's
//     colour, the window's width;
//   - paragraph classes (.pN): the exact line height (a negative line
//     spacing) and the width of the hanging indent's lead;
//   - the popup box, popup links and macro hotspots as the site draws them.
// The tab stops of the paragraph classes go to the popup script as
// window.korvaneTabs, which it reads when custom properties are missing.
// The site's non-scrolling region is sticky, which IE 11 lacks too: the
// popup script keeps it at the top by itself.
#pragma once

#include <string>
#include <vector>

namespace korvane::chm {

// The rules for IE 11: paragraph_styles are the declarations of the
// paragraph classes (.p1, .p2, ...), window_rules the window classes' rules
// (html/window_style.h).
std::string ie_style_rules(const std::vector<std::string>& paragraph_styles, const std::string& window_rules);

// The script that gives the popup script the tab stops of the paragraph
// classes ("window.korvaneTabs = {...};"), empty when none has any.
std::string tab_stops_script(const std::vector<std::string>& paragraph_styles);

}  // namespace korvane::chm
