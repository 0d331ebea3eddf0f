// The open dialog: the options with their visibility rule, flags and
// settings, the texts of the three languages, file types, the help page,
// and the dialog-started conversion (beside the chosen file, or ended by a
// fatal message).
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTextBrowser>
#include <QtTest>
#include <cstdio>
#include <cstring>

#include "driver/convert.h"
#include "driver/platform.h"
#include "qt/qt_test_util.h"
#include "support/hlp_builder.h"
#include "ui/qt/gui_main.h"
#include "ui/qt/open_dialog.h"
#include "ui/qt/progress_dialog.h"
#include "ui/qt/settings.h"

using namespace korvane;
using namespace korvane::qt;
using namespace korvane::qt::test;

namespace {

QString new_file(const QTemporaryDir& folder, const char* name, const QByteArray& content = {}) {
    QString path = folder.filePath(QString::fromLatin1(name));
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(content);
    return path;
}

bool shown(QWidget* w) { return !w->isHidden(); }

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

// Child process: chooses file in the open dialog and converts it for real;
// the fatal message box is answered and its texts go to stderr.
int fatal_child(const char* file) {
    int argc = 1;
    char arg0[] = "child";
    char* argv[] = {arg0, nullptr};
    QApplication app(argc, argv);
    QtPlatform gui(Language::English);
    set_platform(&gui);
    choose_when_shown(QString::fromLocal8Bit(file), [](OpenDialog*) {});
    when_shown<QMessageBox>([](QMessageBox* box) {
        std::fprintf(stderr, "[%s|%s|%d]\n", qPrintable(box->windowTitle()), qPrintable(box->text()),
                     int(box->icon()));
        box->button(QMessageBox::Ok)->click();
    });
    run_open_dialog(Language::English, gui, [](const std::string& p, int f) { convert_help_file(p, f); });
    return 4;  // the conversion was expected to end the process
}

// Names listed for folder under the dialog's current file type.
QStringList listed(OpenDialog& d, const QString& folder) {
    auto* model = d.findChild<QFileSystemModel*>();
    QModelIndex root = model->index(folder);
    if (model->canFetchMore(root)) model->fetchMore(root);
    if (!QTest::qWaitFor([&] { return model->rowCount(root) > 0; }, 5000)) return {"nothing listed"};
    QTest::qWait(100);  // let the file-info gatherer settle
    QStringList names;
    for (int i = 0; i < model->rowCount(root); ++i) names << model->index(i, 0, root).data().toString();
    names.sort();
    return names;
}

}  // namespace

class TestOpenDialog : public QObject {
    Q_OBJECT

private slots:
    void optionsFlagsAndSettings() {
        FreshConfig config;
        QTemporaryDir folder;
        QString file = new_file(folder, "T.HLP");
        {
            // First run: For Print alone; Avoid SHG hidden.
            OpenDialog d(Language::English);
            QVERIFY(d.check_box(7000)->isChecked());
            QVERIFY(shown(d.check_box(7003)) && !d.check_box(7003)->isChecked());
            QVERIFY(shown(d.check_box(7103)) && !d.check_box(7103)->isChecked());
            QVERIFY(!shown(d.check_box(7001)));
            QCOMPARE(confirm(d, file), 0x07);
            QCOMPARE(saved_options(config), QStringLiteral("1 0 0"));
        }
        {
            // Both print options; project mode swaps the boxes, which keep their state.
            OpenDialog d(Language::English);
            d.check_box(7003)->click();
            d.check_box(7103)->click();
            d.check_box(7000)->click();
            QVERIFY(!shown(d.check_box(7003)) && !shown(d.check_box(7103)) && shown(d.check_box(7001)));
            d.check_box(7000)->click();
            QVERIFY(shown(d.check_box(7003)) && d.check_box(7003)->isChecked() && !shown(d.check_box(7001)));
            QCOMPARE(confirm(d, file), 0x37);
            QCOMPARE(saved_options(config), QStringLiteral("1 1 1"));
        }
        {
            // Read back; project mode with Avoid SHG.
            OpenDialog d(Language::English);
            QVERIFY(d.check_box(7003)->isChecked() && d.check_box(7103)->isChecked());
            d.check_box(7000)->click();
            d.check_box(7001)->click();
            QCOMPARE(confirm(d, file), 0x39);
            QCOMPARE(saved_options(config), QStringLiteral("0 1 1"));
        }
        // Project mode is read back; Avoid SHG starts unchecked every time.
        OpenDialog d(Language::English);
        QVERIFY(!d.check_box(7000)->isChecked() && shown(d.check_box(7001)) && !d.check_box(7001)->isChecked());
        QCOMPARE(confirm(d, file), 0x38);
    }

