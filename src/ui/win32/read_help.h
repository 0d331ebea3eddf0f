// SPDX-License-Identifier: MIT
// `korvane.exe --read FILE`: the help file's web site, written once into
// the user's cache (ui/read_site.h) with the progress dialog on show, and
// opened in the default browser.
#pragma once

#include <windows.h>

#include <string>

#include "ui/win32/start_up.h"

namespace korvane::win32 {

// 2 once the browser took the site; 1 when the conversion failed, the cache
// could not be used or no browser opened the page (a message box says
// which, with the page's path).
int read_in_browser(HINSTANCE instance, const StartUp& start, const std::wstring& path);

}  // namespace korvane::win32
