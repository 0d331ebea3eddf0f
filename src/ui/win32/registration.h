// SPDX-License-Identifier: MIT
// `korvane.exe --register` and `--unregister`: the current user's
// association of help files with Korvane, in the key Software\Classes of
// HKEY_CURRENT_USER alone (never the machine's keys, never another user's).
//
// The extensions .hlp, .mvb, .m13 and .m14 name the program id
// Korvane.HelpFile, whose default verb "Read" runs `korvane.exe --read
// "%1"` (the help file as a web site in the browser) and whose verb
// "Recover Sources" runs `korvane.exe --recover "%1"` (the conversion
// beside the file); it shows korvane.exe's icon.
#pragma once

#include <string>
#include <vector>

namespace korvane::win32 {

inline constexpr const wchar_t* kProgramId = L"Korvane.HelpFile";
inline constexpr const wchar_t* kExtensions[] = {L".hlp", L".mvb", L".m13", L".m14"};

// Writes the keys for the program at program (a full path). 0, or the
// Windows error code of the first write that failed.
long register_help_files(const std::wstring& program);

// Removes what register_help_files wrote: the program id, and each
// extension's default value while it still names it. 0, or an error code.
long unregister_help_files();

}  // namespace korvane::win32
