// SPDX-License-Identifier: MIT
// The open dialog: the options with their visibility rule, the web-site
// box, flags and saved choices; the settings file and the language from the
// locale (test_desktop_start runs a conversion from the dialog).
#include <QCheckBox>
#include <QPushButton>
#include <QtTest>

#include "qt/qt_test_util.h"
#include "ui/qt/open_dialog.h"
#include "ui/qt/settings.h"

using namespace korvane;
using namespace korvane::qt;
using namespace korvane::qt::test;

namespace {

// The check boxes 7000, 7003, 7103 and 7001: "x" checked, "o" not; in
// capitals when hidden; after "W:" when Web Pages (7104) is checked, "C:"
// when HTML Help (7105) is.
QString boxes(OpenDialog& d) {
    QString s = QLatin1String(d.check_box(7104)->isChecked() ? "W:" : "");
    if (d.check_box(7105)->isChecked()) s += QLatin1String("C:");
    for (int id : {7000, 7003, 7103, 7001}) {
        QChar c = QLatin1Char(d.check_box(id)->isChecked() ? 'x' : 'o');
        s += d.check_box(id)->isHidden() ? c.toUpper() : c;
    }
    return s;
}

// Confirms d with file and returns the flags it chose (-1 when it stayed open).
int confirm(OpenDialog& d, const QString& file) {
    d.selectFile(file);
    d.push_button(1)->click();
    return d.result() == QDialog::Accepted ? d.chosen().flags : -1;
}

}  // namespace

class TestOpenDialog : public QObject {
    Q_OBJECT

private slots:
    void optionsFlagsAndSettings() {
        FreshConfig config;
        QTemporaryDir folder;
        QString file = folder.filePath(QStringLiteral("T.HLP"));
        QVERIFY(QFile(file).open(QIODevice::WriteOnly));
        // One dialog each, started with the choices the one before saved:
        // the boxes at the start, the clicks, the boxes then, the flags.
        struct Step {
            const char* start;
            std::vector<int> clicks;
            const char* after;
            int flags;
        } steps[] = {
            {"xooO", {}, "xooO", 0x07},          // first run: For Print alone
            {"xooO", {7104}, "W:xooO", 0x07},    // a site: the options beneath keep their flags
            {"W:xooO", {7105}, "C:xooO", 0x07},  // HTML Help unchecks Web Pages
            {"C:xooO", {7104}, "W:xooO", 0x07},  // and the other way round
            {"W:xooO", {7104, 7103}, "xoxO", 0x27},
            {"xoxO", {7000, 7001}, "oOXx", 0x39},  // hidden boxes keep their state
            {"oOXo", {}, "oOXo", 0x38},            // Avoid SHG starts unchecked every time
            {"oOXo", {7000, 7003, 7103}, "xxoO", 0x17},
        };
        for (const Step& s : steps) {
            OpenDialog d(Language::English);
            QCOMPARE(boxes(d), QString::fromLatin1(s.start));
            // HTML Help sits below the boxes that were there before it.
            d.show();
            QVERIFY(d.check_box(7105)->geometry().top() > d.check_box(7103)->geometry().bottom());
            QVERIFY(d.check_box(7104)->geometry().bottom() < d.check_box(7000)->geometry().top());
            for (int id : s.clicks) d.check_box(id)->click();
            QCOMPARE(boxes(d), QString::fromLatin1(s.after));
            // Web Pages and HTML Help disable the other options.
            bool site = d.check_box(7104)->isChecked(), chm = d.check_box(7105)->isChecked();
            for (int id : {7000, 7003, 7103, 7001}) QCOMPARE(d.check_box(id)->isEnabled(), !site && !chm);
            QCOMPARE(confirm(d, file), s.flags);
            QCOMPARE(d.chosen().kind == OutputKind::site, site);
            QCOMPARE(d.chosen().kind == OutputKind::html_help, chm);
        }
    }

    void settingsReadLikeAProfileFile() {
        FreshConfig config;
        // Names in any case; values read as integers, any non-zero one on.
        config.write_ini("[options]\nforprint=0\nPAGEBREAK= 5x\nJumps=abc\nMessageBeep=0\ncodepage=932\n");
        DialogOptions o = read_dialog_options();
        QVERIFY(!o.for_print && o.page_break && !o.jumps);
        QVERIFY(!message_beep_enabled());
        QCOMPARE(code_page_setting(), 932);
        // Written back under one spelling per name, the other names kept.
        write_dialog_options({true, false, true});
        QFile ini(config.ini());
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QCOMPARE(ini.readAll().toLower().count("forprint"), 1);
        o = read_dialog_options();
        QVERIFY(o.for_print && !o.page_break && o.jumps);
        QVERIFY(!message_beep_enabled());
        // A code page without a Windows character set is not taken.
        config.write_ini("[Options]\nCodePage=437\n");
        QCOMPARE(code_page_setting(), 0);
    }

    void localeChoosesTheLanguage() {
        struct Case {
            const char *all, *messages, *lang;
            Language want;
        } cases[] = {
            {"", "", "de_DE.UTF-8", Language::German},
            {"", "es_ES.UTF-8", "de_DE.UTF-8", Language::Spanish},
            {"C", "de_DE", "de_DE", Language::English},
            {"ES_MX", "", "", Language::Spanish},
        };
        for (const Case& c : cases) {
            qputenv("LC_ALL", c.all);
            qputenv("LC_MESSAGES", c.messages);
            qputenv("LANG", c.lang);
            QCOMPARE(language_from_locale(), c.want);
        }
        for (const char* v : {"LC_ALL", "LC_MESSAGES", "LANG"}) qunsetenv(v);
    }
};

QTEST_MAIN(TestOpenDialog)
#include "test_open_dialog.moc"
