// SPDX-License-Identifier: MIT
// The contents file NAME.CNT that comes beside a help file.
//
// Plain text in the help file's code page, lines ended by CR LF or LF:
//
//   :Base FILE.HLP[>WINDOW]     the help file the entries open by default
//   :Title TEXT                 the title of the contents
//   :Index TITLE=FILE.HLP       a keyword index to search with
//   :Link FILE.HLP              a help file whose keywords are searched too
//   :Include FILE.CNT           a contents file inserted at this point
//   N Heading text              a book at level N (1 the outermost)
//   N Title=CONTEXT[@FILE][>WINDOW]   a topic at level N
//
// Lines starting with ';' are comments; other ':' lines are kept as they
// are. A level-N entry goes into the last book of level N-1 before it.
// A title may contain '=' itself: the target starts after the last one.
//
// Any bytes give a tree: empty lines and lines without a level are
// skipped (and counted), a level 0 is taken as 1, a level deeper than the
// last book's + 1 (however large) goes into the last book, books nest at
// most kMaxContentsDepth deep, NUL bytes are dropped (a file saved as
// UTF-16 keeps its ASCII this way), a byte-order mark is skipped, a lone CR
// ends a line too. In the double-byte code pages the trail byte of a
// character is never taken for '=', '@' or '>'.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/byte_reader.h"

namespace korvane {

constexpr int kMaxContentsDepth = 32;

struct ContentsEntry {
    enum class Kind { book, topic, include };
    Kind kind = Kind::book;
    int level = 1;          // where it ended up, 1 for the outermost
    std::string title;      // bytes of the code page; for include the file name
    std::string context;    // topics: the context id
    std::string file;       // topics: the help file after '@', empty for the base file
    std::string window;     // topics: the window after '>'
    std::vector<ContentsEntry> children;  // books
};

struct ContentsFile {
    std::string base_file, base_window;  // from :Base
    std::string title;                   // from :Title
    std::vector<std::string> indexes;    // :Index operands as written
    std::vector<std::string> links;      // :Link operands
    std::vector<std::string> includes;   // :Include operands, in order, also of included files
    std::vector<std::string> other_commands;  // other ':' lines, whole
    std::vector<ContentsEntry> entries;  // level 1; includes not followed stand where they were
    size_t skipped_lines = 0;            // non-empty lines that were no entry or command
    // Includes read_contents_file did not follow, as written: names that
    // lead out of the folder, and files it did not find or could not read.
    std::vector<std::string> refused_includes, missing_includes;
};

// Gives the bytes of an included contents file, nullopt when it is not to
// be had (then the include stays in the tree as an include entry).
using IncludeReader = std::function<std::optional<std::string>(std::string_view name)>;

// With an include reader, the lines of an included file are read as if they
// stood in place of the :Include line (their levels unchanged), and so are
// the files they include, at most kMaxIncludeDepth deep and none while it
// is being read already.
constexpr int kMaxIncludeDepth = 8;
ContentsFile parse_contents_file(ByteReader text, int code_page, const IncludeReader& includes = {});

// Reads and parses the contents file at path, following the includes that
// name files of the same folder (is_local_include; found by
// find_in_folder, no symbolic links). Files over 16 MB and files that
// cannot be read are not taken.
std::optional<ContentsFile> read_contents_file(const std::filesystem::path& path, int code_page);

// The file of the folder named name, the case of its ASCII letters aside
// (help files and their contents files come from systems that ignore it:
// ABBREVIA.HLP beside Abbrevia.cnt); of several such files the first in
// byte order. Only regular files count, and symbolic links to them when
// links is true. nullopt when there is none or the folder cannot be read.
std::optional<std::filesystem::path> find_in_folder(const std::filesystem::path& folder, std::string_view name,
                                                    bool links);

// The contents file beside a help file whose path without its extension is
// stem: NAME.cnt in the stem's folder (the current one for a bare name),
// found by find_in_folder; a symbolic link is taken. None for an empty stem.
std::optional<std::filesystem::path> contents_file_beside(const std::string& stem);

// True when an :Include operand names a file in the contents file's own
// folder: a plain file name, no path separators, drive or parent folder.
bool is_local_include(std::string_view name);

}  // namespace korvane
