// SPDX-License-Identifier: MIT
// One conversion of a help file into one of its outputs.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "base/messages.h"
#include "output/output_sink.h"
#include "helpfile/helpfile.h"
#include "topics/help_model.h"  // the CVF_ flags

namespace korvane {

// Names derived from the input path.
struct OutputNames {
    // The path as given when such a file exists; with ".HLP" appended when
    // the file name has no '.' and the path names nothing or only a folder
    // beside which NAME.HLP exists.
    std::string input_path;
    std::string project_name;  // file name with its extension replaced by ".HPJ", or "NUL" in print mode
    std::string base_name;     // file name without extension, cut to 6 characters
};

// The help file's path without its extension: where its contents file is
// looked for (topics/contents_file.h).
std::string path_stem(const std::string& path);

// The first count characters of a file name: a well-formed UTF-8 sequence is
// one character, any other byte is one character of its own, so a name is
// never cut inside a character and names in a single-byte encoding are cut
// after count bytes as before.
std::string first_characters(std::string_view name, size_t count);

OutputNames derive_output_names(const std::string& path, int flags);

// Opens the help file at input_path (from derive_output_names). A file that
// is missing, unreadable or a directory is fatal: "Can't open File PATH:
// REASON".
HelpFile open_input_file(const std::string& input_path, Reporter& report);

// The one exit of a conversion: runs body and returns the fatal error that
// ended it (memory exhaustion as Fatal::OutOfMemory), or nothing when body
// ran to its end.
[[nodiscard]] std::optional<ConversionError> run_conversion(const std::function<void()>& body);

// What a conversion writes.
enum class OutputKind {
    sources,  // the project file, RTF topic files, pictures and baggage
    print,    // RTF files for printing (print mode)
    site,     // a web site (html/site.h) in a folder named after the help file
    html_help,  // an HTML Help file (.chm) and its project (chm/html_help.h)
};

struct ConversionOptions {
    OutputKind kind = OutputKind::sources;
    // The CVF_ bits of the RTF outputs: CVF_FOR_PRINT is set for print and
    // cleared for sources; a site and an HTML Help file take none.
    int flags = CVF_TWO_PASS | CVF_PAGE_BREAK | CVF_JUMPS;
    int code_page = 0;  // of the text as the user chose it, 0 to take it from the file
};

// The help file a conversion reads.
struct HelpInput {
    // Its path; for bytes, the name it stands under, which names the
    // outputs (the file itself is then never looked for).
    std::string path;
    // The help file's bytes, read where they are; none to read path. Held
    // in memory, the help file has no contents file beside it.
    std::optional<std::span<const uint8_t>> bytes;
};

// The kind a set of CVF_ flags asks for: print when CVF_FOR_PRINT is set.
OutputKind rtf_kind(int flags);

// A help file read into its model, with the names its outputs take. The
// model is only read by the writers, so several outputs may be written from
// one, one after the other or at once on several threads.
struct ReadHelp {
    OutputNames names;
    std::unique_ptr<const HelpModel> model;
};

// Opens input and decodes it into its model for the flags an output kind
// reads it with (see ConversionOptions; print mode reads no index tables).
// A problem that ends the conversion is thrown as ConversionError: callers
// run this inside run_conversion.
ReadHelp read_help(const HelpInput& input, const ConversionOptions& options, Reporter& report);
// Writes the output options ask for from a help file read for it.
void write_output(const ReadHelp& help, const ConversionOptions& options, OutputSink& output, Reporter& report);

// The one way to convert a help file: reads input and writes the output
// options ask for into output (a DiskSink for a folder on disk, a
// MemorySink for buffers). Progress and warnings go to platform. Returns
// the fatal error that ended the conversion, if one did; what was written
// up to it stays.
[[nodiscard]] std::optional<ConversionError> convert(const HelpInput& input, const ConversionOptions& options,
                                                     OutputSink& output, Platform& platform = silent_platform());

}  // namespace korvane
