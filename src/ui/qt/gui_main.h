// SPDX-License-Identifier: MIT
// The start without a path: the open dialog, one conversion, the finishing
// wait.
#pragma once

#include <QTranslator>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/messages.h"
#include "driver/convert.h"
#include "ui/qt/qt_platform.h"
#include "ui/qt/ui_texts.h"

namespace korvane::qt {

// One conversion of the help file at path into folder; the fatal error that
// ended it, if one did.
using ConvertFn = std::function<std::optional<ConversionError>(const std::string& path, const std::string& folder,
                                                               const ConversionOptions& options)>;

// Hands a URL to the desktop (QDesktopServices::openUrl).
using OpenUrlFn = std::function<void(const QUrl& url)>;

// Shows the error a conversion returned in the message box of fatal
// problems (caption: string 42); a confirmed Cancel shows nothing more.
// Returns 1, the exit code after either.
int show_conversion_error(QtPlatform& platform, const ConversionError& error);

// Shows the open dialog. When the user confirms a file, calls convert with
// the file's path, its folder and the chosen options, and runs the finishing
// wait of platform; after a site, the progress dialog offers to open its
// index.html through open_url. Returns 2, the exit code of every normal end
// (a cancelled dialog included); after a fatal problem shows its message box
// instead of the wait and returns 1.
int run_open_dialog(Language lang, QtPlatform& platform, const ConvertFn& convert, const OpenUrlFn& open_url);

// Loads and installs Qt's own texts (file list headers, Yes and No) for a
// German or Spanish interface; null for English or when Qt's translations
// are not installed. Destroying the result uninstalls it.
std::unique_ptr<QTranslator> install_qt_translation(Language lang);

// The whole program without a path: needs a display (or QT_QPA_PLATFORM);
// without one it says on stderr to give a path and returns 1.
int run_gui_program(int argc, char** argv);

// True when `korvane FILE` was started from the desktop: a display (or
// QT_QPA_PLATFORM) and no terminal on stdout or stderr.
bool started_from_desktop();

// The whole program with a path started from the desktop: converts path
// with flags with the progress dialog, beside the help file, and offers to
// open the folder of the result; when the settings say "Html", writes the
// web site instead and offers to open its index.html. Returns 2, or 1 when the display cannot be
// used or the conversion ended with a fatal problem.
int run_desktop_program(int argc, char** argv, const std::string& path, int flags);

// `korvane --read path` started from the desktop: the web site in the
// cache (ui/read_site.h) with the progress dialog while it is written, then
// the browser; problems in message boxes. Returns 0 once the site was handed
// to the opener, else 1.
int run_read_program(int argc, char** argv, const std::string& path);

// The stderr texts shown when there is no display to use: without a path,
// and for a desktop start whose display cannot be reached.
extern const char* const kNoDisplayMessage;
extern const char* const kNoDisplayForProgressMessage;

}  // namespace korvane::qt
