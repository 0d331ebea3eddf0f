// SPDX-License-Identifier: MIT
// The persisted options of the open dialog.
//
// The file "KORVANE.INI" in the user's configuration folder ($XDG_CONFIG_HOME
// when it is an absolute path, else ~/.config), section "Options", keys
// "ForPrint" (default 1), "PageBreak" (0), "Jumps" (0), "Html" (0),
// "Chm" (0), "MessageBeep" (1) and "CodePage" (0).
// Values are integers; any non-zero value counts as on. Section and key names
// match without regard to case.
#pragma once

#include <QString>

#include "driver/convert.h"

namespace korvane::qt {

QString settings_file_path();

struct DialogOptions {
    bool for_print = true;
    bool page_break = false;
    bool jumps = false;
    // "Chm": OutputKind::html_help; else "Html": OutputKind::site;
    // otherwise sources, and ForPrint decides between them and print.
    OutputKind web = OutputKind::sources;
};

// Reads "ForPrint", "PageBreak", "Jumps", "Html" and "Chm"; a missing file
// or key gives the default.
DialogOptions read_dialog_options();

// Writes "PageBreak", then "ForPrint", "Jumps", "Html" and "Chm", each as
// "1" or "0".
void write_dialog_options(const DialogOptions& options);

// "CodePage": the Windows code page of the help files' text; 0 (the default)
// takes it from each file.
int code_page_setting();

// "MessageBeep" is non-zero (default 1).
bool message_beep_enabled();

// Reads an integer the way profile files hold them: optional blanks and
// sign, then decimal digits; anything else counts as 0.
int profile_int(const QString& text);

}  // namespace korvane::qt
