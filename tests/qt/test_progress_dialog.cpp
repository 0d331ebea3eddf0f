// SPDX-License-Identifier: MIT
// The "Prog" bar's layout, the progress calls and the fatal message box of the Qt
// platform, Cancel (No in this process, Yes in a child process) and the
// finishing wait.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QTemporaryDir>
#include <QPushButton>
#include <QtTest>
#include <optional>

#include "driver/convert.h"
#include "base/messages.h"
#include "base/out_stream.h"
#include "base/platform.h"
#include "qt/qt_test_util.h"
#include "ui/qt/progress_bar.h"
#include "ui/qt/progress_dialog.h"
#include "ui/qt/qt_platform.h"

using namespace korvane;
using namespace korvane::qt;
using namespace korvane::qt::test;

namespace {

// Reporting through the core needs the progress state of a conversion.
struct Reports {
    explicit Reports(Platform& platform) : state(platform) {}
    Reporter state;
    void report(int percent, int phase) { report_progress(state, percent, Msg{phase}); }
};

}  // namespace

class TestProgressDialog : public QObject {
    Q_OBJECT

private slots:
    void barLayout() {
        const int w = 200;
        struct Case {
            uint16_t range, pos;
            int split;
            const char* text;
        } cases[] = {
            {100, 0, 1, "  0%"},      // one blue column even at 0
            {100, 50, 101, " 50%"},
            {100, 150, 201, "100%"},  // clamped to the range
            {0, 0, 1, "  0%"},        // range 0 counts as 1
            {0, 7, 201, "100%"},
            {3, 2, 134, " 67%"},      // 200 * 2 / 3 truncated; 66.7 rounded
        };
        for (const Case& c : cases) {
            BarLayout l = bar_layout(w, c.range, c.pos);
            QCOMPARE(l.split, c.split);
            QCOMPARE(l.text, QString::fromLatin1(c.text));
        }
    }

    void reportsReachTheDialog() {
        QtPlatform gui(Language::German);
        Reports c(gui);
        add_warning(c.state, Msg::IllegalHotspotData);  // before the dialog exists: dropped
        c.report(0, 0);           // the first report opens the dialog even with nothing to show
        QVERIFY(gui.dialog() && gui.dialog()->isVisible());
        c.report(40, 8);
        c.report(0, 0);  // keeps both
        QCOMPARE(gui.dialog()->phase_label()->text(), QStringLiteral("Lade Verwaltungseintrag"));
        QCOMPARE(gui.dialog()->bar()->position(), uint16_t(40));
        add_warning(c.state, Msg::IllegalBitmapReference, 0x12);
        add_warning(c.state, Msg::CannotCreate, "A\nB");
        add_warning(c.state, Msg::CannotCreate, "caf\xE9");  // not UTF-8: shown as Latin-1
        add_warning(c.state, Msg::IllegalBitmapReference, 0x12);
        QListWidget* list = gui.dialog()->warnings();
        gui.show_pending();
        add_warning(c.state, Msg::CannotCreate, "A\nC");  // the same line as "A\nB"
        add_warning(c.state, Msg::IllegalBitmapReference, 0x12);
        gui.show_pending();
        QCOMPARE(list->count(), 3);
        QCOMPARE(list->item(0)->text(), QStringLiteral("Ungültiger Verweis auf Grafik 0x0012 (×3)"));
        QCOMPARE(list->item(1)->text(), QStringLiteral("Kann Datei A (×2)"));
        QCOMPARE(list->item(2)->text(), QStringLiteral("Kann Datei café nicht anlegen"));
    }

    void warningsReachTheListInBatches() {
        QtPlatform gui(Language::English);
        Reports c(gui);
        c.report(0, 7);  // opens the dialog and handles the events at once
        QListWidget* list = gui.dialog()->warnings();
        int batches = 0;
        connect(list->model(), &QAbstractItemModel::rowsInserted, [&batches] { ++batches; });
        QElapsedTimer clock;
        clock.start();
        // Each warning followed by a report, as the passes raise them: the
        // rows arrive at most once per interval, however fast they come.
        for (int i = 0; i < 2000; ++i) {
            add_warning(c.state, Msg::TopicWithoutContextId, i);
            c.report(0, 0);
        }
        QVERIFY2(batches <= clock.elapsed() / QtPlatform::kUpdateIntervalMs + 1,
                 qPrintable(QStringLiteral("%1 batches in %2 ms").arg(batches).arg(clock.elapsed())));
        gui.show_pending();
        QCOMPARE(list->count(), 2000);
        QCOMPARE(list->item(1999)->text(), QStringLiteral("Topic #1999 does not have a Context Id"));
    }

