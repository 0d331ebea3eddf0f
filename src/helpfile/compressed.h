// SPDX-License-Identifier: MIT
// Compressed numbers of topic and picture records.
//
// The short form takes one byte when bit 0 of the first byte is clear and
// two (a little-endian word) otherwise; the long form likewise takes one
// word or two (a little-endian u32). The number is what was read, shifted
// right by one. Readers differ in how they take the sign; each variant
// below is named for the way its callers need.
#pragma once

#include <cstdint>

#include "base/byte_reader.h"

namespace korvane {

// Short form, unsigned: a >> 1, or w >> 1.
inline uint16_t read_compressed_u16(ByteReader& in) {
    uint8_t a = in.u8();
    if (!(a & 1)) return a >> 1;
    uint8_t b = in.u8();
    return static_cast<uint16_t>((b << 8 | a) >> 1);
}

// Long form, unsigned: w >> 1, or d >> 1.
inline uint32_t read_compressed_u32(ByteReader& in) {
    uint16_t w = in.u16();
    if (!(w & 1)) return w >> 1;
    uint16_t high = in.u16();
    return (static_cast<uint32_t>(high) << 16 | w) >> 1;
}

// Short form, signed with a bias: (a - 0x80) / 2, or (int16)(w - 0x8000) / 2
// truncated toward zero.
inline int read_compressed_i16(ByteReader& in) {
    uint8_t a = in.u8();
    if (!(a & 1)) return (a - 128) / 2;
    uint16_t w = static_cast<uint16_t>(a | in.u8() << 8);
    return static_cast<int16_t>(static_cast<uint16_t>(w - 0x8000)) / 2;
}

}  // namespace korvane
