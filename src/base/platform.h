// SPDX-License-Identifier: MIT
// What the conversion core asks of the user interface.
//
// The core never talks to a terminal or a window itself: warnings and
// progress go through the Platform the front end hands to each conversion
// (a console, the Qt dialogs, or the silent one for tests and fuzzing). A
// fatal problem comes back from the conversion as a value; the front end
// shows it through its platform's show_fatal. The language offset is a
// choice of the platform; everything that one conversion changes lives with
// that conversion.
#pragma once

#include <cstddef>
#include <string_view>

namespace korvane {

class Platform {
public:
    virtual ~Platform() = default;

    // Shows a fatal message under the given caption (called by the front
    // end with the error a conversion returned, never by the core).
    virtual void show_fatal(std::string_view caption, std::string_view text) = 0;

    // Creates the progress window; called by the first progress report.
    virtual void open_progress() = 0;
    // Shows a new phase text.
    virtual void set_phase(std::string_view text) = 0;
    // Moves the bar to percent (may exceed 100 or move backwards).
    virtual void set_percent(int percent) = 0;
    // Appends one line to the warnings list. A line is added once per
    // conversion: when the same text is raised again, repeat_warning says so.
    virtual void add_warning_line(std::string_view line) = 0;
    // The warning line added as number index (from 0, in the order added)
    // has now been raised count times in all (count >= 2).
    virtual void repeat_warning(size_t index, std::string_view line, unsigned long count) = 0;
    // Lets the user interface handle what is waiting (repaint, Cancel).
    virtual void pump_events() {}
    // True once the user has asked to stop the conversion; the core asks
    // after every pump_events and ends the conversion with Fatal::Cancelled.
    virtual bool stop_requested() { return false; }
    // The language of the texts it shows: the offset of the string table,
    // 0 English, 512 German.
    virtual int language_offset() const { return 0; }
};

// A platform that shows nothing.
Platform& silent_platform();

}  // namespace korvane
