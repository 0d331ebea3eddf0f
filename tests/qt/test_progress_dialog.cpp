// The "Prog" bar's painting and requests, the progress dialog's texts and
// controls, the progress calls of the Qt platform, Cancel (No in this
// process, Yes in a child process) and the finishing wait.
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QtTest>
#include <cstring>

#include "driver/messages.h"
#include "driver/out_stream.h"
#include "driver/platform.h"
#include "helpfile/helpfile.h"
#include "qt/qt_test_util.h"
#include "ui/qt/progress_bar.h"
#include "ui/qt/progress_dialog.h"
#include "ui/qt/qt_platform.h"

using namespace korvane;
using namespace korvane::qt;
using namespace korvane::qt::test;

namespace {

// A bar that counts its paints.
class CountingBar : public ProgressBar {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* e) override {
        ++paints;
        ProgressBar::paintEvent(e);
    }
};

QImage paint_bar(int width, int height, uint16_t range, uint16_t position) {
    ProgressBar bar;
    bar.resize(width, height);
    bar.set_range(range);
    bar.set_position(position);
    return bar.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

bool is_blue(QRgb c) { return qRed(c) == 0 && qGreen(c) == 0 && qBlue(c) == 255; }
bool is_white(QRgb c) { return qRed(c) == 255 && qGreen(c) == 255 && qBlue(c) == 255; }

// Columns [from, to) of row y all have the colour test accepts.
bool row_is(const QImage& img, int y, int from, int to, bool (*test)(QRgb)) {
    for (int x = from; x < to; ++x) {
        if (!test(img.pixel(x, y))) return false;
    }
    return true;
}

// Reporting through the core needs a help-file record of its own.
struct Conversion {
    HelpFile help;
    void report(int percent, int phase) { report_progress(help, percent, phase); }
};

// Child process: opens the progress dialog, writes part of an output file,
// then clicks Cancel and answers Yes. Never returns normally.
int cancel_child(const char* out_path) {
    int argc = 1;
    char arg0[] = "child";
    char* argv[] = {arg0, nullptr};
    QApplication app(argc, argv);
    QtPlatform gui(Language::English);
    set_platform(&gui);
    Conversion c;
    c.report(0, 8);
    auto out = OutStream::open(out_path, "wb");
    if (!out) return 3;
    out->write("partial");  // still in the stream's buffer
    answer_next_box(QMessageBox::Yes, nullptr);
    QTimer::singleShot(0, [&gui] { gui.dialog()->button()->click(); });
    for (int i = 0; i < 500; ++i) {
        c.report(i % 100, 7);
        QTest::qWait(10);
    }
    return 4;  // Cancel was not honoured
}

}  // namespace

class TestProgressDialog : public QObject {
    Q_OBJECT

private slots:
    void cleanup() {
        set_platform(nullptr);
        set_language_offset(0);
    }

    void barLayoutClampsAndFormatsFourCharacters() {
        struct Case {
            int width;
            uint16_t range, pos;
            int split;
            const char* text;
        } cases[] = {
            {200, 100, 0, 1, "  0%"},      // one blue column even at 0
            {200, 100, 50, 101, " 50%"},
            {200, 100, 100, 201, "100%"},
            {200, 100, 150, 201, "100%"},  // clamped to the range
            {200, 0, 0, 1, "  0%"},        // range 0 counts as 1
            {200, 0, 7, 201, "100%"},
            {200, 3, 1, 67, " 33%"},       // 200 * 1 / 3 truncated; 33.3 rounded
            {200, 3, 2, 134, " 67%"},      // 66.7 rounds up
            {199, 100, 50, 100, " 50%"},
        };
        for (const Case& c : cases) {
            BarLayout l = bar_layout(c.width, c.range, c.pos);
            QCOMPARE(l.split, c.split);
            QCOMPARE(l.text, QString::fromLatin1(c.text));
        }
    }

