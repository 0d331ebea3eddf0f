// SPDX-License-Identifier: MIT
#include "topics/paragraph_decoder.h"

#include <optional>
#include <string_view>
#include <vector>

#include "base/messages.h"
#include "base/byte_reader.h"
#include "helpfile/compressed.h"
#include "topics/help_model.h"
#include "topics/topic_context.h"
#include "topics/fonts.h"
#include "topics/hotspots.h"
#include "topics/topic_sink.h"

namespace korvane {

namespace {

// Reads the paragraph information into out; false when it ran past the end
// of the format data (the fields read up to there are kept).
bool read_paragraph_format(const HelpModel& model, ByteReader& format, ParagraphFormat& out) {
    uint16_t bits = 0;
    if (format.remaining() >= 6) {
        format.skip(4);
        bits = format.u16();
    } else {
        format.skip(format.remaining() + 1);  // marks the information as cut short
    }

    if (bits & 0x0001) {
        read_compressed_i16(format);
        read_compressed_i16(format);
    }
    out.keep_together = (bits & 0x1000) != 0;
    out.alignment = (bits & 0x0800) ? Alignment::centre : (bits & 0x0400) ? Alignment::right : Alignment::left;

    int scale = spacing_in_twips(model.fonts) ? 1 : 10;
    std::optional<int>* const spacing[] = {&out.space_before, &out.space_after,  &out.line_spacing,
                                           &out.left_indent,  &out.right_indent, &out.first_indent};
    for (size_t i = 0; i < std::size(spacing); ++i) {
        if (!(bits & (0x0002 << i))) continue;
        int value = read_compressed_i16(format);
        if (format.overrun()) return false;
        *spacing[i] = value * scale;
    }

    if (bits & 0x0100) {
        uint8_t flags = format.u8();
        format.skip(2);
        if (format.overrun()) return false;
        Borders b;
        b.box = flags & 0x01;
        b.top = flags & 0x02;
        b.bar = flags & 0x04;
        b.bottom = flags & 0x08;
        b.right = flags & 0x10;
        b.thick = flags & 0x20;
        b.left = flags & 0x80;
        out.borders = b;
    }

    if (bits & 0x0200) {
        int stops = (format.u8() & 0x7E) / 2;
        for (int i = 0; i < stops && !format.overrun(); ++i) {
            uint16_t stop = read_compressed_u16(format);
            TabStop tab;
            if (stop & 0x4000) {
                uint8_t type = format.u8();
                tab.kind = (type & 0x02) ? TabStop::Kind::right : TabStop::Kind::centre;
            }
            if (format.overrun()) break;
            tab.position = stop & 0x3FFF;
            out.tabs.push_back(tab);
        }
        if (format.overrun()) return false;
    }
    return !format.overrun();
}

// The state of one paragraph's command loop.
struct CommandLoop {
    ParagraphDecoder& d;
    const ParagraphDecoder::Cell* cell;
    bool hotspot_open = false;