    void cancelAnsweredNoCarriesOn() {
        QtPlatform gui(Language::German);
        Reports c(gui);
        c.report(10, 7);
        // The button, Escape and closing the window all ask while running.
        const std::function<void()> asks[] = {
            [&gui] { gui.dialog()->button()->click(); },
            [&gui] { QTest::keyClick(gui.dialog(), Qt::Key_Escape); },
            [&gui] { gui.dialog()->close(); },
        };
        for (const auto& ask : asks) {
            SeenBox seen;
            answer_next_box(QMessageBox::No, &seen);
            QTimer::singleShot(0, ask);
            for (int i = 0; i < 200 && !seen.shown; ++i) {
                c.report(11 + i % 50, 7);
                QTest::qWait(5);
            }
            QVERIFY(seen.shown);
            QCOMPARE(seen.title, QStringLiteral("Korvane"));
            QCOMPARE(seen.text, QStringLiteral("Möchten Sie die Konvertierung wirklich abbrechen"));
            QCOMPARE(seen.icon, QMessageBox::Question);
            QCOMPARE(seen.buttons, QMessageBox::Yes | QMessageBox::No);
            QVERIFY(gui.dialog()->isVisible() && gui.dialog()->running() && !gui.dialog()->dismissed());
        }
        c.report(60, 7);
        QCOMPARE(gui.dialog()->bar()->position(), uint16_t(60));
    }

    void fatalMessageBox() {
        QtPlatform gui(Language::English);
        SeenBox seen;
        answer_next_box(QMessageBox::Ok, &seen);
        gui.show_fatal(message_text(Msg::SevereProblem, gui.language_offset()), "Not enough Memory\n");
        QVERIFY(seen.shown && seen.icon == QMessageBox::Critical);
        QCOMPARE(seen.title + QLatin1Char('|') + seen.text, QStringLiteral("Korvane Severe Problem|Not enough Memory"));
    }

    void cancelAnsweredYesEndsTheConversionAndKeepsFiles() {
        QTemporaryDir dir;
        QString path = dir.filePath(QStringLiteral("PART.RTF"));
        QtPlatform gui(Language::English);
        Reports c(gui);
        int reports = 0;
        std::optional<ConversionError> error = run_conversion([&] {
            c.report(0, 8);
            auto out = OutStream::open(path.toStdString(), "wb");
            out->write("partial");  // still in the stream's buffer
            answer_next_box(QMessageBox::Yes, nullptr);
            QTimer::singleShot(0, [&gui] { gui.dialog()->button()->click(); });
            for (; reports < 500; ++reports) {
                c.report(reports % 100, 7);
                QTest::qWait(10);
            }
        });
        QVERIFY(error && error->id == Fatal::Cancelled);
        QVERIFY(reports < 500);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("partial"));
    }

    void finishingWaitEndsByEnterEscapeButtonOrClose() {
        struct Way {
            const char* name;
            std::function<void(ProgressDialog*)> dismiss;
            bool beep;  // else "MessageBeep=0"
        };
        const Way ways[] = {
            {"enter", [](ProgressDialog* d) { QTest::keyClick(d, Qt::Key_Return); }, true},
            {"escape", [](ProgressDialog* d) { QTest::keyClick(d, Qt::Key_Escape); }, true},
            {"button", [](ProgressDialog* d) { d->button()->click(); }, false},
            {"close", [](ProgressDialog* d) { d->close(); }, true},
        };
        for (const Way& way : ways) {
            FreshConfig config;
            if (!way.beep) config.write_ini("[Options]\nMessageBeep=0\n");
            QtPlatform gui(Language::English);
            int beeps = 0;
            gui.set_beep([&beeps] { ++beeps; });
            Reports c(gui);
            c.report(100, 7);
            QPointer<ProgressDialog> d = gui.dialog();
            QString button;
            SeenBox asked;  // no Cancel question once finished
            QPointer<QTimer> watcher = answer_next_box(QMessageBox::No, &asked);
            QTimer::singleShot(20, [&] {
                button = QStringLiteral("%1 %2 %3").arg(d->button()->text(), d->button()->objectName())
                             .arg(d->button()->isDefault());
                way.dismiss(d);
            });
            gui.finish_progress();
            QVERIFY2(d.isNull(), way.name);  // destroyed once the wait is over
            QCOMPARE(button, QStringLiteral("&Ok 1 1"));
            QVERIFY2(!asked.shown, way.name);
            QCOMPARE(beeps, way.beep ? 1 : 0);
            gui.finish_progress();  // no dialog any more: returns at once
            delete watcher.data();
        }
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TestProgressDialog t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_progress_dialog.moc"
