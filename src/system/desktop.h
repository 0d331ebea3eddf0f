// SPDX-License-Identifier: MIT
// What reading a help file in the browser asks of the desktop: where the
// program's cached web sites live, folders made and exchanged whole, and
// opening a page with the user's browser.
#pragma once

#include <string>

namespace korvane::sys {

// The folder of the program's cached web sites: on Linux
// $XDG_CACHE_HOME/korvane when XDG_CACHE_HOME is an absolute path, else
// ~/.cache/korvane; on Windows %LOCALAPPDATA%\Korvane. Empty when the
// system names no such place.
std::string site_cache_folder();

// The absolute path of the file at path with its folder's path resolved
// (".", "..", links) and its own name kept.
std::string resolved_path(const std::string& path);

// Makes a new, empty folder whose path is prefix followed by characters
// that make it unique, readable by the user alone where the system knows
// owners. Its path, or empty with errno set.
std::string make_unique_folder(const std::string& prefix);

// Puts the folder from in the place of the folder to, which may exist (it
// is then removed), in one step where the file system can exchange the
// two. 0, or an errno value.
int replace_folder(const std::string& from, const std::string& to);

struct OpenResult {
    enum class Outcome { opened, no_opener, failed } outcome = Outcome::no_opener;
    std::string program;  // the opener that was tried
};

// Opens the file (a web page) with the program the desktop opens such files
// with: on Linux xdg-open, else `gio open`, found on PATH; on Windows the
// shell's "open" (the default browser). On Linux, with wait the opener
// runs in the foreground (a browser in the terminal needs it) and its exit
// status decides; without, it is started in a session of its own with no
// terminal, and fails only when it ends with a non-zero status within
// kOpenerGraceMs (a browser that the opener runs itself may keep it
// running).
OpenResult open_document(const std::string& file, bool wait);
inline constexpr int kOpenerGraceMs = 3000;

// Whether a window can be shown (Linux: DISPLAY or WAYLAND_DISPLAY is set;
// Windows: always).
bool display_available();

}  // namespace korvane::sys
