// SPDX-License-Identifier: MIT
// The built program: without a path and without a usable display it says
// to give a path and exits with 1 (a desktop start whose display cannot be
// reached says so too); with a path and a terminal it converts on the
// terminal even when a display is at hand; with a path, a display and no
// terminal (a desktop start) it converts beside the help file with the
// progress dialog, into a web site when KORVANE.INI says "Html=1"; with
// --read from the desktop it shows the progress dialog only while the site
// is written into the cache, then hands index.html to the opener and ends.
#include <QtTest>

#include "qt/qt_test_util.h"
#include "ui/qt/gui_main.h"

using namespace korvane::qt::test;

namespace {

// Starts program in dir with the display variables removed and then set
// as given ("NAME=value"); stdout and stderr go to one channel.
void start(QProcess& p, const QString& program, const QStringList& args, const QString& dir,
           const QStringList& set) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(QString::fromLatin1(v));
    for (const QString& kv : set) env.insert(kv.section(QLatin1Char('='), 0, 0), kv.section(QLatin1Char('='), 1));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(dir);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
}

struct Run {
    int code;  // -1 for anything but a normal exit within a minute
    QString out;
};

Run run(const QString& program, const QStringList& args, const QString& dir, const QStringList& set) {
    QProcess p;  // killed when it outlives the wait
    start(p, program, args, dir, set);
    bool ended = p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit;
    return {ended ? p.exitCode() : -1, QString::fromUtf8(p.readAll())};
}

// A help file at dir/in/CMD.HLP.
void write_help_file(const QString& dir) {
    QDir(dir).mkpath(QStringLiteral("in"));
    copy_help_file(dir + QStringLiteral("/in/CMD.HLP"));
}

// The names in dir, sorted by code point.
QStringList entries(const QString& dir) {
    QStringList names = QDir(dir).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);
    names.sort();
    return names;
}

const QString kKorvane = QStringLiteral(KORVANE_BIN);

}  // namespace

class TestKorvaneProgram : public QObject {
    Q_OBJECT

private slots:
    void withoutUsableDisplaySaysSo() {
        QTemporaryDir dir;
        // "--read" alone (the desktop entry started from the menu) is the
        // start without a path; ":987" is a display that cannot be reached.
        const struct {
            QStringList args, set;
            const char* message;
        } cases[] = {
            {{}, {}, korvane::qt::kNoDisplayMessage},
            {{QStringLiteral("--read")}, {QStringLiteral("DISPLAY=:987")}, korvane::qt::kNoDisplayMessage},
            {{QStringLiteral("in/CMD.HLP")}, {QStringLiteral("DISPLAY=:987")}, korvane::qt::kNoDisplayForProgressMessage},
        };
        for (const auto& c : cases) {
            Run r = run(kKorvane, c.args, dir.path(), c.set);
            QCOMPARE(r.code, 1);
            QVERIFY2(r.out.endsWith(QString::fromLatin1(c.message)), qPrintable(r.out));
        }
    }

    void pathConvertsOnTheTerminal() {
        QTemporaryDir dir;
        write_help_file(dir.path());
        // Even with a display at hand, a path and a terminal mean no dialog.
        QString command = QStringLiteral("exec '" KORVANE_BIN "' in/CMD.HLP");
        Run r = run(QStringLiteral("script"), {QStringLiteral("-qec"), command, QStringLiteral("/dev/null")}, dir.path(),
                    {QStringLiteral("QT_QPA_PLATFORM=offscreen")});
        QCOMPARE(r.code, 2);
        QVERIFY2(QFile::exists(dir.filePath(QStringLiteral("CMD.HPJ"))), qPrintable(r.out));  // in the current directory
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("in/CMD.HPJ"))));
    }

    // A display and no terminal: the web site that KORVANE.INI asks for
    // goes beside the help file and the finished progress dialog waits
    // for the user.
    void desktopStartConvertsBesideTheHelpFile() {
        QTemporaryDir dir;
        write_help_file(dir.path());
        FreshConfig config;
        config.write_ini("[Options]\nHtml=1\n");
        QProcess p;
        start(p, kKorvane, {QStringLiteral("in/CMD.HLP")}, dir.path(), {QStringLiteral("QT_QPA_PLATFORM=offscreen")});
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(dir.filePath(QStringLiteral("in/cmd/index.html"))), 30000);
        QTest::qWait(300);
        QCOMPARE(p.state(), QProcess::Running);  // the dialog waits to be dismissed
        p.kill();
        p.waitForFinished();
        // Nothing in the current directory, no sources beside the site.
        QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("in")});
        QCOMPARE(entries(dir.filePath(QStringLiteral("in"))), (QStringList{QStringLiteral("CMD.HLP"), QStringLiteral("cmd")}));
    }

    void readFromTheDesktopEndsOnceTheOpenerHasTheSite() {
        QTemporaryDir dir;
        write_help_file(dir.path());
        QDir(dir.path()).mkpath(QStringLiteral("bin"));
        QFile opener(dir.filePath(QStringLiteral("bin/xdg-open")));
        QVERIFY(opener.open(QIODevice::WriteOnly));
        opener.write("#!/bin/sh\nprintf '%s' \"$1\" > \"$0.got\"\n");
        opener.close();
        opener.setPermissions(QFileDevice::ExeOwner | QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        // A desktop, yet Qt's own offscreen platform; nothing waits for the user.
        Run r = run(kKorvane, {QStringLiteral("--read"), QStringLiteral("in/CMD.HLP")}, dir.path(),
                    {QStringLiteral("DISPLAY=:987"), QStringLiteral("QT_QPA_PLATFORM=offscreen"),
                     QStringLiteral("XDG_CACHE_HOME=") + dir.filePath(QStringLiteral("cache")),
                     QStringLiteral("PATH=") + dir.filePath(QStringLiteral("bin"))});
        QCOMPARE(r.code, 0);
        QFile got(dir.filePath(QStringLiteral("bin/xdg-open.got")));
        QTRY_VERIFY_WITH_TIMEOUT(got.exists(), 5000);  // the opener runs on by itself
        QVERIFY(got.open(QIODevice::ReadOnly));
        QString index = QString::fromUtf8(got.readAll());
        QVERIFY2(index.startsWith(dir.filePath(QStringLiteral("cache/korvane/CMD-"))), qPrintable(index));
        QVERIFY2(index.endsWith(QStringLiteral("/cmd/index.html")) && QFile::exists(index), qPrintable(index));
        QCOMPARE(entries(dir.filePath(QStringLiteral("in"))), QStringList{QStringLiteral("CMD.HLP")});
    }
};

QTEST_GUILESS_MAIN(TestKorvaneProgram)
#include "test_korvane_program.moc"
