// Builders for topic data in tests: the |TOPIC internal file from a list of
// topic link records, the phrase files (|Phrases, |PhrIndex with |PhrImage),
// and whole help files carrying them.
//
// |TOPIC is a row of blocks (4096 bytes; 2048 for 3.0 files), each a 12-byte
// header (last_link, first_link, last_topic_header: topic positions) and a
// data area, LZ77-compressed per block in compressed files. The records
// follow each other without gaps in the decompressed data, each a 21-byte
// header (link_size, text_size, prev_link, next_link, data1_size,
// record_type), the format data and the stored text. A topic position is
// block << 14 | (12 + byte in the block's data) (block << 11 for 3.0).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/hlp_builder.h"

namespace korvane {
struct HelpFile;
}

namespace korvane::test {

// One topic link record.
struct TopicRecord {
    uint8_t record_type = 0x20;
    std::vector<uint8_t> format;        // first data part, without the 21-byte header
    std::vector<uint8_t> text;          // second data part as stored (phrase-coded or not)
    std::optional<int32_t> text_size;   // text_size field; text.size() when not given
    bool new_block = false;             // begin this record at the start of a new block
};

struct TopicOptions {
    bool compressed = false;    // LZ77 per block, at most 4084 compressed bytes each
    bool hc30 = false;          // 2048-byte blocks, 11-bit positions, offsets x4096; never compressed
    // Largest decompressed data of one block; 0: the data area (stored) or
    // 16372 (compressed). Compressed blocks also end where their compressed
    // form fills the 4084-byte area.
    size_t block_data_size = 0;
    // Fill of the unused rest of every block but the last: the data area
    // behind the valid data (stored), or the space behind the compressed data
    // (compressed; the reader decompresses it into junk behind the data).
    uint8_t padding = 0;
};

// Where one record landed.
struct TopicRecordInfo {
    uint32_t position = 0;     // its topic position
    uint32_t block = 0;        // block it begins in
    size_t stream_offset = 0;  // offset in the decompressed record stream
    size_t size = 0;           // link_size
    // Topic offset the topic loop holds for this record (before adding its
    // text_size): the text of a record of type 0x01, 0x20 or 0x23 covers
    // [text_offset, text_offset + text_size). Counted like the loop: a block
    // load resets it to block x 32768 (x 4096 for 3.0), each text or table
    // record adds its text_size; pending picture-hotspot counts are ignored.
    uint32_t text_offset = 0;
};

struct BuiltTopic {
    std::vector<uint8_t> content;               // the |TOPIC internal file
    std::vector<TopicRecordInfo> records;       // one per record, in order
    std::vector<uint8_t> stream;                // all records back to back, fields filled in
    std::vector<std::vector<uint8_t>> blocks;   // the valid decompressed data of each block
    // The complete bytes of record i (header, format data, stored text).
    std::vector<uint8_t> record_bytes(size_t i) const;
};

// Lays out records in blocks. With stored blocks and block_data_size below
// the data area a record must not span more than one block boundary (the
// padding of the blocks it passes could not be told from its data); the
// same holds for compressed blocks whose compressed data leave room
// behind them. Throws std::invalid_argument for a layout it cannot make.
BuiltTopic build_topic(const std::vector<TopicRecord>& records, const TopicOptions& options = {});

// Plain phrase file |Phrases. Compressed: u16 count, u16 0, i32 text size,
// then the offset table and the LZ77-compressed text. Stored: u16 count,
// u16 0, table, text. The long header (compressed only) starts the fields
// 2 bytes later and puts the table at offset 40.
struct PlainPhraseOptions {
    bool compressed = false;
    bool long_header = false;
};
std::vector<uint8_t> plain_phrases_file(const std::vector<std::string>& phrases, const PlainPhraseOptions& options = {});

// Indexed phrase files: |PhrIndex (24-byte header, bit-coded lengths with
// k = bits) and |PhrImage (text, LZ77-compressed when compress is set).
struct IndexedPhraseOptions {
    bool compress = true;
    unsigned bits = 4;                     // k, 0..15
    std::optional<int32_t> image_size;     // image_size field; the real size when not given
};
struct IndexedPhraseFiles {
    std::vector<uint8_t> phrindex;
    std::vector<uint8_t> phrimage;
};
IndexedPhraseFiles indexed_phrase_files(const std::vector<std::string>& phrases,
                                        const IndexedPhraseOptions& options = {});

// Phrase codes for building coded text: the plain code (2 bytes, index up
// to 1919, a trailing space when space is set) and the indexed code (1 byte
// below 128, else 2 bytes).
std::vector<uint8_t> plain_phrase_code(unsigned index, bool space = false);
std::vector<uint8_t> indexed_phrase_code(unsigned index);

// A whole help file: |SYSTEM, |TOPIC, the phrase files, extra files. The
// topic layout follows the system header: 3.0 for minor version 15,
// compressed when a flag bit of 0x0C is set (and not 3.0); block_data_size
// and padding come from topic.
enum class PhraseKind { none, plain, indexed };
struct HelpFileSpec {
    uint16_t minor_version = 21;
    uint16_t system_flags = 0;
    std::vector<std::pair<uint16_t, std::vector<uint8_t>>> system_records;
    std::vector<TopicRecord> records;
    TopicOptions topic;
    PhraseKind phrase_kind = PhraseKind::none;
    std::vector<std::string> phrases;
    bool long_phrase_header = false;         // plain, compressed table only
    IndexedPhraseOptions indexed;            // indexed
    std::vector<std::pair<std::string, std::vector<uint8_t>>> extra_files;  // after the others
};
struct BuiltHelpFile {
    std::vector<uint8_t> bytes;
    BuiltTopic topic;
    HlpBuilder builder;  // the container as built (content_offset of any file)
};
BuiltHelpFile build_help_file(const HelpFileSpec& desc);

// Writes bytes to dir/name and opens it as a help file.
std::unique_ptr<HelpFile> open_help_bytes(const std::vector<uint8_t>& bytes, const TempDir& dir, int flags = 0,
                                          std::string_view name = "t.hlp");

std::vector<uint8_t> to_bytes(std::string_view s);

}  // namespace korvane::test
