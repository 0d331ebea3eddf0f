// SPDX-License-Identifier: MIT
// The records of |SYSTEM and its window definitions.
//
// After its header, |SYSTEM holds records back to back: u16 type, u16
// length, then that many bytes (3.0 files hold only a title there). A window record (type 6) holds u16 flags at
// 0, the name at 12 (9 bytes), the caption at 21 (51 bytes), u16 x, y,
// width, height, maximize at 72..80, and the colours (RGB) of the scrolling
// and non-scrolling regions at 82 and 86. A flag bit says which fields are
// set: 0x0002 name, 0x0004 caption, 0x0008 x, 0x0010 y, 0x0020 width,
// 0x0040 height, 0x0080 maximize, 0x0100 scrolling colour, 0x0200
// non-scrolling colour. Fields beyond a short record read as zero.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/byte_reader.h"
#include "helpfile/helpfile.h"

namespace korvane {

// Calls visit(type, record) for each record of |SYSTEM in order, record a
// cursor over its bytes (a record that runs past the end of |SYSTEM keeps
// what is there), until visit returns false. 3.0 files have no records.
template <class Visit>
void for_each_system_record(const HelpFile& help, Visit visit) {
    if (!help.system_file.present() || help.is_hc30) return;
    ByteReader in = help.reader(help.system_file);
    in.seek(kSystemHeaderSize);
    while (in.remaining() >= 4) {
        uint16_t type = in.u16();
        uint16_t length = in.u16();
        ByteReader record = in.sub(in.tell(), length);
        in.skip(length);
        if (!visit(type, record)) return;
    }
}

constexpr uint16_t kSystemWindowRecord = 6;

struct WindowDefinition {
    uint16_t flags = 0;
    std::string name, caption;
    uint16_t x = 0, y = 0, width = 0, height = 0, maximize = 0;
    std::array<uint8_t, 3> scrolling_colour{}, non_scrolling_colour{};

    bool has(uint16_t flag) const { return (flags & flag) != 0; }
};

enum : uint16_t {
    kWindowName = 0x0002,
    kWindowCaption = 0x0004,
    kWindowX = 0x0008,
    kWindowY = 0x0010,
    kWindowWidth = 0x0020,
    kWindowHeight = 0x0040,
    kWindowMaximize = 0x0080,
    kWindowScrollingColour = 0x0100,
    kWindowNonScrollingColour = 0x0200,
};

WindowDefinition decode_window_record(std::span<const uint8_t> record);

// Every window record of |SYSTEM, in record order (none in 3.0 files).
std::vector<WindowDefinition> read_window_definitions(const HelpFile& help);

}  // namespace korvane
