// SPDX-License-Identifier: MIT
// The project file of an HTML Help file (NAME.hhp), which HTML Help
// Workshop's hhc.exe and Free Pascal's chmcmd compile:
//
//   [OPTIONS]  the compiled file (../NAME.chm, beside the project's
//              folder), the contents and index files, the default topic,
//              the title, full-text search, the language, the default
//              window "main". Contents and index are read from their text
//              files (Binary TOC=No, Binary Index=No): chmcmd's binary
//              forms take names as raw bytes (no character references, no
//              '>' in a name) and its binary index keeps one topic of an
//              entry with several and converts keywords in the compiling
//              machine's locale; the text files are read by the viewer's
//              own parser.
//   [WINDOWS]  each of the help file's windows but the main one by its
//              name, caption, place and size; then "main", the three-pane
//              window with the contents, index and search, from the help
//              file's main window definition (caption, place and size)
//              when it has one (last, as xchm takes the last window for
//              its own). chmcmd marks the navigation style, window styles,
//              place, navigation width, buttons and tab position as given
//              whatever the line says, so all six are written.
//   [FILES]    every page, picture, style sheet, script and baggage file.
//   [ALIAS]    NAME=page of each context of the map, and [MAP] including
//              the map header (chm/map_header.h); both left out of the
//              copy chmcmd compiles (chm/compile.h).
//
// Window places are in 1/1024 of the screen; they are taken on a screen of
// 1,024 by 768 pixels (the site's 1,024 pixels wide), the main window
// widened by the navigation pane, a window moved left where it would leave
// that screen on the right. A window defined as maximized gets the
// whole of that screen (the viewer ignores a show state).
#pragma once

#include <string>
#include <vector>

#include "chm/language.h"
#include "chm/map_header.h"
#include "helpfile/system.h"

namespace korvane::chm {

class ProjectText;

struct Project {
    std::string key;             // NAME
    std::string compiled_file;   // as the compiler takes it, relative to the project's folder
    std::string title;           // UTF-8
    std::string default_topic;   // a page
    Language language;
    std::vector<WindowDefinition> windows;  // the help file's, captions in its code page
    int text_code_page = 1252;   // of those captions
    std::vector<std::string> files;
    std::vector<ContextAlias> aliases;
    bool map = true;             // with [ALIAS] and [MAP]
};

// The text of the project file (in the project's code page).
std::string project_file(const Project& project, const ProjectText& text);

// The name of the main window of every project.
constexpr const char* kMainWindow = "main";

}  // namespace korvane::chm
