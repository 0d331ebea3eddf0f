// Progress reports go to the progress dialog; each one ends by handling the
// waiting events, which is where a click on Cancel is noticed.
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
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    QMessageBox box(QMessageBox::Critical, text_from_core(caption), text_from_core(text), QMessageBox::Ok);
    box.exec();
}

void QtPlatform::open_progress() {
    if (dialog_) return;
    dialog_ = new ProgressDialog(lang_);
    dialog_->show();
}

void QtPlatform::set_phase(std::string_view text) {
    if (dialog_) dialog_->phase_label()->setText(text_from_core(text));
}

void QtPlatform::set_percent(int percent) {
    if (dialog_) dialog_->bar()->set_position(static_cast<uint16_t>(percent));
}

void QtPlatform::add_warning_line(std::string_view line) {
    if (dialog_) dialog_->warnings()->addItem(text_from_core(line));
}

void QtPlatform::pump_events() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void QtPlatform::finish_progress() {
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

}  // namespace korvane::qt
