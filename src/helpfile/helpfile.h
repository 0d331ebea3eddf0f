// The help file container and the per-conversion record.
//
// A help file is a small file system. At offset 0 stands a 16-byte header:
// u32 magic 0x00035F3F, i32 offset of the directory, 8 unused bytes. Every
// internal file, the directory included, starts with a 9-byte header (u32
// unused, u32 used size, 1 unused byte) and its content follows.
//
// The directory is a B-tree: a 38-byte B-tree header (u16 page size at 4,
// i16 root page at 26, u32 total leaf entries at 34), then pages of 1024
// bytes. A page starts with 8 bytes: u16 unused, i16 entry count, i16 at 4
// (leftmost child in an index page, previous leaf or -1 in a leaf), i16 at 6
// (next leaf or -1). Leaf entries are a zero-terminated name and a u32 offset
// of that internal file's header. The first leaf is found by following the
// field at 4 down from the root until it is negative.
//
// The whole file is held in memory and read through bounded cursors.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "helpfile/byte_reader.h"
#include "rtf/fonts.h"
#include "topics/browse.h"
#include "topics/context_hash.h"
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

constexpr uint32_t kHelpMagic = 0x00035F3F;

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
    int flags = 0;
    bool topics_compressed = false;

    std::vector<uint8_t> bytes;  // the whole help file
    ByteReader input;            // cursor over bytes

    uint32_t directory_start = 0;
    uint16_t minor_version = 0;  // from the |SYSTEM header
    uint16_t system_flags = 0;
    bool is_hc30 = false;
    bool is_hcrtf = false;
    bool long_font_records = false;
    int code_page = 1252;  // of the text; any other than the Western one is written into the RTF files
    int16_t directory_first_leaf = 0;
    uint32_t directory_pages_start = 0;

    FileSpan phrases_file, phrimage_file, phrindex_file, system_file, font_file, topic_file,
        tomap_file, context_file, kwbtree_file, kwdata_file, ctxomap_file;

    int32_t file_count = 0;
    std::vector<InternalFile> files;  // the directory in directory order

    ContextNames context_names;
    FontStyles font_styles;
    ContextTable context_table;
    KeywordTable keyword_table;
    PictureNames picture_names;
    PhraseTables phrases;
    std::vector<std::string> window_names;  // secondary windows with a name
    BrowseGroups browse_groups;
    TopicReader topic_reader;

    bool progress_window = false;
    int phase_shown = 0;  // the string id of the phase on show, 0 before the first
    // Warnings shown in this conversion, by text: the order in which each
    // was first shown and how often it was raised.
    struct WarningCount {
        size_t index = 0;
        unsigned long count = 0;
    };
    std::unordered_map<std::string, WarningCount> warnings_shown;
    // Set while the dry topic pass runs: the writing pass raises the same
    // warnings again.
    bool warnings_muted = false;
    // Characters of text written into the RTF files and the dry pass so far;
    // every 64th is followed by a line feed.
    uint64_t rtf_chars_written = 0;

    // Cursor over the content of an internal file, clipped to the help file.
    ByteReader reader(const FileSpan& f) const { return input.sub(f.offset, f.size); }
    ByteReader reader(uint32_t offset, uint32_t size) const { return input.sub(offset, size); }
};

// Opens path; nullptr when it cannot be read. Every other problem is fatal.
std::unique_ptr<HelpFile> open_help_file(const std::string& path, int flags);
// Releases the record; in print mode deletes the extracted picture files.
void close_help_file(std::unique_ptr<HelpFile> help);

// First-leaf descent of a B-tree whose page 0 starts at pages_start (an
// absolute file position). Returns -1 when the tree is damaged (a page
// outside the file or a descent that does not end).
int16_t first_leaf_page(const HelpFile& help, uint32_t pages_start, uint16_t page_size, int16_t root);

// Reads the |SYSTEM header of the given directory row and checks the
// compiler version (fatal for unsupported ones).
void read_system_header(HelpFile& help, const InternalFile& row);

}  // namespace korvane
