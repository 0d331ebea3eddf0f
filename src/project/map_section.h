// SPDX-License-Identifier: MIT
// The [Map] section of the project file, from |CTXOMAP.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvane {

struct HelpModel;
struct Reporter;
class OutStream;

// A help id of the map: the number a program asks for, and the context
// name of its topic.
struct MapEntry {
    std::string name;
    int32_t number = 0;
};

// The |CTXOMAP entries whose topic offset has a context, in file order; a
// warning for each other one. Nothing when the file has no |CTXOMAP.
std::vector<MapEntry> read_map_entries(const HelpModel& model, Reporter& report);

// Writes "[Map]" with one "#define name number" line per |CTXOMAP entry
// whose topic offset has a context; nothing when the file has no |CTXOMAP.
void write_map_section(const HelpModel& model, Reporter& report, OutStream& project);

}  // namespace korvane
