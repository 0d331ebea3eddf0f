// SPDX-License-Identifier: MIT
// The window definitions of |SYSTEM.
//
// After its header, |SYSTEM holds records back to back: u16 type, u16
// length, then that many bytes. A window record (type 6) holds u16 flags at
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

namespace korvane {

struct HelpFile;

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
