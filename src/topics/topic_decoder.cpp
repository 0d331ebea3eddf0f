// SPDX-License-Identifier: MIT
#include "topics/topic_decoder.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "base/messages.h"
#include "base/byte_reader.h"
#include "helpfile/compressed.h"
#include "topics/context_hash.h"
#include "topics/help_model.h"
#include "topics/topic_context.h"
#include "topics/indexes.h"
#include "topics/paragraph_decoder.h"
#include "topics/phrases.h"
#include "topics/topic_reader.h"
#include "topics/topic_sink.h"

namespace korvane {

namespace {

// A record's expanded text is its text_size bytes, however many; the
// expansion stops there. Memory grows only with what the stored text
// produces, never from the size field, and phrases repeated by damaged data
// cannot grow the text past the record's own size. A size below what the
// stored text produces still gives at least this much of it.
constexpr size_t kLeastTextCapacity = 0xFF00;
constexpr int32_t kReadChunk = 0x10000;

struct TopicWalk {
    TopicWalk(const TopicContext& c, TopicSink& s, const WalkOptions& options)
        : walk(c), help(c.model.file), model(c.model), stream(c.model.file), sink(s), progress(options.progress),
          hc30(help.is_hc30), print(options.print) {}

    const TopicContext& walk;
    const HelpFile& help;
    const HelpModel& model;
    TopicStream stream;
    TopicSink& sink;
    ProgressSpan progress;
    bool hc30;
    bool print;

    int32_t topic_number = 0;
    uint32_t topic_offset = 0;
    uint32_t pending_chars = 0;
    int new_block = 0;
    // Where the topic offset count stood when the reader last changed
    // blocks, until the next text record has used it.
    std::optional<uint32_t> offset_before_block;
    bool needs_context_id = false;
    uint32_t scroll = 0;
    std::optional<uint32_t> keyword_key;  // 3.0 files: record start of the topic header
    RangeHint context_hint, keyword_hints[2];  // this walk's places in the context, K and A tables
    bool stop = false;

    // Buffers reused from record to record.
    std::vector<uint8_t> format, stored, text;

