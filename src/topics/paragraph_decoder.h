// SPDX-License-Identifier: MIT
// Paragraphs of display-text and table records.
//
// A record carries two parts. The format data start with the paragraph
// information: byte, byte, u16 (unused), u16 paragraph bits, then in this
// order the fields of the bits 0x0001 (two compressed signed values,
// unused), 0x0002 space before, 0x0004 space after, 0x0008 line spacing,
// 0x0010 left indent, 0x0020 right indent, 0x0040 first-line indent
// (compressed signed each, in tens of twips unless the help file has
// 42-byte font descriptors, then in twips), 0x0100 borders (flag byte: 0x01
// box, 0x02 top, 0x04 bar, 0x08 bottom, 0x10 right, 0x20 thick, 0x80 left;
// u16 width, unused), 0x0200 tab stops (count byte; (count & 0x7E) / 2
// compressed unsigned stops: the position in tens of twips in bits 0-13,
// bit 0x4000 a type byte following, 0x02 right, else centred). 0x0400 right
// aligned, 0x0800 centred, 0x1000 keep together carry no field.
//
// After the information a stream of command bytes with their operands,
// ended by 0xFF: 0x80 u16 font, 0x81 line break, 0x82 paragraph end, 0x83
// tab, 0x86/0x87/0x88 picture inline/left/right or embedded window (8
// bytes: kind (0x22 picture, 0x05 window), 2 unused, hotspot count * 2, 2
// unused, u16 picture number; an embedded window adds a byte and a
// NUL-terminated description), 0x89 hotspot end, 0xC8/0xCC macro hotspot,
// 0xE0-0xEF jump hotspots (topics/hotspots.h). 0x00 is padding; anything
// else is ignored. The text is a run of NUL-terminated strings: one before
// every command and one after the last.
//
// Table records: after the leading values, byte N (number of columns),
// byte type (0, 1 or 3), for type 0 a u16 width scale W, then N pairs of
// u16 (column width, second value; the second value of pair 0 is the left
// edge, of pair 1 the gap between cells; type 0 rescales every value by
// W / 0x7FFF). Then the cell paragraphs, each after a 5-byte cell header
// whose byte 0 is its column; a column of N or more ends the row, as does
// too little data for a paragraph.
#pragma once

#include <cstdint>

namespace korvane {

struct TopicContext;
class TopicSink;
class ByteReader;

constexpr int kCellHeaderSize = 5;

// The paragraphs of one record. pending_chars grows by the hotspot counts
// of its pictures, which take topic offsets after the record.
struct ParagraphDecoder {
    // The cell a paragraph belongs to, for paragraphs of a table row.
    struct Cell {
        int column;
        int columns;
    };

    const TopicContext& walk;
    TopicSink& sink;
    ByteReader& text;
    ByteReader& format;
    bool non_scrolling;
    uint32_t& pending_chars;

    // One paragraph: format is left just after its 0xFF (or at its end),
    // text after its last string.
    void paragraph(const Cell* cell);
    // A table row.
    void table();
};

// Column of the cell paragraph whose header stands at `at`, or -1 when the
// row ends there (no complete header, a column of `columns` or more, too
// little data left for a paragraph, or a paragraph that starts with 0xFF).
int following_cell_column(const ByteReader& at, int columns);

}  // namespace korvane
