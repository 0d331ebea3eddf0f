// Paragraphs of display-text and table records as RTF.
//
// A record carries two parts. The format data start with the paragraph
// information: 4 unused bytes, u16 paragraph bits, then the optional fields
// the bits select (spacing and indents as compressed signed values, a 3-byte
// border field, tab stops); after it a stream of command bytes with their
// operands, ended by 0xFF. The text is a run of NUL-terminated strings: one
// before every command and one after the last.
//
// The spacing and indent values and the tab stops are compressed numbers
// (helpfile/compressed.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace korvane {

struct RtfConversion;
class OutStream;
class ByteReader;

// Writes help-file text escaped for RTF. After every character the
// conversion's count of characters written (across all its files and
// passes, the null device included) is examined and then increased; when
// the examined value is a multiple of 64 a line feed follows the character.
// With multibyte set (text in a code page of one- and two-byte characters,
// whose trail bytes may be a backslash or a brace) those three are written
// as hexadecimal escapes.
void write_rtf_text(OutStream& rtf, std::string_view text, uint64_t& written, bool multibyte = false);
// Writes the next NUL-terminated string of text (or the rest, when it holds
// no NUL) and moves text past it and its NUL.
void write_text_run(OutStream& rtf, ByteReader& text, uint64_t& written, bool multibyte = false);

// Text that is written without character escaping (hotspot targets, face
// names, file names) with only the three bytes that would break the RTF
// structure escaped: backslash and both braces (as hexadecimal escapes
// with multibyte, as above).
std::string escape_rtf_structure(std::string_view text, bool multibyte = false);

// The cell a paragraph belongs to, for paragraphs of a table row.
struct TableCell {
    int column;   // this paragraph's column
    int columns;  // number of columns of the row
};

// Writes one paragraph: its properties, then its commands with the text
// strings between them. format is left just after the paragraph's 0xFF (or
// at its end); text after the paragraph's last string. pending_chars grows
// by the hotspot counts of the pictures.
void write_paragraph(RtfConversion& help, OutStream& rtf, ByteReader& text, ByteReader& format, bool keep_with_next,
                     const TableCell* cell, uint32_t& pending_chars);

// A picture of the picture-name table, placement 'c', 'l' or 'r'.
void write_picture(RtfConversion& help, OutStream& rtf, const std::string& file_name, char placement);

}  // namespace korvane
