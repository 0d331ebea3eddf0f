// SPDX-License-Identifier: MIT
// The open dialog: the common file-open dialog in its Windows 3.1 form,
// from the program's own template, with a hook that keeps the option boxes
// (the visibility rule), the Help button and the settings.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "driver/convert.h"
#include "ui/win32/progress.h"

namespace korvane::win32 {

struct OpenChoice {
    std::wstring path;  // the chosen help file
    ConversionOptions options;
};

// The dialog's caption as its template in the module holds it (the common
// dialog would put its own title in its place).
std::wstring template_caption(HINSTANCE instance, int template_id);

// Shows the open dialog of the language; what the user confirmed, or
// nothing when the dialog was cancelled. help_file is the program's own
// help (KORVANE.HLP or KORVANED.HLP beside korvane.exe).
std::optional<OpenChoice> run_open_dialog(HINSTANCE instance, DialogLanguage language, const std::wstring& help_file);

// Shows a help file through Korvane's own reading: a second korvane.exe
// with --read, which writes the web site once and opens it in the browser.
void show_help_file(const std::wstring& help_file);

// The path of the running program and the folder it is in.
std::wstring program_path();
std::wstring program_folder();

}  // namespace korvane::win32
