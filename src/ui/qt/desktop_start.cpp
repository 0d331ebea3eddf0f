// SPDX-License-Identifier: MIT
// The desktop start's folder choice, the offers to open the result folder
// or site, and the run that ties them to one conversion.
#include "ui/qt/desktop_start.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <unistd.h>

#include "html/site_files.h"
#include "topics/help_file_name.h"
#include "ui/qt/progress_dialog.h"

namespace korvane::qt {

const DesktopTexts& desktop_texts(Language lang) {
    static const DesktopTexts english{
        QStringLiteral("The folder %1 cannot be written to.\nChoose another folder for the converted files."),
        QStringLiteral("Folder for the converted files"), QStringLiteral("Open &Folder"),
        QStringLiteral("Open in &Browser")};
    static const DesktopTexts german{
        QStringLiteral("In das Verzeichnis %1 kann nicht geschrieben werden.\n"
                       "Wählen Sie ein anderes Verzeichnis für die konvertierten Dateien."),
        QStringLiteral("Verzeichnis für die konvertierten Dateien"), QStringLiteral("&Ordner öffnen"),
        QStringLiteral("Im &Browser öffnen")};
    static const DesktopTexts spanish{
        QStringLiteral("No se puede escribir en la carpeta %1.\nElija otra carpeta para los archivos convertidos."),
        QStringLiteral("Carpeta para los archivos convertidos"), QStringLiteral("Abrir &carpeta"),
        QStringLiteral("Abrir en el &navegador")};
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

namespace {

// A button above the dialog's own that opens url and dismisses the dialog.
QPushButton* add_offer(ProgressDialog& dialog, const QString& text, const QString& name, const QUrl& url,
                       const OpenUrlFn& open) {
    auto* offer = new QPushButton(text, &dialog);
    offer->setObjectName(name);
    offer->setAutoDefault(false);
    // Above the dialog's own button, as wide and as high, a third of its
    // height apart; wider when the text needs it.
    QRect own = dialog.button()->geometry();
    int width = std::max(own.width(), offer->sizeHint().width());
    offer->setGeometry(own.right() + 1 - width, own.top() - own.height() * 4 / 3, width, own.height());
    QObject::connect(offer, &QPushButton::clicked, &dialog, [&dialog, url, open] {
        if (open) open(url);
        dialog.button()->click();
    });
    offer->show();
    return offer;
}

}  // namespace

QString site_index_path(const QString& folder, const QString& help_file) {
    std::string name = help_file_key(QFile::encodeName(help_file).toStdString());
    name += "/" + std::string(html::kIndexPage);
    return QDir(folder).filePath(QFile::decodeName(name.c_str()));
}

QPushButton* offer_result_folder(ProgressDialog& dialog, const QString& folder, Language lang, const OpenUrlFn& open) {
    return add_offer(dialog, desktop_texts(lang).open_folder, QStringLiteral("open_folder"), QUrl::fromLocalFile(folder),
                     open);
}

QPushButton* offer_site(QtPlatform& platform, const QString& folder, const QString& help_file, Language lang,
                        const OpenUrlFn& open) {
    QString index = site_index_path(folder, help_file);
    ProgressDialog* dialog = platform.dialog();
    if (!dialog || !QFileInfo(index).isFile()) return nullptr;
    QPushButton* offer =
        add_offer(*dialog, desktop_texts(lang).open_site, QStringLiteral("open_site"), QUrl::fromLocalFile(index), open);
    offer->setToolTip(QDir::toNativeSeparators(index));
    return offer;
}

int run_desktop_conversion(Language lang, QtPlatform& platform, const QString& help_file,
                           const ConversionOptions& options, const DesktopHooks& hooks) {
    QFileInfo file(help_file);
    // A missing file goes straight to the conversion, whose message names it.
    QString folder = file.exists() ? output_folder_for(file.absoluteFilePath(), lang, hooks) : file.absolutePath();
    if (folder.isEmpty()) return 2;
    if (std::optional<ConversionError> error = hooks.convert(QFile::encodeName(file.absoluteFilePath()).toStdString(),
                                                             QFile::encodeName(folder).toStdString(), options)) {
        return show_conversion_error(platform, *error);
    }
    if (options.kind == OutputKind::site) {
        offer_site(platform, folder, file.absoluteFilePath(), lang, hooks.open_url);
    } else if (ProgressDialog* dialog = platform.dialog()) {
        offer_result_folder(*dialog, folder, lang, hooks.open_url);
    }
    platform.finish_progress();
    return 2;
}

}  // namespace korvane::qt
