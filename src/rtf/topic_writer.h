// The topic pass: walks every topic link record of |TOPIC and writes the
// RTF topic files, 152 topics to a file, with the footnotes of each topic.
//
// A record is a 21-byte header (i32 link_size, i32 text_size, i32
// prev_link, i32 next_link, i32 data1_size, byte record_type), the format
// data (data1_size - 21 bytes) and the stored text. Types: 0x01 text of a
// 3.0 file, 0x02 topic header, 0x20 display text, 0x23 table.
#pragma once

#include <string>

namespace korvane {

struct RtfConversion;
class OutStream;

// Writing pass (writing = true): the RTF files "%s%d.RTF" and their
// "[Files]" lines in project. Dry pass: the same walk into the null device,
// which enters every topic into the browse-sequence groups.
void write_topic_files(RtfConversion& help, const std::string& base_name, OutStream& project, bool writing);

// The dry pass before the writing pass (CVF_TWO_PASS).
void run_dry_topic_pass(RtfConversion& help);

// The "[Files]" line and the head of one RTF file: document group, page
// header in print mode, font and colour tables.
void begin_rtf_file(RtfConversion& help, OutStream& project, OutStream& rtf, const std::string& file_name);
// Closes the document group and the stream.
void end_rtf_file(OutStream& rtf);

}  // namespace korvane
