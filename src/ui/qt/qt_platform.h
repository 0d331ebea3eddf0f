// The Qt dialogs as the user interface of a conversion: fatal messages in a
// message box, progress and warnings in the progress dialog, and the
// finishing wait after a conversion started from the open dialog.
#pragma once

#include <QPointer>
#include <functional>

#include "driver/platform.h"
#include "ui/qt/progress_dialog.h"
#include "ui/qt/ui_texts.h"

namespace korvane::qt {

class QtPlatform : public Platform {
public:
    explicit QtPlatform(Language lang);
    ~QtPlatform() override;

    void show_fatal(std::string_view caption, std::string_view text) override;
    void open_progress() override;
    void set_phase(std::string_view text) override;
    void set_percent(int percent) override;
    void add_warning_line(std::string_view line) override;
    // Handles every waiting event, so the dialog repaints and Cancel is seen.
    void pump_events() override;

    // The button becomes "&Ok", a beep sounds unless "MessageBeep" is 0, and
    // the call returns once the user dismisses the dialog, which is then
    // destroyed. Does nothing when no progress dialog was opened.
    void finish_progress();

    ProgressDialog* dialog() const { return dialog_; }

    // The sound of a finished conversion (QApplication::beep by default).
    void set_beep(std::function<void()> beep) { beep_ = std::move(beep); }

private:
    Language lang_;
    QPointer<ProgressDialog> dialog_;
    std::function<void()> beep_;
};

}  // namespace korvane::qt
