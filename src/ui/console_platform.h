// The terminal as the user interface of a conversion: fatal messages and
// warnings on stderr, the phase and a percentage bar when stderr is a
// terminal, plain phase lines otherwise.
#pragma once

#include <string>

#include "driver/platform.h"

namespace korvane {

class ConsolePlatform : public Platform {
public:
    // quiet: only fatal messages are shown.
    explicit ConsolePlatform(bool quiet = false);
    ~ConsolePlatform() override;

    void show_fatal(std::string_view caption, std::string_view text) override;
    void open_progress() override;
    void set_phase(std::string_view text) override;
    void set_percent(int percent) override;
    void add_warning_line(std::string_view line) override;

    // Ends the bar line, if one is drawn.
    void finish();

private:
    void draw();
    void clear_bar();

    bool quiet_;
    bool tty_;
    bool bar_shown_ = false;
    std::string phase_;
    int percent_ = 0;
};

// Picks the string-table language from LC_ALL, LC_MESSAGES or LANG:
// German for "de*", English otherwise. Returns the language offset.
int language_offset_from_locale();

}  // namespace korvane
