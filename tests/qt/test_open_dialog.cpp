// The open dialog: defaults, the visibility rule, the flags and settings of
// a confirmed dialog, the texts of the three languages, file types, the help
// page, and the dialog-started conversion with the chosen file's folder as
// current directory.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QProcess>
#include <QSettings>
#include <QTextBrowser>
#include <QtTest>
#include <cstdio>
#include <cstring>

#include "driver/convert.h"
#include "driver/messages.h"
#include "driver/platform.h"
#include "helpfile/helpfile.h"
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

void touch(const QString& path) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
}

// Confirms d with file and returns the flags it chose (-1 when it stayed open).
int confirm(OpenDialog& d, const QString& file) {
    d.setDirectory(QFileInfo(file).absolutePath());
    d.selectFile(file);
    QPushButton* convert = d.push_button(1);
    if (!convert || !convert->isEnabled()) return -1;
    convert->click();
    return d.result() == QDialog::Accepted ? d.chosen_flags() : -1;
}

QString ini_value(const QString& ini, const char* key) {
    QSettings s(ini, QSettings::IniFormat);
    return s.value(QStringLiteral("Options/") + QLatin1String(key)).toString();
}

// Drives the next open dialog: prepare, then type the file's name into
// its folder and click Convert, as a user would.
void choose_when_shown(const QString& file, std::function<void(OpenDialog*)> prepare) {
    drive_when_shown<OpenDialog>(
        prepare,
        [file](OpenDialog* d) {
            QFileInfo info(file);
            if (d->directory() != info.absoluteDir()) d->setDirectory(info.absolutePath());
            auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (name && name->text() != info.fileName()) name->setText(info.fileName());
        },
        [](OpenDialog* d) {
            if (d->push_button(1)->isEnabled()) d->push_button(1)->click();
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

bool shown(QWidget* w) { return !w->isHidden(); }

// Names listed for folder under the dialog's current file type.
QStringList listed(OpenDialog& d, const QString& folder) {
    auto* model = d.findChild<QFileSystemModel*>();
    if (!model) return {"no model"};
    QModelIndex root = model->index(folder);
    if (model->canFetchMore(root)) model->fetchMore(root);
    QStringList names;
    if (!QTest::qWaitFor([&] { return model->rowCount(root) > 0; }, 5000)) return {"nothing listed"};
    QTest::qWait(100);  // let the file-info gatherer settle
    for (int i = 0; i < model->rowCount(root); ++i) names << model->index(i, 0, root).data().toString();
    names.sort();
    return names;
}

}  // namespace

class TestOpenDialog : public QObject {
    Q_OBJECT

private slots:
    void firstRunPrintsWithDefaults() {
        FreshConfig config;
        QTemporaryDir folder;
        QString file = folder.filePath(QStringLiteral("T.HLP"));
        touch(file);
        OpenDialog d(Language::English);
        QVERIFY(d.check_box(7000)->isChecked());
        QVERIFY(shown(d.check_box(7003)) && !d.check_box(7003)->isChecked());
        QVERIFY(shown(d.check_box(7103)) && !d.check_box(7103)->isChecked());
        QVERIFY(!shown(d.check_box(7001)) && !d.check_box(7001)->isChecked());
        QCOMPARE(d.chosen_flags(), 0);
        QCOMPARE(confirm(d, file), 0x07);
        QCOMPARE(ini_value(config.ini(), "ForPrint"), QStringLiteral("1"));
        QCOMPARE(ini_value(config.ini(), "PageBreak"), QStringLiteral("0"));
        QCOMPARE(ini_value(config.ini(), "Jumps"), QStringLiteral("0"));
        QCOMPARE(d.selectedFiles(), QStringList{file});
    }

    void projectModeAndTheVisibilityRule() {
        FreshConfig config;
        QTemporaryDir folder;
        QString file = folder.filePath(QStringLiteral("T.HLP"));
        touch(file);
        {
            OpenDialog d(Language::English);
            d.check_box(7003)->click();  // kept while hidden, never used in project mode
            d.check_box(7000)->click();
            QVERIFY(!shown(d.check_box(7003)) && !shown(d.check_box(7103)));
            QVERIFY(shown(d.check_box(7001)));
            d.check_box(7000)->click();
            QVERIFY(shown(d.check_box(7003)) && shown(d.check_box(7103)) && !shown(d.check_box(7001)));
            QVERIFY(d.check_box(7003)->isChecked());
            d.check_box(7000)->click();
            d.check_box(7001)->click();
            QCOMPARE(confirm(d, file), 0x39);
        }
        QCOMPARE(ini_value(config.ini(), "ForPrint"), QStringLiteral("0"));
        QCOMPARE(ini_value(config.ini(), "PageBreak"), QStringLiteral("1"));
        {
            // The next start reads project mode back; Avoid SHG starts unchecked.
            OpenDialog d(Language::English);
            QVERIFY(!d.check_box(7000)->isChecked());
            QVERIFY(shown(d.check_box(7001)) && !d.check_box(7001)->isChecked());
            QVERIFY(!shown(d.check_box(7003)) && d.check_box(7003)->isChecked());
            QCOMPARE(confirm(d, file), 0x38);
        }
    }

    void printWithBothOptions() {
        FreshConfig config;
        QTemporaryDir folder;
        QString file = folder.filePath(QStringLiteral("T.HLP"));
        touch(file);
        {
            OpenDialog d(Language::English);
            d.check_box(7003)->click();
            d.check_box(7103)->click();
            QCOMPARE(confirm(d, file), 0x37);
        }
        QCOMPARE(ini_value(config.ini(), "ForPrint"), QStringLiteral("1"));
        QCOMPARE(ini_value(config.ini(), "PageBreak"), QStringLiteral("1"));
        QCOMPARE(ini_value(config.ini(), "Jumps"), QStringLiteral("1"));
        OpenDialog again(Language::English);
        QVERIFY(again.check_box(7003)->isChecked() && again.check_box(7103)->isChecked());
    }

    void cancelWritesNothing() {
        FreshConfig config;
        OpenDialog d(Language::English);
        d.push_button(2)->click();
        QCOMPARE(d.result(), int(QDialog::Rejected));
        QCOMPARE(d.chosen_flags(), 0);
        QVERIFY(!QFile::exists(config.ini()));
    }

    void settingsReadLikeAProfileFile() {
        FreshConfig config;
        QCOMPARE(settings_file_path(), config.ini());
        QFile ini(config.ini());
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[options]\nforprint=0\nPAGEBREAK=5\nJumps=abc\nMessageBeep=0\n");
        ini.close();
        DialogOptions o = read_dialog_options();
        QVERIFY(!o.for_print);
        QVERIFY(o.page_break);  // any non-zero value is on
        QVERIFY(!o.jumps);      // not a number: 0
        QVERIFY(!message_beep_enabled());

        write_dialog_options({true, false, true});
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QString text = QString::fromLatin1(ini.readAll());
        ini.close();
        QCOMPARE(text.count(QStringLiteral("ForPrint"), Qt::CaseInsensitive), 1);
        QCOMPARE(text.count(QStringLiteral("PageBreak"), Qt::CaseInsensitive), 1);
        QVERIFY(text.contains(QStringLiteral("MessageBeep=0")));
        o = read_dialog_options();
        QVERIFY(o.for_print && !o.page_break && o.jumps);

        QCOMPARE(profile_int(QStringLiteral("  12x")), 12);
        QCOMPARE(profile_int(QStringLiteral("-3")), -3);
        QCOMPARE(profile_int(QStringLiteral("x1")), 0);
        QCOMPARE(profile_int(QStringLiteral("99999999999999999999")), 0x7FFFFFFF);

        qputenv("XDG_CONFIG_HOME", "relative/dir");
        QCOMPARE(settings_file_path(), QDir::homePath() + QStringLiteral("/.config/KORVANE.INI"));
        qunsetenv("XDG_CONFIG_HOME");
        QCOMPARE(settings_file_path(), QDir::homePath() + QStringLiteral("/.config/KORVANE.INI"));
    }

    void textsOfTheThreeLanguages() {
        FreshConfig config;
        struct Case {
            Language lang;
            const char* texts[12];  // caption, 1, 2, 1038, 7000, 7003, 7001, 7103, three labels
        } cases[] = {
            {Language::English,
             {"Convert HLP-File to RTF", "C&onvert!", "&Cancel", "&Help", "For &Print", "Page per &Topic",
              "Avoid SH&G-Files", "Jump-Reference", "&Filename:", "&Directories:", "&Format:", "V1.10"}},
            {Language::German,
             {"HLP-Datei in RTF konvertieren", "K&onvertieren", "Abbrechen", "&Hilfe", "&Druckgeeignet",
              "S&eitenwechsel je Thema", "Keine SH&G-Dateien", "&Sprünge zeigen", "Datei&name:",
              "&Verzeichnisse:", "Datei&format:", "V1.10"}},
            {Language::Spanish,
             {"Convertir Fichas HLP -> RTF/HPJ", "C&onvertir", "Cancelar", "Ay&uda", "Para &Imprintar",
              "Page per &Topic", "No &SHG-Fichas", "Jump-Reference", "Nombre del &archivo HLP:",
              "&Directorios:", "&Mostrar archivos de tipo:", "V1.10"}},
        };
        for (const Case& c : cases) {
            OpenDialog d(c.lang);
            auto t = [&](int i) { return QString::fromUtf8(c.texts[i]); };
            QCOMPARE(d.windowTitle(), t(0));
            QCOMPARE(d.push_button(1)->text(), t(1));
            QCOMPARE(d.push_button(2)->text(), t(2));
            QCOMPARE(d.push_button(1038)->text(), t(3));
            const int ids[] = {7000, 7003, 7001, 7103};
            for (int i = 0; i < 4; ++i) {
                auto* box = d.findChild<QCheckBox*>(QString::number(ids[i]));
                QVERIFY(box);
                QCOMPARE(box->text(), t(4 + i));
            }
            QStringList labels;
            for (QLabel* l : d.findChildren<QLabel*>()) {
                labels << l->text();
                // A label with a shortcut letter has a field to jump to.
                if (l->text().contains(QLatin1Char('&'))) QVERIFY2(l->buddy(), qPrintable(l->text()));
            }
            for (int i = 8; i < 12; ++i) QVERIFY2(labels.contains(t(i)), qPrintable(t(i)));
            QCOMPARE(d.nameFilters(), (QStringList{QStringLiteral("Supported Files (*.HLP;*.MVB;*.M13)"),
                                                   QStringLiteral("HLP WinHelp File (*.HLP)")}));
            QCOMPARE(d.fileMode(), QFileDialog::ExistingFile);
            QVERIFY(d.testOption(QFileDialog::DontUseNativeDialog));
        }
    }

    void qtOwnTextsFollowTheLanguage() {
        const char* yes = "&Yes";
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", yes), QStringLiteral("&Yes"));
        {
            std::unique_ptr<QTranslator> de = install_qt_translation(Language::German);
            if (!de) QSKIP("Qt's German translations are not installed");
            QCOMPARE(QCoreApplication::translate("QPlatformTheme", yes), QStringLiteral("&Ja"));
        }
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", yes), QStringLiteral("&Yes"));
        QVERIFY(!install_qt_translation(Language::English));
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
        qunsetenv("LC_ALL");
        qunsetenv("LC_MESSAGES");
        qunsetenv("LANG");
    }

    void fileTypesMatchWithoutCase() {
        QCOMPARE(case_blind_patterns(QStringLiteral("Supported Files (*.HLP;*.MVB;*.M13)")),
                 (QStringList{QStringLiteral("*.[Hh][Ll][Pp]"), QStringLiteral("*.[Mm][Vv][Bb]"),
                              QStringLiteral("*.[Mm]13")}));
        FreshConfig config;
        QTemporaryDir folder;
        for (const char* name : {"a.hlp", "B.HLP", "c.Mvb", "d.m13", "e.txt", "f.hlpx", "g.HLP.bak"}) {
            touch(folder.filePath(QString::fromLatin1(name)));
        }
        OpenDialog d(Language::English);
        d.setDirectory(folder.path());
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QCOMPARE(listed(d, folder.path()),
                 (QStringList{QStringLiteral("B.HLP"), QStringLiteral("a.hlp"), QStringLiteral("c.Mvb"),
                              QStringLiteral("d.m13")}));
        // The user picks the second file type.
        auto* types = d.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        QVERIFY(types);
        types->setFocus();
        QTest::keyClick(types, Qt::Key_Down);
        QCOMPARE(types->currentIndex(), 1);
        QCOMPARE(listed(d, folder.path()), (QStringList{QStringLiteral("B.HLP"), QStringLiteral("a.hlp")}));
        d.reject();
    }

    void helpOpensAPageThatTheDialogEndCloses() {
        FreshConfig config;
        OpenDialog d(Language::German);
        d.check_box(7000)->click();
        d.push_button(1038)->click();
        QPointer<QTextBrowser> help = d.help_window();
        QVERIFY(help && help->isVisible());
        QVERIFY(help->toPlainText().contains(QStringLiteral("Druckgeeignet")));
        QVERIFY(shown(d.check_box(7001)) && !shown(d.check_box(7003)));
        d.push_button(2)->click();
        QTest::qWait(20);
        QVERIFY(!help || !help->isVisible());
    }

    void dialogStartedConversionRunsInTheFilesFolder() {
        FreshConfig config;
        QTemporaryDir folder;
        QString file = folder.filePath(QStringLiteral("My Help.hlp"));
        touch(file);
        const QString start_dir = QDir::currentPath();
        QtPlatform gui(Language::English);
        set_platform(&gui);
        int calls = 0, flags = 0;
        QString cwd, path;
        bool finished_shown = false;
        auto convert = [&](const std::string& p, int f) {
            ++calls;
            path = QString::fromStdString(p);
            flags = f;
            cwd = QDir::currentPath();
            gui.open_progress();
            gui.set_phase("Reading Topics");
            gui.set_percent(100);
        };
        choose_when_shown(file, [](OpenDialog* d) { d->check_box(7000)->click(); });
        when_shown<ProgressDialog>(
            [&](ProgressDialog* p) {
                finished_shown = true;
                QTest::keyClick(p, Qt::Key_Return);
            },
            [](ProgressDialog* p) { return !p->running(); });
        QCOMPARE(run_open_dialog(Language::English, gui, convert), 2);
        QDir::setCurrent(start_dir);
        set_platform(nullptr);
        QCOMPARE(calls, 1);
        QCOMPARE(flags, 0x38);
        QCOMPARE(QFileInfo(cwd).canonicalFilePath(), QFileInfo(folder.path()).canonicalFilePath());
        QCOMPARE(QFileInfo(path).canonicalFilePath(), QFileInfo(file).canonicalFilePath());
        QVERIFY(finished_shown);
        QVERIFY(!gui.dialog());
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
        QString phase;
        choose_when_shown(file, [](OpenDialog* d) { d->check_box(7000)->click(); });
        when_shown<ProgressDialog>(
            [&](ProgressDialog* p) {
                phase = p->phase_label()->text();
                p->button()->click();
            },
            [](ProgressDialog* p) { return !p->running(); });
        QCOMPARE(run_open_dialog(Language::English, gui,
                                 [](const std::string& p, int f) { convert_help_file(p, f); }),
                 2);
        QDir::setCurrent(start_dir);
        set_platform(nullptr);
        QCOMPARE(phase, QStringLiteral("Reading Topics"));  // the phase of the last pass
        QVERIFY(QFile::exists(folder.filePath(QStringLiteral("SAMPLE.HPJ"))));
        QVERIFY(!QFile::exists(QDir(start_dir).filePath(QStringLiteral("SAMPLE.HPJ"))));
    }
    void fatalProblemShowsABoxAndEndsWithCode1() {
        FreshConfig config;
        QTemporaryDir folder;
        QString file = folder.filePath(QStringLiteral("BAD.HLP"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("this is not a help file");
        f.close();
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
