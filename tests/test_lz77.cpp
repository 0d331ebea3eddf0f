// The LZ77 decoder: the coding itself, its bounds, and round trips through
// the test compressor.
#include <gtest/gtest.h>

#include <random>

#include "support/lz77_compress.h"
#include "support/topic_builder.h"
#include "topics/lz77.h"

using namespace korvane;
using namespace korvane::test;

namespace {

std::vector<uint8_t> decode(const std::vector<uint8_t>& in, uint32_t length, size_t capacity, size_t* stream_pos = nullptr) {
    ByteReader r(in.data(), in.size());
    std::vector<uint8_t> out(capacity);
    size_t n = lz77_decompress(r, length, out.data(), capacity);
    out.resize(n);
    if (stream_pos) *stream_pos = r.tell();
    return out;
}

std::vector<uint8_t> decode(const std::vector<uint8_t>& in) {
    return decode(in, static_cast<uint32_t>(in.size()), 9 * in.size() + 16);
}

std::vector<uint8_t> random_bytes(size_t n, unsigned seed, int alphabet = 256) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> v(n);
    for (auto& b : v) b = static_cast<uint8_t>(rng() % alphabet);
    return v;
}

}  // namespace

TEST(Lz77, ItemsAndBackReferences) {
    // A literal, then distance 1 length 3: the byte four times.
    EXPECT_EQ(decode({0x02, 0x61, 0x00, 0x00}), std::vector<uint8_t>(4, 0x61));
    // Flag 0: eight literals unchanged.
    EXPECT_EQ(decode({0x00, 1, 2, 3, 4, 5, 6, 7, 8}), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));
    // Overlapping copy: "ab" then distance 2 length 5 -> "abababa".
    EXPECT_EQ(decode({0x04, 'a', 'b', 0x01, 0x20}), to_bytes("abababa"));
    // 0xFF 0xFF: distance 4096 length 18, reaching back exactly to the start.
    std::vector<uint8_t> in, expect;
    for (int g = 0; g < 512; ++g) {  // 4096 literals
        in.push_back(0);
        for (int k = 0; k < 8; ++k) {
            uint8_t v = static_cast<uint8_t>(g * 8 + k + g / 7);
            in.push_back(v);
            expect.push_back(v);
        }
    }
    in.insert(in.end(), {0x01, 0xFF, 0xFF});
    expect.insert(expect.end(), expect.begin(), expect.begin() + 18);
    EXPECT_EQ(decode(in), expect);
}

TEST(Lz77, IncompleteGroupsAndLengths) {
    size_t pos = 99;
    // Length 0 reads nothing.
    EXPECT_TRUE(decode({0x00, 1}, 0, 16, &pos).empty());
    EXPECT_EQ(pos, 0u);
    // Flag and three literals: the other flag bits mean nothing.
    EXPECT_EQ(decode({0xF8, 'x', 'y', 'z'}), to_bytes("xyz"));
    // A back-reference with only its first byte ends the input.
    EXPECT_EQ(decode({0x02, 'q', 0x00}), to_bytes("q"));
    // compressed_length stops inside a group and leaves the rest of the
    // stream unread; a second call goes on from there with a fresh history.
    std::vector<uint8_t> two = {0x00, 'a', 'b', 0x02, 'c', 0x00, 0x00};
    ByteReader r(two.data(), two.size());
    uint8_t out[32];
    ASSERT_EQ(lz77_decompress(r, 3, out, sizeof out), 2u);
    EXPECT_EQ(r.tell(), 3u);
    ASSERT_EQ(lz77_decompress(r, 4, out, sizeof out), 4u);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 4), to_bytes("cccc"));
    // The stream ending before compressed_length: what was decoded stays.
    EXPECT_EQ(decode({0x00, 'a', 'b'}, 1000, 64), to_bytes("ab"));
}

TEST(Lz77, HostileInputStaysInsideItsBuffers) {
    // A back-reference before the start of the output copies zeros.
    EXPECT_EQ(decode({0x05, 0xFF, 0x0F, 'k', 0x00, 0x00}), (std::vector<uint8_t>{0, 0, 0, 'k', 'k', 'k', 'k'}));
    EXPECT_EQ(decode({0x03, 0x01, 0xF0, 0x00, 0x00}).size(), 18u + 3u);
    // Eight references of 18 bytes each: 144 bytes from 17, cut at the capacity.
    std::vector<uint8_t> worst(17, 0xFF);
    EXPECT_EQ(decode(worst).size(), 144u);
    size_t pos = 0;
    std::vector<uint8_t> twice = worst;
    twice.insert(twice.end(), worst.begin(), worst.end());
    EXPECT_EQ(decode(twice, 34, 100, &pos).size(), 100u);
    EXPECT_EQ(pos, 34u);  // the rest of the input is passed over
    EXPECT_EQ(decode({0x00, 1, 2, 3}, 4, 2, &pos), (std::vector<uint8_t>{1, 2}));
    EXPECT_EQ(pos, 4u);
    EXPECT_TRUE(decode({0x00, 1}, 2, 0).empty());
    // Random garbage never writes past the buffer (ASan watches) and never
    // exceeds the 9-to-1 bound.
    for (unsigned seed = 0; seed < 50; ++seed) {
        std::vector<uint8_t> junk = random_bytes(200 + seed * 37, seed);
        EXPECT_LT(decode(junk, static_cast<uint32_t>(junk.size()), 9 * junk.size()).size(), 9 * junk.size());
        EXPECT_LE(decode(junk, static_cast<uint32_t>(junk.size()), 77).size(), 77u);
    }
}

TEST(Lz77, RoundTripsThroughTheCompressor) {
    std::vector<std::vector<uint8_t>> inputs = {
        {},
        to_bytes("a"),
        to_bytes("abcabcabcabcabcabcabcabcabcabcabcabcabcabcabc"),
        std::vector<uint8_t>(10000, 'z'),
        random_bytes(5000, 1),
        random_bytes(30000, 2, 4),  // long matches, distances across the whole window
    };
    std::string text;
    for (int i = 0; i < 800; ++i) text += "The quick brown fox " + std::to_string(i * 7919 % 1000) + " jumps. ";
    inputs.push_back(to_bytes(text));
    for (const auto& in : inputs) {
        std::vector<uint8_t> c = lz77_compress(in);
        EXPECT_EQ(decode(c), in) << "size " << in.size();
    }
    EXPECT_LT(lz77_compress(to_bytes(text)).size(), text.size() / 3);
    EXPECT_EQ(decode(lz77_literals(random_bytes(1000, 3))), random_bytes(1000, 3));

    // A prefix compressed into a budget decodes to exactly that prefix.
    std::vector<uint8_t> data = random_bytes(8000, 4, 16);
    for (size_t budget : {1u, 2u, 9u, 100u, 4084u}) {
        std::vector<uint8_t> c;
        size_t took = lz77_compress_prefix(data.data(), data.size(), budget, c);
        EXPECT_LE(c.size(), budget);
        EXPECT_EQ(decode(c), std::vector<uint8_t>(data.begin(), data.begin() + static_cast<long>(took)));
    }
}
