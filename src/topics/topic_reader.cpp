// SPDX-License-Identifier: MIT
// The topic block reader.
//
// A block's data can hold junk behind its valid bytes (the unused part of a
// compressed area decompresses too). The header of the following block
// tells where the valid data end: its last_link names the last record that
// begins in this block, and that record's size and next_link say how many
// of its bytes stand here and how many in the next block.
#include "topics/topic_reader.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "helpfile/helpfile.h"
#include "topics/lz77.h"

namespace korvane {

namespace {

constexpr size_t kBufferSize = 16384;  // the most 14-bit positions address

using Geometry = TopicBlockGeometry;
constexpr uint32_t kHeader = kTopicBlockHeaderSize;

Geometry geometry(const HelpFile& help) { return topic_block_geometry(help.is_hc30); }

int32_t block_of(uint32_t position, unsigned shift) { return static_cast<int32_t>(position) >> shift; }

// The end of the valid data of the block just loaded (number current, avail
// bytes produced), from the header of the block after it. Anything the
// header does not vouch for keeps all produced bytes: losing junk is not
// worth losing data.
// final_length gives the length of the following block's data when that
// block is the last one of |TOPIC, else nothing.
template <class FinalLength>
uint32_t valid_end(TopicReader& r, const Geometry& g, bool hc30, uint32_t current, uint32_t last_link,
                   uint32_t first_link, FinalLength final_length) {
    const uint32_t avail = r.avail;
    TopicReader::Straddler rec;
    if (block_of(last_link, g.shift) == static_cast<int32_t>(current)) {
        uint32_t p = last_link & g.mask;
        if (p < kHeader || p - kHeader + 4 > avail) return avail;
        const uint32_t start = p - kHeader;
        rec.known = true;
        rec.position = last_link;
        rec.start = r.block_base + start;
        rec.size = ByteReader::le32(r.buffer.data() + start);
        rec.has_next = start + 16 <= avail;
        if (rec.has_next) rec.next = ByteReader::le32(r.buffer.data() + start + 12);
    } else if (r.straddler.known && last_link == r.straddler.position) {
        // No record begins in this block: it continues one that began
        // earlier, and ends here or runs on.
        rec = r.straddler;
    } else {
        return avail;
    }
    if (static_cast<int32_t>(rec.size) <= 0) return avail;
    const bool first_in_next = block_of(first_link, g.shift) == static_cast<int32_t>(current) + 1 &&
                               (first_link & g.mask) >= kHeader;
    // Behind the valid data there may be junk that reads like a header; when
    // the next block's first record says fewer than 16 bytes of this record
    // stand here, its next_link is not among them.
    if (first_in_next) {
        uint32_t in_next = (first_link & g.mask) - kHeader;
        if (rec.size >= in_next && rec.size - in_next < 16) rec.has_next = false;
    }
    const int64_t end = static_cast<int64_t>(rec.start + rec.size) - static_cast<int64_t>(r.block_base);
    const int64_t start = static_cast<int64_t>(rec.start) - static_cast<int64_t>(r.block_base);

    int64_t cut = avail;
    if (hc30) {
        // The next block begins with a new record: this one ends here.
        if ((first_link & g.mask) == kHeader) cut = end;
    } else if (rec.has_next) {
        int32_t next_block = block_of(rec.next, g.shift);
        uint32_t low = rec.next & g.mask;
        if (rec.next == 0xFFFFFFFFu) {
            // The last record, and yet a block follows: it runs on into that
            // block. When that is the last block, all its data are this
            // record's; otherwise keep everything.
            std::optional<uint32_t> rest = final_length();
            if (rest) cut = end - *rest;
        } else if (next_block == static_cast<int32_t>(current) || low == 0) {
            cut = end;
        } else if (next_block == static_cast<int32_t>(current) + 1 && low >= kHeader) {
            // The record runs on into the next block, where low - 12 of its
            // bytes stand before the next record.
            cut = end - (low - kHeader);
        }
        // A next record two or more blocks ahead: the record fills the rest
        // of this block and whole blocks after it; keep everything.
    } else if (first_in_next) {
        // Its header is cut by the block end, so next_link is not here; the
        // next block's first record tells how much of it stands there.
        cut = end - ((first_link & g.mask) - kHeader);
    }
    const uint32_t valid =
        cut <= std::max<int64_t>(start, 0) || cut > static_cast<int64_t>(avail) ? avail : static_cast<uint32_t>(cut);
    if (end > static_cast<int64_t>(valid)) {
        r.straddler = rec;
    } else {
        r.straddler.known = false;
    }
    return valid;
}

}  // namespace

TopicLinkHeader parse_topic_link_header(const uint8_t* raw) {
    TopicLinkHeader h;
    h.link_size = static_cast<int32_t>(ByteReader::le32(raw));
    h.text_size = static_cast<int32_t>(ByteReader::le32(raw + 4));
    h.next_link = static_cast<int32_t>(ByteReader::le32(raw + 12));
    h.data1_size = static_cast<int32_t>(ByteReader::le32(raw + 16));
    h.record_type = raw[20];
    return h;
}

int64_t stored_text_size(const HelpFile& help, const TopicLinkHeader& h) {
    if (help.phrases_file.present() || help.phrindex_file.present()) {
        return static_cast<int64_t>(h.link_size) - h.data1_size;
    }
    return h.text_size;
}

// Loads the block after the current one; false when |TOPIC has no more.
bool TopicStream::load_block(uint32_t* topic_offset, int* new_block) {
    const HelpFile& help = help_;
    TopicReader& r = state_;
    const Geometry g = geometry(help);
    ByteReader topic = help.reader(help.topic_file);
    const size_t total = topic.size();
    const uint64_t block_start = static_cast<uint64_t>(r.blocks_loaded) * g.block_size;
    if (block_start >= total) return false;

    if (topic_offset) *topic_offset = r.blocks_loaded << g.offset_shift;
    if (new_block) *new_block = 1;
    const uint32_t current = r.blocks_loaded++;
    r.block_base += r.avail;

    const size_t data_start = static_cast<size_t>(block_start) + kHeader;
    const size_t length = data_start < total ? std::min<size_t>(g.area, total - data_start) : 0;
    topic.seek(data_start);
    const bool compressed = help.topics_compressed && !help.is_hc30;
    if (compressed) {
        r.avail = static_cast<uint32_t>(lz77_decompress(topic, static_cast<uint32_t>(length), r.buffer.data(), r.buffer.size()));
    } else {
        r.avail = static_cast<uint32_t>(topic.read(r.buffer.data(), length));
    }
    r.pos = 0;
    r.stream_pos = data_start + g.block_size;

    const uint64_t next_start = block_start + g.block_size;
    if (next_start < total) {
        ByteReader header = topic.sub(static_cast<size_t>(next_start), kHeader);
        uint32_t last_link = header.u32();
        uint32_t first_link = header.u32();
        auto final_length = [&]() -> std::optional<uint32_t> {
            if (next_start + g.block_size < total) return std::nullopt;
            const size_t start = static_cast<size_t>(next_start) + kHeader;
            const size_t len = start < total ? std::min<size_t>(g.area, total - start) : 0;
            if (!compressed) return static_cast<uint32_t>(len);
            r.last_block.resize(kBufferSize);
            ByteReader last = topic.sub(start, len);
            return static_cast<uint32_t>(
                lz77_decompress(last, static_cast<uint32_t>(len), r.last_block.data(), r.last_block.size()));
        };
        r.avail = valid_end(r, g, help.is_hc30, current, last_link, first_link, final_length);
    }
    return true;
}


// A reset keeps the buffers: what a block leaves in them is never read past
// the bytes the next block produces.
void TopicStream::reset() {
    TopicReader& r = state_;
    std::vector<uint8_t> buffer = std::move(r.buffer), last_block = std::move(r.last_block);
    r = TopicReader{};
    r.buffer = std::move(buffer);
    r.last_block = std::move(last_block);
}

void TopicStream::read(void* destination, size_t count, uint32_t* topic_offset, int* new_block) {
    TopicReader& r = state_;
    if (!r.active) {
        reset();
        r.active = true;
        r.buffer.resize(kBufferSize);
        r.stream_pos = kHeader;  // the header of block 0 is not needed
        if (topic_offset) *topic_offset = 0;
    }
    uint8_t* out = static_cast<uint8_t*>(destination);
    size_t done = 0;
    const size_t want = count;
    while (done < want) {
        if (r.pos >= r.avail) {
            // Every load moves one block on, so a run of empty blocks ends
            // at the end of |TOPIC.
            if (r.exhausted || !load_block(topic_offset, new_block)) {
                r.exhausted = true;
                std::memset(out + done, 0, want - done);
                break;
            }
            continue;
        }
        size_t n = std::min<size_t>(want - done, r.avail - r.pos);
        std::memcpy(out + done, r.buffer.data() + r.pos, n);
        r.pos += static_cast<uint32_t>(n);
        done += n;
    }
}

}  // namespace korvane
