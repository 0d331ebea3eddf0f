// SPDX-License-Identifier: MIT
// [Bitmaps] and [Baggage] of the project file.
#pragma once

#include <string>
#include <vector>

#include "base/writer_output.h"

namespace korvane {

struct HelpFile;
struct HelpModel;
struct Reporter;
class OutStream;
class OutputSink;

// Converts every picture container ("bm<n>" or "|bm<n>") into its files
// and lists the file each is referred to by. In print mode the files are
// scratch files of the output (on disk in the TEMP directory when it is
// set), and those no picture number refers to are removed again.
void write_bitmaps_section(const HelpModel& model, const WriterOutput& out, OutStream& project);

// Copies every internal file that is neither a system file ("|...") nor a
// picture to a file of its own name and lists it.
void write_baggage_section(const HelpFile& help, const WriterOutput& out, OutStream& project);
// Copies those files into folder ("" or a path ending in '/'); returns the
// names copied.
std::vector<std::string> copy_baggage_files(const HelpFile& help, OutputSink& output, Reporter& report,
                                            const std::string& folder);

}  // namespace korvane
