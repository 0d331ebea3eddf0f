// SPDX-License-Identifier: MIT
// Start-up of the dialog mode: display check, the Qt application (with a
// start-up message handler that turns an unusable display into a clear
// message and exit code 1 instead of an abort), the language, and the
// dialog-started conversion.
#include "ui/qt/gui_main.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "output/output_sink.h"
#include "driver/convert.h"
#include "base/messages.h"
#include "ui/qt/desktop_start.h"
#include "ui/qt/open_dialog.h"
#include "ui/qt/settings.h"
#include "ui/read_site.h"

namespace korvane::qt {

const char* const kNoDisplayMessage =
    "korvane: no display to show the open dialog on.\n"
    "Give the help file to convert on the command line: korvane FILE.HLP\n";

const char* const kNoDisplayForProgressMessage =
    "korvane: no display to show the progress on.\n"
    "Convert the help file on a terminal: korvane FILE.HLP, or korvane-cli FILE.HLP\n";

namespace {

QtMessageHandler g_previous_handler = nullptr;
const char* g_no_display_message = kNoDisplayMessage;

// Active only while the application object is created: Qt ends the process
// with a fatal message when no window system can be reached.
void startup_message_handler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        std::fputs(g_no_display_message, stderr);
        std::fflush(stderr);
        ::_exit(1);
    }
    if (g_previous_handler) {
        g_previous_handler(type, context, text);
    } else {
        std::fprintf(stderr, "%s\n", qPrintable(text));
    }
}

bool env_set(const char* name) {
    const char* v = std::getenv(name);
    return v && *v;
}

bool display_given() { return env_set("DISPLAY") || env_set("WAYLAND_DISPLAY") || env_set("QT_QPA_PLATFORM"); }

// The application object for the dialogs; an unusable display ends the
// process with no_display and exit code 1.
std::unique_ptr<QApplication> start_application(int& argc, char** argv, const char* no_display) {
    g_no_display_message = no_display;
    g_previous_handler = qInstallMessageHandler(startup_message_handler);
    auto app = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(g_previous_handler);
    // Qt adopts the user's C locale; the conversion core expects the "C"
    // locale's character classes, as on the console path.
    std::setlocale(LC_ALL, "C");
    app->setQuitOnLastWindowClosed(false);
    return app;
}

// The language of the locale.
Language user_language() { return language_from_locale(); }

// What both window starts set up: the application, the user's language with
// Qt's own texts, and the dialogs' platform that conversions report to.
struct GuiSession {
    GuiSession(int& argc, char** argv, const char* no_display)
        : app(start_application(argc, argv, no_display)),
          lang(user_language()),
          qt_texts(install_qt_translation(lang)),
          platform(lang) {}
    GuiSession(const GuiSession&) = delete;
    GuiSession& operator=(const GuiSession&) = delete;

    std::unique_ptr<QApplication> app;
    Language lang;
    std::unique_ptr<QTranslator> qt_texts;
    QtPlatform platform;
};

// The conversion both starts run, reporting to the session's dialogs: the
// code page comes from KORVANE.INI.
ConvertFn convert_with_settings(GuiSession& session) {
    return [&session](const std::string& path, const std::string& folder, ConversionOptions options) {
        options.code_page = code_page_setting();
        DiskSink output(folder);
        return convert(HelpInput{path, {}}, options, output, session.platform);
    };
}

void open_with_desktop(const QUrl& url) { QDesktopServices::openUrl(url); }

}  // namespace

std::unique_ptr<QTranslator> install_qt_translation(Language lang) {
    if (lang == Language::English) return nullptr;
    auto t = std::make_unique<QTranslator>();
    if (!t->load(QStringLiteral("qtbase_") + QLatin1String(lang == Language::German ? "de" : "es"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        return nullptr;
    }
    QCoreApplication::installTranslator(t.get());
    return t;
}

int show_conversion_error(QtPlatform& platform, const ConversionError& error) {
    if (error.id != Fatal::Cancelled) platform.show_fatal(message_text(Msg::SevereProblem, platform.language_offset()), error.text);
    return 1;
}

int run_open_dialog(Language lang, QtPlatform& platform, const ConvertFn& convert, const OpenUrlFn& open_url) {
    QString path;
    ConversionOptions options;
    {
        OpenDialog dialog(lang);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return 2;
        path = dialog.selectedFiles().first();
        options = dialog.chosen();
    }
    QFileInfo file(path);
    if (std::optional<ConversionError> error = convert(QFile::encodeName(file.absoluteFilePath()).toStdString(),
                                                       QFile::encodeName(file.absolutePath()).toStdString(), options)) {
        return show_conversion_error(platform, *error);
    }
    if (options.kind == OutputKind::site) offer_site(platform, file.absolutePath(), file.absoluteFilePath(), lang, open_url);
    platform.finish_progress();
    return 2;
}

int run_gui_program(int argc, char** argv) {
    if (!display_given()) {
        std::fputs(kNoDisplayMessage, stderr);
        return 1;
    }
    GuiSession session(argc, argv, kNoDisplayMessage);
    return run_open_dialog(session.lang, session.platform, convert_with_settings(session), open_with_desktop);
}

bool started_from_desktop() { return display_given() && !::isatty(STDOUT_FILENO) && !::isatty(STDERR_FILENO); }

int run_desktop_program(int argc, char** argv, const std::string& path, int flags) {
    GuiSession session(argc, argv, kNoDisplayForProgressMessage);
    DesktopHooks hooks;
    hooks.convert = convert_with_settings(session);
    hooks.open_url = open_with_desktop;
    ConversionOptions options;
    options.flags = flags;
    const OutputKind web = read_dialog_options().web;
    options.kind = web != OutputKind::sources ? web : rtf_kind(flags);
    return run_desktop_conversion(session.lang, session.platform, QFile::decodeName(path.c_str()), options, hooks);
}

int run_read_program(int argc, char** argv, const std::string& path) {
    GuiSession session(argc, argv, kNoDisplayForProgressMessage);
    int code_page = code_page_setting();
    ReadHooks hooks;
    hooks.convert = [&session, code_page](const std::string& absolute, const std::string& folder) {
        DiskSink output(folder);
        std::optional<ConversionError> error =
            convert(HelpInput{absolute, {}}, {OutputKind::site, 0, code_page}, output, session.platform);
        // The browser shows the result; the dialog has nothing left to say.
        session.platform.close_progress();
        return error;
    };
    hooks.show_error = [&session](const ConversionError& error) { show_conversion_error(session.platform, error); };
    hooks.show_problem = [](const std::string& text) {
        QMessageBox box(QMessageBox::Warning, QString::fromLatin1(kCancelQuestionCaption), QString::fromStdString(text),
                        QMessageBox::Ok);
        box.setTextInteractionFlags(Qt::TextSelectableByMouse);  // the path, to copy
        box.exec();
    };
    return read_help_file(path, code_page, session.lang, hooks);
}

}  // namespace korvane::qt
