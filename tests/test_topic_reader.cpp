// The topic block reader and the |TOPIC builder the other topic tests use.
#include <gtest/gtest.h>

#include <random>

#include "helpfile/helpfile.h"
#include "support/lz77_compress.h"
#include "support/topic_builder.h"
#include "topics/lz77.h"
#include "topics/phrases.h"
#include "topics/topic_reader.h"

using namespace korvane;
using namespace korvane::test;

namespace {

uint32_t le32(const std::vector<uint8_t>& b, size_t at) { return ByteReader::le32(b.data() + at); }

std::vector<uint8_t> random_text(size_t n, unsigned seed, int alphabet = 256) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> v(n);
    for (auto& b : v) b = static_cast<uint8_t>(alphabet == 256 ? rng() : 'a' + rng() % alphabet);
    return v;
}

std::vector<TopicRecord> sample_records(size_t count, size_t text_size, unsigned seed, int alphabet = 256) {
    std::vector<TopicRecord> r;
    for (size_t i = 0; i < count; ++i) {
        TopicRecord t;
        t.record_type = i % 5 == 0 ? 0x02 : 0x20;
        t.format = random_text(3 + i % 11, seed + 1000 + static_cast<unsigned>(i), alphabet);
        t.text = random_text(text_size + i * 13 % 97, seed + static_cast<unsigned>(i), alphabet);
        r.push_back(std::move(t));
    }
    return r;
}

// Checks a built |TOPIC without the reader: each block's data decode to
// the reported block data, the headers and the record chain agree.
void check_layout(const BuiltTopic& t, const TopicOptions& o) {
    size_t block_size = o.hc30 ? 2048 : 4096;
    unsigned shift = o.hc30 ? 11 : 14;
    std::vector<uint8_t> joined;
    for (size_t b = 0; b < t.blocks.size(); ++b) {
        size_t start = b * block_size + 12;
        ASSERT_LE(start, t.content.size());
        size_t len = std::min(block_size - 12, t.content.size() - start);
        std::vector<uint8_t> data(16384);
        if (o.compressed) {
            ByteReader r(t.content.data() + start, len);
            data.resize(lz77_decompress(r, static_cast<uint32_t>(len), data.data(), data.size()));
        } else {
            data.assign(t.content.begin() + static_cast<long>(start), t.content.begin() + static_cast<long>(start + len));
        }
        ASSERT_GE(data.size(), t.blocks[b].size());
        EXPECT_TRUE(std::equal(t.blocks[b].begin(), t.blocks[b].end(), data.begin())) << "block " << b;
        joined.insert(joined.end(), t.blocks[b].begin(), t.blocks[b].end());
    }
    EXPECT_EQ(joined, t.stream);
    for (size_t i = 0; i < t.records.size(); ++i) {
        const TopicRecordInfo& r = t.records[i];
        EXPECT_EQ(r.position >> shift, r.block);
        uint32_t next = le32(t.stream, r.stream_offset + 12);
        EXPECT_EQ(next, i + 1 < t.records.size() ? t.records[i + 1].position : 0xFFFFFFFFu);
        EXPECT_EQ(le32(t.stream, r.stream_offset), r.size);
    }
    // first_link of every block that has a record beginning in it.
    for (const TopicRecordInfo& r : t.records) {
        if ((r.position & ((1u << shift) - 1)) == 0) continue;
        uint32_t first = le32(t.content, r.block * block_size + 4);
        EXPECT_LE(first & ((1u << shift) - 1), r.position & ((1u << shift) - 1));
        EXPECT_EQ(first >> shift, r.block);
    }
}

}  // namespace

TEST(TopicBuilder, LaysOutStoredCompressedAnd30Blocks) {
    for (int alphabet : {256, 3}) {
        auto records = sample_records(60, 300, 7, alphabet);
        TopicOptions stored;
        BuiltTopic s = build_topic(records, stored);
        check_layout(s, stored);
        EXPECT_GT(s.blocks.size(), 3u);

        TopicOptions compressed;
        compressed.compressed = true;
        BuiltTopic c = build_topic(records, compressed);
        check_layout(c, compressed);

        TopicOptions hc30;
        hc30.hc30 = true;
        BuiltTopic h = build_topic(records, hc30);
        check_layout(h, hc30);
        EXPECT_GT(h.blocks.size(), s.blocks.size());
    }
}

