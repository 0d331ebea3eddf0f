// SPDX-License-Identifier: MIT
// The built program: without a path and without a display it says to give
// a path and exits with 1; with a path and a terminal it converts on the
// terminal even when a display is at hand; with a path, a display and no
// terminal (a desktop start) it converts beside the help file with the
// progress dialog, into a web site when KORVANE.INI says "Html=1"; with
// --read from the desktop it shows the progress dialog only while the site
// is written into the cache, then hands index.html to the opener and ends.
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include "ui/qt/gui_main.h"

namespace {

struct Run {
    int code = -1;
    QProcess::ExitStatus status = QProcess::CrashExit;
    QString err;
};

// Runs korvane in dir with the display variables removed and then set as
// given ("NAME=value").
Run run_korvane(const QStringList& args, const QString& dir, const QStringList& set = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(QString::fromLatin1(v));
    for (const QString& kv : set) env.insert(kv.section(QLatin1Char('='), 0, 0), kv.section(QLatin1Char('='), 1));
    QProcess p;
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(dir);
    p.start(QStringLiteral(KORVANE_BIN), args);
    Run r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.code = p.exitCode();
    r.status = p.exitStatus();
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// Runs korvane in dir with stdout and stderr on a pseudo-terminal, the
// display variables removed and QT_QPA_PLATFORM=offscreen set; returns the
// exit code (-1 for anything but a normal exit) and what the terminal showed.
Run run_korvane_on_terminal(const QString& arg, const QString& dir) {
    Run r;
    QByteArray bin = KORVANE_BIN, a = QFile::encodeName(arg), d = QFile::encodeName(dir);
    int master = -1;
    pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
    if (pid < 0) return r;
    if (pid == 0) {
        ::unsetenv("DISPLAY");
        ::unsetenv("WAYLAND_DISPLAY");
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        if (::chdir(d.constData()) != 0) ::_exit(127);
        ::execl(bin.constData(), bin.constData(), a.constData(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    QByteArray shown;
    char buf[4096];
    for (ssize_t n; (n = ::read(master, buf, sizeof buf)) > 0;) shown.append(buf, n);  // ends with EIO
    ::close(master);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFEXITED(status)) {
        r.code = WEXITSTATUS(status);
        r.status = QProcess::NormalExit;
    }
    r.err = QString::fromUtf8(shown);
    return r;
}

// A help file at dir/in/CMD.HLP.
void write_help_file(const QString& dir) {
    QDir(dir).mkpath(QStringLiteral("in"));
    QFile::copy(QStringLiteral(KORVANE_SOURCE_DIR "/fuzz/seeds/stored.hlp"), QDir(dir).filePath(QStringLiteral("in/CMD.HLP")));
}

}  // namespace

class TestKorvaneProgram : public QObject {
    Q_OBJECT

private slots:
    void withoutPathOrDisplayAsksForAPath() {
        QTemporaryDir dir;
        // No display at all, and one that cannot be reached; "--read" alone
        // (the desktop entry started from the menu) is the same start.
        for (const QStringList& args : {QStringList{}, QStringList{QStringLiteral("--read")}}) {
            for (const QStringList& set : {QStringList{}, QStringList{QStringLiteral("DISPLAY=:987")}}) {
                Run r = run_korvane(args, dir.path(), set);
                QCOMPARE(r.status, QProcess::NormalExit);
                QCOMPARE(r.code, 1);
                QVERIFY2(r.err.endsWith(QString::fromLatin1(korvane::qt::kNoDisplayMessage)), qPrintable(r.err));
            }
        }
    }

    void pathConvertsOnTheTerminal() {
        QTemporaryDir dir;
        write_help_file(dir.path());
        // Even with a display at hand, a path and a terminal mean no dialog.
        Run r = run_korvane_on_terminal(QStringLiteral("in/CMD.HLP"), dir.path());
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains(QStringLiteral("%")), qPrintable(r.err));  // the bar, drawn on the terminal
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("CMD.HPJ"))));  // in the current directory
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("in/CMD.HPJ"))));
    }

    void desktopStartWithoutReachableDisplaySaysSo() {
        QTemporaryDir dir;
        write_help_file(dir.path());
        Run r = run_korvane({QStringLiteral("in/CMD.HLP")}, dir.path(), {QStringLiteral("DISPLAY=:987")});
        QCOMPARE(r.status, QProcess::NormalExit);
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.endsWith(QString::fromLatin1(korvane::qt::kNoDisplayForProgressMessage)), qPrintable(r.err));
    }

    void desktopStartConvertsBesideTheHelpFile_data() {
        QTest::addColumn<QString>("ini");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("not_written");
        QTest::newRow("sources") << QString() << "in/CMD.HPJ" << "in/cmd";
        QTest::newRow("web site") << "[Options]\nHtml=1\n" << "in/cmd/index.html" << "in/CMD.HPJ";
    }

    // A display and no terminal: the conversion goes beside the help file
    // and the finished progress dialog waits for the user.
    void desktopStartConvertsBesideTheHelpFile() {
        QFETCH(QString, ini);
        QFETCH(QString, result);
        QFETCH(QString, not_written);
        QTemporaryDir dir;
        write_help_file(dir.path());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        QDir(dir.path()).mkpath(QStringLiteral("config"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
        QFile settings(dir.filePath(QStringLiteral("config/KORVANE.INI")));
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write(ini.toLatin1());
        settings.close();
        QProcess p;
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir.path());
        p.start(QStringLiteral(KORVANE_BIN), {QStringLiteral("in/CMD.HLP")});
        QVERIFY(p.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(dir.filePath(result)), 30000);
        QTest::qWait(300);
        QCOMPARE(p.state(), QProcess::Running);  // the dialog waits to be dismissed
        p.kill();
        p.waitForFinished();
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("CMD.HPJ"))));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("cmd"))));
        QVERIFY(!QFile::exists(dir.filePath(not_written)));
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
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":987"));  // a desktop, yet Qt's own offscreen platform
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), dir.filePath(QStringLiteral("cache")));
        env.insert(QStringLiteral("PATH"), dir.filePath(QStringLiteral("bin")));
        env.insert(QStringLiteral("LANG"), QStringLiteral("C"));
        QProcess p;
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir.path());
        p.start(QStringLiteral(KORVANE_BIN), {QStringLiteral("--read"), QStringLiteral("in/CMD.HLP")});
        QVERIFY(p.waitForFinished(30000));  // nothing waits for the user
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        QByteArray err = p.readAllStandardError();
        QVERIFY2(!err.contains("Reading Topics"), err.constData());  // the phases went to the dialog
        QFile got(dir.filePath(QStringLiteral("bin/xdg-open.got")));
        QTRY_VERIFY_WITH_TIMEOUT(got.exists(), 5000);  // the opener runs on by itself
        QVERIFY(got.open(QIODevice::ReadOnly));
        QString index = QString::fromUtf8(got.readAll());
        QVERIFY2(index.startsWith(dir.filePath(QStringLiteral("cache/korvane/CMD-"))), qPrintable(index));
        QVERIFY2(index.endsWith(QStringLiteral("/cmd/index.html")) && QFile::exists(index), qPrintable(index));
        QCOMPARE(QDir(dir.filePath(QStringLiteral("in"))).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList{QStringLiteral("CMD.HLP")});
    }
};

QTEST_GUILESS_MAIN(TestKorvaneProgram)
#include "test_korvane_program.moc"
