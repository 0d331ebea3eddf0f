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

#include <cstdint>
#include <string>

#include "base/writer_output.h"

#include "topics/browse.h"

namespace korvane {

struct HelpModel;
struct Reporter;
class OutStream;
class OutputSink;

// What the passes over the topics carry from one to the next: the browse
// groups the topics were entered into, and the characters of text written
// so far (every 64th is followed by a line feed).
struct TopicPasses {
    BrowseGroups browse;
    uint64_t characters = 0;
};

// Writes the RTF files "%s%d.RTF" and their "[Files]" lines in project.
void write_topic_files(const HelpModel& model, const WriterOutput& out, TopicPasses& passes, const std::string& base_name,
                       OutStream& project);

// The pass before the writing pass (CVF_TWO_PASS): enters every topic into
// the browse-sequence groups, so that the writing pass knows each topic's
// place, and counts the characters the writing pass's line feeds follow on
// from. Its warnings are not shown: the writing pass raises them again.
TopicPasses run_dry_topic_pass(const HelpModel& model, Reporter& report, int flags);

// The "[Files]" line and the head of one RTF file: document group, page
// header in print mode, font and colour tables.
void begin_rtf_file(const HelpModel& model, const WriterOutput& out, OutStream& project, OutStream& rtf,
                    const std::string& file_name);
// Closes the document group and the stream.
void end_rtf_file(OutStream& rtf);

}  // namespace korvane
