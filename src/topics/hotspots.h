// SPDX-License-Identifier: MIT
// Hotspot commands of the paragraph format data.
//
// 0xE0-0xE3, 0xE6, 0xE7 carry a u32 context-name hash; 0xEA, 0xEB, 0xEE,
// 0xEF carry u16 n and then n bytes: an option byte, the u32 hash, then a
// window number byte (option 0x01; 0xFF the main window, else an index into
// the secondary windows with a name), a NUL-terminated window name (0x02)
// and a NUL-terminated file name (0x04). Popups: 0xE0, 0xE2, 0xE6, 0xEA,
// 0xEE; the others are jumps. 0xE6, 0xE7, 0xEE and 0xEF keep the font of
// the text around them. 0xC8 and 0xCC carry an i16 length and the macro
// text (0xCC keeps the font). 0x89 ends a hotspot.
#pragma once

#include <cstdint>
#include <optional>

#include "topics/topic_sink.h"

namespace korvane {

struct TopicContext;
class ByteReader;

// The jump or popup hotspot (codes 0xE0-0xEF) whose operand stands at
// format; nullopt (warning, nothing consumed) when the operand is longer
// than the format data left.
std::optional<Hotspot> decode_hotspot(const TopicContext& walk, uint8_t code, ByteReader& format);
// The macro hotspot (0xC8, 0xCC); nullopt (warning) for a length of 0 or
// less.
std::optional<Hotspot> decode_macro_hotspot(const TopicContext& walk, uint8_t code, ByteReader& format);

}  // namespace korvane
