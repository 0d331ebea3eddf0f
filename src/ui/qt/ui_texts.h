// SPDX-License-Identifier: MIT
// The texts of the two dialogs in the three interface languages, and the
// choice of language from the locale variables.
//
// German gets German dialogs and the German string table (offset 512);
// Spanish gets Spanish dialogs with the English string table; every other
// locale gets English.
#pragma once

#include <QString>

namespace korvane::qt {

enum class Language { English, German, Spanish };

// The first non-empty of LC_ALL, LC_MESSAGES and LANG decides: "de*" German,
// "es*" Spanish (either case), anything else English.
Language language_from_locale();

// String-table offset: 512 for German, else 0.
int string_offset(Language lang);

struct OpenDialogTexts {
    QString caption;
    QString file_name_label, directories_label, format_label;
    QString convert, cancel, help;
    QString for_print, page_per_topic, avoid_shg, jump_reference;
    QString web_pages;
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
