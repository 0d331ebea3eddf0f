// SPDX-License-Identifier: MIT
// The open dialog: Qt's own file dialog (not the desktop's) extended with
// the conversion options on its right side.
//
// Check boxes (object names are their ids): 7000 "For &Print", 7003 "Page
// per &Topic" and 7001 "Avoid SH&G-Files" sharing one place, 7103
// "Jump-Reference"; below them the static "V1.10". The dialog's buttons are
// 1 "C&onvert!", 2 "&Cancel" and 1038 "&Help". With For Print on, 7003 and
// 7103 show and 7001 hides; with it off, the other way round. Hidden boxes
// keep their state. Above them, 7104 "&Web Pages (HTML)" chooses a web site
// instead of the sources, and below them 7105 "HT&ML Help (CHM)" an HTML
// Help file; checking one unchecks the other, and while either is checked
// the other four are disabled (they keep their state too). The file types "Supported Files
// (*.HLP;*.MVB;*.M13)" and "HLP WinHelp File (*.HLP)" match without regard
// to case.
//
// Starting reads For Print, Page per Topic, Jump-Reference, Web Pages and
// HTML Help from the settings; Avoid SHG starts unchecked every time. Confirming
// computes the conversion flags and writes the settings.
#pragma once

#include <QFileDialog>
#include <QPointer>
#include <QTextBrowser>

#include "ui/qt/ui_texts.h"

class QCheckBox;
class QPushButton;

#include "driver/convert.h"

namespace korvane::qt {

// The conversion flags for the check states of For Print, Page per Topic,
// Jump-Reference and Avoid SHG.
int convert_flags(bool for_print, bool page_break, bool jumps, bool no_shg);

// File name patterns of a file-type entry, spelled so that they match
// without regard to case ("*.HLP" becomes "*.[Hh][Ll][Pp]").
QStringList case_blind_patterns(const QString& filter);

// The program's own help file of the language (KORVANE.HLP, German
// KORVANED.HLP) beside the program (a build folder) or in the installed
// package's data folder; empty when there is none. The Help button shows it
// through `korvane --read`.
QString own_help_file(Language lang);

class OpenDialog : public QFileDialog {
    Q_OBJECT
public:
    explicit OpenDialog(Language lang, QWidget* parent = nullptr);
    ~OpenDialog() override;

    // The control with the given id: 7000, 7001, 7003, 7103, 7104, 7105
    // check boxes; 1, 2, 1038 push buttons.
    QCheckBox* check_box(int id) const;
    QPushButton* push_button(int id) const;
    QTextBrowser* help_window() const { return help_; }

    // The conversion the user confirmed: a site with Web Pages checked, an
    // HTML Help file with HTML Help checked, else the sources or print mode
    // with the flags of the boxes; sources with flags 0 before.
    const ConversionOptions& chosen() const { return chosen_; }

    void done(int result) override;

private:
    void apply_visibility(bool for_print);
    void apply_web(QCheckBox* toggled);
    void apply_file_type(const QString& filter);
    void show_help();

    Language lang_;
    QCheckBox* for_print_;
    QCheckBox* page_break_;
    QCheckBox* no_shg_;
    QCheckBox* jumps_;
    QCheckBox* web_pages_;
    QCheckBox* html_help_;
    QPushButton* help_button_;
    QPointer<QTextBrowser> help_;
    ConversionOptions chosen_{OutputKind::sources, 0, 0};
};

}  // namespace korvane::qt
