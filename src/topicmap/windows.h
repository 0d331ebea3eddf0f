// SPDX-License-Identifier: MIT
// The window definitions of |SYSTEM as hotspots and contents entries name
// them. The main window is the definition named "main" (in any case); a
// file without one shows its main window in the viewer's defaults.
#pragma once

#include <string_view>
#include <vector>

#include "helpfile/system.h"

namespace korvane {

// The definition of the main window, -1 for none.
int main_window(const std::vector<WindowDefinition>& windows);

// The definition of a window name as a hotspot or a contents entry gives it
// ("proc", "main", or "file>proc": the part after the last '>'), ignoring
// case; -1 for none. "main" is the main window.
int window_named(const std::vector<WindowDefinition>& windows, std::string_view name);

}  // namespace korvane
