// SPDX-License-Identifier: MIT
// UTF-8 (the core's text and paths) to and from the UTF-16 of the Windows
// API's wide-character functions.
#pragma once

#include <string>
#include <string_view>

namespace korvane::win32 {

std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view wide);

}  // namespace korvane::win32