namespace {

// A HelpFile holding only |TOPIC, as the reader sees it.
std::unique_ptr<HelpFile> topic_help(const std::vector<uint8_t>& content, const TopicOptions& o) {
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
    std::vector<std::vector<uint8_t>> records;
    std::vector<uint32_t> text_offsets;
    std::vector<uint32_t> hc30_starts;  // record starts by the 3.0 formula, where it applies
    bool exhausted = false;
};

// Walks the records as the topic loop does: header, then the rest; the
// running topic offset restarts at every block load.
Walked walk(HelpFile& h) {
    Walked w;
    uint32_t offset = 0;
    int new_block = 0;
    const TopicReader& r = h.topic_reader;
    for (int guard = 0; guard < 100000; ++guard) {
        if (h.is_hc30 && r.active && r.pos < r.avail) w.hc30_starts.push_back(r.pos + r.blocks_loaded * 2048 - 2036);
        std::vector<uint8_t> rec(21);
        EXPECT_EQ(read_topic_bytes(h, rec.data(), 21, &offset, &new_block), 21);
        if (r.exhausted) break;
        new_block = 0;
        uint32_t link = le32(rec, 0), text_size = le32(rec, 4), next = le32(rec, 12);
        uint8_t type = rec[20];
        w.text_offsets.push_back(offset);
        if (type == 0x01 || type == 0x20 || type == 0x23) offset += text_size;
        if (link < 21 || link > (1u << 20)) break;
        rec.resize(link);
        read_topic_bytes(h, rec.data() + 21, static_cast<int32_t>(link - 21), &offset, &new_block);
        w.records.push_back(std::move(rec));
        if (next == 0xFFFFFFFFu) break;
    }
    w.exhausted = r.exhausted;
    read_topic_bytes(h, nullptr, -1, nullptr, nullptr);
    return w;
}

void expect_walk_matches(const BuiltTopic& t, const TopicOptions& o) {
    SCOPED_TRACE(testing::Message() << "compressed " << o.compressed << " hc30 " << o.hc30 << " block_data_size "
                                    << o.block_data_size << " padding " << int(o.padding));
    auto h = topic_help(t.content, o);
    Walked w = walk(*h);
    ASSERT_EQ(w.records.size(), t.records.size());
    EXPECT_FALSE(w.exhausted);
    for (size_t i = 0; i < t.records.size(); ++i) {
        ASSERT_EQ(w.records[i], t.record_bytes(i)) << "record " << i;
        EXPECT_EQ(w.text_offsets[i], t.records[i].text_offset) << "record " << i;
    }
    EXPECT_FALSE(h->topic_reader.active);
    EXPECT_TRUE(h->topic_reader.buffer.empty());
}

TopicRecord record(size_t text_size, uint8_t fill, uint8_t type = 0x20, size_t format_size = 4) {
    TopicRecord r;
    r.record_type = type;
    r.format.assign(format_size, static_cast<uint8_t>(fill + 1));
    r.text.assign(text_size, fill);
    return r;
}

}  // namespace

TEST(TopicReader, DeliversRecordsWholeAcrossBlocks) {
    // Stored, compressed and 3.0 layouts; random and compressible data;
    // stored blocks with padding behind shorter data, compressed blocks with
    // junk decompressed from the padding.
    for (int alphabet : {256, 4}) {
        for (uint8_t padding : {0x00, 0xEE}) {
            auto records = sample_records(70, 250, 11 + alphabet, alphabet);
            TopicOptions stored;
            stored.padding = padding;
            expect_walk_matches(build_topic(records, stored), stored);
            stored.block_data_size = 1500;
            expect_walk_matches(build_topic(records, stored), stored);

            TopicOptions compressed;
            compressed.compressed = true;
            compressed.padding = padding;
            expect_walk_matches(build_topic(records, compressed), compressed);
            compressed.block_data_size = 2000;
            expect_walk_matches(build_topic(records, compressed), compressed);

            TopicOptions hc30;
            hc30.hc30 = true;
            hc30.padding = padding;
            expect_walk_matches(build_topic(records, hc30), hc30);
        }
    }
}

