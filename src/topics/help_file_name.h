// SPDX-License-Identifier: MIT
// The key of a help file: the name its outputs' folder takes and by which
// a jump, a macro or a contents entry that names a help file is told to
// lead into this one or another. It is the file name without its extension
// (and without a window after '>'), in lower case, made safe
// (base/file_names.h); "help" when nothing is left. So "..\HELP\Main.hlp>proc"
// and "main.HLP" name the same help file, "main".
#pragma once

#include <string>
#include <string_view>

namespace korvane {

// The most bytes of a key and of the stem of a page named from a context id.
constexpr size_t kMaxNameStem = 64;

std::string help_file_key(std::string_view path);

// True when file, as a jump, macro or contents entry names a help file,
// names the help file of key; an empty name stands for that one.
bool names_help_file(std::string_view file, std::string_view key);

}  // namespace korvane
