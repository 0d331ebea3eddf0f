// SPDX-License-Identifier: MIT
// The Qt dialogs as the user interface of a conversion: fatal messages in a
// message box, progress and warnings in the progress dialog, and the
// finishing wait after a conversion started from the open dialog.
//
// Warnings are queued and reach the list together, at most every
// kUpdateIntervalMs when the events are handled, so that a file with
// thousands of warnings costs no more than on the terminal. A warning raised
// again with the same text stays one line, which ends in " (×N)".
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <map>
#include <string>

#include "base/platform.h"
#include "ui/qt/progress_dialog.h"
#include "ui/qt/ui_texts.h"

namespace korvane::qt {

class QtPlatform : public Platform {
public:
    explicit QtPlatform(Language lang);
    int language_offset() const override { return string_offset(lang_); }
    ~QtPlatform() override;

    void show_fatal(std::string_view caption, std::string_view text) override;
    void open_progress() override;
    void set_phase(std::string_view text) override;
    void set_percent(int percent) override;
    void add_warning_line(std::string_view line) override;
    void repeat_warning(size_t index, std::string_view line, unsigned long count) override;
    // At most every kUpdateIntervalMs: shows the queued warnings, then
    // handles every waiting event, so the dialog repaints and Cancel is seen.
    void pump_events() override;
    // Cancel confirmed in the progress dialog.
    bool stop_requested() override;

    // Shows the queued warnings and counts in the list now.
    void show_pending();

    static constexpr int kUpdateIntervalMs = 50;

    // The button becomes "&Ok", a beep sounds unless "MessageBeep" is 0, and
    // the call returns once the user dismisses the dialog, which is then
    // destroyed. Does nothing when no progress dialog was opened.
    void finish_progress();

    // Closes the progress dialog at once, if one is open.
    void close_progress();

    ProgressDialog* dialog() const { return dialog_; }

    // The sound of a finished conversion (QApplication::beep by default).
    void set_beep(std::function<void()> beep) { beep_ = std::move(beep); }

private:
    struct Repeated {
        std::string line;
        unsigned long count = 0;
    };

    Language lang_;
    QPointer<ProgressDialog> dialog_;
    std::function<void()> beep_;
    QStringList new_warnings_;             // not yet in the list
    std::map<size_t, Repeated> repeated_;  // counts not yet shown, by warning index
    int first_row_ = 0;                    // list row of this conversion's warning 0
    QElapsedTimer since_update_;
};

}  // namespace korvane::qt
