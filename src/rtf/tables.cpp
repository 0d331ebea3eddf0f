// Table rows.
//
// Column data: byte N, byte type, (type 0) u16 width scale W, N pairs of
// u16. Type 0 rescales every value by W / 0x7FFF and centres the row. The
// gap and the left edge are written ten times their value; the cell
// boundaries too for types 0 and 1, as they are for type 3.
// Then 5-byte cell headers (byte 0: column) each followed by one paragraph.
#include "rtf/tables.h"

#include <vector>

#include "base/messages.h"
#include "base/out_stream.h"
#include "helpfile/byte_reader.h"
#include "rtf/rtf_conversion.h"
#include "rtf/paragraph.h"

namespace korvane {

int following_cell_column(const ByteReader& at, int columns) {
    ByteReader r = at;
    if (r.remaining() < kCellHeaderSize) return -1;
    int column = r.u8();
    r.skip(kCellHeaderSize - 1);
    if (column >= columns) return -1;
    // A paragraph needs more than 12 bytes counted from its cell header.
    if (r.remaining() + kCellHeaderSize <= 12 || *r.here() == 0xFF) return -1;
    return column;
}

void write_table(RtfConversion& help, OutStream& rtf, ByteReader& text, ByteReader& format, bool keep_with_next,
                 uint32_t& pending_chars) {
    if (format.remaining() < 2) return;
    int columns = format.u8();
    int type = format.u8();
    if (type != 0 && type != 1 && type != 3) {
        // The row head is not written, so nothing is left open.
        add_warning(help.report, Msg::TableFormatNotSupported);
        return;
    }

    std::string row = "{\\pard\\trowd\\intbl";
    int scale = 0x7FFF;
    if (type == 0) {
        row += "\\trqc";
        scale = format.u16();
    }
    // Pairs beyond the end of the format data read as 0.
    std::vector<uint16_t> width(static_cast<size_t>(columns)), second(static_cast<size_t>(columns));
    for (int i = 0; i < columns; ++i) {
        width[static_cast<size_t>(i)] = format.u16();
        second[static_cast<size_t>(i)] = format.u16();
    }
    if (type == 0) {
        for (int i = 0; i < columns; ++i) {
            width[static_cast<size_t>(i)] = static_cast<uint16_t>(mul_div(width[static_cast<size_t>(i)], scale, 0x7FFF));
            second[static_cast<size_t>(i)] = static_cast<uint16_t>(mul_div(second[static_cast<size_t>(i)], scale, 0x7FFF));
        }
    }

    int gap = columns >= 2 ? second[1] : 0;
    if (columns >= 2) format_into(row, "\\trgaph%d0", {gap});
    int x = (columns >= 1 ? second[0] : 0) - gap / 2;
    format_into(row, "\\trleft%d0", {x - gap / 2});
    for (int i = 0; i < columns; ++i) {
        x += width[static_cast<size_t>(i)] + gap;
        if (type == 0) {
            format_into(row, "\\cellx%d0", {x});
        } else {
            format_into(row, "\\cellx%d", {type == 1 ? x * 10 : x});
        }
    }
    row += ' ';
    rtf.write(row);

    int previous = 0;
    for (;;) {
        int column = following_cell_column(format, columns);
        if (column < 0) break;
        format.skip(kCellHeaderSize);
        if (column != previous) {
            rtf.write("\\cell ");
            previous = column;
        }
        TableCell cell{column, columns};
        write_paragraph(help, rtf, text, format, keep_with_next, &cell, pending_chars);
    }
    rtf.write("\\cell\\row\\pard}\n");
}

}  // namespace korvane