    void barPaintsBlueUpToTheSplitAndWhiteAfter() {
        const int w = 200, h = 40;
        // Row 0 lies above the text: pure colours only.
        QImage zero = paint_bar(w, h, 100, 0);
        QVERIFY(is_blue(zero.pixel(0, 0)));
        QVERIFY(row_is(zero, 0, 1, w, is_white));
        QVERIFY(row_is(zero, h - 1, 1, w, is_white));

        QImage half = paint_bar(w, h, 100, 50);
        QVERIFY(row_is(half, 0, 0, 101, is_blue));
        QVERIFY(row_is(half, 0, 101, w, is_white));

        QImage over = paint_bar(w, h, 100, 150);
        QVERIFY(row_is(over, 0, 0, w, is_blue));
        QVERIFY(row_is(over, h - 1, 0, w, is_blue));

        QImage no_range = paint_bar(w, h, 0, 0);
        QVERIFY(is_blue(no_range.pixel(0, 0)));
        QVERIFY(row_is(no_range, 0, 1, w, is_white));
    }

    void barTextChangesColourAtTheEdge() {
        const int w = 200, h = 40;
        QImage half = paint_bar(w, h, 100, 50);
        const int split = 101;
        // Every pixel mixes only blue and white: blue full, red equal to green.
        int light_left = 0, dark_right = 0;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                QRgb c = half.pixel(x, y);
                QVERIFY2(qBlue(c) >= 200 && std::abs(qRed(c) - qGreen(c)) <= 40,
                         qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
                if (x < split && qRed(c) > 160) ++light_left;   // white text on blue
                if (x >= split && qRed(c) < 96) ++dark_right;   // blue text on white
            }
        }
        QVERIFY(light_left > 5);
        QVERIFY(dark_right > 5);

