// The open dialog: the options with their visibility rule, flags and
// settings, the language from the locale, the labels' shortcuts, and the
// dialog-started conversion beside the chosen file.
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QtTest>

#include "driver/convert.h"
#include "base/platform.h"
#include "qt/qt_test_util.h"
#include "ui/qt/gui_main.h"
#include "ui/qt/open_dialog.h"
#include "ui/qt/progress_dialog.h"
#include "ui/qt/settings.h"

using namespace korvane;
using namespace korvane::qt;
using namespace korvane::qt::test;

namespace {

QString touch(const QTemporaryDir& folder, const char* name) {
    QString path = folder.filePath(QString::fromLatin1(name));
    QFile(path).open(QIODevice::WriteOnly);
    return path;
}

// The check boxes 7000, 7003, 7103 and 7001: "x" checked, "o" not; in
// capitals when hidden.
QString boxes(OpenDialog& d) {
    QString s;
    for (int id : {7000, 7003, 7103, 7001}) {
        QChar c = QLatin1Char(d.check_box(id)->isChecked() ? 'x' : 'o');
        s += d.check_box(id)->isHidden() ? c.toUpper() : c;
    }
    return s;
}

// Confirms d with file and returns the flags it chose (-1 when it stayed open).
int confirm(OpenDialog& d, const QString& file) {
    d.setDirectory(QFileInfo(file).absolutePath());
    d.selectFile(file);
    QPushButton* convert = d.push_button(1);
    if (!convert || !convert->isEnabled()) return -1;
    convert->click();
    return d.result() == QDialog::Accepted ? d.chosen_flags() : -1;
}

// "ForPrint PageBreak Jumps" as the settings file holds them.
QString saved_options(const FreshConfig& config) {
    QSettings s(config.ini(), QSettings::IniFormat);
    QStringList values;
    for (const char* key : {"ForPrint", "PageBreak", "Jumps"}) {
        values << s.value(QStringLiteral("Options/") + QLatin1String(key)).toString();
    }
    return values.join(QLatin1Char(' '));
}

// Drives the next open dialog as a user would: prepare once, then every 20
// ms until it hides, type the file's name into its folder and click Convert.
// After 10 s the dialog is rejected, so a test fails instead of hanging.
void choose_when_shown(const QString& file, std::function<void(OpenDialog*)> prepare) {
    when_shown<OpenDialog>([file, prepare](OpenDialog* d) {
        prepare(d);
        QPointer<OpenDialog> target = d;
        auto* timer = new QTimer(qApp);
        QObject::connect(timer, &QTimer::timeout, [timer, target, file, ticks = 0]() mutable {
            if (!target || !target->isVisible()) return timer->deleteLater();
            if (++ticks > 500) return target->reject();
            QFileInfo info(file);
            if (target->directory() != info.absoluteDir()) target->setDirectory(info.absolutePath());
            auto* name = target->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (name && name->text() != info.fileName()) name->setText(info.fileName());
            if (target->push_button(1)->isEnabled()) target->push_button(1)->click();
        });
        timer->start(20);
    });
}

}  // namespace

class TestOpenDialog : public QObject {
    Q_OBJECT

private slots:
    void optionsFlagsAndSettings() {
        FreshConfig config;
        QTemporaryDir folder;
        QString file = touch(folder, "T.HLP");
        // One dialog each: the boxes at the start, the clicks, the boxes
        // then, the flags of Convert and the saved "ForPrint PageBreak Jumps".
        struct Step {
            const char* start;
            std::vector<int> clicks;
            const char* after;
            int flags;
            const char* saved;
        } steps[] = {
            {"xooO", {}, "xooO", 0x07, "1 0 0"},  // first run: For Print alone
            {"xooO", {7003, 7103, 7000, 7000}, "xxxO", 0x37, "1 1 1"},
            {"xxxO", {7000, 7001}, "oXXx", 0x39, "0 1 1"},  // hidden boxes keep their state
            {"oXXo", {}, "oXXo", 0x38, "0 1 1"},            // Avoid SHG starts unchecked every time
        };
        for (const Step& s : steps) {
            OpenDialog d(Language::English);
            QCOMPARE(boxes(d), QString::fromLatin1(s.start));
            for (int id : s.clicks) d.check_box(id)->click();
            QCOMPARE(boxes(d), QString::fromLatin1(s.after));
            QCOMPARE(confirm(d, file), s.flags);
            QCOMPARE(saved_options(config), QString::fromLatin1(s.saved));
        }
    }

