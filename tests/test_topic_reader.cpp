// The topic block reader: its state across blocks, hostile data, and the
// record chains of real files. (Whole records across every block layout are
// shown by the snapshot test over the corpus and the seeds.)
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <random>

#include "helpfile/helpfile.h"
#include "support/index_builder.h"
#include "support/topic_builder.h"
#include "topics/phrases.h"
#include "topics/topic_reader.h"

using namespace korvane;
using namespace korvane::test;

namespace {

using B = std::vector<uint8_t>;

uint32_t le32(const B& b, size_t at) { return ByteReader::le32(b.data() + at); }

B random_text(size_t n, unsigned seed, int alphabet = 256) {
    std::mt19937 rng(seed);
    B v(n);
    for (auto& b : v) b = static_cast<uint8_t>(alphabet == 256 ? rng() : 'a' + rng() % alphabet);
    return v;
}

TopicRecord record(size_t text_size, uint8_t fill, uint8_t type = 0x20) {
    TopicRecord r;
    r.record_type = type;
    r.format.assign(4, static_cast<uint8_t>(fill + 1));
    r.text.assign(text_size, fill);
    return r;
}

// count records of growing sizes; every fifth has no text offset.
std::vector<TopicRecord> sample_records(size_t count, size_t text_size, unsigned seed, int alphabet) {
    std::vector<TopicRecord> r(count);
    for (size_t i = 0; i < count; ++i) {
        r[i].record_type = i % 5 == 0 ? 0x02 : 0x20;
        r[i].format = random_text(3 + i % 11, seed + 1000 + static_cast<unsigned>(i), alphabet);
        r[i].text = random_text(text_size + i * 13 % 97, seed + static_cast<unsigned>(i), alphabet);
    }
    return r;
}

// A HelpFile holding only |TOPIC, as the reader sees it.
std::unique_ptr<HelpFile> topic_help(const B& content, const TopicOptions& o) {
    auto h = std::make_unique<HelpFile>();
    h->bytes.assign(7, 0);
    h->bytes.insert(h->bytes.end(), content.begin(), content.end());
    h->input = ByteReader(h->bytes.data(), h->bytes.size());
    h->topic_file = {7, static_cast<uint32_t>(content.size())};
    h->is_hc30 = o.hc30;
    h->minor_version = o.hc30 ? 15 : 21;
    h->topics_compressed = o.compressed;
    return h;
}

struct Walked {
    std::vector<B> records;
    std::vector<uint32_t> positions;
};

// Walks the records as the topic loop does, header first, taking each
// record's topic position from the reader's state.
Walked walk(HelpFile& h) {
    Walked w;
    uint32_t offset = 0;
    int new_block = 0;
    const TopicReader& r = h.topic_reader;
    const unsigned shift = h.is_hc30 ? 11 : 14;
    for (int guard = 0; guard < 100000; ++guard) {
        uint32_t position = r.active && r.pos < r.avail ? (r.blocks_loaded - 1) << shift | (12 + r.pos)
                                                        : r.blocks_loaded << shift | 12;
        B rec(21);
        EXPECT_EQ(read_topic_bytes(h, rec.data(), 21, &offset, &new_block), 21);
        uint32_t link = le32(rec, 0), next = le32(rec, 12);
        if (r.exhausted || link < 21 || link > (1u << 20)) break;
        w.positions.push_back(position);
        rec.resize(link);
        read_topic_bytes(h, rec.data() + 21, static_cast<int32_t>(link - 21), &offset, &new_block);
        w.records.push_back(std::move(rec));
        if (next == 0xFFFFFFFFu) break;
    }
    return w;
}

}  // namespace

TEST(TopicReader, StateAcrossBlocksResetAndEnd) {
    // Record 1 straddles into block 1, whose padding 0xEE must not show;
    // record 3 begins a new block, so record 2 ends block 1's valid data.
    std::vector<TopicRecord> records = {record(600, 'a'), record(700, 'b'), record(300, 'c'), record(100, 'd'),
                                        record(50, 'e')};
    records[3].new_block = true;
    TopicOptions o = {.block_data_size = 1000, .padding = 0xEE};
    BuiltTopic t = build_topic(records, o);
    ASSERT_EQ(t.blocks.size(), 3u);
    ASSERT_EQ(t.records[3].position, (2u << 14) | 12u);
    auto h = topic_help(t.content, o);
    const TopicReader& r = h->topic_reader;

    // A read of 0 bytes starts the reader without loading a block.
    uint32_t offset = 77;
    int new_block = 0;
    EXPECT_EQ(read_topic_bytes(*h, nullptr, 0, &offset, &new_block), 0);
    EXPECT_TRUE(r.active);
    EXPECT_EQ(r.blocks_loaded, 0u);
    EXPECT_EQ(offset, 0u);
    EXPECT_EQ(new_block, 0);
    // Up into record 1's header, the rest of blocks 0 and 1, record 3's header.
    B got(t.records[3].stream_offset + 21);
    const size_t reads[] = {t.records[1].stream_offset + 30, t.records[3].stream_offset, got.size()};
    struct State {
        uint32_t offset, avail, blocks;
    } after[] = {{0, 1000, 1}, {32768, static_cast<uint32_t>(t.blocks[1].size()), 2},
                 {65536, static_cast<uint32_t>(t.blocks[2].size()), 3}};
    for (size_t i = 0, from = 0; i < 3; from = reads[i++]) {
        new_block = 0;
        read_topic_bytes(*h, got.data() + from, static_cast<int32_t>(reads[i] - from), &offset, &new_block);
        EXPECT_EQ(new_block, 1) << i;
        EXPECT_EQ(offset, after[i].offset) << i;
        EXPECT_EQ(r.avail, after[i].avail) << i;  // 1000: P + S - low(next) of record 1
        EXPECT_EQ(r.blocks_loaded, after[i].blocks) << i;
    }
    EXPECT_TRUE(std::equal(got.begin(), got.end(), t.stream.begin()));

    // After a reset a second pass starts over at block 0; past the end come
    // zeros and the exhausted mark, and it stays that way.
    EXPECT_EQ(read_topic_bytes(*h, nullptr, -1, nullptr, nullptr), 0);
    EXPECT_FALSE(r.active);
    B again(t.stream.size() + 50, 0x55);
    read_topic_bytes(*h, again.data(), static_cast<int32_t>(again.size()), &offset, &new_block);
    EXPECT_TRUE(r.exhausted);
    t.stream.resize(again.size());
    EXPECT_EQ(again, t.stream);
    B more(10, 0x55);
    read_topic_bytes(*h, more.data(), 10, &offset, &new_block);
    EXPECT_EQ(more, B(10, 0));
}

