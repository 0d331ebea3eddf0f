// SPDX-License-Identifier: MIT
// [options], [Config], [Windows] and [GROUPS] of the project file.
#pragma once

namespace korvane {

struct Decoding;
class OutStream;

// Writes the sections and fills help.window_names with the named windows.
void write_project_options(Decoding& help, OutStream& project);

}  // namespace korvane
