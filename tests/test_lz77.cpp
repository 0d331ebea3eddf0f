// SPDX-License-Identifier: MIT
// The LZ77 decoder: the coding and its bounds against short, cut and
// hostile input. (Compressed topics and pictures are in the snapshot table.)
#include <gtest/gtest.h>

#include <optional>
#include <random>

#include "topics/lz77.h"

using namespace korvane;

namespace {

using B = std::vector<uint8_t>;

B to_bytes(std::string_view s) { return {s.begin(), s.end()}; }

// Decodes `length` bytes of in into at most capacity bytes (default: the
// 9-to-1 bound), reporting where the input stream stands afterwards.
B decode(const B& in, std::optional<uint32_t> length = {}, std::optional<size_t> capacity = {}, size_t* pos = nullptr) {
    ByteReader r(in.data(), in.size());
    B out(capacity.value_or(9 * in.size() + 16));
    out.resize(lz77_decompress(r, length.value_or(static_cast<uint32_t>(in.size())), out.data(), out.size()));
    if (pos) *pos = r.tell();
    return out;
}

}  // namespace

TEST(Lz77, CodingAndBounds) {
    struct Case {
        const char* what;
        B in;
        std::optional<uint32_t> length;
        std::optional<size_t> capacity;
        B out;
        size_t pos;  // where the input stands afterwards
    } cases[] = {
        {"a literal, then distance 1 length 3", {0x02, 0x61, 0x00, 0x00}, {}, {}, B(4, 0x61), 4},
        {"overlapping copy", {0x04, 'a', 'b', 0x01, 0x20}, {}, {}, to_bytes("abababa"), 5},
        {"length 0 reads nothing", {0x00, 1}, 0, 16, {}, 0},
        {"the last group ends early", {0xF8, 'x', 'y', 'z'}, {}, {}, to_bytes("xyz"), 4},
        {"a back-reference cut after one byte", {0x02, 'q', 0x00}, {}, {}, to_bytes("q"), 3},
        {"the stream ends before the length", {0x00, 'a', 'b'}, 1000, 64, to_bytes("ab"), 3},
        {"references before the output start copy zeros", {0x05, 0xFF, 0x0F, 'k', 0x00, 0x00}, {}, {},
         {0, 0, 0, 'k', 'k', 'k', 'k'}, 6},
        {"a reference reaching partly before the start", {0x03, 0x01, 0xF0, 0x00, 0x00}, {}, {}, B(21, 0), 5},
        {"eight 18-byte references from 17 bytes", B(17, 0xFF), {}, {}, B(144, 0), 17},
        {"output full: the rest of the input is passed over", B(34, 0xFF), 34, 100, B(100, 0), 34},
        {"capacity inside a literal run", {0x00, 1, 2, 3}, 4, 2, {1, 2}, 4},
        {"capacity 0", {0x00, 1}, 2, 0, {}, 2},
    };
    for (const Case& c : cases) {
        size_t pos = 99;
        EXPECT_EQ(decode(c.in, c.length, c.capacity, &pos), c.out) << c.what;
        EXPECT_EQ(pos, c.pos) << c.what;
    }

    // 0xFF 0xFF after 4096 literals: distance 4096 length 18 reaches back
    // exactly to the first byte.
    B in, expect;
    for (int i = 0; i < 4096; ++i) {
        if (i % 8 == 0) in.push_back(0);
        in.push_back(static_cast<uint8_t>(i + i / 56));
        expect.push_back(in.back());
    }
    in.insert(in.end(), {0x01, 0xFF, 0xFF});
    expect.insert(expect.end(), expect.begin(), expect.begin() + 18);
    EXPECT_EQ(decode(in), expect);

    // The length stops inside a group; a second call goes on from there
    // with a fresh history.
    B two = {0x00, 'a', 'b', 0x02, 'c', 0x00, 0x00};
    ByteReader r(two.data(), two.size());
    uint8_t out[32];
    ASSERT_EQ(lz77_decompress(r, 3, out, sizeof out), 2u);
    ASSERT_EQ(lz77_decompress(r, 4, out, sizeof out), 4u);
    EXPECT_EQ(B(out, out + 4), to_bytes("cccc"));

    // Garbage never writes past the buffer (ASan watches) nor beyond 9 to 1.
    std::mt19937 rng(5);
    for (size_t n = 200; n < 2000; n += 37) {
        B junk(n);
        for (auto& b : junk) b = static_cast<uint8_t>(rng());
        EXPECT_LT(decode(junk, {}, 9 * n).size(), 9 * n);
        EXPECT_LE(decode(junk, {}, 77).size(), 77u);
    }
}
