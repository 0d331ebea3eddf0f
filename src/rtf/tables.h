// Table records as RTF table rows.
//
// The format data of a table record (after the two compressed values and
// the byte the topic pass skips) start with the column data: byte N (number
// of columns), byte type (0, 1 or 3), for type 0 a u16 width scale, then N
// pairs of u16 (column width, second value; the second value of pair 0 is
// the left edge, of pair 1 the gap between cells). Then the cell paragraphs,
// each after a 5-byte cell header whose byte 0 is its column; a column of N
// or more (0xFF for -1) ends the row.
#pragma once

#include <cstdint>

namespace korvane {

struct RtfConversion;
class OutStream;
class ByteReader;

constexpr int kCellHeaderSize = 5;

// Writes the record as one RTF row in its own group.
void write_table(RtfConversion& help, OutStream& rtf, ByteReader& text, ByteReader& format, bool keep_with_next,
                 uint32_t& pending_chars);

// Column of the cell paragraph whose header stands at `at`, or -1 when the
// row ends there (no complete header, a column of `columns` or more, too
// little data left for a paragraph, or a paragraph that starts with 0xFF).
int following_cell_column(const ByteReader& at, int columns);

}  // namespace korvane
