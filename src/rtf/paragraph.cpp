// Paragraph writer: paragraph information, the command stream and escaped
// text.
//
// Paragraph information: byte, byte, u16 (unused), u16 bits, then in this
// order the fields of the bits 0x0001 (two compressed signed values,
// dropped), 0x0002 \sb, 0x0004 \sa, 0x0008 \sl, 0x0010 \li, 0x0020 \ri,
// 0x0040 \fi (compressed signed each, scaled by 10 unless the help file has
// 42-byte font descriptors), 0x0100 borders (flag byte, u16 width unused),
// 0x0200 tab stops (count byte; (count & 0x7E) / 2 compressed unsigned stops,
// a stop with bit 0x8000 followed by a type byte). 0x0400 right, 0x0800
// centred, 0x1000 keep together carry no field.
//
// Commands: 0x80 u16 font, 0x81 line break, 0x82 paragraph end, 0x83 tab,
// 0x86/0x87/0x88 picture or embedded window (8 bytes: kind, 2 unused,
// hotspot count * 2, 2 unused, u16 picture number; an embedded window adds
// a byte and a NUL-terminated description), 0x89 hotspot end, 0xC8/0xCC
// macro hotspot, 0xE0-0xEF jump hotspots, 0xFF end. 0x00 is padding;
// anything else is ignored.
#include "rtf/paragraph.h"

#include <array>
#include <optional>

#include "base/messages.h"
#include "base/out_stream.h"
#include "helpfile/byte_reader.h"
#include "helpfile/compressed.h"
#include "rtf/rtf_conversion.h"
#include "rtf/hotspots.h"
#include "rtf/picture_embed.h"
#include "rtf/tables.h"
#include "topics/code_page.h"

namespace korvane {

namespace {

// The RTF text of every byte value.
struct EscapeTable {
    struct Entry {
        char text[8];
        uint8_t length;
    };
    std::array<Entry, 256> entries{};

    EscapeTable() {
        static const char hex[] = "0123456789abcdef";
        for (int c = 0; c < 256; ++c) {
            std::string s;
            if (c >= 0x81) {
                s = {'\\', '\'', hex[c >> 4], hex[c & 15]};
            } else if (c == 0x09) {
                s = "\\tab ";
            } else if (c == '\\' || c == '{' || c == '}') {
                s = {'\\', static_cast<char>(c)};
            } else if (c < 0x20) {
                s = {'(', '0', 'x', hex[c >> 4], hex[c & 15], ')'};
            } else {
                s = {static_cast<char>(c)};
            }
            Entry& e = entries[static_cast<size_t>(c)];
            s.copy(e.text, sizeof e.text);
            e.length = static_cast<uint8_t>(s.size());
        }
    }
};

const EscapeTable kEscapes;

const char* const kBorderWords[] = {"\\brdrl", "\\brdrr", "\\brdrb", "\\brdrbar", "\\brdrt", "\\box"};
const uint8_t kBorderBits[] = {0x80, 0x10, 0x08, 0x04, 0x02, 0x01};

// Appends the paragraph properties to out; false when the paragraph
// information ran past the end of the format data (the fields read up to
// there are written).
bool paragraph_properties(const RtfConversion& help, ByteReader& format, bool keep_with_next, const TableCell* cell,
                          std::string& out) {
    out += keep_with_next ? "\\pard\\keepn" : "\\pard";
    if (cell) out += "\\intbl";

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
    if (bits & 0x1000) out += "\\keep";
    out += (bits & 0x0800) ? "\\qc" : (bits & 0x0400) ? "\\qr" : "\\ql";

    int scale = help.long_font_records ? 1 : 10;
    static const struct {
        uint16_t bit;
        const char* word;
    } kSpacing[] = {{0x0002, "\\sb%d"}, {0x0004, "\\sa%d"}, {0x0008, "\\sl%d"},
                    {0x0010, "\\li%d"}, {0x0020, "\\ri%d"}, {0x0040, "\\fi%d"}};
    for (const auto& s : kSpacing) {
        if (!(bits & s.bit)) continue;
        int value = read_compressed_i16(format);
        if (format.overrun()) return false;
        format_into(out, s.word, {value * scale});
    }

    if (bits & 0x0100) {
        uint8_t flags = format.u8();
        format.skip(2);
        if (format.overrun()) return false;
        for (size_t i = 0; i < std::size(kBorderBits); ++i) {
            if (flags & kBorderBits[i]) out += kBorderWords[i];
        }
        out += (flags & 0x20) ? "\\brdrth" : "\\brdrs";
    }

    if (bits & 0x0200) {
        int stops = (format.u8() & 0x7E) / 2;
        for (int i = 0; i < stops && !format.overrun(); ++i) {
            uint16_t stop = static_cast<uint16_t>(read_compressed_u16_signed_word(format));
            if (stop & 0x8000) {
                uint8_t type = format.u8();
                if (format.overrun()) break;
                out += (type & 0x02) ? "\\tqr" : "\\tqc";
            }
            if (format.overrun()) break;
            format_into(out, "\\tx%d0", {stop & 0x7FFF});
        }
        if (format.overrun()) return false;
    }
    return !format.overrun();
}

// The state of one paragraph's command loop.
struct CommandLoop {
    RtfConversion& help;
    OutStream& rtf;
    ByteReader& format;
    const TableCell* cell;
    uint32_t& pending_chars;
    std::optional<std::string> target;  // the open hotspot

