// SPDX-License-Identifier: MIT
// The LZ77 variant of help files.
//
// Compressed data are groups: a flag byte, then eight items, bit 0 of the
// flag for the first. A clear bit is one literal byte; a set bit a two-byte
// back-reference b0 b1 with distance ((b1 & 0x0F) << 8 | b0) + 1 and length
// (b1 >> 4) + 3, copied forward byte by byte so overlapping copies repeat.
// The last group may stop after any complete item.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/byte_reader.h"

namespace korvane {

// Expands compressed_length bytes from in (fewer when in ends first) into
// out, writing at most capacity bytes; returns the number of bytes written.
// A back-reference before the start of the output copies zeros. When out
// fills up, the rest of the input is passed over, so in always ends up
// behind the compressed data (or at its own end).
size_t lz77_decompress(ByteReader& in, uint32_t compressed_length, uint8_t* out, size_t capacity);

}  // namespace korvane
