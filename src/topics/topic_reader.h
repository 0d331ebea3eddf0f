// SPDX-License-Identifier: MIT
// The topic block reader: presents the blocks of |TOPIC as one stream of
// topic link records.
//
// |TOPIC is a row of blocks of 4096 bytes (2048 in 3.0 files): a 12-byte
// header of three topic positions (last_link: the last record that begins
// in the previous block; first_link: the first record that begins in this
// one; last_topic_header) and a data area of 4084 (2036) bytes, compressed
// per block with LZ77 when the file's topics are compressed. A topic
// position is block << 14 | (12 + byte in the block's data) (<< 11 in 3.0
// files), so a block's decompressed data can reach 16372 bytes. The records
// run on from block to block without gaps.
//
// A topic link record starts with a 21-byte header: i32 link_size (the
// whole record as stored), i32 text_size (its text expanded), i32 unused,
// i32 next_link (-1 after the last record), i32 data1_size (this header and
// the format data), byte record type. The format data follow, then the
// stored text: link_size - data1_size bytes when the file has a phrase
// table (|Phrases or |PhrIndex), else text_size bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace korvane {

struct HelpFile;

constexpr uint32_t kTopicBlockHeaderSize = 12;
constexpr size_t kTopicLinkHeaderSize = 21;

struct TopicLinkHeader {
    int32_t link_size = 0;
    int32_t text_size = 0;
    int32_t next_link = 0;
    int32_t data1_size = 0;
    uint8_t record_type = 0;
};

struct TopicBlockGeometry {
    uint32_t block_size;
    uint32_t area;          // the data area after the block header
    unsigned shift;         // of the block number in a topic position
    unsigned offset_shift;  // of the block number in a block's topic offset base
    uint32_t mask;          // the position inside the block of a topic position
};

constexpr TopicBlockGeometry topic_block_geometry(bool hc30) {
    if (hc30) return {2048, 2036, 11, 12, 0x7FF};
    return {4096, 4084, 14, 15, 0x3FFF};
}

struct TopicReader {
    std::vector<uint8_t> buffer;      // data of the current block (kept from pass to pass)
    std::vector<uint8_t> last_block;  // the last block's data, expanded to learn its length
    bool active = false;
    uint32_t pos = 0;            // next byte of buffer to hand out
    uint32_t avail = 0;          // valid bytes of the current block
    uint32_t blocks_loaded = 0;  // current block = blocks_loaded - 1
    size_t stream_pos = 0;       // position inside |TOPIC of the next block's data
    bool exhausted = false;      // a read ran past the end of |TOPIC
    // Count of valid bytes in the blocks before the current one.
    uint64_t block_base = 0;
    // The last record found to run past the end of its block, kept so the
    // blocks it runs into can tell where it ends.
    struct Straddler {
        bool known = false;
        uint32_t position = 0;   // its topic position
        uint64_t start = 0;      // its first byte, counted like block_base
        uint32_t size = 0;       // link_size
        bool has_next = false;   // next_link was within its block
        uint32_t next = 0;       // next_link
    } straddler;
};

// The header in the first kTopicLinkHeaderSize bytes of raw.
TopicLinkHeader parse_topic_link_header(const uint8_t* raw);
// Size of the record's stored text.
int64_t stored_text_size(const HelpFile& help, const TopicLinkHeader& h);

// The topic link records of one help file as a stream of bytes, read from
// the start of |TOPIC on.
class TopicStream {
public:
    explicit TopicStream(const HelpFile& help) : help_(help) {}

    // Back to the start of |TOPIC.
    void reset();
    // Copies the next count bytes to destination. Sets *topic_offset to a
    // block's topic offset base and *new_block to 1 each time it loads a
    // block. Bytes past the end of |TOPIC read as zero and set exhausted.
    void read(void* destination, size_t count, uint32_t* topic_offset, int* new_block);

    bool exhausted() const { return state_.exhausted; }
    const TopicReader& state() const { return state_; }

private:
    bool load_block(uint32_t* topic_offset, int* new_block);

    const HelpFile& help_;
    TopicReader state_;
};

}  // namespace korvane
