// SPDX-License-Identifier: MIT
// The progress dialog's controls, placed in dialog units, and its two
// commands: 1 dismisses the finished dialog, 2 cancels (while converting,
// after asking) or dismisses.
#include "ui/qt/progress_dialog.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QStringDecoder>

#include "base/messages.h"
#include "ui/qt/progress_bar.h"
#include "ui/qt/ui_texts.h"

namespace korvane::qt {

namespace {

// Dialog units to pixels: a horizontal unit is a quarter of the average
// letter width, a vertical unit an eighth of the line height.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font) {
        QFontMetrics fm(font);
        int letters = fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
        base_x_ = (letters / 26 + 1) / 2;
        base_y_ = fm.height();
    }
    QRect rect(int x, int y, int w, int h) const { return QRect(px(x), py(y), px(w), py(h)); }
    int px(int du) const { return du * base_x_ / 4; }
    int py(int du) const { return du * base_y_ / 8; }

private:
    int base_x_ = 8;
    int base_y_ = 16;
};

}  // namespace

QString text_from_core(std::string_view text) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    QString s = utf8.decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    if (!utf8.hasError()) return s;
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

ProgressDialog::ProgressDialog(Language lang, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      language_offset_(string_offset(lang)) {
    const ProgressDialogTexts& t = progress_dialog_texts(lang);
    setWindowTitle(t.caption);
    setModal(false);
    DialogUnits du(font());

    phase_ = new QLabel(this);
    phase_->setObjectName(QStringLiteral("7102"));
    phase_->setGeometry(du.rect(8, 7, 194, 11));

    // The bar's window has a one-pixel border outside its painted area.
    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Box | QFrame::Plain);
    frame->setLineWidth(1);
    frame->setGeometry(du.rect(4, 19, 198, 35));
    bar_ = new ProgressBar(frame);
    bar_->setObjectName(QStringLiteral("7100"));
    bar_->setGeometry(frame->contentsRect());

    auto* label = new QLabel(t.warnings_label, this);
    label->setGeometry(du.rect(4, 66, 60, 8));

    warnings_ = new QListWidget(this);
    warnings_->setObjectName(QStringLiteral("7101"));
    warnings_->setGeometry(du.rect(4, 76, 303, 79));
    warnings_->setSortingEnabled(false);
    warnings_->setFocusPolicy(Qt::NoFocus);

    button_ = new QPushButton(t.cancel, this);
    button_->setObjectName(QStringLiteral("2"));
    button_->setAutoDefault(false);
    button_->setGeometry(lang == Language::German ? du.rect(238, 40, 50, 14) : du.rect(237, 44, 50, 14));
    connect(button_, &QPushButton::clicked, this, [this] { command(button_->objectName().toInt()); });

    setFixedSize(du.px(311), du.py(160));
}

void ProgressDialog::set_finished() {
    running_ = false;
    button_->setObjectName(QStringLiteral("1"));
    button_->setText(QString::fromLatin1(kOkText));
    button_->setAutoDefault(true);
    button_->setDefault(true);
    button_->setFocus();
}

void ProgressDialog::reject() { command(2); }

void ProgressDialog::closeEvent(QCloseEvent* event) {
    event->ignore();
    command(2);
}

void ProgressDialog::command(int id) {
    if (id == 2 && running_) {
        if (cancelled_) return;
        QMessageBox ask(QMessageBox::Question, QString::fromLatin1(kCancelQuestionCaption),
                        text_from_core(message_text(Msg::ReallyCancel, language_offset_)), QMessageBox::Yes | QMessageBox::No, this);
        ask.setDefaultButton(QMessageBox::Yes);
        if (ask.exec() == QMessageBox::Yes) cancelled_ = true;
        return;
    }
    if (id == 1 || id == 2) {
        dismissed_ = true;
        emit dismissed_changed();
    }
}

}  // namespace korvane::qt