        // At 100 % the whole text is white on blue, at 0 % blue on white.
        QImage full = paint_bar(w, h, 100, 100);
        QImage none = paint_bar(w, h, 100, 0);
        int white_text = 0, blue_text = 0;
        for (int y = 0; y < h; ++y) {
            for (int x = 1; x < w; ++x) {
                if (qRed(full.pixel(x, y)) > 160) ++white_text;
                if (qRed(none.pixel(x, y)) < 96) ++blue_text;
            }
        }
        QVERIFY(white_text > 10);
        QVERIFY(blue_text > 10);
    }

    void barRepaintsAtOnceOnlyOnChange() {
        CountingBar bar;
        bar.resize(100, 20);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        QCoreApplication::processEvents();
        QCOMPARE(bar.range(), uint16_t(100));
        QCOMPARE(bar.position(), uint16_t(0));
        int before = bar.paints;
        bar.set_position(0);
        bar.set_range(100);
        QCOMPARE(bar.paints, before);
        bar.set_position(30);  // no event loop in between: painted inside the call
        QCOMPARE(bar.paints, before + 1);
        bar.set_range(50);
        QCOMPARE(bar.paints, before + 2);
        bar.set_position(65535);
        bar.advance(2);  // 16-bit wrap-around
        QCOMPARE(bar.position(), uint16_t(1));
        QCOMPARE(bar.paints, before + 4);
    }

    void dialogTextsAndControlsPerLanguage() {
        struct Case {
            Language lang;
            const char *caption, *warnings, *cancel;
        } cases[] = {
            {Language::English, "Help-File conversion", "Warnings:", "&Cancel"},
            {Language::German, "Konvertierung Hilfetext", "Warnungen:", "&Abbruch"},
            {Language::Spanish, "Convertir de Ficha Ayuda", "Prevenidos:", "&Cancelar"},
        };
        for (const Case& c : cases) {
            ProgressDialog d(c.lang);
            QCOMPARE(d.windowTitle(), QString::fromUtf8(c.caption));
            QCOMPARE(d.button()->text(), QString::fromUtf8(c.cancel));
            QCOMPARE(d.button()->objectName(), QStringLiteral("2"));
            QVERIFY(d.findChild<QLabel*>(QStringLiteral("7102")));
            QVERIFY(d.findChild<ProgressBar*>(QStringLiteral("7100")));
            QVERIFY(d.findChild<QListWidget*>(QStringLiteral("7101")));
            bool label_found = false;
            for (QLabel* l : d.findChildren<QLabel*>()) label_found |= l->text() == QString::fromUtf8(c.warnings);
            QVERIFY(label_found);
            QVERIFY(d.phase_label()->text().isEmpty());
            QVERIFY(!d.isModal());
            // The bar sits above the warnings list, the button right of the bar.
            QVERIFY(d.bar()->mapTo(&d, QPoint(0, 0)).y() < d.warnings()->y());
            QVERIFY(d.button()->x() > d.bar()->mapTo(&d, QPoint(d.bar()->width(), 0)).x());
        }
    }

    void reportsReachTheDialog() {
        set_language_offset(512);
        QtPlatform gui(Language::German);
        set_platform(&gui);
        Conversion c;
        add_warning(c.help, 11);  // before the dialog exists: dropped
        QVERIFY(!gui.dialog());
        c.report(0, 0);  // the first report opens the dialog even with nothing to show
        QVERIFY(gui.dialog());
        QVERIFY(gui.dialog()->isVisible());
        QCOMPARE(gui.dialog()->bar()->position(), uint16_t(0));
        c.report(40, 8);
        QCOMPARE(gui.dialog()->phase_label()->text(), QStringLiteral("Lade Verwaltungseintrag"));
        QCOMPARE(gui.dialog()->bar()->position(), uint16_t(40));
        c.report(0, 0);  // keeps both
        QCOMPARE(gui.dialog()->bar()->position(), uint16_t(40));
        QCOMPARE(gui.dialog()->phase_label()->text(), QStringLiteral("Lade Verwaltungseintrag"));
        add_warning(c.help, 16, 0x12);
        add_warning(c.help, 31, "A\nB");
        add_warning(c.help, 31, "caf\xE9");  // not UTF-8: shown as Latin-1
        QListWidget* list = gui.dialog()->warnings();
        QCOMPARE(list->count(), 3);
        QCOMPARE(list->item(0)->text(), QStringLiteral("Ungültiger Verweis auf Grafik 0x0012"));
        QCOMPARE(list->item(1)->text(), QStringLiteral("Kann Datei A"));
        QCOMPARE(list->item(2)->text(), QStringLiteral("Kann Datei café nicht anlegen"));
    }

    void cancelAnsweredNoCarriesOn() {
        set_language_offset(512);
        QtPlatform gui(Language::German);
        set_platform(&gui);
        Conversion c;
        c.report(10, 7);
        SeenBox seen;
        answer_next_box(QMessageBox::No, &seen);
        QTimer::singleShot(0, [&gui] { gui.dialog()->button()->click(); });
        for (int i = 0; i < 200 && !seen.shown; ++i) {
            c.report(11 + i % 50, 7);
            QTest::qWait(5);
        }
        QVERIFY(seen.shown);
        QCOMPARE(seen.title, QStringLiteral("Korvane"));
        QCOMPARE(seen.text, QStringLiteral("Möchten Sie die Konvertierung wirklich abbrechen"));
        QCOMPARE(seen.icon, QMessageBox::Question);
        QCOMPARE(seen.buttons, QMessageBox::Yes | QMessageBox::No);
        QVERIFY(gui.dialog()->running());
        QVERIFY(!gui.dialog()->dismissed());

        // Escape and closing the window ask the same question while running.
        SeenBox again;
        answer_next_box(QMessageBox::No, &again);
        QTimer::singleShot(0, [&gui] { QTest::keyClick(gui.dialog(), Qt::Key_Escape); });
        for (int i = 0; i < 200 && !again.shown; ++i) QTest::qWait(5);
        QVERIFY(again.shown);
        SeenBox closing;
        answer_next_box(QMessageBox::No, &closing);
        QTimer::singleShot(0, [&gui] { gui.dialog()->close(); });
        for (int i = 0; i < 200 && !closing.shown; ++i) QTest::qWait(5);
        QVERIFY(closing.shown);
        QVERIFY(gui.dialog()->isVisible());
        c.report(60, 7);
        QCOMPARE(gui.dialog()->bar()->position(), uint16_t(60));
    }

    void cancelAnsweredYesEndsWithCode1AndKeepsFiles() {
        QTemporaryDir dir;
        QString out = dir.filePath(QStringLiteral("PART.RTF"));
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--cancel-child"), out});
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 1);
        QFile f(out);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("partial"));
    }

    void finishingWaitEndsByEnterEscapeButtonOrClose() {
        using Dismiss = std::function<void(ProgressDialog*)>;
        const std::pair<const char*, Dismiss> ways[] = {
            {"enter", [](ProgressDialog* d) { QTest::keyClick(d, Qt::Key_Return); }},
            {"escape", [](ProgressDialog* d) { QTest::keyClick(d, Qt::Key_Escape); }},
            {"button", [](ProgressDialog* d) { d->button()->click(); }},
            {"close", [](ProgressDialog* d) { d->close(); }},
        };
        for (const auto& [name, dismiss] : ways) {
            FreshConfig config;
            QtPlatform gui(Language::English);
            int beeps = 0;
            gui.set_beep([&beeps] { ++beeps; });
            set_platform(&gui);
            Conversion c;
            c.report(100, 7);
            QPointer<ProgressDialog> d = gui.dialog();
            QString text, id;
            bool is_default = false;
            bool asked = false;
            QPointer<QTimer> watcher = when_shown<QMessageBox>([&asked](QMessageBox* box) {
                asked = true;
                box->button(QMessageBox::No)->click();
            });
            QTimer::singleShot(20, [&, dismiss = dismiss] {
                text = d->button()->text();
                id = d->button()->objectName();
                is_default = d->button()->isDefault();
                dismiss(d);
            });
            gui.finish_progress();
            QVERIFY2(d.isNull(), name);  // destroyed once the wait is over
            QCOMPARE(text, QStringLiteral("&Ok"));
            QCOMPARE(id, QStringLiteral("1"));
            QVERIFY(is_default);
            QVERIFY2(!asked, name);  // no Cancel question once finished
            QCOMPARE(beeps, 1);
            delete watcher.data();
        }
    }

    void beepFollowsTheSetting() {
        FreshConfig config;
        QFile ini(config.ini());
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Options]\nMessageBeep=0\n");
        ini.close();
        QtPlatform gui(Language::English);
        int beeps = 0;
        gui.set_beep([&beeps] { ++beeps; });
        set_platform(&gui);
        Conversion c;
        c.report(100, 7);
        QTimer::singleShot(0, [&gui] { gui.dialog()->button()->click(); });
        gui.finish_progress();
        QCOMPARE(beeps, 0);
        gui.finish_progress();  // no dialog any more: returns at once
    }

    void fatalMessageBoxShowsCaptionAndText() {
        QtPlatform gui(Language::English);
        SeenBox seen;
        answer_next_box(QMessageBox::Ok, &seen);
        gui.show_fatal(message_text(42), "Not enough Memory\n");
        QVERIFY(seen.shown);
        QCOMPARE(seen.title, QStringLiteral("Korvane Severe Problem"));
        QCOMPARE(seen.text, QStringLiteral("Not enough Memory"));
        QCOMPARE(seen.icon, QMessageBox::Critical);
    }
};

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--cancel-child") == 0) return cancel_child(argv[2]);
    QApplication app(argc, argv);
    TestProgressDialog t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_progress_dialog.moc"
