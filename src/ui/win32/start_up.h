// SPDX-License-Identifier: MIT
// What korvane.exe settles before anything is shown: the interface
// language from the system profile, the 3-D controls library, and the
// command-line tail.
#pragma once

#include <windows.h>

#include <string>

#include "ui/ui_language.h"
#include "ui/win32/progress.h"

namespace korvane::win32 {

struct StartUp {
    Language lang = Language::English;
    DialogLanguage language;
    std::wstring help_file;  // the program's own help beside korvane.exe
    HMODULE ctl3d = nullptr;
};

// The language of an "sLanguage" value, compared without regard to case:
// "DEU" German, "ESP" and "ESN" Spanish, anything else English.
Language language_of_profile(const std::wstring& value);
// The dialogs and string table of a language: German 1537 and 512, English
// 1700 and 0, Spanish 1800 and 0 (Spanish dialogs show English messages).
DialogLanguage dialog_language(Language lang);
// "KORVANED.HLP" for German, else "KORVANE.HLP".
const wchar_t* help_file_name(Language lang);

// Reads "sLanguage" (default "ENG") and loads "CTL3D32.DLL" when it is
// there, registering the module with it.
StartUp start_up(HINSTANCE instance);
// Lets go of the 3-D controls library.
void finish(HINSTANCE instance, StartUp& start);

// The command line after the program's name, blanks before it removed.
std::wstring command_tail(const wchar_t* command_line);

}  // namespace korvane::win32
