// SPDX-License-Identifier: MIT
// The open dialog: the options with their visibility rule, flags and
// settings, the web-site box, the language from the locale, the labels'
// shortcuts, and the dialog-started conversion (sources or web site) beside
// the chosen file.
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
#include "ui/qt/desktop_start.h"
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

// The shortcut letter of a control's text in lower case; null without one.
QChar mnemonic(const QString& text) {
    for (qsizetype i = text.indexOf(QLatin1Char('&')); i >= 0 && i + 1 < text.size();
         i = text.indexOf(QLatin1Char('&'), i + 2)) {
        if (text[i + 1] != QLatin1Char('&')) return text[i + 1].toLower();
    }
    return {};
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

    void webPagesBox() {
        FreshConfig config;
        QTemporaryDir folder;
        QString file = touch(folder, "T.HLP");
        const struct {
            Language lang;
            const char* text;
        } languages[] = {{Language::English, "&Web Pages (HTML)"},
                         {Language::German, "&Webseiten (HTML)"},
                         {Language::Spanish, "Páginas &web (HTML)"}};
        for (const auto& l : languages) {
            OpenDialog d(l.lang);
            QCheckBox* web = d.check_box(7104);
            QCOMPARE(web->text(), QString::fromUtf8(l.text));
            // No other control of the dialog answers to the same letter.
            QStringList same;
            for (QWidget* w : d.findChildren<QWidget*>()) {
                QString text = qobject_cast<QAbstractButton*>(w) ? static_cast<QAbstractButton*>(w)->text()
                               : qobject_cast<QLabel*>(w)        ? static_cast<QLabel*>(w)->text()
                                                                 : QString();
                if (w != web && !mnemonic(text).isNull() && mnemonic(text) == mnemonic(web->text())) same << text;
            }
            QVERIFY2(same.isEmpty(), qPrintable(same.join(QLatin1Char('|'))));
        }
        // Checked, it disables the other options and keeps their states; the
        // choice is saved and comes back with the next dialog.
        for (bool site : {true, false}) {
            OpenDialog d(Language::English);
            QCOMPARE(d.check_box(7104)->isChecked(), !site);  // the second round starts with the saved choice
            if (d.check_box(7104)->isChecked() != site) d.check_box(7104)->click();
            d.check_box(7103)->setChecked(true);
            for (int id : {7000, 7003, 7103, 7001}) QCOMPARE(d.check_box(id)->isEnabled(), !site);
            QCOMPARE(confirm(d, file), 0x27);  // the flags of the options beneath, kept for the next time
            QCOMPARE(d.chosen_site(), site);
            QCOMPARE(read_dialog_options().html, site);
            QCOMPARE(QSettings(config.ini(), QSettings::IniFormat).value(QStringLiteral("Options/Html")).toString(),
                     QLatin1String(site ? "1" : "0"));
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
        QCOMPARE(run_open_dialog(Language::English, gui,
                                 [&](const std::string&, int, bool) {
                                     ++calls;
                                     return std::optional<ConversionError>();
                                 },
                                 {}),
                 2);
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
                                 [&](const std::string& p, int f, bool site) {
                                     flags = site ? -1 : f;
                                     return convert_help_file(p, f, 0, gui);
                                 },
                                 {}),
                 2);
        QDir::setCurrent(start_dir);
        QCOMPARE(flags, 0x38);
        QCOMPARE(phase, QStringLiteral("Reading Topics"));  // the phase of the last pass
        QVERIFY(QFile::exists(folder.filePath(QStringLiteral("SAMPLE.HPJ"))));
        QVERIFY(!QFile::exists(QDir(start_dir).filePath(QStringLiteral("SAMPLE.HPJ"))));
        QVERIFY(!gui.dialog());  // destroyed after the finishing wait
    }

    void siteConversion_data() {
        QTest::addColumn<QString>("seed");  // empty: an empty file, which is no help file
        QTest::newRow("small help file") << QStringLiteral("halibut-small.hlp");
        QTest::newRow("not a help file") << QString();
    }

    // With Web Pages saved as checked: the site goes beside the help file
    // and the finished dialog offers its index.html; a fatal problem shows
    // its message box as with the sources.
    void siteConversion() {
        QFETCH(QString, seed);
        FreshConfig config;
        config.write_ini("[Options]\nHtml=1\nMessageBeep=0\n");
        QTemporaryDir folder;
        QString file = folder.filePath(QStringLiteral("Small.HLP"));
        if (seed.isEmpty()) touch(folder, "Small.HLP");
        else QVERIFY(QFile::copy(QStringLiteral(KORVANE_SOURCE_DIR "/fuzz/seeds/") + seed, file));
        const QString start_dir = QDir::currentPath();
        QtPlatform gui(Language::English);
        bool site_asked = false;
        QList<QUrl> opened;
        QString tip;
        SeenBox fatal;
        QPointer<QTimer> box = answer_next_box(QMessageBox::Ok, &fatal);
        choose_when_shown(file, [](OpenDialog*) {});
        QPointer<QTimer> finished = when_shown<ProgressDialog>(
            [&](ProgressDialog* p) {
                auto* offer = p->findChild<QPushButton*>(QStringLiteral("open_site"));
                if (!offer) return p->button()->click();
                tip = offer->toolTip();
                offer->click();
            },
            [](ProgressDialog* p) { return !p->running(); });
        int rc = run_open_dialog(
            Language::English, gui,
            [&](const std::string& p, int, bool site) {
                site_asked = site;
                return convert_help_file_to_site(p, 0, gui);
            },
            [&](const QUrl& u) { opened << u; });
        QDir::setCurrent(start_dir);
        for (QTimer* t : {box.data(), finished.data()}) delete t;

        QVERIFY(site_asked);
        QString index = folder.filePath(QStringLiteral("small/index.html"));
        QCOMPARE(site_index_path(folder.path(), file), index);
        if (seed.isEmpty()) {
            QCOMPARE(rc, 1);
            QVERIFY(fatal.shown && fatal.icon == QMessageBox::Critical);
            QVERIFY2(fatal.text.startsWith(QStringLiteral("Magic Number")), qPrintable(fatal.text));
            QVERIFY(opened.isEmpty());
            return;
        }
        QCOMPARE(rc, 2);
        QVERIFY2(!fatal.shown, qPrintable(fatal.text));
        QVERIFY(QFile::exists(index));
        QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(index)});
        QCOMPARE(tip, index);
        QVERIFY(!QFile::exists(QDir(start_dir).filePath(QStringLiteral("small"))));
    }

};

QTEST_MAIN(TestOpenDialog)
#include "test_open_dialog.moc"
