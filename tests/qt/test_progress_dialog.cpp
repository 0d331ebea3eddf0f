// SPDX-License-Identifier: MIT
// The "Prog" bar's layout, warnings in the progress dialog, a fatal
// problem's message box, Cancel (No carries on, Yes ends the conversion)
// and the finishing wait.
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include "driver/convert.h"
#include "output/out_stream.h"
#include "qt/qt_test_util.h"
#include "ui/qt/gui_main.h"
#include "ui/qt/progress_bar.h"

using namespace korvane;
using namespace korvane::qt;
using namespace korvane::qt::test;

class TestProgressDialog : public QObject {
    Q_OBJECT

private slots:
    void barLayout() {
        struct Case {
            uint16_t range, pos;
            int split;
            const char* text;
        } cases[] = {
            {100, 0, 1, "  0%"},      // one blue column even at 0
            {100, 150, 201, "100%"},  // clamped to the range
            {0, 7, 201, "100%"},      // range 0 counts as 1
            {3, 2, 134, " 67%"},      // 200 * 2 / 3 truncated; 66.7 rounded
        };
        for (const Case& c : cases) {
            BarLayout l = bar_layout(200, c.range, c.pos);
            QCOMPARE(l.split, c.split);
            QCOMPARE(l.text, QString::fromLatin1(c.text));
        }
    }

    // A repeated warning stays one row with its count, also once the row
    // is shown; text that is not UTF-8 is shown as Latin-1.
    void warningsReachTheList() {
        QtPlatform gui(Language::English);
        Reporter state(gui);
        add_warning(state, Msg::IllegalHotspotData);  // before the dialog exists: dropped
        report_progress(state, 0, Msg::None);          // the first report opens the dialog
        add_warning(state, Msg::IllegalBitmapReference, 0x12);
        add_warning(state, Msg::CannotCreate, "caf\xE9");
        add_warning(state, Msg::IllegalBitmapReference, 0x12);
        gui.show_pending();
        add_warning(state, Msg::IllegalBitmapReference, 0x12);
        gui.show_pending();
        QListWidget* list = gui.dialog()->warnings();
        QCOMPARE(list->count(), 2);
        QVERIFY2(list->item(0)->text().endsWith(QStringLiteral("0x0012 (×3)")), qPrintable(list->item(0)->text()));
        QVERIFY2(list->item(1)->text().contains(QStringLiteral("café")), qPrintable(list->item(1)->text()));
    }

    // A fatal problem's text in a critical box; a confirmed Cancel shows none.
    void fatalProblem() {
        QtPlatform gui(Language::English);
        SeenBox seen;
        answer_next_box(QMessageBox::Ok, &seen);
        QCOMPARE(show_conversion_error(gui, {Fatal::Cancelled, {}, ""}), 1);
        QVERIFY(!seen.shown);
        QCOMPARE(show_conversion_error(gui, {Fatal::OutOfMemory, {}, "Not enough Memory"}), 1);
        QVERIFY(seen.shown && seen.icon == QMessageBox::Critical);
        QCOMPARE(seen.text, QStringLiteral("Not enough Memory"));
    }

    void cancelAnsweredNoCarriesOn() {
        QtPlatform gui(Language::English);
        Reporter state(gui);
        report_progress(state, 10, Msg::None);
        SeenBox seen;
        answer_next_box(QMessageBox::No, &seen);
        gui.dialog()->button()->click();
        QVERIFY(seen.shown);
        QVERIFY(gui.dialog()->isVisible() && !gui.dialog()->cancelled() && !gui.dialog()->dismissed());
    }

    void cancelAnsweredYesEndsTheConversionAndKeepsFiles() {
        QTemporaryDir dir;
        QString path = dir.filePath(QStringLiteral("PART.RTF"));
        QtPlatform gui(Language::English);
        Reporter state(gui);
        std::optional<ConversionError> error = run_conversion([&] {
            report_progress(state, 10, Msg::None);
            auto out = OutStream::open(path.toStdString(), "wb");
            out->write("partial");  // still in the stream's buffer
            answer_next_box(QMessageBox::Yes, nullptr);
            gui.dialog()->button()->click();
            report_progress(state, 20, Msg::None);  // ends the conversion
        });
        QVERIFY(error && error->id == Fatal::Cancelled);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("partial"));
    }

    void finishingWaitEndsByEnterEscapeButtonOrClose() {
        const std::pair<std::function<void(ProgressDialog*)>, bool> ways[] = {  // the beep setting
            {[](ProgressDialog* d) { QTest::keyClick(d, Qt::Key_Return); }, true},
            {[](ProgressDialog* d) { QTest::keyClick(d, Qt::Key_Escape); }, true},
            {[](ProgressDialog* d) { d->button()->click(); }, false},
            {[](ProgressDialog* d) { d->close(); }, true},
        };
        for (const auto& [dismiss, beep] : ways) {
            FreshConfig config;
            if (!beep) config.write_ini("[Options]\nMessageBeep=0\n");
            QtPlatform gui(Language::English);
            int beeps = 0;
            gui.set_beep([&beeps] { ++beeps; });
            Reporter state(gui);
            report_progress(state, 100, Msg::None);
            QPointer<ProgressDialog> d = gui.dialog();
            SeenBox asked;  // no Cancel question once finished
            QPointer<QTimer> watcher = answer_next_box(QMessageBox::No, &asked);
            QTimer::singleShot(20, [&] { dismiss(d); });
            gui.finish_progress();
            QVERIFY(d.isNull());  // destroyed once the wait is over
            QVERIFY(!asked.shown);
            QCOMPARE(beeps, beep ? 1 : 0);
            delete watcher.data();
        }
    }
};

QTEST_MAIN(TestProgressDialog)
#include "test_progress_dialog.moc"
