// SPDX-License-Identifier: MIT
// Reading back the internal files of a compiled HTML Help file (.chm),
// which the compiler stores LZX-compressed: what the fix of its context
// map (chm/context_map_fix.h) keeps and extends.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace korvane::sys {

struct ChmFiles {
    bool opened = false;  // false: not a file the reader takes for a .chm
    // The bytes of each name asked for that the file holds ("/#STRINGS").
    std::map<std::string, std::vector<uint8_t>> files;
};

// Reads the internal files names of the .chm at path, each whole.
ChmFiles read_chm_files(const std::string& path, const std::vector<std::string>& names);

}  // namespace korvane::sys
