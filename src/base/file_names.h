// SPDX-License-Identifier: MIT
// Names made from help-file text that are safe as file names, ids and URL
// fragments on every system.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace korvane {

// A name made of [A-Za-z0-9_.] and escapes: every other byte, '-' among
// them, becomes '-' and two upper-case hex digits ("a b" -> "a-20b",
// "x-y" -> "x-2Dy"). Distinct inputs give distinct names, and the result is
// safe as an id, a URL fragment and a file name. A leading '.' is escaped
// too (no hidden files). At most max_length bytes: cut before an escape
// that would not fit. Empty input gives "-".
std::string safe_name(std::string_view bytes, size_t max_length = 200);

// True for the names Windows refuses as file names whatever their
// extensions (CON, PRN, AUX, NUL, COM0 to COM9, LPT0 to LPT9): what stands
// before the first dot counts, so "con.x1" is one too; lower_stem is the
// name before its extension, in lower case.
bool is_device_name(std::string_view lower_stem);

}  // namespace korvane
