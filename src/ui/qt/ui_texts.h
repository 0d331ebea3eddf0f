// SPDX-License-Identifier: MIT
// The texts of the two dialogs in the three interface languages
// (ui/ui_language.h chooses the language).
#pragma once

#include <QString>

#include "ui/ui_language.h"

namespace korvane::qt {

using korvane::Language;
using korvane::language_from_locale;
using korvane::string_offset;

struct OpenDialogTexts {
    QString caption;
    QString file_name_label, directories_label, format_label;
    QString convert, cancel, help;
    QString for_print, page_per_topic, avoid_shg, jump_reference;
    QString web_pages;
    QString html_help;
};

struct ProgressDialogTexts {
    QString caption;
    QString warnings_label;
    QString cancel;
};

const OpenDialogTexts& open_dialog_texts(Language lang);
const ProgressDialogTexts& progress_dialog_texts(Language lang);

// The program's own help page shown by the Help button (HTML).
QString help_page(Language lang);

// Shown in every language.
inline constexpr const char* kVersionText = "V1.10";
inline constexpr const char* kFilterSupported = "Supported Files (*.HLP;*.MVB;*.M13)";
inline constexpr const char* kFilterHlp = "HLP WinHelp File (*.HLP)";
inline constexpr const char* kOkText = "&Ok";
inline constexpr const char* kCancelQuestionCaption = "Korvane";

}  // namespace korvane::qt
