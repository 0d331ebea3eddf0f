// SPDX-License-Identifier: MIT
// KORVANE.INI, section "Options", through the private profile functions:
// "ForPrint" (default 1), "PageBreak" (0), "Jumps" (0), "Html" (0),
// "MessageBeep" (1), "CodePage" (0). Values are integers; any non-zero value
// counts as on.
//
// The file lives in the user's roaming application data
// (%APPDATA%\Korvane\KORVANE.INI): the profile functions would put a bare
// name into the Windows folder, which a program running as the user cannot
// write to on Windows Vista and later.
#pragma once

#include <string>

#include "driver/convert.h"

namespace korvane::win32 {

// The settings file's path; its folder is made when the settings are
// written.
std::wstring settings_path();

struct DialogOptions {
    bool for_print = true;
    bool page_break = false;
    bool jumps = false;
    bool web_pages = false;  // "Html"
    bool html_help = false;  // "Chm"; never both
};

DialogOptions read_dialog_options();
// Writes "PageBreak", "ForPrint" and "Jumps" in this order, then "Html",
// each as "1" or "0".
void write_dialog_options(const DialogOptions& options);

// "MessageBeep" is non-zero.
bool message_beep_enabled();

// "CodePage": the code page of the help files' text, 0 (the default) to
// take it from each file; a code page Korvane does not know counts as 0.
int code_page_setting();

// The flags of a confirmed open dialog: the print options with For Print,
// else the project options with Avoid SHG-Files.
int convert_flags(bool for_print, bool page_break, bool jumps, bool avoid_shg);

}  // namespace korvane::win32