    bool exhausted() const { return stream.exhausted(); }
    void read_stream(void* destination, size_t count);
    void read_part(std::vector<uint8_t>& out, int64_t count);
    void report_pass_progress();
    void topic_header(ByteReader format, ByteReader text, uint32_t record_start, int32_t browse_key);
    void record_anchors(const TopicLinkHeader& h);
    void run_record();
};

void TopicWalk::read_stream(void* destination, size_t count) {
    uint32_t before = topic_offset;
    int loaded = 0;
    stream.read(destination, count, &topic_offset, &loaded);
    if (loaded) {
        new_block = 1;
        if (!offset_before_block) offset_before_block = before;
    }
}

// Reads count bytes (none when count is not positive) in pieces, so that a
// size read from damaged data allocates no more than the topic stream
// delivers before it runs out.
void TopicWalk::read_part(std::vector<uint8_t>& out, int64_t count) {
    out.clear();
    while (count > 0 && !exhausted()) {
        int32_t piece = count < kReadChunk ? static_cast<int32_t>(count) : kReadChunk;
        size_t at = out.size();
        out.resize(at + static_cast<size_t>(piece));
        read_stream(out.data() + at, static_cast<size_t>(piece));
        count -= piece;
    }
}

void TopicWalk::report_pass_progress() {
    int blocks = static_cast<int>(help.topic_file.size / topic_block_geometry(hc30).block_size);
    if (blocks < 1) blocks = 1;
    // The block about to be read counts from 1, also before the first read.
    int block = static_cast<int>(stream.state().blocks_loaded);
    if (block < 1) block = 1;
    int step = mul_div(block - 1, progress.span, blocks);
    if (step < 0 || step > progress.span) step = progress.span;
    report_progress(walk.report, progress.base + 50 + step, Msg::None);
}

void TopicWalk::topic_header(ByteReader format, ByteReader text, uint32_t record_start, int32_t browse_key) {
    if (needs_context_id && !hc30) add_warning(walk.report, Msg::TopicWithoutContextId, topic_number);

    // Fields beyond the end of short format data (3.0 files) read as 0.
    uint32_t block_size = format.u32();
    uint32_t browse_back = format.u32();
    uint32_t browse_forward = format.u32();
    uint32_t number = format.u32();
    format.u32();  // non-scrolling region
    scroll = format.u32();

    topic_number = hc30 ? topic_number + 1 : static_cast<int32_t>(number);
    if (hc30 && static_cast<int32_t>(block_size) <= 8) stop = true;

    TopicStart start;
    start.number = topic_number;
    needs_context_id = !print;
    if (hc30) {
        // 3.0 files name a topic by its number.
        start.context_ids.push_back(walk.names(static_cast<uint32_t>(topic_number + 15)));
        needs_context_id = false;
        keyword_key = record_start;
    }
    start.title = text.cstring();
    start.entry_macro = text.cstring();
    start.browse = {static_cast<int32_t>(browse_back), browse_key, static_cast<int32_t>(browse_forward)};
    sink.topic_begin(start);
}

// The context ids and keywords of the offsets a text or table record covers.
void TopicWalk::record_anchors(const TopicLinkHeader& h) {
    int64_t low = topic_offset;
    if (!hc30 && offset_before_block) low = *offset_before_block;
    offset_before_block.reset();
    int64_t high = static_cast<int64_t>(topic_offset) + h.text_size - 1;
    if (high > 0xFFFFFFFF) high = 0xFFFFFFFF;
    // Print mode reads no context or keyword tables.
    if (print) return;

    bool range = high >= low;
    if (range) {
        for (const std::string& name :
             context_names_in_range(model.context_table, walk.names, static_cast<int32_t>(low), static_cast<uint32_t>(high),
                                    context_hint)) {
            sink.context_id(name);
            needs_context_id = false;
        }
    }
    if (!hc30) {
        if (range) {
            for (auto [letter, table] : {std::pair{'K', &model.keyword_table}, std::pair{'A', &model.a_keyword_table}}) {
                RangeHint& hint = keyword_hints[letter == 'A'];
                if (auto keywords = keywords_in_range(help, *table, static_cast<int32_t>(low), static_cast<uint32_t>(high), hint)) {
                    sink.keywords(letter, *keywords);
                }
            }
        }
    } else if (keyword_key) {
        if (auto keywords = keywords_for_topic(help, model.keyword_table, static_cast<int32_t>(*keyword_key))) {
            sink.keywords('K', *keywords);
            keyword_key.reset();
        }
    }
}

void TopicWalk::run_record() {
    report_pass_progress();

    const TopicReader& reader = stream.state();
    // 3.0 files key keywords by the topic position of the topic header:
    // block * block size + block header + byte in the block. A record that
    // will begin the next block (all of this one used up) stands at that
    // block's byte 0.
    uint32_t record_start = 0;
    if (hc30) {
        const TopicBlockGeometry g = topic_block_geometry(true);
        record_start = reader.pos >= reader.avail ? reader.blocks_loaded * g.block_size + kTopicBlockHeaderSize
                                                  : reader.pos + reader.blocks_loaded * g.block_size - g.area;
    }

    std::array<uint8_t, kTopicLinkHeaderSize> raw{};
    read_stream(raw.data(), raw.size());
    if (exhausted()) {
        stop = true;
        return;
    }
    const TopicLinkHeader h = parse_topic_link_header(raw.data());

    int32_t browse_key = hc30 ? topic_number + 1 : static_cast<int32_t>(topic_offset);

    if (!new_block) topic_offset += pending_chars;
    pending_chars = 0;
    new_block = 0;

    bool non_scrolling = false;
    bool text_record = h.record_type == 0x20 || h.record_type == 0x01 || h.record_type == 0x23;
    if (text_record) {
        record_anchors(h);
        topic_offset += static_cast<uint32_t>(h.text_size);
        non_scrolling = scroll >= static_cast<uint32_t>(h.next_link);
    }

    const int64_t stored_size = stored_text_size(help, h);
    read_part(format, static_cast<int64_t>(h.data1_size) - static_cast<int64_t>(kTopicLinkHeaderSize));
    text.clear();
    if (stored_size > 0) {
        read_part(stored, stored_size);
    }
    // A topic header's text (title and macro) is always wanted.
    if (stored_size > 0 && (sink.needs_text() || h.record_type == 0x02)) {
        bool indexed = model.phrases.indexed && static_cast<uint32_t>(stored_size) < static_cast<uint32_t>(h.text_size);
        size_t capacity = std::max<size_t>(static_cast<uint32_t>(std::max(h.text_size, 0)), kLeastTextCapacity);
        expand_phrases(model.phrases, stored.data(), stored.size(), capacity, indexed, text);
    }

    ByteReader format_data(format.data(), format.size());
    ByteReader text_data(text.data(), text.size());
    ParagraphDecoder paragraphs{walk, sink, text_data, format_data, non_scrolling, pending_chars};
    switch (h.record_type) {
    case 0x01:
    case 0x20:
        read_compressed_u16(format_data);
        format_data.u8();
        if (h.record_type == 0x20) read_compressed_u16(format_data);
        paragraphs.paragraph(nullptr);
        break;
    case 0x02: topic_header(format_data, text_data, record_start, browse_key); break;
    case 0x23:
        read_compressed_u16(format_data);
        format_data.u8();
        read_compressed_u16(format_data);
        paragraphs.table();
        break;
    default: add_warning(walk.report, Msg::UnknownRecordType, h.record_type); break;
    }

    if (h.next_link == -1 || exhausted()) stop = true;
}

}  // namespace

void decode_topics(const TopicContext& context, TopicSink& sink, const WalkOptions& options) {
    if (!context.model.file.topic_file.present()) return;
    TopicWalk walk(context, sink, options);
    while (!walk.stop) walk.run_record();
}

}  // namespace korvane