    void settingsReadLikeAProfileFile() {
        FreshConfig config;
        QCOMPARE(settings_file_path(), config.ini());
        config.write_ini("[options]\nforprint=0\nPAGEBREAK=5\nJumps=abc\nMessageBeep=0\n");
        DialogOptions o = read_dialog_options();
        QVERIFY(!o.for_print && o.page_break && !o.jumps);  // any non-zero value is on; not a number: 0
        QVERIFY(!message_beep_enabled());
        write_dialog_options({true, false, true});
        QFile ini(config.ini());
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QString text = QString::fromLatin1(ini.readAll());
        QCOMPARE(text.count(QStringLiteral("ForPrint"), Qt::CaseInsensitive), 1);  // replaced, not added
        QVERIFY(text.contains(QStringLiteral("MessageBeep=0")));
        o = read_dialog_options();
        QVERIFY(o.for_print && !o.page_break && o.jumps);

        QCOMPARE(profile_int(QStringLiteral("  12x")), 12);
        QCOMPARE(profile_int(QStringLiteral("-3")), -3);
        QCOMPARE(profile_int(QStringLiteral("x1")), 0);
        QCOMPARE(profile_int(QStringLiteral("99999999999999999999")), 0x7FFFFFFF);

        const QString fallback = QDir::homePath() + QStringLiteral("/.config/KORVANE.INI");
        qputenv("XDG_CONFIG_HOME", "relative/dir");
        QCOMPARE(settings_file_path(), fallback);
        qunsetenv("XDG_CONFIG_HOME");
        QCOMPARE(settings_file_path(), fallback);
    }

    void textsOfTheThreeLanguages() {
        FreshConfig config;
        struct Case {
            Language lang;
            const char* texts[11];  // caption, buttons 1, 2, 1038, boxes 7000, 7003, 7001, 7103, three labels
        } cases[] = {
            {Language::English,
             {"Convert HLP-File to RTF", "C&onvert!", "&Cancel", "&Help", "For &Print", "Page per &Topic",
              "Avoid SH&G-Files", "Jump-Reference", "&Filename:", "&Directories:", "&Format:"}},
            {Language::German,
             {"HLP-Datei in RTF konvertieren", "K&onvertieren", "Abbrechen", "&Hilfe", "&Druckgeeignet",
              "S&eitenwechsel je Thema", "Keine SH&G-Dateien", "&Sprünge zeigen", "Datei&name:",
              "&Verzeichnisse:", "Datei&format:"}},
            {Language::Spanish,
             {"Convertir Fichas HLP -> RTF/HPJ", "C&onvertir", "Cancelar", "Ay&uda", "Para &Imprintar",
              "Page per &Topic", "No &SHG-Fichas", "Jump-Reference", "Nombre del &archivo HLP:",
              "&Directorios:", "&Mostrar archivos de tipo:"}},
        };
        for (const Case& c : cases) {
            OpenDialog d(c.lang);
            QStringList seen{d.windowTitle()};
            for (int id : {1, 2, 1038}) seen << d.push_button(id)->text();
            for (int id : {7000, 7003, 7001, 7103}) seen << d.findChild<QCheckBox*>(QString::number(id))->text();
            QStringList labels;
            for (QLabel* l : d.findChildren<QLabel*>()) {
                labels << l->text();
                // A label with a shortcut letter has a field to jump to.
                if (l->text().contains(QLatin1Char('&'))) QVERIFY2(l->buddy(), qPrintable(l->text()));
            }
            for (int i = 8; i < 11; ++i) {
                QString label = QString::fromUtf8(c.texts[i]);
                seen << (labels.contains(label) ? label : QString());
            }
            QStringList want;
            for (const char* t : c.texts) want << QString::fromUtf8(t);
            QCOMPARE(seen, want);
            QVERIFY(labels.contains(QStringLiteral("V1.10")));
            QCOMPARE(d.nameFilters(), (QStringList{QStringLiteral("Supported Files (*.HLP;*.MVB;*.M13)"),
                                                   QStringLiteral("HLP WinHelp File (*.HLP)")}));
        }
    }