    // Carries out one command; false when its operand runs past the end of
    // the format data (the rest of the format data is then used up).
    bool run(uint8_t code);
    void font_change();
    void picture(char placement);
    void paragraph_end();
};

bool CommandLoop::run(uint8_t code) {
    switch (code) {
    case 0x80:
        if (format.remaining() < 2) break;
        font_change();
        return true;
    case 0x81: rtf.write("\\line\n"); return true;
    case 0x82: paragraph_end(); return true;
    case 0x83: rtf.write("\\tab "); return true;
    case 0x86:
    case 0x87:
    case 0x88:
        if (format.remaining() < 8) break;
        picture(code == 0x86 ? 'c' : code == 0x87 ? 'l' : 'r');
        return !format.overrun();
    case 0x89: end_hotspot(help, rtf, target); return true;
    case 0xC8:
    case 0xCC:
        if (format.remaining() < 2) break;
        if (auto t = begin_macro_hotspot(help, rtf, code, format)) target = std::move(t);
        return !format.overrun();
    case 0xE0: case 0xE1: case 0xE2: case 0xE3: case 0xE6: case 0xE7:
    case 0xEA: case 0xEB: case 0xEE: case 0xEF:
        if (auto t = begin_hotspot(help, rtf, code, format)) target = std::move(t);
        return true;
    default: return true;
    }
    format.skip(format.remaining());
    return false;
}

void CommandLoop::font_change() {
    uint16_t number = format.u16();
    const std::vector<std::string>& styles = help.font_styles.styles;
    if (number >= styles.size()) {
        add_warning(help.report, Msg::IllegalFontSelection);
        return;
    }
    std::string_view style = styles[number];
    if (target) {
        // The hotspot's own underline or strike-through stays in force.
        size_t ul = style.find("\\ul");
        if (ul != std::string_view::npos) style = style.substr(0, ul);
    }
    std::string s(style);
    s += ' ';
    rtf.write(s);
}

void CommandLoop::picture(char placement) {
    uint8_t operand[8];
    format.read(operand, sizeof operand);
    uint8_t kind = operand[0];
    if (kind == 0x05) {
        format.skip(1);
        std::string_view description = format.cstring();
        write_formatted(rtf, "\\{ew%c %s\\}", placement, escape_rtf_structure(description));
    } else if (kind == 0x22) {
        pending_chars += operand[3] / 2u;
        uint16_t number = ByteReader::le16(operand + 6);
        if (number == 0xFFFF) return;
        const auto& names = help.picture_names.names;
        if (number < names.size() && names[number]) {
            write_picture(help, rtf, *names[number], placement);
        } else {
            add_warning(help.report, Msg::IllegalBitmapReference, number);
        }
    }
}

void CommandLoop::paragraph_end() {
    // In a table cell the last paragraph is ended by the cell mark instead.
    if (cell && format.remaining() > 0 && *format.here() == 0xFF) {
        ByteReader next = format;
        next.skip(1);
        if (following_cell_column(next, cell->columns) != cell->column) return;
    }
    rtf.write("\\par\n");
}

}  // namespace

namespace {

// Bytes that may be the trail byte of a two-byte character and are not
// written as a hexadecimal escape otherwise: backslash, braces and 0x80.
std::string_view multibyte_escape(char c) {
    switch (c) {
    case '\\': return "\\'5c";
    case '{': return "\\'7b";
    case '}': return "\\'7d";
    case '\x80': return "\\'80";
    default: return {};
    }
}

}  // namespace

void write_rtf_text(OutStream& rtf, std::string_view text, uint64_t& written, bool multibyte) {
    if (rtf.is_null()) {
        written += text.size();
        return;
    }
    static thread_local std::string buffer;
    buffer.clear();
    buffer.reserve(text.size() * 2 + text.size() / 64 + 2);
    for (char ch : text) {
        const EscapeTable::Entry& e = kEscapes.entries[static_cast<uint8_t>(ch)];
        std::string_view hex = multibyte ? multibyte_escape(ch) : std::string_view();
        if (hex.empty()) buffer.append(e.text, e.length);
        else buffer.append(hex);
        if (written++ % 64 == 0) buffer += '\n';
    }
    rtf.write(buffer);
    if (rtf.failed()) fatal_error(Fatal::DiskFull);
}

void write_text_run(OutStream& rtf, ByteReader& text, uint64_t& written, bool multibyte) {
    write_rtf_text(rtf, text.cstring(), written, multibyte);
}

std::string escape_rtf_structure(std::string_view text, bool multibyte) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        std::string_view hex = multibyte ? multibyte_escape(c) : std::string_view();
        if (!hex.empty()) {
            out += hex;
            continue;
        }
        if (c == '\\' || c == '{' || c == '}') out += '\\';
        out += c;
    }
    return out;
}

