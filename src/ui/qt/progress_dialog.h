// SPDX-License-Identifier: MIT
// The modeless progress dialog: the phase text (7102), the "Prog" bar
// (7100, bordered), the "Warnings:" label, the warnings list (7101, not
// sorted) and the push button (2 "&Cancel" while converting, 1 "&Ok" once
// finished). Controls carry their ids as object names and stand where the
// dialog-unit layout puts them (units from the dialog font, as Windows
// derives them).
//
// While converting, the button, Escape and closing the window all ask
// whether to cancel; Yes marks the dialog cancelled, and the conversion
// stops at its next progress report (Fatal::Cancelled), leaving the files
// written so far. Once finished, the button, Enter, Escape and closing
// the window dismiss the dialog.
#pragma once

#include <QDialog>
#include <string_view>

#include "ui/qt/ui_texts.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace korvane::qt {

class ProgressBar;

// Text from the core: UTF-8 when it is valid UTF-8, else Latin-1, so bytes
// taken from a help file never turn into nothing.
QString text_from_core(std::string_view text);

class ProgressDialog : public QDialog {
    Q_OBJECT
public:
    explicit ProgressDialog(Language lang, QWidget* parent = nullptr);

    QLabel* phase_label() const { return phase_; }
    ProgressBar* bar() const { return bar_; }
    QListWidget* warnings() const { return warnings_; }
    QPushButton* button() const { return button_; }

    bool running() const { return running_; }
    bool dismissed() const { return dismissed_; }
    bool cancelled() const { return cancelled_; }

    // The conversion is over: the button becomes "&Ok" (id 1, default).
    void set_finished();

signals:
    void dismissed_changed();

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    int language_offset_;  // of the core's texts
    void command(int id);

    QLabel* phase_;
    ProgressBar* bar_;
    QListWidget* warnings_;
    QPushButton* button_;
    bool running_ = true;
    bool dismissed_ = false;
    bool cancelled_ = false;
};

}  // namespace korvane::qt
