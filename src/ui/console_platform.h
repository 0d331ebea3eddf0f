// SPDX-License-Identifier: MIT
// The terminal as the user interface of a conversion: fatal messages and
// warnings on stderr, the phase and a percentage bar when stderr is a
// terminal, plain phase lines otherwise. A warning raised again with the
// same text is not printed again; at the end of the conversion (or before a
// fatal message) each such warning is printed once more with its count,
// "Warning: TEXT (N times in all)".
#pragma once

#include <map>
#include <string>

#include "base/platform.h"

namespace korvane {

class ConsolePlatform : public Platform {
public:
    // quiet: only fatal messages are shown.
    // Its texts are in the language of the user's locale.
    explicit ConsolePlatform(bool quiet = false);
    ~ConsolePlatform() override;

    int language_offset() const override { return language_offset_; }

    void show_fatal(std::string_view caption, std::string_view text) override;
    void open_progress() override;
    void set_phase(std::string_view text) override;
    void set_percent(int percent) override;
    void add_warning_line(std::string_view line) override;
    void repeat_warning(size_t index, std::string_view line, unsigned long count) override;

    // Ends the bar line, if one is drawn, and prints the counts of the
    // repeated warnings.
    void finish();

    // Fatal messages begin with prefix (e.g. "korvane-cli: FILE: ") instead
    // of the caption.
    void set_fatal_prefix(std::string prefix) { fatal_prefix_ = std::move(prefix); }

private:
    int language_offset_;
    struct Repeated {
        std::string line;
        unsigned long count = 0;
    };

    void draw();
    void clear_bar();
    void print_repeated();

    bool quiet_;
    bool tty_;
    std::string fatal_prefix_;
    std::map<size_t, Repeated> repeated_;  // by the order first shown
    bool bar_shown_ = false;
    std::string phase_;
    int percent_ = 0;
};

// Picks the string-table language from LC_ALL, LC_MESSAGES or LANG:
// German for "de*", English otherwise. Returns the language offset.
int language_offset_from_locale();

// Flushes stdout. Returns 0, or 1 after telling on stderr, under the
// program's name, why the output could not be written (a full disk, a
// closed pipe).
int finish_standard_output(const char* program);

}  // namespace korvane
