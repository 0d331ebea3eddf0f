// SPDX-License-Identifier: MIT
// The decoded help file: the container and everything read from it once,
// before any output is written. build_help_model fills it in one call;
// afterwards it is only read (writers take it as const), so the outputs of
// one help file all see the same tables and names, whatever order they are
// written in.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/messages.h"
#include "helpfile/helpfile.h"
#include "helpfile/system.h"
#include "topics/code_page.h"
#include "topics/contents_file.h"
#include "topics/context_hash.h"
#include "topics/fonts.h"
#include "topics/help_file_name.h"
#include "topics/indexes.h"
#include "topics/phrases.h"
#include "topics/picture_names.h"

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

struct HelpModel {
    HelpFile file;
    PhraseTables phrases;
    FontTable fonts;  // |FONT
    // The windows of |SYSTEM in record order, and the names of those that
    // hotspots can name by number.
    std::vector<WindowDefinition> windows;
    std::vector<std::string> window_names;
    // The file each picture number of the topic text refers to.
    PictureNames picture_names;
    // Context names known for hashes: picture hotspot targets, then the
    // contents file's contexts.
    ContextNames context_names;
    // Not read in print mode, which writes no footnotes.
    ContextTable context_table;
    KeywordTable keyword_table;    // K keywords (|KWBTREE, |KWDATA)
    KeywordTable a_keyword_table;  // A keywords, for associative links (|AWBTREE, |AWDATA)
    CodePageChoice code_page;      // of the text
    std::optional<ContentsFile> contents;  // the contents file beside the help file
    std::string key;  // of the help file's name (topics/help_file_name.h)

    // True when file, as a jump, macro or contents entry names a help file,
    // names this one; an empty name stands for this one.
    bool is_this_help_file(std::string_view file) const { return names_help_file(file, key); }
};

// What a model is built for.
struct ModelOptions {
    int flags = 0;           // CVF_ bits: print mode reads no index tables, CVF_NO_SHG names pictures
    int user_code_page = 0;  // 0: the file's
    // The help file's path (or the name it stands under), which gives its
    // key.
    std::string path;
    // The help file's path without extension, where a contents file is
    // looked for; empty: none.
    std::string contents_stem;
};

// Decodes the opened container file into a model. Progress and warnings go
// to report; damaged tables give what could be read.
std::unique_ptr<const HelpModel> build_help_model(HelpFile file, const ModelOptions& options, Reporter& report);

}  // namespace korvane
