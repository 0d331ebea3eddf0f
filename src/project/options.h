// [options], [Config], [Windows] and [GROUPS] of the project file.
#pragma once

namespace korvane {

struct HelpFile;
class OutStream;

// Writes the sections and fills help.window_names with the named windows.
void write_project_options(HelpFile& help, OutStream& project);

}  // namespace korvane
