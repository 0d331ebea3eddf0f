// SPDX-License-Identifier: MIT
// The context map of a compiled HTML Help file, written after the
// compiler.
//
// A program opens a topic by number with HtmlHelp(..., HH_HELP_CONTEXT,
// n): the viewer looks n up in the internal file /#IVB (a u32 byte count
// of the pairs, then pairs of u32: the number, an offset into /#STRINGS)
// and opens the page whose path inside the file (no leading '/') stands
// at that offset, NUL-terminated. chmcmd 3.2.2 stores there the page's
// absolute path on the compiling machine (it joins the project's folder,
// made absolute, with the [FILES] name), which no viewer finds inside the
// file, and it keeps one number per page. So the project is compiled
// without its [ALIAS] and [MAP], and the map is written here:
//
//   - /#STRINGS is the compiler's (every offset into it stays valid: the
//     topics, windows and index header point there) with each page of the
//     map appended; no string crosses a 4,096-byte boundary, as the
//     viewer reads the file in blocks of that size;
//   - /#IVB holds every number of the map, in ascending order;
//   - both are stored uncompressed in section 0, after its end (the end of
//     the file, section 0's last file being the compressed section), and
//     the directory is written again with their new places. Every other
//     file keeps its bytes where it was, relative to section 0; the
//     compiler's own /#STRINGS and /#IVB stay unreferenced in the
//     compressed section.
//
// The file layout (ITSF version 3):
//   ITSF header, 0x60 bytes: +0x38 u64 offset and +0x40 length of header
//     section 0, +0x48 u64 offset and +0x50 length of the directory, +0x58
//     u64 offset of section 0's data. Header section 0: +0x08 u64 the
//     file's size.
//   Directory: the ITSP header, 0x54 bytes (+0x10 u32 chunk size, +0x18
//     depth, +0x1C root index chunk or -1, +0x20 first and +0x24 last
//     listing chunk, +0x2C number of chunks), then the chunks. A listing
//     chunk "PMGL": u32 free bytes at its end, u32 0, i32 previous and next
//     chunk (-1 for none), then entries (encoded integer name length, the
//     name, encoded section, offset and length); from the chunk's end
//     backwards a u16 per fifth entry (the offset of its entry after the
//     20-byte header), the last u16 the number of entries. An index chunk
//     "PMGI" (8-byte header) lists the first name of each chunk below it
//     with that chunk's number. Names are in the byte order of their
//     ASCII-lower-case forms. An encoded integer has 7 bits a byte, most
//     significant first, the high bit set on all bytes but the last.
//   chmcmd gives "first listing chunk" as 1 when there are several (the
//   first is 0), so every chunk is read, in file order.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace korvane::chm {

struct ContextPage {
    uint32_t number = 0;
    std::string page;  // path inside the file, no leading '/'
};

struct FixedMap {
    std::vector<uint8_t> bytes;  // the file with its new map; empty on a problem
    std::string problem;         // why the file was refused
};

// The compiled file chm with the map given instead of its own; strings is
// its /#STRINGS (the compiler stores it compressed; empty when it has
// none). A file not laid out as above, or damaged, is refused with a
// problem, never read past its end.
FixedMap fix_context_map(std::span<const uint8_t> chm, std::span<const uint8_t> strings,
                         const std::vector<ContextPage>& map);

// The pairs (number, page) of a file's /#IVB over its /#STRINGS, as the
// viewer reads them; for reading a map back.
std::vector<ContextPage> read_context_map(std::span<const uint8_t> ivb, std::span<const uint8_t> strings);

}  // namespace korvane::chm
