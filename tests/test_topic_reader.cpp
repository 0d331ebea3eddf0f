// The topic block reader and the |TOPIC builder the other topic tests use.
#include <gtest/gtest.h>

#include <random>

#include "helpfile/helpfile.h"
#include "support/lz77_compress.h"
#include "support/topic_builder.h"
#include "topics/lz77.h"
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
