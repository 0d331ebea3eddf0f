// SPDX-License-Identifier: MIT
// What the decoding of one help file collects beside its container.
#pragma once

#include <string>
#include <vector>

#include "base/output_sink.h"
#include "helpfile/helpfile.h"
#include "topics/browse.h"
#include "topics/context_hash.h"
#include "topics/fonts.h"
#include "topics/indexes.h"
#include "topics/phrases.h"
#include "topics/topic_reader.h"

namespace korvane {

// ConvertFlags bits.
enum : int {
    CVF_NO_SHG = 0x01,
    CVF_EMBED_PICTURES = 0x02,
    CVF_FOR_PRINT = 0x04,
    CVF_TWO_PASS = 0x08,
    CVF_PAGE_BREAK = 0x10,
    CVF_JUMPS = 0x20,
};

// The container of one conversion with its flags, its progress and warnings,
// where its output files go, and the tables, names and reader state read
// from it.
struct Decoding : HelpFile {
    int flags = 0;  // CVF_ bits
    int code_page = 1252;  // of the text (topics/code_page.h)
    OutputSink* output = nullptr;  // set by the driver before anything is written
    // The progress window and the warnings of this conversion.
    Reporter report;
    ContextNames context_names;
    ContextTable context_table;
    KeywordTable keyword_table;    // K keywords (|KWBTREE, |KWDATA)
    KeywordTable a_keyword_table;  // A keywords, for associative links (|AWBTREE, |AWDATA)
    PictureNames picture_names;
    PhraseTables phrases;
    FontTable fonts;  // |FONT, read when the file is opened
    std::vector<std::string> window_names;  // secondary windows with a name
    BrowseGroups browse_groups;
    TopicReader topic_reader;
};

}  // namespace korvane