    void settingsReadLikeAProfileFile() {
        FreshConfig config;
        QCOMPARE(settings_file_path(), config.ini());
        // Names in any case; values read as integers, any non-zero one on.
        config.write_ini("[options]\nforprint=0\nPAGEBREAK= 5x\nJumps=abc\nMessageBeep=0\ncodepage=932\n");
        DialogOptions o = read_dialog_options();
        QVERIFY(!o.for_print && o.page_break && !o.jumps);
        QVERIFY(!message_beep_enabled());
        QCOMPARE(code_page_setting(), 932);
        write_dialog_options({true, false, true});
        QFile ini(config.ini());
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QString text = QString::fromLatin1(ini.readAll());
        QCOMPARE(text.count(QStringLiteral("ForPrint"), Qt::CaseInsensitive), 1);  // replaced, not added
        QVERIFY(text.contains(QStringLiteral("MessageBeep=0")));
        o = read_dialog_options();
        QVERIFY(o.for_print && !o.page_break && o.jumps);
        QCOMPARE(code_page_setting(), 932);
        // A code page without a Windows character set is not taken.
        config.write_ini("[Options]\nCodePage=437\n");
        QCOMPARE(code_page_setting(), 0);
        qputenv("XDG_CONFIG_HOME", "relative/dir");
        QCOMPARE(settings_file_path(), QDir::homePath() + QStringLiteral("/.config/KORVANE.INI"));
    }

    void shortcutsAndFileTypes() {
        FreshConfig config;
        OpenDialog d(Language::German);
        for (QLabel* l : d.findChildren<QLabel*>()) {
            // A label with a shortcut letter has a field to jump to.
            if (l->text().contains(QLatin1Char('&'))) QVERIFY2(l->buddy(), qPrintable(l->text()));
        }
        QCOMPARE(d.nameFilters(), (QStringList{QStringLiteral("Supported Files (*.HLP;*.MVB;*.M13)"),
                                               QStringLiteral("HLP WinHelp File (*.HLP)")}));
    }

    void qtOwnTextsFollowTheLanguage() {
        auto yes = [] { return QCoreApplication::translate("QPlatformTheme", "&Yes"); };
        QVERIFY(!install_qt_translation(Language::English));
        {
            std::unique_ptr<QTranslator> de = install_qt_translation(Language::German);
            QVERIFY2(de, "Qt's German translations are not installed (tools/install-deps.sh test installs them)");
            QCOMPARE(yes(), QStringLiteral("&Ja"));
        }
        QCOMPARE(yes(), QStringLiteral("&Yes"));
    }

    void localeChoosesTheLanguage() {
        struct Case {
            const char *all, *messages, *lang;
            Language want;
            int offset;
        } cases[] = {
            {"", "", "de_DE.UTF-8", Language::German, 512},
            {"", "es_ES.UTF-8", "de_DE.UTF-8", Language::Spanish, 0},
            {"C", "de_DE", "de_DE", Language::English, 0},
            {"ES_MX", "", "", Language::Spanish, 0},
            {"", "", "", Language::English, 0},
            {"", "", "fr_FR.UTF-8", Language::English, 0},
        };
        for (const Case& c : cases) {
            qputenv("LC_ALL", c.all);
            qputenv("LC_MESSAGES", c.messages);
            qputenv("LANG", c.lang);
            QCOMPARE(language_from_locale(), c.want);
            QCOMPARE(string_offset(language_from_locale()), c.offset);
        }
        for (const char* v : {"LC_ALL", "LC_MESSAGES", "LANG"}) qunsetenv(v);
    }

    void cancelledDialogConvertsNothing() {
        FreshConfig config;
        QtPlatform gui(Language::English);
        int calls = 0;
        when_shown<OpenDialog>([](OpenDialog* d) { d->push_button(2)->click(); });
        QCOMPARE(run_open_dialog(Language::English, gui, [&](const std::string&, int) {
                     ++calls;
                     return std::optional<ConversionError>();
                 }), 2);
        QCOMPARE(calls, 0);
        QVERIFY(!QFile::exists(config.ini()));
    }

    void realConversionWritesBesideTheHelpFile() {
        FreshConfig config;
        QTemporaryDir folder;
        QString file = folder.filePath(QStringLiteral("SAMPLE.HLP"));
        QFile::copy(QStringLiteral(KORVANE_SOURCE_DIR "/fuzz/seeds/stored.hlp"), file);
        const QString start_dir = QDir::currentPath();
        QtPlatform gui(Language::English);
        set_platform(&gui);
        int flags = 0;
        QString phase;
        choose_when_shown(file, [](OpenDialog* d) { d->check_box(7000)->click(); });
        when_shown<ProgressDialog>(
            [&](ProgressDialog* p) {
                phase = p->phase_label()->text();
                QTest::keyClick(p, Qt::Key_Return);
            },
            [](ProgressDialog* p) { return !p->running(); });
        QCOMPARE(run_open_dialog(Language::English, gui,
                                 [&](const std::string& p, int f) {
                                     flags = f;
                                     return convert_help_file(p, f);
                                 }),
                 2);
        QDir::setCurrent(start_dir);
        set_platform(nullptr);
        QCOMPARE(flags, 0x38);
        QCOMPARE(phase, QStringLiteral("Reading Topics"));  // the phase of the last pass
        QVERIFY(QFile::exists(folder.filePath(QStringLiteral("SAMPLE.HPJ"))));
        QVERIFY(!QFile::exists(QDir(start_dir).filePath(QStringLiteral("SAMPLE.HPJ"))));
        QVERIFY(!gui.dialog());  // destroyed after the finishing wait
    }

};

QTEST_MAIN(TestOpenDialog)
#include "test_open_dialog.moc"
