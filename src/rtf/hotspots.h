// Hotspots and footnotes: the help-source markup of jumps, popups, macros
// and topic metadata.
//
// Hotspot commands of the format data: 0xE0-0xE3, 0xE6, 0xE7 carry a u32
// context-name hash; 0xEA, 0xEB, 0xEE, 0xEF carry u16 n and then n bytes: an
// option byte, the u32 hash, then a window number byte (option 0x01), a
// NUL-terminated window name (0x02) and a NUL-terminated file name (0x04).
// 0xC8 and 0xCC carry an i16 length and the macro text. 0x89 ends a hotspot.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvane {

struct RtfConversion;
class OutStream;
class ByteReader;

// Starts a jump or popup hotspot (codes 0xE0-0xEF) whose operand stands at
// format; returns its target, or nullopt (warning 11, nothing consumed) when
// the operand is longer than the format data left.
std::optional<std::string> begin_hotspot(RtfConversion& help, OutStream& rtf, uint8_t code, ByteReader& format);
// Starts a macro hotspot (0xC8, 0xCC); nullopt (warning 14) for a length of 0
// or less.
std::optional<std::string> begin_macro_hotspot(RtfConversion& help, OutStream& rtf, uint8_t code, ByteReader& format);
// Ends the open hotspot, writing its hidden target, and clears target;
// warning 15 when none is open.
void end_hotspot(RtfConversion& help, OutStream& rtf, std::optional<std::string>& target);

// "{%c{\footnote{%c}" text "}}\n", the text escaped; nothing in print mode.
// The first form takes the next string of text.
void write_footnote(RtfConversion& help, OutStream& rtf, ByteReader& text, char mark);
void write_footnote(RtfConversion& help, OutStream& rtf, std::string_view text, char mark);
// The "$" title and "!" entry macro footnotes from a topic header's text:
// the title, a NUL, the macro.
void write_title_footnotes(RtfConversion& help, OutStream& rtf, ByteReader& text);

}  // namespace korvane
