// SPDX-License-Identifier: MIT
#include "topics/help_file_name.h"

#include "base/ascii.h"
#include "base/file_names.h"

namespace korvane {

std::string help_file_key(std::string_view path) {
    const size_t slash = path.find_last_of("/\\");
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    if (const size_t gt = name.find('>'); gt != std::string_view::npos) name = name.substr(0, gt);
    if (const size_t dot = name.rfind('.'); dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
    // A name with nothing before its extension gets a key all the same.
    if (name.empty()) return "help";
    return safe_name(ascii_lower(name), kMaxNameStem);
}

bool names_help_file(std::string_view file, std::string_view key) { return file.empty() || help_file_key(file) == key; }

}  // namespace korvane