    // Carries out one command; false when its operand runs past the end of
    // the format data (the rest of the format data is then used up).
    bool run(uint8_t code);
    void picture(Placement placement);
    void paragraph_end();
    void begin(std::optional<Hotspot> hotspot) {
        if (!hotspot) return;
        d.sink.hotspot_begin(*hotspot);
        hotspot_open = true;
    }
    void end() {
        if (!hotspot_open) {
            add_warning(d.walk.report, Msg::HotspotEndWithoutStart);
            return;
        }
        d.sink.hotspot_end();
        hotspot_open = false;
    }
};

bool CommandLoop::run(uint8_t code) {
    ByteReader& format = d.format;
    switch (code) {
    case 0x80: {
        if (format.remaining() < 2) break;
        uint16_t number = format.u16();
        if (number < font_count(d.walk.model.fonts)) {
            d.sink.font(number);
        } else {
            add_warning(d.walk.report, Msg::IllegalFontSelection);
        }
        return true;
    }
    case 0x81: d.sink.line_break(); return true;
    case 0x82: paragraph_end(); return true;
    case 0x83: d.sink.tab(); return true;
    case 0x86:
    case 0x87:
    case 0x88:
        if (format.remaining() < 8) break;
        picture(code == 0x86 ? Placement::inline_ : code == 0x87 ? Placement::left : Placement::right);
        return !format.overrun();
    case 0x89: end(); return true;
    case 0xC8:
    case 0xCC:
        if (format.remaining() < 2) break;
        begin(decode_macro_hotspot(d.walk, code, format));
        return !format.overrun();
    case 0xE0: case 0xE1: case 0xE2: case 0xE3: case 0xE6: case 0xE7:
    case 0xEA: case 0xEB: case 0xEE: case 0xEF:
        begin(decode_hotspot(d.walk, code, format));
        return true;
    default: return true;
    }
    format.skip(format.remaining());
    return false;
}

void CommandLoop::picture(Placement placement) {
    uint8_t operand[8];
    d.format.read(operand, sizeof operand);
    uint8_t kind = operand[0];
    if (kind == 0x05) {
        d.format.skip(1);
        d.sink.embedded_window(placement, d.format.cstring());
    } else if (kind == 0x22) {
        d.pending_chars += operand[3] / 2u;
        uint16_t number = ByteReader::le16(operand + 6);
        if (number == 0xFFFF) return;
        const auto& names = d.walk.model.picture_names.names;
        if (number < names.size() && names[number]) {
            d.sink.picture(placement, number, *names[number]);
        } else {
            add_warning(d.walk.report, Msg::IllegalBitmapReference, number);
        }
    }
}

void CommandLoop::paragraph_end() {
    // In a table cell the last paragraph is ended by the cell's end.
    bool last_in_cell = false;
    if (cell && d.format.remaining() > 0 && *d.format.here() == 0xFF) {
        ByteReader next = d.format;
        next.skip(1);
        last_in_cell = following_cell_column(next, cell->columns) != cell->column;
    }
    d.sink.paragraph_end(last_in_cell);
}

void emit_text(TopicSink& sink, ByteReader& text) {
    std::string_view run = text.cstring();
    if (!run.empty()) sink.text(run);
}

}  // namespace

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

void ParagraphDecoder::paragraph(const Cell* cell) {
    ParagraphFormat properties;
    properties.non_scrolling = non_scrolling;
    properties.in_table = cell != nullptr;
    bool complete = read_paragraph_format(walk.model, format, properties);
    sink.paragraph_begin(properties);

    CommandLoop loop{*this, cell};
    bool ended = false;
    if (complete) {
        while (format.remaining() > 0 && *format.here() == 0x00) format.skip(1);
        while (format.remaining() > 0) {
            uint8_t code = format.u8();
            if (code == 0xFF) {
                ended = true;
                break;
            }
            while (code == 0x00 && format.remaining() > 0) code = format.u8();
            emit_text(sink, text);
            if (!loop.run(code)) break;
        }
    }

    if (ended) {
        emit_text(sink, text);
    } else {
        // The format data ended before the paragraph did: keep every string
        // of text that is left.
        do {
            emit_text(sink, text);
        } while (text.remaining() > 0);
    }
    // A hotspot still open at the end keeps its target.
    if (loop.hotspot_open) loop.end();
    sink.paragraph_done();
}

void ParagraphDecoder::table() {
    TableRow row;
    if (format.remaining() < 2) {
        row.supported = false;
        sink.table_begin(row);
        return;
    }
    int columns = format.u8();
    row.type = format.u8();
    if (row.type != 0 && row.type != 1 && row.type != 3) {
        add_warning(walk.report, Msg::TableFormatNotSupported);
        row.supported = false;
        sink.table_begin(row);
        return;
    }

    int scale = 0x7FFF;
    if (row.type == 0) scale = format.u16();
    // Pairs beyond the end of the format data read as 0.
    std::vector<uint16_t> width(static_cast<size_t>(columns)), second(static_cast<size_t>(columns));
    for (size_t i = 0; i < width.size(); ++i) {
        width[i] = format.u16();
        second[i] = format.u16();
    }
    if (row.type == 0) {
        for (size_t i = 0; i < width.size(); ++i) {
            width[i] = static_cast<uint16_t>(mul_div(width[i], scale, 0x7FFF));
            second[i] = static_cast<uint16_t>(mul_div(second[i], scale, 0x7FFF));
        }
    }
    row.columns = columns;
    row.gap = columns >= 2 ? second[1] : 0;
    row.left = columns >= 1 ? second[0] : 0;
    row.widths.assign(width.begin(), width.end());
    sink.table_begin(row);

    int previous = 0;
    for (;;) {
        int column = following_cell_column(format, columns);
        if (column < 0) break;
        format.skip(kCellHeaderSize);
        if (column != previous) {
            sink.next_cell(column);
            previous = column;
        }
        Cell cell{column, columns};
        paragraph(&cell);
    }
    sink.table_end();
}

}  // namespace korvane
