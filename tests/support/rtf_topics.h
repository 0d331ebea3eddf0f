// Topic records and whole topic passes for the tests of the topic writer.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "support/rtf_builder.h"
#include "support/topic_builder.h"

namespace korvane::test {

// A topic header record: six u32 fields and the text title NUL macro (no
// text when both are empty).
struct TopicHeaderSpec {
    int32_t number = 0;
    std::string title = {};
    std::string macro = {};
    uint32_t browse_back = 0xFFFFFFFF;
    uint32_t browse_forward = 0xFFFFFFFF;
    uint32_t scroll = 0;
    uint32_t block_size = 100;
};
TopicRecord topic_header(const TopicHeaderSpec& desc);
// A display-text record (0x20): the two compressed values and the byte in
// front of the paragraph; type 0x01 (3.0 text) has only the first value and
// the byte; type 0x23 is a table record with the row in place of the paragraph.
TopicRecord text_record(const Format& paragraph, const std::vector<std::string>& strings, uint8_t type = 0x20);
// One paragraph of plain text ended by a paragraph end.
TopicRecord plain_text(const std::string& text);

// Changes the working directory for its lifetime.
struct WorkingDirectory {
    std::filesystem::path previous = std::filesystem::current_path();
    explicit WorkingDirectory(const std::string& dir) { std::filesystem::current_path(dir); }
    ~WorkingDirectory() { std::filesystem::current_path(previous); }
};

// What one conversion of a built help file through the topic passes gave.
struct TopicRun {
    std::vector<std::string> files;      // RTF files in [Files] order
    std::vector<std::string> contents;   // their text, CR LF read as LF
    std::string project;                 // the project stream (from "[Files]")
    std::vector<std::string> warnings, phases;
    std::vector<int> percents;
    std::string all() const;  // every file, flattened (no line feeds), one after another
};

// Builds the help file, opens it, loads the indexes (outside print mode),
// builds the font styles and runs the dry pass (CVF_TWO_PASS) and the
// writing pass with base name "T". patch may change the built file first.
TopicRun run_topics(const HelpFileSpec& desc, int flags,
                    const std::function<void(BuiltHelpFile&)>& patch = nullptr);

}  // namespace korvane::test
