// SPDX-License-Identifier: MIT
// The [Map] section of the project file, from |CTXOMAP.
#pragma once

namespace korvane {

struct HelpModel;
struct Reporter;
class OutStream;

// Writes "[Map]" with one "#define name number" line per |CTXOMAP entry
// whose topic offset has a context; nothing when the file has no |CTXOMAP.
void write_map_section(const HelpModel& model, Reporter& report, OutStream& project);

}  // namespace korvane
