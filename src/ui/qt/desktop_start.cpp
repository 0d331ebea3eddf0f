// The desktop start's folder choice, the offer to open the result folder,
// and the run that ties them to one conversion.
#include "ui/qt/desktop_start.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <unistd.h>

#include "ui/qt/progress_dialog.h"

namespace korvane::qt {

const DesktopTexts& desktop_texts(Language lang) {
    static const DesktopTexts english{
        QStringLiteral("The folder %1 cannot be written to.\nChoose another folder for the converted files."),
        QStringLiteral("Folder for the converted files"), QStringLiteral("Open &Folder")};
    static const DesktopTexts german{
        QStringLiteral("In das Verzeichnis %1 kann nicht geschrieben werden.\n"
                       "Wählen Sie ein anderes Verzeichnis für die konvertierten Dateien."),
        QStringLiteral("Verzeichnis für die konvertierten Dateien"), QStringLiteral("&Ordner öffnen")};
    static const DesktopTexts spanish{
        QStringLiteral("No se puede escribir en la carpeta %1.\nElija otra carpeta para los archivos convertidos."),
        QStringLiteral("Carpeta para los archivos convertidos"), QStringLiteral("Abrir &carpeta")};
    switch (lang) {
    case Language::German: return german;
    case Language::Spanish: return spanish;
    case Language::English: break;
    }
    return english;
}

bool folder_writable(const QString& folder) {
    QFileInfo info(folder);
    return info.isDir() && ::access(QFile::encodeName(info.absoluteFilePath()).constData(), W_OK | X_OK) == 0;
}

QString output_folder_for(const QString& help_file, Language lang, const DesktopHooks& hooks) {
    QString folder = QFileInfo(help_file).absolutePath();
    const DesktopTexts& t = desktop_texts(lang);
    while (!hooks.writable(folder)) {
        QMessageBox ask(QMessageBox::Warning, QString::fromLatin1(kCancelQuestionCaption),
                        t.folder_not_writable.arg(QDir::toNativeSeparators(folder)),
                        QMessageBox::Ok | QMessageBox::Cancel);
        if (ask.exec() != QMessageBox::Ok) return {};
        QFileDialog choose(nullptr, t.choose_folder, QDir::homePath());
        choose.setOption(QFileDialog::DontUseNativeDialog);
        choose.setOption(QFileDialog::ShowDirsOnly);
        choose.setFileMode(QFileDialog::Directory);
        choose.setAcceptMode(QFileDialog::AcceptOpen);
        if (choose.exec() != QDialog::Accepted || choose.selectedFiles().isEmpty()) return {};
        folder = QFileInfo(choose.selectedFiles().first()).absoluteFilePath();
    }
    return folder;
}

QPushButton* offer_result_folder(ProgressDialog& dialog, const QString& folder, Language lang,
                                 const DesktopHooks& hooks) {
    auto* offer = new QPushButton(desktop_texts(lang).open_folder, &dialog);
    offer->setObjectName(QStringLiteral("open_folder"));
    offer->setAutoDefault(false);
    // Above the dialog's own button, as wide and as high, a third of its
    // height apart; wider when the text needs it.
    QRect own = dialog.button()->geometry();
    int width = std::max(own.width(), offer->sizeHint().width());
    offer->setGeometry(own.right() + 1 - width, own.top() - own.height() * 4 / 3, width, own.height());
    QUrl url = QUrl::fromLocalFile(folder);
    QObject::connect(offer, &QPushButton::clicked, &dialog, [&dialog, url, open = hooks.open_folder] {
        if (open) open(url);
        dialog.button()->click();
    });
    offer->show();
    return offer;
}

int run_desktop_conversion(Language lang, QtPlatform& platform, const QString& help_file, int flags,
                           const DesktopHooks& hooks) {
    QFileInfo file(help_file);
    // A missing file goes straight to the conversion, whose message names it.
    QString folder = file.exists() ? output_folder_for(file.absoluteFilePath(), lang, hooks) : file.absolutePath();
    if (folder.isEmpty()) return 2;
    QDir::setCurrent(folder);
    if (std::optional<ConversionError> error = hooks.convert(QFile::encodeName(file.absoluteFilePath()).toStdString(), flags)) {
        return show_conversion_error(platform, *error);
    }
    if (ProgressDialog* dialog = platform.dialog()) offer_result_folder(*dialog, folder, lang, hooks);
    platform.finish_progress();
    return 2;
}

}  // namespace korvane::qt
