// Saves pictures of the dialogs for a visual check (tools/screenshots.sh):
// the open dialog in the three languages, the progress dialog while a real
// conversion of the given help file runs and once it has finished, and the
// progress dialog at half way with warnings.
//
// Usage: korvane_screenshots OUTDIR HELPFILE
// The conversion writes beside HELPFILE; settings go to $XDG_CONFIG_HOME.
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QCheckBox>
#include <QTimer>
#include <cstdio>

#include "driver/convert.h"
#include "driver/messages.h"
#include "ui/qt/gui_main.h"
#include "ui/qt/open_dialog.h"
#include "ui/qt/progress_bar.h"
#include "ui/qt/qt_platform.h"

using namespace korvane;
using namespace korvane::qt;

namespace {

QString g_out;

void settle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void save(QWidget* w, const QString& name) {
    QString path = g_out + QLatin1Char('/') + name;
    if (!w->grab().save(path)) std::fprintf(stderr, "cannot save %s\n", qPrintable(path));
}

// Grabs the progress dialog at every report, so the last picture taken
// during the conversion stays.
class ShotPlatform : public QtPlatform {
public:
    using QtPlatform::QtPlatform;
    void set_phase(std::string_view text) override {
        QtPlatform::set_phase(text);
        shoot();
    }
    void set_percent(int percent) override {
        QtPlatform::set_percent(percent);
        shoot();
    }
    void add_warning_line(std::string_view line) override {
        QtPlatform::add_warning_line(line);
        shoot();
    }

private:
    void shoot() {
        if (!dialog()) return;
        show_pending();
        QCoreApplication::processEvents();
        save(dialog(), QStringLiteral("progress_during.png"));
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: korvane_screenshots OUTDIR HELPFILE\n", stderr);
        return 2;
    }
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    g_out = QString::fromLocal8Bit(argv[1]);
    QFileInfo help(QString::fromLocal8Bit(argv[2]));
    QDir().mkpath(g_out);

    const struct {
        Language lang;
        const char* name;
    } langs[] = {{Language::English, "en"}, {Language::German, "de"}, {Language::Spanish, "es"}};
    for (const auto& l : langs) {
        std::unique_ptr<QTranslator> qt_texts = install_qt_translation(l.lang);
        OpenDialog d(l.lang);
        d.setDirectory(help.absolutePath());
        d.show();
        settle(400);
        save(&d, QStringLiteral("open_dialog_%1.png").arg(QLatin1String(l.name)));
        if (l.lang == Language::English) {
            d.check_box(7000)->click();
            settle(50);
            save(&d, QStringLiteral("open_dialog_en_project_mode.png"));
            d.check_box(7000)->click();
        }
        d.reject();
    }

    {
        ProgressDialog d(Language::English);
        d.show();
        d.phase_label()->setText(QString::fromUtf8(message_text(Msg::ReadingTopics).data(), message_text(Msg::ReadingTopics).size()));
        d.bar()->set_position(50);
        d.warnings()->addItem(QStringLiteral("Illegal Font Selection"));
        d.warnings()->addItem(QStringLiteral("Topic #12 does not have a Context Id"));
        settle(100);
        save(&d, QStringLiteral("progress_demo_50.png"));
    }

    // A real conversion started from the dialog, in project mode.
    ShotPlatform gui(Language::English);
    gui.set_beep([] {});
    set_platform(&gui);
    // Types the file name and clicks Convert once the dialog can take it.
    auto* chooser = new QTimer(&app);
    chooser->setInterval(50);
    QObject::connect(chooser, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* d = qobject_cast<OpenDialog*>(w);
            if (!d || !d->isVisible()) continue;
            if (d->check_box(7000)->isChecked()) d->check_box(7000)->click();
            if (d->directory() != help.absoluteDir()) d->setDirectory(help.absolutePath());
            if (auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) name->setText(help.fileName());
            if (d->push_button(1)->isEnabled()) {
                chooser->stop();
                d->push_button(1)->click();
            }
        }
    });
    chooser->start();
    auto* finished = new QTimer(&app);
    finished->setInterval(50);
    QObject::connect(finished, &QTimer::timeout, [&] {
        if (gui.dialog() && !gui.dialog()->running()) {
            finished->stop();
            settle(100);
            save(gui.dialog(), QStringLiteral("progress_finished.png"));
            gui.dialog()->button()->click();
        }
    });
    finished->start();
    int rc = run_open_dialog(Language::English, gui, [](const std::string& p, int f) { return convert_help_file(p, f); });
    set_platform(nullptr);
    return rc == 2 ? 0 : 1;
}