    void qtOwnTextsFollowTheLanguage() {
        auto yes = [] { return QCoreApplication::translate("QPlatformTheme", "&Yes"); };
        QVERIFY(!install_qt_translation(Language::English));
        {
            std::unique_ptr<QTranslator> de = install_qt_translation(Language::German);
            if (!de) QSKIP("Qt's German translations are not installed");
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

    void fileTypesMatchWithoutCase() {
        FreshConfig config;
        QTemporaryDir folder;
        for (const char* name : {"a.hlp", "B.HLP", "c.Mvb", "d.m13", "e.txt", "f.hlpx", "g.HLP.bak"}) {
            new_file(folder, name);
        }
        OpenDialog d(Language::English);
        d.setDirectory(folder.path());
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QCOMPARE(listed(d, folder.path()), (QStringList{QStringLiteral("B.HLP"), QStringLiteral("a.hlp"),
                                                        QStringLiteral("c.Mvb"), QStringLiteral("d.m13")}));
        // The user picks the second file type.
        auto* types = d.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        types->setFocus();
        QTest::keyClick(types, Qt::Key_Down);
        QCOMPARE(listed(d, folder.path()), (QStringList{QStringLiteral("B.HLP"), QStringLiteral("a.hlp")}));
        d.reject();
    }

    void helpPageClosesWithTheDialog() {
        FreshConfig config;
        OpenDialog d(Language::German);
        d.push_button(1038)->click();
        QPointer<QTextBrowser> help = d.help_window();
        QVERIFY(help && help->isVisible());
        QVERIFY(help->toPlainText().contains(QStringLiteral("Druckgeeignet")));
        d.push_button(2)->click();
        QTest::qWait(20);
        QVERIFY(!help || !help->isVisible());
    }

    void cancelledDialogConvertsNothing() {
        FreshConfig config;
        QtPlatform gui(Language::English);
        int calls = 0;
        when_shown<OpenDialog>([](OpenDialog* d) { d->push_button(2)->click(); });
        QCOMPARE(run_open_dialog(Language::English, gui, [&](const std::string&, int) { ++calls; }), 2);
        QCOMPARE(calls, 0);
        QVERIFY(!QFile::exists(config.ini()));
    }

    void realConversionWritesBesideTheHelpFile() {
        FreshConfig config;
        QTemporaryDir folder;
        korvane::test::HlpBuilder b;
        b.add("|SYSTEM", korvane::test::system_file(21, 0));
        QString file = folder.filePath(QStringLiteral("SAMPLE.HLP"));
        korvane::test::write_file(file.toStdString(), b.build());
        const QString start_dir = QDir::currentPath();
        QtPlatform gui(Language::English);
        set_platform(&gui);
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
                                 [&](const std::string& p, int f) {
                                     flags = f;
                                     convert_help_file(p, f);
                                 }),
                 2);
        QDir::setCurrent(start_dir);
        set_platform(nullptr);
        QCOMPARE(flags, 0x38);
        QCOMPARE(phase, QStringLiteral("Reading Topics"));  // the phase of the last pass
        QVERIFY(QFile::exists(folder.filePath(QStringLiteral("SAMPLE.HPJ"))));
        QVERIFY(!QFile::exists(QDir(start_dir).filePath(QStringLiteral("SAMPLE.HPJ"))));
        QVERIFY(!gui.dialog());  // destroyed after the finishing wait
    }

    void fatalProblemShowsABoxAndEndsWithCode1() {
        FreshConfig config;
        QTemporaryDir folder;
        QString file = new_file(folder, "BAD.HLP", "this is not a help file");
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--fatal-child"), file});
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 1);
        QString err = QString::fromUtf8(child.readAllStandardError());
        QVERIFY2(err.contains(QStringLiteral("[Korvane Severe Problem|Magic Number of HLP-File incorrect. "
                                             "Possibly it isn't a WinHelp-File?|%1]")
                                  .arg(int(QMessageBox::Critical))),
                 qPrintable(err));
    }
};

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--fatal-child") == 0) return fatal_child(argv[2]);
    QApplication app(argc, argv);
    TestOpenDialog t;
    return QTest::qExec(&t, argc, argv);
}
#include "test_open_dialog.moc"
