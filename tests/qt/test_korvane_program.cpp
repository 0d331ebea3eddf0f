// The built program: without a path and without a display it says to give
// a path and exits with 1; with a path it converts on the terminal even
// when a display is at hand.
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "support/hlp_builder.h"
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

}  // namespace

class TestKorvaneProgram : public QObject {
    Q_OBJECT

private slots:
    void withoutPathOrDisplayAsksForAPath() {
        QTemporaryDir dir;
        // No display at all, and one that cannot be reached.
        for (const QStringList& set : {QStringList{}, QStringList{QStringLiteral("DISPLAY=:987")}}) {
            Run r = run_korvane({}, dir.path(), set);
            QCOMPARE(r.status, QProcess::NormalExit);
            QCOMPARE(r.code, 1);
            QVERIFY2(r.err.endsWith(QString::fromLatin1(korvane::qt::kNoDisplayMessage)), qPrintable(r.err));
        }
    }

    void pathConvertsOnTheTerminal() {
        QTemporaryDir dir;
        korvane::test::HlpBuilder b;
        b.add("|SYSTEM", korvane::test::system_file(21, 0));
        QDir(dir.path()).mkpath(QStringLiteral("in"));
        korvane::test::write_file(dir.filePath(QStringLiteral("in/CMD.HLP")).toStdString(), b.build());
        // Even with a display at hand, a path means no dialog.
        Run r = run_korvane({QStringLiteral("in/CMD.HLP")}, dir.path(), {QStringLiteral("QT_QPA_PLATFORM=offscreen")});
        QCOMPARE(r.code, 2);
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("CMD.HPJ"))));  // in the current directory
    }
};

QTEST_GUILESS_MAIN(TestKorvaneProgram)
#include "test_korvane_program.moc"