TEST(TopicReader, TrimsTheValidDataOfEachBlock) {
    // Record 1 straddles into block 1, whose padding 0xEE must not show;
    // record 3 begins a new block, so record 2 ends block 1's valid data.
    std::vector<TopicRecord> records = {record(600, 'a'), record(700, 'b'), record(300, 'c'), record(100, 'd'),
                                        record(50, 'e')};
    records[3].new_block = true;
    TopicOptions o;
    o.block_data_size = 1000;
    o.padding = 0xEE;
    BuiltTopic t = build_topic(records, o);
    ASSERT_EQ(t.blocks.size(), 3u);
    auto h = topic_help(t.content, o);
    const TopicReader& r = h->topic_reader;
    uint32_t offset = 77;
    int new_block = 0;
    std::vector<uint8_t> got(t.records[1].stream_offset + 30);
    read_topic_bytes(*h, got.data(), static_cast<int32_t>(got.size()), &offset, &new_block);
    EXPECT_EQ(r.avail, 1000u);  // P + S - low(next) of record 1
    EXPECT_EQ(offset, 0u);
    EXPECT_EQ(new_block, 1);
    new_block = 0;
    std::vector<uint8_t> rest(t.records[3].stream_offset - got.size());
    read_topic_bytes(*h, rest.data(), static_cast<int32_t>(rest.size()), &offset, &new_block);
    EXPECT_EQ(new_block, 1);
    EXPECT_EQ(offset, 32768u);
    EXPECT_EQ(r.blocks_loaded, 2u);
    EXPECT_EQ(r.avail, t.blocks[1].size());  // ends with record 2
    EXPECT_EQ(r.pos, r.avail);
    got.insert(got.end(), rest.begin(), rest.end());
    EXPECT_TRUE(std::equal(got.begin(), got.end(), t.stream.begin()));
    // Record 3 starts the third block at position 12.
    EXPECT_EQ(t.records[3].position, (2u << 14) | 12u);
    new_block = 0;
    std::vector<uint8_t> header(21);
    read_topic_bytes(*h, header.data(), 21, &offset, &new_block);
    EXPECT_EQ(offset, 65536u);
    EXPECT_EQ(new_block, 1);
    EXPECT_EQ(r.avail, t.blocks[2].size());  // last block: as read
    EXPECT_TRUE(std::equal(header.begin(), header.end(), t.stream.begin() + static_cast<long>(t.records[3].stream_offset)));

    // The same in a 3.0 file: 2048-byte blocks, topic offsets 4096 apart.
    TopicOptions o30;
    o30.hc30 = true;
    o30.padding = 0xEE;
    records = {record(1500, 'a'), record(1000, 'b'), record(500, 'c'), record(100, 'd')};
    records[2].new_block = true;
    BuiltTopic t30 = build_topic(records, o30);
    ASSERT_EQ(t30.blocks.size(), 3u);
    EXPECT_EQ(t30.blocks[1].size(), t30.records[2].stream_offset - 2036);
    expect_walk_matches(t30, o30);
    EXPECT_EQ(t30.records[2].text_offset, 8192u);
    EXPECT_EQ(t30.records[3].text_offset, 8192u + 500u);
    auto h30 = topic_help(t30.content, o30);
    Walked w = walk(*h30);
    // Record 0 comes before the first load, record 2 at a block start.
    ASSERT_EQ(w.hc30_starts.size(), 2u);
    EXPECT_EQ(w.hc30_starts[0], t30.records[1].position);
    EXPECT_EQ(w.hc30_starts[1], t30.records[3].position);
}

TEST(TopicReader, UnusualBlockShapesLoseNoData) {
    // A record header cut by the block end: its next_link is in the next
    // block, so the next block's first_link tells where the valid data end.
    TopicOptions o;
    o.block_data_size = 1000;
    o.padding = 0xEE;
    std::vector<TopicRecord> cut = {record(965, 'a'), record(400, 'b'), record(10, 'c')};
    BuiltTopic t = build_topic(cut, o);
    ASSERT_EQ(t.records[1].stream_offset, 990u);
    expect_walk_matches(t, o);

    // Records longer than a block span two or more boundaries, stored and
    // compressed (random data fill each compressed area to the last byte).
    std::vector<TopicRecord> big = {record(100, 'a'), record(9000, 'b'), record(200, 'c')};
    big[1].text = random_text(9000, 5);
    TopicOptions stored;
    BuiltTopic s = build_topic(big, stored);
    EXPECT_EQ(s.blocks.size(), 3u);
    expect_walk_matches(s, stored);
    TopicOptions compressed;
    compressed.compressed = true;
    BuiltTopic c = build_topic(big, compressed);
    EXPECT_GE(c.blocks.size(), 3u);
    expect_walk_matches(c, compressed);
    TopicOptions hc30;
    hc30.hc30 = true;
    expect_walk_matches(build_topic(big, hc30), hc30);

    // A block whose data expand beyond 16336 bytes (up to the 16372 that
    // positions allow) is delivered whole, and the last, short compressed
    // block with only the bytes left in |TOPIC.
    std::vector<TopicRecord> dense;
    for (int i = 0; i < 40; ++i) dense.push_back(record(800, static_cast<uint8_t>('a' + i % 3)));
    BuiltTopic d = build_topic(dense, compressed);
    ASSERT_GE(d.blocks.size(), 2u);
    EXPECT_EQ(d.blocks[0].size(), 16372u);
    EXPECT_LT(d.content.size(), d.blocks.size() * 4096);
    expect_walk_matches(d, compressed);
}

