// SPDX-License-Identifier: MIT
// [options], [Config], [Windows] and [GROUPS] of the project file.
#pragma once

namespace korvane {

struct HelpFile;
class OutStream;

// Writes the sections from the |SYSTEM records of help.
void write_project_options(const HelpFile& help, OutStream& project);

}  // namespace korvane
