// A help file opened from the desktop (a file manager's "Open with", the
// desktop entry): the conversion shows the progress dialog instead of
// writing to a terminal nobody sees, writes beside the help file (or into a
// folder the user picks when that one cannot be written to), and the
// finished dialog offers to open the folder that holds the result.
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
    QString open_folder;          // the offer's button
};

const DesktopTexts& desktop_texts(Language lang);

// Whether new files can be created in folder.
bool folder_writable(const QString& folder);

struct DesktopHooks {
    ConvertFn convert;
    std::function<void(const QUrl& folder)> open_folder;
    std::function<bool(const QString& folder)> writable = folder_writable;
};

// The folder to write into: the help file's own folder when it can be
// written to, else one the user chooses (asked again while the chosen one
// cannot be written to either). Empty when the user gives up.
QString output_folder_for(const QString& help_file, Language lang, const DesktopHooks& hooks);

// Adds the "Open folder" button to the progress dialog, above its own
// button: a click opens folder through hooks.open_folder and dismisses the
// dialog. Enter still dismisses without opening anything.
QPushButton* offer_result_folder(ProgressDialog& dialog, const QString& folder, Language lang,
                                 const DesktopHooks& hooks);

// Converts help_file with flags from the desktop: picks the output folder,
// makes it the current directory, converts, offers the folder and runs the
// finishing wait of platform. Returns 2, the exit code of every normal end
// (a folder choice given up included); after a fatal problem shows its
// message box instead and returns 1.
int run_desktop_conversion(Language lang, QtPlatform& platform, const QString& help_file, int flags,
                           const DesktopHooks& hooks);

}  // namespace korvane::qt
