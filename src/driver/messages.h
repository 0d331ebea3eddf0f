// Fatal messages, warnings, the localized string table and progress reports.
#pragma once

#include <string>
#include <string_view>

#include "driver/format.h"

namespace korvane {

struct HelpFile;

// Localized text for a string id (English 1..42, German at id + 512, chosen
// by the language offset); "String Id not found" when there is none.
std::string_view message_text(int id);

// Shows text under the caption of string 42 and ends the process with
// exit code 1. Every open output stream is flushed; nothing is deleted.
[[noreturn]] void fatal_message(std::string_view text);

template <class... A>
[[noreturn]] void fatal_error(std::string_view fmt, const A&... args) {
    std::string s;
    format_into(s, fmt, {FmtArg(args)...});
    fatal_message(s);
}

// Adds a formatted, localized warning line (cut at its first LF) to the
// progress window of help; dropped while there is no progress window yet
// and during the dry topic pass. A text already shown in this conversion is
// not added again; the platform learns its new count instead.
void add_warning_text(HelpFile& help, std::string_view line);

template <class... A>
void add_warning(HelpFile& help, int id, const A&... args) {
    std::string s;
    format_into(s, message_text(id), {FmtArg(args)...});
    add_warning_text(help, s);
}

// The one progress call of all passes: percent 0 keeps the bar, phase 0
// keeps the text. The first report of a conversion opens the progress window.
void report_progress(HelpFile& help, int percent, int phase);

// Installs the new-handler that ends the process with "Not enough Memory\n".
void install_memory_handler();

// a * b / c with a 64-bit intermediate, rounded to nearest; -1 when c is 0
// or the result does not fit in 32 bits.
int mul_div(int a, int b, int c);

}  // namespace korvane
