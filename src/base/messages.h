// SPDX-License-Identifier: MIT
// Fatal messages, warnings, the localized string table and progress reports.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/format.h"
#include "base/platform.h"

namespace korvane {

// What one conversion has shown: the progress window and its warnings,
// through the platform of the front end that runs it.
struct Reporter {
    explicit Reporter(Platform& p = silent_platform()) : platform(&p) {}

    Platform* platform;
    bool progress_window = false;
    int phase_shown = 0;  // the string id of the phase on show, 0 before the first
    // Warnings shown in this conversion, by text: the order in which each
    // was first shown and how often it was raised.
    struct WarningCount {
        size_t index = 0;
        unsigned long count = 0;
    };
    std::unordered_map<std::string, WarningCount> warnings_shown;
    // Set while a pass runs whose warnings a later pass raises again (the
    // dry topic pass, a scan of the topics); see MutedWarnings.
    bool warnings_muted = false;
};

// Mutes a reporter's warnings for as long as it lives, however the scope
// it guards is left (a fatal error travels through it as an exception).
class MutedWarnings {
public:
    explicit MutedWarnings(Reporter& report) : report_(report), was_(report.warnings_muted) {
        report.warnings_muted = true;
    }
    ~MutedWarnings() { report_.warnings_muted = was_; }
    MutedWarnings(const MutedWarnings&) = delete;
    MutedWarnings& operator=(const MutedWarnings&) = delete;

private:
    Reporter& report_;
    bool was_;
};

// The ids of the localized string table: the English text at the id, the
// German one at id + 512. Phases name the progress text, the rest are
// warnings, the page header of print mode and the captions.
enum class Msg : int {
    None = 0,  // report_progress: keep the phase shown
    ScanningKeywords = 1,
    ConvertingBitmaps = 2,
    ExtractingBaggage = 3,
    ReadingContextFile = 4,
    CreatingMap = 5,
    ScanningBrowseSequences = 6,
    ReadingTopics = 7,
    LoadingSystemFile = 8,
    MapLookupFailed = 10,
    IllegalHotspotData = 11,
    IllegalWindowReference = 12,
    IllegalFontSelection = 13,
    IllegalMacroHotspot = 14,
    HotspotEndWithoutStart = 15,
    IllegalBitmapReference = 16,
    TableFormatNotSupported = 17,
    TopicWithoutContextId = 19,
    UnknownRecordType = 20,
    PhraseSizeMismatch = 21,
    CodePageDetected = 22,
    ContentsIncludeMissing = 23,
    ContentsIncludeRefused = 24,
    CompilingHtmlHelp = 25,
    HtmlHelpNotCompiled = 26,
    CannotCreate = 31,
    InvalidPictureFile = 32,
    UnknownImageType = 33,
    FileCreatedBy = 34,
    PrintPageHeader = 36,
    ReallyCancel = 41,
    SevereProblem = 42,  // the caption of every fatal message
};

// Localized text for a string id in the language of language_offset (0
// English, 512 German); "String Id not found" when there is none.
std::string_view message_text(Msg id, int language_offset = 0);

// The fatal conditions. Their texts are English in every language.
enum class Fatal : int {
    CannotOpen,          // "Can't open File %s"
    CannotOpenBecause,   // "Can't open File %s: %s"
    CannotCreate,        // "Error creating File %s: %s"
    NotAHelpFile,        // "Magic Number of HLP-File incorrect. ..."
    DirectoryDamaged,    // "Fileformat-Problem. FileNumber=%ld"
    UnsupportedCompiler, // "This Program can only Convert HLP-Files created by ..."
    DiskFull,            // "Can't write. Disk Full?"
    CannotCreateBitmap,  // "Error opening output bitmap file"
    CannotCreateMetafile,// "Error opening output metafile"
    OutOfMemory,         // "Not enough Memory"
    Cancelled,           // the user stopped the conversion; no text
    CompilerFailed,      // "The HTML Help compiler %s failed: %s. Its messages are in %s"
    CompiledFileRefused, // "The compiled file %s is not as the HTML Help compiler writes it: %s"
};

// The format of a fatal condition's text.
std::string_view fatal_format(Fatal id);

// Errors are values: a fatal condition ends the conversion, not the process.
// fatal_error throws the ConversionError, and the one exit of the conversion
// (run_conversion in driver/convert.h) catches it, together with
// std::bad_alloc as Fatal::OutOfMemory, and hands it back as a value.
// Nothing else catches it. Unwinding closes every output stream that is open
// (flushing it), in the state the process exit used to leave it in: nothing
// is deleted and no stream writes anything more on its way out. Only the
// programs' main functions turn the error into a message and an exit code.
struct ConversionError {
    Fatal id = Fatal::OutOfMemory;
    std::vector<std::string> args;  // each argument as text, numbers in decimal
    std::string text;               // the formatted message, without line end
};

[[noreturn]] void throw_fatal(Fatal id, std::initializer_list<FmtArg> args);

template <class... A>
[[noreturn]] void fatal_error(Fatal id, const A&... args) {
    throw_fatal(id, {FmtArg(args)...});
}

// Adds a formatted, localized warning line (cut at its first LF) to the
// progress window of report; dropped while there is no progress window yet
// and during the dry topic pass. A text already shown in this conversion is
// not added again; the platform learns its new count instead.
void add_warning_text(Reporter& report, std::string_view line);

template <class... A>
void add_warning(Reporter& report, Msg id, const A&... args) {
    std::string s;
    format_into(s, message_text(id, report.platform->language_offset()), {FmtArg(args)...});
    add_warning_text(report, s);
}

// The one progress call of all passes: percent 0 keeps the bar, Msg::None
// keeps the text. The first report of a conversion opens the progress window.
// Ends the conversion with Fatal::Cancelled when the user asked to stop.
void report_progress(Reporter& report, int percent, Msg phase);

// a * b / c with a 64-bit intermediate, rounded to nearest; -1 when c is 0
// or the result does not fit in 32 bits.
int mul_div(int a, int b, int c);

}  // namespace korvane
