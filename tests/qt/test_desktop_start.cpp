// SPDX-License-Identifier: MIT
// The desktop start: the progress dialog during a real conversion, the
// output beside the help file or in a folder the user picks when that one
// cannot be written to, and the offer to open the result folder (or the
// web site's index.html).
#include <QFileDialog>
#include <QPushButton>
#include <QtTest>
#include <unistd.h>

#include "driver/convert.h"
#include "base/platform.h"
#include "helpfile/helpfile.h"
#include "qt/qt_test_util.h"
#include "ui/qt/desktop_start.h"
#include "ui/qt/progress_dialog.h"

using namespace korvane;
using namespace korvane::qt;
using namespace korvane::qt::test;

class TestDesktopStart : public QObject {
    Q_OBJECT

private slots:
    void folderWritable() {
        QTemporaryDir dir;
        QFile f(dir.filePath(QStringLiteral("F.HLP")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(folder_writable(dir.path()));
        QVERIFY(!folder_writable(dir.filePath(QStringLiteral("missing"))));
        QVERIFY(!folder_writable(dir.filePath(QStringLiteral("F.HLP"))));  // a file, not a folder
        if (::geteuid() != 0) {  // permission bits do not stop root
            QDir(dir.path()).mkdir(QStringLiteral("ro"));
            QFile::setPermissions(dir.filePath(QStringLiteral("ro")), QFile::ReadOwner | QFile::ExeOwner);
            QVERIFY(!folder_writable(dir.filePath(QStringLiteral("ro"))));
        }
    }

    void conversion_data() {
        QTest::addColumn<bool>("writable");
        QTest::addColumn<bool>("choose");  // answer the folder question with Ok and pick a folder
        QTest::addColumn<QString>("expected");  // where the result goes: "in", "other" or "" for nowhere
        QTest::addColumn<bool>("site");
        QTest::newRow("beside the help file") << true << false << "in" << false;
        QTest::newRow("folder not writable, another chosen") << false << true << "other" << false;
        QTest::newRow("folder not writable, question cancelled") << false << false << "" << false;
        QTest::newRow("web site in another folder") << false << true << "other" << true;
    }

    void conversion() {
        QFETCH(bool, writable);
        QFETCH(bool, choose);
        QFETCH(QString, expected);
        QFETCH(bool, site);
        FreshConfig config;
        config.write_ini("[Options]\nMessageBeep=0\n");
        QTemporaryDir dir;
        QDir root(dir.path());
        root.mkpath(QStringLiteral("in"));
        root.mkpath(QStringLiteral("other"));
        root.mkpath(QStringLiteral("cwd"));
        QDir::setCurrent(root.filePath(QStringLiteral("cwd")));
        QString help = root.filePath(QStringLiteral("in/DESK.HLP"));
        QFile::copy(QStringLiteral(KORVANE_SOURCE_DIR "/fuzz/seeds/stored.hlp"), help);
        const QString in_folder = root.filePath(QStringLiteral("in"));

        QtPlatform platform(Language::English);
        DesktopHooks hooks;
        int flags_seen = -1;
        hooks.convert = [&](const std::string& p, int f, bool as_site) {
            flags_seen = as_site ? 0x100 : f;
            return as_site ? convert_help_file_to_site(p, 0, platform) : convert_help_file(p, f, 0, platform);
        };
        QList<QUrl> opened;
        hooks.open_url = [&](const QUrl& u) { opened << u; };
        hooks.writable = [&](const QString& f) { return writable || f != in_folder; };

        SeenBox question;
        QPointer<QTimer> answer = answer_next_box(choose ? QMessageBox::Ok : QMessageBox::Cancel, &question);
        QPointer<QTimer> pick = when_shown<QFileDialog>([&](QFileDialog* d) {
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

        int rc = run_desktop_conversion(Language::English, platform, help, CVF_TWO_PASS | CVF_PAGE_BREAK, site, hooks);
        for (QTimer* t : {answer.data(), pick.data(), finished.data()}) delete t;

        QCOMPARE(rc, 2);
        QCOMPARE(question.shown, !writable);
        if (!writable) QVERIFY2(question.text.contains(QDir::toNativeSeparators(in_folder)), qPrintable(question.text));
        QVERIFY(!QFile::exists(root.filePath(QStringLiteral("cwd/DESK.HPJ"))));
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
        QVERIFY(!platform.dialog());  // dismissed by the offer
    }
};

QTEST_MAIN(TestDesktopStart)
#include "test_desktop_start.moc"
