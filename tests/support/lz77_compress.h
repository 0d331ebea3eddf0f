// A compressor for the LZ77 variant of help files, for building test data.
//
// Output is groups of a flag byte (bit 0 for the first item) and eight
// items: a literal byte for a clear bit, a two-byte back-reference for a set
// bit (b0 = low 8 bits of distance - 1, b1 = (length - 3) << 4 | high 4 bits
// of distance - 1; distance 1..4096, length 3..18). The last group stops
// after its last item. Matching is greedy over a hash chain.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace korvane::test {

// Compresses all of data.
std::vector<uint8_t> lz77_compress(const uint8_t* data, size_t size);
std::vector<uint8_t> lz77_compress(const std::vector<uint8_t>& data);
std::vector<uint8_t> lz77_compress(std::string_view data);

// Compresses the longest prefix of data whose compressed form fits in
// max_output bytes; appends the compressed bytes to out and returns the
// number of input bytes taken.
size_t lz77_compress_prefix(const uint8_t* data, size_t size, size_t max_output, std::vector<uint8_t>& out);

// Stores data as literal-only groups (flag byte 0 before every eight bytes),
// the coding of incompressible data.
std::vector<uint8_t> lz77_literals(const std::vector<uint8_t>& data);

}  // namespace korvane::test
