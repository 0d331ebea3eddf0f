// SPDX-License-Identifier: MIT
// [Bitmaps] and [Baggage] of the project file.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

struct Decoding;
class OutStream;

// Converts every picture container ("bm<n>" or "|bm<n>") through the picture
// reader, lists the resulting file names and records each under its picture
// number. In print mode the files are scratch files of the output (on disk
// in the TEMP directory when it is set).
void write_bitmaps_section(Decoding& help, OutStream& project);

// Copies every internal file that is neither a system file ("|...") nor a
// picture to a file of its own name and lists it.
void write_baggage_section(Decoding& help, OutStream& project);
// Copies those files into folder ("" or a path ending in '/'); returns the
// names copied.
std::vector<std::string> copy_baggage_files(Decoding& help, const std::string& folder);

// True when name can serve as an output file name as it stands: not empty,
// not "." or "..", no '/', '\' or control characters.
bool is_plain_file_name(std::string_view name);

// The picture number after "bm", read like strtol; nullopt when it is
// negative or too large to be referred to (above 65535).
std::optional<int> picture_number(std::string_view name_after_bm);

}  // namespace korvane
