// SPDX-License-Identifier: MIT
// Decoders for the packing methods of pictures stored in help files.
//
// A picture's data are packed one of four ways, named by the high byte of
// its kind: 0 stored as they are, 1 run-length, 2 LZ77, 3 LZ77 whose output
// is run-length packed. Run-length data are groups of a control byte c and
// either c - 128 literal bytes (bit 7 set) or one byte repeated c times.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/byte_reader.h"

namespace korvane {

class OutStream;

// Where decoded bytes go: a file, or the end of a buffer in memory.
struct ByteSink {
    OutStream* file = nullptr;
    std::vector<uint8_t>* memory = nullptr;

    void put(const uint8_t* p, size_t n);
    void repeat(uint8_t b, size_t n);
};

// Each decoder reads n stored bytes from in's position (fewer when in ends
// first) and returns the number of bytes it wrote to out.
size_t copy_stored_data(ByteReader& in, ByteSink& out, uint32_t n);
size_t expand_run_length(ByteReader& in, ByteSink& out, uint32_t n);
size_t expand_lz77_to_stream(ByteReader& in, ByteSink& out, uint32_t n);
size_t expand_lz77_run_length(ByteReader& in, ByteSink& out, uint32_t n);

// The decoder for a picture kind (type + 256 * packing); packings above 3
// write nothing.
size_t expand_picture_data(uint16_t kind, ByteReader& in, ByteSink& out, uint32_t n);

}  // namespace korvane
