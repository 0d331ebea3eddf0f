// SPDX-License-Identifier: MIT
// The help file container.
//
// A help file is a small file system. At offset 0 stands a 16-byte header:
// u32 magic 0x00035F3F, i32 offset of the directory, 8 unused bytes. Every
// internal file, the directory included, starts with a 9-byte header (u32
// unused, u32 used size, 1 unused byte) and its content follows.
//
// The directory is a B-tree (helpfile/btree.h) read with pages of 1024 bytes
// whatever its header says. Its leaf entries are a zero-terminated name of
// at most 58 characters and a u32 offset of that internal file's header.
//
// |SYSTEM starts with a 12-byte header: u16 unused, u16 minor version at 2
// (its low byte names the compiler), 6 unused bytes, u16 flags at 10 (0x0004
// and 0x0008: compression); records follow it.
//
// The whole file is held in memory and read through bounded cursors.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "base/messages.h"
#include "base/byte_reader.h"

namespace korvane {

constexpr uint32_t kHelpMagic = 0x00035F3F;
constexpr size_t kHelpHeaderSize = 16;
constexpr size_t kFileHeaderSize = 9;
constexpr size_t kFileHeaderUsedSize = 4;  // offset of the used size
constexpr uint16_t kDirectoryPageSize = 1024;
constexpr size_t kSystemHeaderSize = 12;
constexpr size_t kSystemMinorVersion = 2;
constexpr size_t kSystemFlags = 10;

// Location of a well-known internal file; both 0 when absent.
struct FileSpan {
    uint32_t offset = 0;  // first content byte
    uint32_t size = 0;
    bool present() const { return offset != 0; }
};

// One row of the directory.
struct InternalFile {
    uint32_t offset = 0;  // first content byte (header offset + 9)
    uint32_t size = 0;    // used size
    std::string name;     // with its leading '|' if it has one
};

struct HelpFile {
    bool topics_compressed = false;

    std::unique_ptr<uint8_t[]> bytes;  // the whole help file when read from a path
    ByteReader input;            // cursor over the whole help file (bytes or the caller's memory)

    uint16_t minor_version = 0;  // from the |SYSTEM header
    uint16_t system_flags = 0;
    bool is_hc30 = false;
    bool is_hcrtf = false;
    // Topic text is phrase-coded with the indexed scheme (|PhrIndex and
    // |PhrImage) rather than the two-byte codes of |Phrases. The table the
    // file holds decides, whatever compiler wrote it; a file without a phrase
    // table follows its compiler (HCRTF: indexed).
    bool indexed_phrases = false;

    FileSpan phrases_file, phrimage_file, phrindex_file, system_file, font_file, topic_file,
        tomap_file, context_file, kwbtree_file, kwdata_file, awbtree_file, awdata_file, ctxomap_file;

    int32_t file_count = 0;
    std::vector<InternalFile> files;  // the directory in directory order

    // Cursor over the content of an internal file, clipped to the help file.
    ByteReader reader(const FileSpan& f) const { return input.sub(f.offset, f.size); }
    ByteReader reader(uint32_t offset, uint32_t size) const { return input.sub(offset, size); }
};

// Reads path into help and its directory; false when it cannot be read.
// Every other problem is fatal. Progress and warnings go to report.
bool open_help_file(HelpFile& help, Reporter& report, const std::string& path);
// The same for a help file held in memory, read where it is: bytes must stay
// while help is used.
void open_help_data(HelpFile& help, Reporter& report, std::span<const uint8_t> bytes);

// Reads the |SYSTEM header of the given directory row and checks the
// compiler version (fatal for unsupported ones).
void read_system_header(HelpFile& help, Reporter& report, const InternalFile& row);
// The help file's title from |SYSTEM; empty when it has none.
std::string help_title(const HelpFile& help);
// The Windows locale id (LCID) its |SYSTEM locale record names: a record of
// type 9 whose bytes 8 and 9 hold it (the bytes before are flags); 0 when
// there is none or it is cut short. 3.0 files have no records.
uint16_t help_locale(const HelpFile& help);
// Name of the compiler that the low byte of a |SYSTEM minor version stands
// for; nullptr for one whose files are not converted.
const char* compiler_name(unsigned version);

}  // namespace korvane
