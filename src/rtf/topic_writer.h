// SPDX-License-Identifier: MIT
// The RTF topic files: the topic pass writes them, 152 topics to a file,
// with the help-source markup of each topic. Each topic starts with its
// footnotes ("#" context id, "$" title, "!" entry macro, "+" browse
// sequence, "K" keywords, "A" associative-link keywords; none in print
// mode); jumps are struck-through
// text and popups underlined text, each followed by its target in hidden
// text: the context name, a "%" before it for hotspots that keep the font,
// then ">window" and "@file" parts. Macro hotspots are struck through with
// the target "!macro" ("%!macro" without font change). Without CVF_JUMPS
// jumps and popups lose their start word and their target.
#pragma once

#include <string>

namespace korvane {

struct RtfConversion;
class OutStream;

// Writes the RTF files "%s%d.RTF" and their "[Files]" lines in project.
void write_topic_files(RtfConversion& help, const std::string& base_name, OutStream& project);

// The pass before the writing pass (CVF_TWO_PASS): enters every topic into
// the browse-sequence groups, so that the writing pass knows each topic's
// place, and counts the characters the writing pass's line feeds follow on
// from.
void run_dry_topic_pass(RtfConversion& help);

// The "[Files]" line and the head of one RTF file: document group, page
// header in print mode, font and colour tables.
void begin_rtf_file(RtfConversion& help, OutStream& project, OutStream& rtf, const std::string& file_name);
// Closes the document group and the stream.
void end_rtf_file(OutStream& rtf);

}  // namespace korvane