TEST(TopicReader, StateFirstReadResetAndSingleBlock) {
    std::vector<TopicRecord> records = {record(40, 'x', 0x02), record(60, 'y'), record(30, 'z')};
    TopicOptions o;
    o.compressed = true;
    BuiltTopic t = build_topic(records, o);
    ASSERT_EQ(t.blocks.size(), 1u);
    auto h = topic_help(t.content, o);
    const TopicReader& r = h->topic_reader;

    // A read of 0 bytes starts the reader without loading a block.
    uint32_t offset = 1234;
    int new_block = 0;
    EXPECT_EQ(read_topic_bytes(*h, nullptr, 0, &offset, &new_block), 0);
    EXPECT_TRUE(r.active);
    EXPECT_EQ(r.blocks_loaded, 0u);
    EXPECT_EQ(offset, 0u);
    EXPECT_EQ(new_block, 0);

    std::vector<uint8_t> all(t.stream.size());
    EXPECT_EQ(read_topic_bytes(*h, all.data(), static_cast<int32_t>(all.size()), &offset, &new_block),
              static_cast<int32_t>(all.size()));
    EXPECT_EQ(all, t.stream);
    EXPECT_EQ(r.avail, t.stream.size());  // one block: as much as it produced
    EXPECT_EQ(new_block, 1);
    EXPECT_FALSE(r.exhausted);

    // Reset, and a second pass starts over at block 0.
    EXPECT_EQ(read_topic_bytes(*h, nullptr, -1, nullptr, nullptr), 0);
    EXPECT_FALSE(r.active);
    EXPECT_EQ(r.blocks_loaded, 0u);
    offset = 999;
    std::vector<uint8_t> again(21);
    read_topic_bytes(*h, again.data(), 21, &offset, &new_block);
    EXPECT_EQ(offset, 0u);
    EXPECT_TRUE(std::equal(again.begin(), again.end(), t.stream.begin()));

    // Past the end: zeros and the exhausted mark, and it stays that way.
    std::vector<uint8_t> tail(t.stream.size() + 50, 0x55);
    read_topic_bytes(*h, tail.data(), static_cast<int32_t>(tail.size()), &offset, &new_block);
    EXPECT_TRUE(r.exhausted);
    EXPECT_TRUE(std::equal(tail.begin(), tail.begin() + static_cast<long>(t.stream.size() - 21), t.stream.begin() + 21));
    EXPECT_TRUE(std::all_of(tail.begin() + static_cast<long>(t.stream.size() - 21), tail.end(), [](uint8_t b) { return b == 0; }));
    std::vector<uint8_t> more(10, 0x55);
    read_topic_bytes(*h, more.data(), 10, &offset, &new_block);
    EXPECT_EQ(more, std::vector<uint8_t>(10, 0));
}

