// SPDX-License-Identifier: MIT
// One conversion of a help file into its sources.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "base/messages.h"
#include "base/output_sink.h"
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

// Converts the help file at path into the current directory. code_page: the
// code page of the text as the user chose it, 0 to take it from the file.
// Progress and warnings go to platform.
// Returns the fatal error that ended the conversion, if one did; what was
// written up to it stays.
[[nodiscard]] std::optional<ConversionError> convert_help_file(const std::string& path, int flags, int code_page = 0,
                                                               Platform& platform = silent_platform());

// Converts the help file at path into a web site (html/site.h) in the
// folder named after it (lower case, see site_folder_name) in the current
// directory, created when missing. Returns the fatal error that ended the
// conversion, if one did; what was written up to it stays.
[[nodiscard]] std::optional<ConversionError> convert_help_file_to_site(const std::string& path, int code_page = 0,
                                                                       Platform& platform = silent_platform());

// Converts the help file held in bytes (read where they are) into output,
// as convert_help_file does into the current directory. name stands for the
// help file's path: the output files are named from it (the file itself is
// never looked for).
// Nothing but output is written to, and neither the current directory nor
// the environment is used.
[[nodiscard]] std::optional<ConversionError> convert_help_data(std::span<const uint8_t> bytes, const std::string& name,
                                                               OutputSink& output, int flags, int code_page = 0,
                                                               Platform& platform = silent_platform());
// The same for the web site.
[[nodiscard]] std::optional<ConversionError> convert_help_data_to_site(std::span<const uint8_t> bytes,
                                                                       const std::string& name, OutputSink& output,
                                                                       int code_page = 0,
                                                                       Platform& platform = silent_platform());

}  // namespace korvane
