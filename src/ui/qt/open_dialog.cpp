// SPDX-License-Identifier: MIT
// The option panel added to Qt's file dialog, the file-type patterns, the
// visibility rule, the help page and the flags of a confirmed dialog.
#include "ui/qt/open_dialog.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QDialogButtonBox>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBrowser>
#include <algorithm>

#include "ui/qt/settings.h"

namespace korvane::qt {

int convert_flags(bool for_print, bool page_break, bool jumps, bool no_shg) {
    if (for_print) return 0x07 | (page_break ? 0x10 : 0) | (jumps ? 0x20 : 0);
    return 0x38 | (no_shg ? 0x01 : 0);
}

QStringList case_blind_patterns(const QString& filter) {
    QString list = filter;
    qsizetype open = filter.lastIndexOf(QLatin1Char('('));
    qsizetype close = filter.lastIndexOf(QLatin1Char(')'));
    if (open >= 0 && close > open) list = filter.mid(open + 1, close - open - 1);
    QStringList patterns;
    for (const QString& p : list.split(QRegularExpression(QStringLiteral("[;\\s]+")), Qt::SkipEmptyParts)) {
        QString blind;
        for (QChar c : p) {
            if (c.isLetter() && c.toLower() != c.toUpper()) {
                blind += QLatin1Char('[') + c.toUpper() + c.toLower() + QLatin1Char(']');
            } else {
                blind += c;
            }
        }
        patterns << blind;
    }
    return patterns;
}

OpenDialog::OpenDialog(Language lang, QWidget* parent) : QFileDialog(parent), lang_(lang) {
    const OpenDialogTexts& t = open_dialog_texts(lang);
    setOption(QFileDialog::DontUseNativeDialog, true);
    setFileMode(QFileDialog::ExistingFile);
    setAcceptMode(QFileDialog::AcceptOpen);
    setWindowTitle(t.caption);
    setLabelText(QFileDialog::FileName, t.file_name_label);
    setLabelText(QFileDialog::LookIn, t.directories_label);
    setLabelText(QFileDialog::FileType, t.format_label);
    setLabelText(QFileDialog::Accept, t.convert);
    setLabelText(QFileDialog::Reject, t.cancel);

    // The file dialog's own filtering splits patterns at blanks only and
    // matches with the file system's case; the model gets patterns that
    // split at ';' too and ignore case.
    setNameFilters({QString::fromLatin1(kFilterSupported), QString::fromLatin1(kFilterHlp)});
    apply_file_type(QString::fromLatin1(kFilterSupported));
    connect(this, &QFileDialog::filterSelected, this, &OpenDialog::apply_file_type);

    auto* panel = new QWidget(this);
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(8, 0, 0, 0);
    for_print_ = new QCheckBox(t.for_print, panel);
    for_print_->setObjectName(QStringLiteral("7000"));
    page_break_ = new QCheckBox(t.page_per_topic, panel);
    page_break_->setObjectName(QStringLiteral("7003"));
    no_shg_ = new QCheckBox(t.avoid_shg, panel);
    no_shg_->setObjectName(QStringLiteral("7001"));
    jumps_ = new QCheckBox(t.jump_reference, panel);
    jumps_->setObjectName(QStringLiteral("7103"));
    web_pages_ = new QCheckBox(t.web_pages, panel);
    web_pages_->setObjectName(QStringLiteral("7104"));
    html_help_ = new QCheckBox(t.html_help, panel);
    html_help_->setObjectName(QStringLiteral("7105"));
    auto* version = new QLabel(QString::fromLatin1(kVersionText), panel);
    // The site comes first: it decides whether the options below apply.
    grid->addWidget(web_pages_, 0, 0);
    grid->setRowMinimumHeight(1, web_pages_->sizeHint().height() / 2);
    grid->addWidget(for_print_, 2, 0);
    grid->addWidget(page_break_, 3, 0);  // 7003 and 7001 share one place
    grid->addWidget(no_shg_, 3, 0);
    grid->addWidget(jumps_, 4, 0);
    // In the row that stretches, at its top: the boxes above keep their
    // places.
    grid->addWidget(html_help_, 5, 0, Qt::AlignTop);
    grid->setRowStretch(5, 1);
    grid->addWidget(version, 6, 0, Qt::AlignRight | Qt::AlignBottom);

    // 7003 and 7001 take turns; the panel keeps the width of the widest box
    // so the file list does not jump when For Print is clicked.
    int widest = 0;
    for (QCheckBox* b : {for_print_, page_break_, no_shg_, jumps_, web_pages_, html_help_}) widest = std::max(widest, b->sizeHint().width());
    panel->setMinimumWidth(widest + grid->contentsMargins().left());

    // Labels whose '&' should mark a shortcut need a buddy; the file dialog
    // gives one only to the file name label.
    auto set_buddy = [this](const char* label, const char* field) {
        auto* l = findChild<QLabel*>(QLatin1String(label));
        auto* f = findChild<QWidget*>(QLatin1String(field));
        if (l && f && !l->buddy()) l->setBuddy(f);
    };
    set_buddy("lookInLabel", "lookInCombo");
    set_buddy("fileTypeLabel", "fileTypeCombo");

    auto* buttons = findChild<QDialogButtonBox*>();
    if (auto* main = qobject_cast<QGridLayout*>(layout())) {
        main->addWidget(panel, 0, main->columnCount(), main->rowCount(), 1);
    } else if (layout()) {
        layout()->addWidget(panel);
    }
    if (buttons) {
        for (QAbstractButton* b : buttons->buttons()) {
            QDialogButtonBox::ButtonRole role = buttons->buttonRole(b);
            if (role == QDialogButtonBox::AcceptRole) b->setObjectName(QStringLiteral("1"));
            if (role == QDialogButtonBox::RejectRole) b->setObjectName(QStringLiteral("2"));
        }
        help_button_ = buttons->addButton(t.help, QDialogButtonBox::HelpRole);
    } else {
        help_button_ = new QPushButton(t.help, panel);
        grid->addWidget(help_button_, 7, 0);
    }
    help_button_->setObjectName(QStringLiteral("1038"));
    help_button_->setAutoDefault(false);
    connect(help_button_, &QPushButton::clicked, this, &OpenDialog::show_help);

    DialogOptions o = read_dialog_options();
    page_break_->setChecked(o.page_break);
    jumps_->setChecked(o.jumps);
    for_print_->setChecked(o.for_print);
    apply_visibility(o.for_print);
    connect(for_print_, &QCheckBox::toggled, this, &OpenDialog::apply_visibility);
    web_pages_->setChecked(o.web == OutputKind::site);
    html_help_->setChecked(o.web == OutputKind::html_help);
    apply_web(nullptr);
    connect(web_pages_, &QCheckBox::toggled, this, [this] { apply_web(web_pages_); });
    connect(html_help_, &QCheckBox::toggled, this, [this] { apply_web(html_help_); });

    resize(800, 460);
}

OpenDialog::~OpenDialog() = default;

QCheckBox* OpenDialog::check_box(int id) const {
    switch (id) {
    case 7000: return for_print_;
    case 7001: return no_shg_;
    case 7003: return page_break_;
    case 7103: return jumps_;
    case 7104: return web_pages_;
    case 7105: return html_help_;
    default: return nullptr;
    }
}

QPushButton* OpenDialog::push_button(int id) const {
    if (id == 1038) return help_button_;
    return findChild<QPushButton*>(QString::number(id));
}

void OpenDialog::apply_visibility(bool for_print) {
    page_break_->setVisible(for_print);
    jumps_->setVisible(for_print);
    no_shg_->setVisible(!for_print);
}

void OpenDialog::apply_web(QCheckBox* toggled) {
    // Web Pages and HTML Help exclude each other.
    if (toggled && toggled->isChecked()) {
        QCheckBox* other = toggled == web_pages_ ? html_help_ : web_pages_;
        if (other->isChecked()) other->setChecked(false);  // comes back here, unchecked
    }
    const bool web = web_pages_->isChecked() || html_help_->isChecked();
    for (QCheckBox* b : {for_print_, page_break_, no_shg_, jumps_}) b->setEnabled(!web);
}

void OpenDialog::apply_file_type(const QString& filter) {
    if (auto* model = findChild<QFileSystemModel*>()) {
        model->setNameFilterDisables(false);  // files of other types are not listed
        model->setNameFilters(case_blind_patterns(filter));
    }
}

QString own_help_file(Language lang) {
    const QString name = QLatin1String(lang == Language::German ? "KORVANED.HLP" : "KORVANE.HLP");
    for (const QString& folder : {QCoreApplication::applicationDirPath(), QStringLiteral(KORVANE_HELP_DIR)}) {
        QFileInfo file(QDir(folder).filePath(name));
        if (file.isFile()) return file.absoluteFilePath();
    }
    return {};
}

void OpenDialog::show_help() {
    // The help file as the browser shows it (korvane --read); the page of
    // the dialog itself when the help file is missing.
    QString file = own_help_file(lang_);
    if (!file.isEmpty() &&
        QProcess::startDetached(QCoreApplication::applicationFilePath(), {QStringLiteral("--read"), file})) {
        apply_visibility(for_print_->isChecked());
        return;
    }
    if (!help_) {
        help_ = new QTextBrowser(this);
        help_->setWindowFlags(Qt::Window);
        help_->setAttribute(Qt::WA_DeleteOnClose);
        help_->setWindowTitle(QStringLiteral("Korvane"));
        help_->setHtml(help_page(lang_));
        help_->resize(520, 360);
    }
    help_->show();
    help_->raise();
    apply_visibility(for_print_->isChecked());
}

void OpenDialog::done(int result) {
    if (result == QDialog::Accepted) {
        DialogOptions o;
        o.for_print = for_print_->isChecked();
        o.page_break = page_break_->isChecked();
        o.jumps = jumps_->isChecked();
        o.web = web_pages_->isChecked()   ? OutputKind::site
                : html_help_->isChecked() ? OutputKind::html_help
                                          : OutputKind::sources;
        chosen_.flags = convert_flags(o.for_print, o.page_break, o.jumps, no_shg_->isChecked());
        chosen_.kind = o.web != OutputKind::sources ? o.web : rtf_kind(chosen_.flags);
        write_dialog_options(o);
    }
    if (help_) help_->close();
    QFileDialog::done(result);
}

}  // namespace korvane::qt