TEST(TopicReader, HostileTopicDataEndsCleanly) {
    auto records = sample_records(40, 400, 3, 6);
    for (bool compressed : {false, true}) {
        TopicOptions o = {.compressed = compressed, .block_data_size = compressed ? 0u : 2500u, .padding = 0xEE};
        BuiltTopic t = build_topic(records, o);
        std::mt19937 rng(compressed ? 1 : 2);
        for (int round = 0; round < 200; ++round) {
            // Damage block headers (links, sizes) or the data, and sometimes
            // cut the file short.
            B bad = t.content;
            for (int k = 0; k < 6; ++k) {
                size_t at = round % 2 ? (rng() % (bad.size() / 4096 + 1)) * 4096 + rng() % 12 : rng() % bad.size();
                if (at < bad.size()) bad[at] = static_cast<uint8_t>(rng());
            }
            if (round % 5 == 0) bad.resize(rng() % bad.size());
            auto h = topic_help(bad, o);
            walk(*h);
            // A read longer than all blocks can hold comes back, ending in
            // zeros, with the reader exhausted.
            B sink((bad.size() / 4096 + 2) * 16384, 0x55);
            read_topic_bytes(*h, sink.data(), static_cast<int32_t>(sink.size()), nullptr, nullptr);
            EXPECT_TRUE(h->topic_reader.exhausted);
            EXPECT_LE(h->topic_reader.avail, 16384u);
            EXPECT_TRUE(std::all_of(sink.end() - 16384, sink.end(), [](uint8_t b) { return b == 0; }));
        }
    }
    // |TOPIC claiming more bytes than the help file has; an empty |TOPIC.
    auto h = topic_help(build_topic(records).content, {});
    h->topic_file.size = 0x7FFFFFFF;
    EXPECT_EQ(walk(*h).records.size(), records.size());
    auto empty = topic_help({}, {});
    EXPECT_TRUE(walk(*empty).records.empty());
    EXPECT_TRUE(empty->topic_reader.exhausted);
}

TEST(TopicReaderCorpus, RecordChainsOfRealFilesLineUp) {
    // Every record must begin exactly where its predecessor's next_link
    // points, which holds only when each block's valid data were cut right;
    // and its text must expand to text_size.
    std::vector<std::string> paths = corpus_help_files(KORVANE_CORPUS_DIR);
    ASSERT_FALSE(paths.empty()) << "the corpus is missing from tests/corpus";
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        auto h = open_help_file(path, 0);
        ASSERT_TRUE(h && h->topic_file.present());
        Walked w = walk(*h);
        EXPECT_FALSE(h->topic_reader.exhausted);
        ASSERT_GT(w.records.size(), 3u);
        EXPECT_EQ(w.positions[0], 12u);
        const bool phrased = h->phrases_file.present() || h->phrindex_file.present();
        for (size_t i = 0; i < w.records.size(); ++i) {
            const B& rec = w.records[i];
            uint32_t text_size = le32(rec, 4), next = le32(rec, 12), data1 = le32(rec, 16);
            EXPECT_EQ(next, i + 1 < w.records.size() ? w.positions[i + 1] : 0xFFFFFFFFu) << "record " << i;
            ASSERT_TRUE(data1 >= 21 && data1 <= rec.size()) << "record " << i;
            size_t stored = rec.size() - data1;
            if (!phrased) {
                EXPECT_EQ(stored, text_size) << "record " << i;
            }
            if (stored == 0) continue;
            B text;
            expand_phrases(*h, rec.data() + data1, stored, 0xFF00, h->is_hcrtf && stored < text_size, text);
            // Files of minor version 33 may store bytes behind an
            // uncompressed text; they expand as well.
            if (h->is_hcrtf && stored > text_size) {
                EXPECT_GE(text.size(), text_size) << "record " << i;
            } else {
                EXPECT_EQ(text.size(), text_size) << "record " << i;
            }
        }
    }
}
