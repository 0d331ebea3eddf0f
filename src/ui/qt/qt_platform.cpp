// SPDX-License-Identifier: MIT
// Progress reports go to the progress dialog; each one ends by handling the
// waiting events (at most every kUpdateIntervalMs), which is where a click
// on Cancel is noticed.
#include "ui/qt/qt_platform.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>

#include "ui/qt/progress_bar.h"
#include "ui/qt/settings.h"

namespace korvane::qt {

QtPlatform::QtPlatform(Language lang) : lang_(lang), beep_([] { QApplication::beep(); }) {}

QtPlatform::~QtPlatform() { delete dialog_.data(); }

void QtPlatform::show_fatal(std::string_view caption, std::string_view text) {
    show_pending();
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    QMessageBox box(QMessageBox::Critical, text_from_core(caption), text_from_core(text), QMessageBox::Ok);
    box.exec();
}

void QtPlatform::open_progress() {
    show_pending();
    since_update_.invalidate();  // the first report shows the dialog at once
    if (dialog_) {
        first_row_ = dialog_->warnings()->count();
        return;
    }
    dialog_ = new ProgressDialog(lang_);
    first_row_ = 0;
    dialog_->show();
}

void QtPlatform::set_phase(std::string_view text) {
    if (dialog_) dialog_->phase_label()->setText(text_from_core(text));
}

void QtPlatform::set_percent(int percent) {
    if (dialog_) dialog_->bar()->set_position(static_cast<uint16_t>(percent));
}

void QtPlatform::add_warning_line(std::string_view line) {
    if (dialog_) new_warnings_.append(text_from_core(line));
}

void QtPlatform::repeat_warning(size_t index, std::string_view line, unsigned long count) {
    if (!dialog_) return;
    auto [it, first] = repeated_.try_emplace(index);
    if (first) it->second.line.assign(line);
    it->second.count = count;
}

void QtPlatform::show_pending() {
    if (!dialog_) {
        new_warnings_.clear();
        repeated_.clear();
        return;
    }
    QListWidget* list = dialog_->warnings();
    if (!new_warnings_.isEmpty()) {
        list->addItems(new_warnings_);
        new_warnings_.clear();
    }
    for (const auto& [index, r] : repeated_) {
        if (QListWidgetItem* item = list->item(first_row_ + static_cast<int>(index))) {
            item->setText(text_from_core(r.line) + QStringLiteral(" (\u00D7%1)").arg(r.count));
        }
    }
    repeated_.clear();
}

void QtPlatform::pump_events() {
    if (since_update_.isValid() && since_update_.elapsed() < kUpdateIntervalMs) return;
    show_pending();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    since_update_.start();
}

bool QtPlatform::stop_requested() { return dialog_ && dialog_->cancelled(); }

void QtPlatform::finish_progress() {
    show_pending();
    if (!dialog_) return;
    dialog_->set_finished();
    if (message_beep_enabled() && beep_) beep_();
    if (!dialog_->dismissed()) {
        QEventLoop wait;
        QObject::connect(dialog_.data(), &ProgressDialog::dismissed_changed, &wait, &QEventLoop::quit);
        wait.exec();
    }
    delete dialog_.data();
}

void QtPlatform::close_progress() {
    show_pending();
    delete dialog_.data();
}

}  // namespace korvane::qt
