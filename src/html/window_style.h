// SPDX-License-Identifier: MIT
// The help file's windows on the site: each window definition of |SYSTEM
// becomes a CSS class "wN" (N its place in the list) that a topic page's
// window box (div.window) and a popup's content carry. The class sets
//   --bg      the scrolling region's colour, behind the topic's text;
//   --band    the non-scrolling region's colour;
//   --width   the window's default width,
// each only where the definition gives it; the style sheet supplies the
// viewer's defaults (white, and a text column as wide as the browser's).
//
// Window positions and sizes are stored in 1/1024 of the screen. The site
// takes a screen 1,024 pixels wide, the usual one when help files were
// written, so a width of W units is a column of W CSS pixels. A width
// under 160 is taken as 160, so that a column stays readable; a window
// defined as maximized has no width (it fills the browser's window).
//
// Which window a topic shows in is the topic map's choice
// (topicmap/windows.h); the viewer uses a secondary window's definition
// only for the topics sent to it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "helpfile/system.h"

namespace korvane::html {

class WindowStyles {
public:
    explicit WindowStyles(const std::vector<WindowDefinition>& windows);

    // The class of a window ("w2"), empty for -1 and for a definition that
    // gives neither colours nor width.
    std::string css_class(int window) const;
    // Its caption as stored (in the help file's code page), empty for -1.
    const std::string& caption(int window) const;
    // The rules of the window classes, one a line.
    const std::string& rules() const { return rules_; }

private:
    const std::vector<WindowDefinition>& windows_;
    std::vector<bool> styled_;  // by definition: it has a rule
    std::string rules_;
};

}  // namespace korvane::html