TEST(TopicReader, HostileTopicDataEndsCleanly) {
    auto records = sample_records(40, 400, 3, 6);
    for (bool compressed : {false, true}) {
        TopicOptions o;
        o.compressed = compressed;
        o.padding = 0xEE;
        o.block_data_size = compressed ? 0 : 2500;
        BuiltTopic t = build_topic(records, o);
        std::mt19937 rng(compressed ? 1 : 2);
        for (int round = 0; round < 200; ++round) {
            std::vector<uint8_t> bad = t.content;
            // Damage block headers (next_link/last_link values, sizes) or
            // the data, and sometimes cut the file short.
            for (int k = 0; k < 6; ++k) {
                size_t at = round % 2 ? (rng() % (bad.size() / 4096 + 1)) * 4096 + rng() % 12 : rng() % bad.size();
                if (at < bad.size()) bad[at] = static_cast<uint8_t>(rng());
            }
            if (round % 5 == 0) bad.resize(rng() % bad.size());
            auto h = topic_help(bad, o);
            walk(*h);
            // A read longer than all blocks can hold comes back, ending in
            // zeros, with the reader exhausted.
            std::vector<uint8_t> sink((bad.size() / 4096 + 2) * 16384, 0x55);
            read_topic_bytes(*h, sink.data(), static_cast<int32_t>(sink.size()), nullptr, nullptr);
            EXPECT_TRUE(h->topic_reader.exhausted);
            EXPECT_LE(h->topic_reader.avail, 16384u);
            EXPECT_TRUE(std::all_of(sink.end() - 16384, sink.end(), [](uint8_t b) { return b == 0; }));
        }
    }
    // |TOPIC claiming more bytes than the help file has.
    TopicOptions o;
    BuiltTopic t = build_topic(records, o);
    auto h = topic_help(t.content, o);
    h->topic_file.size = 0x7FFFFFFF;
    Walked w = walk(*h);
    EXPECT_EQ(w.records.size(), records.size());
    // Empty |TOPIC.
    auto e = topic_help({}, o);
    EXPECT_TRUE(walk(*e).exhausted);
}

TEST(TopicReaderCorpus, RecordChainsOfRealFilesLineUp) {
    // Every record must begin exactly where its predecessor's next_link
    // points, which holds only when each block's valid data were cut right;
    // and its text must expand to text_size.
    std::string root = KORVANE_CORPUS_DIR;
    if (!file_exists(root)) GTEST_SKIP() << "no corpus";
    const char* files[] = {"winfile/winfile.hlp", "statlist/StatList.hlp", "leakybin/LEAKYBIN.HLP",
                           "msgdlg/PJMessageDialog.hlp", "verinfo/verinfo.hlp", "abbrevia-readme/README.HLP",
                           "teraterm/ttermp.hlp", "3dmm/MM.HLP", "3dmm/3DMM.HLP"};
    for (const char* name : files) {
        SCOPED_TRACE(name);
        auto h = open_help_file(root + "/" + name, 0);
        ASSERT_TRUE(h);
        ASSERT_TRUE(h->topic_file.present());
        const TopicReader& r = h->topic_reader;
        const unsigned shift = h->is_hc30 ? 11 : 14;
        const bool phrased = h->phrases_file.present() || h->phrindex_file.present();
        uint32_t expected_position = 12, offset = 0;
        int new_block = 0;
        size_t count = 0;
        for (; count < 100000; ++count) {
            uint32_t position = r.active && r.pos < r.avail ? (r.blocks_loaded - 1) << shift | (12 + r.pos)
                                                            : r.blocks_loaded << shift | 12;
            ASSERT_EQ(position, expected_position) << "record " << count;
            std::vector<uint8_t> rec(21);
            read_topic_bytes(*h, rec.data(), 21, &offset, &new_block);
            uint32_t link = le32(rec, 0), text_size = le32(rec, 4), next = le32(rec, 12), data1 = le32(rec, 16);
            ASSERT_TRUE(link >= data1 && data1 >= 21 && link < 0x20000) << "record " << count;
            rec.resize(link);
            read_topic_bytes(*h, rec.data() + 21, static_cast<int32_t>(link - 21), &offset, &new_block);
            size_t stored = link - data1;
            if (!phrased) {
                EXPECT_EQ(stored, text_size);
            }
            if (stored > 0) {
                std::vector<uint8_t> text;
                bool indexed = h->is_hcrtf && stored < text_size;
                expand_phrases(*h, rec.data() + data1, stored, 0xFF00, indexed, text);
                // Files of minor version 33 may store bytes behind an
                // uncompressed text; they expand as well.
                if (h->is_hcrtf && stored > text_size) {
                    EXPECT_GE(text.size(), text_size) << "record " << count;
                } else {
                    EXPECT_EQ(text.size(), text_size) << "record " << count;
                }
            }
            if (next == 0xFFFFFFFFu) break;
            expected_position = next;
        }
        EXPECT_FALSE(r.exhausted);
        EXPECT_GT(count, 3u);
    }
}