void write_paragraph(RtfConversion& help, OutStream& rtf, ByteReader& text, ByteReader& format, bool keep_with_next,
                     const TableCell* cell, uint32_t& pending_chars) {
    std::string head;
    bool complete = paragraph_properties(help, format, keep_with_next, cell, head);
    head += ' ';
    rtf.write(head);

    CommandLoop loop{help, rtf, format, cell, pending_chars, std::nullopt};
    bool multibyte = is_multibyte_code_page(help.code_page);
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
            write_text_run(rtf, text, help.rtf_chars_written, multibyte);
            if (!loop.run(code)) break;
        }
    }

    if (ended) {
        write_text_run(rtf, text, help.rtf_chars_written, multibyte);
    } else {
        // The format data ended before the paragraph did: keep every string
        // of text that is left.
        do {
            write_text_run(rtf, text, help.rtf_chars_written, multibyte);
        } while (text.remaining() > 0);
    }
    // A hotspot still open at the end keeps its target.
    if (loop.target) end_hotspot(help, rtf, loop.target);
}

void write_picture(RtfConversion& help, OutStream& rtf, const std::string& file_name, char placement) {
    // Print mode embeds the picture itself; a segmented-graphics file or one
    // that cannot be opened is referred to by name instead.
    if ((help.flags & CVF_EMBED_PICTURES) && embed_picture(help, rtf, file_name)) return;
    write_formatted(rtf, "\\{bm%c %s\\}", placement, escape_rtf_structure(file_name));
}

}  // namespace korvane
