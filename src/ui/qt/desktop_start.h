// SPDX-License-Identifier: MIT
// A help file opened from the desktop (a file manager's "Open with", the
// desktop entry): the conversion shows the progress dialog instead of
// writing to a terminal nobody sees, writes beside the help file (or into a
// folder the user picks when that one cannot be written to), and the
// finished dialog offers to open the folder that holds the result (or, for
// a web site, the site's index.html in the browser).
#pragma once

#include <QString>
#include <QUrl>
#include <functional>

#include "ui/qt/gui_main.h"
#include "ui/qt/qt_platform.h"
#include "ui/qt/ui_texts.h"

class QPushButton;

namespace korvane::qt {

struct DesktopTexts {
    QString folder_not_writable;  // %1: the folder
    QString choose_folder;        // caption of the folder dialog
    QString open_folder;          // the offer's button after the sources
    QString open_site;            // the offer's button after a web site
};

const DesktopTexts& desktop_texts(Language lang);

// Whether new files can be created in folder.
bool folder_writable(const QString& folder);

struct DesktopHooks {
    ConvertFn convert;
    OpenUrlFn open_url;  // the result folder, or a site's index.html
    std::function<bool(const QString& folder)> writable = folder_writable;
};

// The folder to write into: the help file's own folder when it can be
// written to, else one the user chooses (asked again while the chosen one
// cannot be written to either). Empty when the user gives up.
QString output_folder_for(const QString& help_file, Language lang, const DesktopHooks& hooks);

// The index.html of the web site that converting help_file writes into
// folder: the site's folder is the help file's name in lower case.
QString site_index_path(const QString& folder, const QString& help_file);

// Adds the "Open folder" button to the progress dialog, above its own
// button: a click opens folder through open and dismisses the dialog.
// Enter still dismisses without opening anything.
QPushButton* offer_result_folder(ProgressDialog& dialog, const QString& folder, Language lang, const OpenUrlFn& open);

// After the web site of help_file was written into folder: when platform
// has a progress dialog and the site's index.html exists, adds the "Open in
// Browser" button the same way (its tool tip is the path of index.html); a
// click opens the file URL of index.html through open. Null when not added.
QPushButton* offer_site(QtPlatform& platform, const QString& folder, const QString& help_file, Language lang,
                        const OpenUrlFn& open);

// Converts help_file from the desktop as options say: picks the output
// folder, converts into it, offers the folder or the site and runs the
// finishing wait of platform.
// Returns 2, the exit code of every normal end (a folder choice given up
// included); after a fatal problem shows its message box instead and
// returns 1.
int run_desktop_conversion(Language lang, QtPlatform& platform, const QString& help_file,
                           const ConversionOptions& options, const DesktopHooks& hooks);

}  // namespace korvane::qt
