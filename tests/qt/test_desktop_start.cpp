// SPDX-License-Identifier: MIT
// The conversion started from the desktop or from the open dialog: the
// progress dialog during a real conversion, the output beside the help file
// or in a folder the user picks when that one cannot be written to, the
// offer to open the result folder (or the web site's index.html), and the
// desktop start's texts of its own in each language.
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "output/output_sink.h"
#include "driver/convert.h"
#include "qt/qt_test_util.h"
#include "ui/qt/desktop_start.h"
#include "ui/qt/open_dialog.h"
#include "ui/qt/progress_dialog.h"

using namespace korvane;
using namespace korvane::qt;
using namespace korvane::qt::test;

class TestDesktopStart : public QObject {
    Q_OBJECT

private slots:
    void conversion_data() {
        QTest::addColumn<bool>("dialog");  // started from the open dialog, else from the desktop
        // Where the result goes: "in" (the help file's folder), "other"
        // (picked after the question about "in", which cannot be written
        // to) or "" for nowhere (the question answered with Cancel).
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("site");
        QTest::newRow("beside the help file") << false << "in" << false;
        QTest::newRow("folder not writable, question cancelled") << false << "" << false;
        QTest::newRow("web site in another folder") << false << "other" << true;
        QTest::newRow("web site from the open dialog") << true << "in" << true;
    }

    // The conversion goes into the chosen folder, not the current one, and
    // the finished dialog offers the result folder or the site's index.html.
    void conversion() {
        QFETCH(bool, dialog);
        QFETCH(QString, expected);
        QFETCH(bool, site);
        const bool writable = expected == QLatin1String("in");
        FreshConfig config;  // the open dialog starts with Web Pages as saved
        config.write_ini(QByteArray("[Options]\nMessageBeep=0\nHtml=") + (site ? "1" : "0"));
        QTemporaryDir dir;
        QDir root(dir.path());
        for (const char* folder : {"in", "other", "cwd"}) root.mkpath(QLatin1String(folder));
        QDir::setCurrent(root.filePath(QStringLiteral("cwd")));
        QString help = root.filePath(QStringLiteral("in/DESK.HLP"));
        QVERIFY(copy_help_file(help));
        const QString in_folder = root.filePath(QStringLiteral("in"));

        QtPlatform platform(Language::English);
        DesktopHooks hooks;
        int flags_seen = -1;
        hooks.convert = [&](const std::string& p, const std::string& folder, const ConversionOptions& options) {
            flags_seen = options.kind == OutputKind::site ? 0x100 : options.flags;
            DiskSink output(folder);
            return convert(HelpInput{p, {}}, options, output, platform);
        };
        QList<QUrl> opened;
        hooks.open_url = [&](const QUrl& u) { opened << u; };
        hooks.writable = [&](const QString& f) { return writable || f != in_folder; };

        SeenBox question;
        QPointer<QTimer> answer = answer_next_box(expected.isEmpty() ? QMessageBox::Cancel : QMessageBox::Ok, &question);
        QPointer<QTimer> pick = when_shown<QFileDialog>([&](QFileDialog* d) {
            if (auto* open = qobject_cast<OpenDialog*>(d)) {  // the file typed in as a user would
                open->setDirectory(in_folder);
                open->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("DESK.HLP"));
                open->push_button(1)->click();
                if (open->isVisible()) open->reject();
                return;
            }
            d->setDirectory(root.filePath(QStringLiteral("other")));
            QMetaObject::invokeMethod(d, "accept");
        });
        // Seen once the conversion is over: the dialog with its offer.
        bool offered = false;
        const QString offer_name = QLatin1String(site ? "open_site" : "open_folder");
        QPointer<QTimer> finished = when_shown<ProgressDialog>(
            [&](ProgressDialog* d) {
                auto* offer = d->findChild<QPushButton*>(offer_name);
                offered = offer && offer->isVisible() && !offer->geometry().intersects(d->button()->geometry()) &&
                          d->rect().contains(offer->geometry());
                if (offer) offer->click();
                else d->button()->click();
            },
            [](ProgressDialog* d) { return !d->running(); });

        int rc = dialog ? run_open_dialog(Language::English, platform, hooks.convert, hooks.open_url)
                        : run_desktop_conversion(Language::English, platform, help,
                                                 {site ? OutputKind::site : OutputKind::sources,
                                                  CVF_TWO_PASS | CVF_PAGE_BREAK, 0},
                                                 hooks);
        for (QTimer* t : {answer.data(), pick.data(), finished.data()}) delete t;

        QCOMPARE(rc, 2);
        QCOMPARE(question.shown, !writable);
        if (!writable) QVERIFY2(question.text.contains(QDir::toNativeSeparators(in_folder)), qPrintable(question.text));
        QVERIFY(QDir(root.filePath(QStringLiteral("cwd"))).isEmpty());
        if (expected.isEmpty()) {
            QCOMPARE(flags_seen, -1);  // nothing converted
            QVERIFY(opened.isEmpty());
            return;
        }
        QCOMPARE(flags_seen, site ? 0x100 : CVF_TWO_PASS | CVF_PAGE_BREAK);
        QString result = root.filePath(expected + QLatin1String(site ? "/desk/index.html" : "/DESK.HPJ"));
        QVERIFY(QFile::exists(result));
        QVERIFY(offered);
        QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(site ? result : root.filePath(expected))});
    }

    // No language shows another one's texts.
    void eachLanguageHasItsOwnTexts() {
        QSet<QString> texts;
        for (Language lang : {Language::English, Language::German, Language::Spanish}) {
            const DesktopTexts& t = desktop_texts(lang);
            texts << t.folder_not_writable << t.choose_folder << t.open_folder << t.open_site;
        }
        QCOMPARE(texts.size(), 12);
    }
};

QTEST_MAIN(TestDesktopStart)
#include "test_desktop_start.moc"
