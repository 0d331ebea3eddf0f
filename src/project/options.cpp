// SPDX-License-Identifier: MIT
// The head of the project file from the |SYSTEM records.
//
// After its header (helpfile/helpfile.h), |SYSTEM holds records back to back: u16 type,
// u16 length, then that many bytes. Types written here: 1 title, 2 copyright,
// 4 macro ([Config]), 6 window ([Windows]), 8 citation, 13 group ([GROUPS]).
// A window record holds u16 flags at 0, the name at 12 (9 bytes), the
// caption at 21 (51 bytes), u16 x, y, width, height, maximize at 72..80, and
// the colours of the scrolling and non-scrolling regions at 82 and 86.
// Files of the oldest compiler hold only a title after the header.
#include "project/options.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "base/out_stream.h"
#include "topics/decoding.h"

namespace korvane {

namespace {

enum class Section { none, config, windows, groups };

std::string_view text_of(const std::vector<uint8_t>& data, size_t from = 0, size_t max = SIZE_MAX) {
    if (from >= data.size()) return {};
    size_t limit = std::min(data.size() - from, max);
    const char* p = reinterpret_cast<const char*>(data.data() + from);
    const void* nul = std::memchr(p, 0, limit);
    return {p, nul ? static_cast<size_t>(static_cast<const char*>(nul) - p) : limit};
}

void write_window_line(Decoding& help, OutStream& out, const std::vector<uint8_t>& record) {
    // Fields beyond a short record read as zero.
    std::array<uint8_t, 90> w{};
    std::copy_n(record.begin(), std::min(record.size(), w.size()), w.begin());
    uint16_t flags = ByteReader::le16(&w[0]);
    std::string_view name = text_of(record, 12, 9);
    write_formatted(out, "%s=", name);
    if (flags & 0x0002) help.window_names.emplace_back(name);
    if (flags & 0x0004) write_formatted(out, "\"%s\"", text_of(record, 21, 51));
    out.write(",");
    if (flags & 0x0078) {
        out.write("(");
        if (flags & 0x0008) write_formatted(out, "%d", ByteReader::le16(&w[72]));
        out.write(",");
        if (flags & 0x0010) write_formatted(out, "%d", ByteReader::le16(&w[74]));
        out.write(",");
        if (flags & 0x0020) write_formatted(out, "%d", ByteReader::le16(&w[76]));
        out.write(",");
        if (flags & 0x0040) write_formatted(out, "%d", ByteReader::le16(&w[78]));
        out.write(")");
    }
    out.write(",");
    if (flags & 0x0080) write_formatted(out, "%d", ByteReader::le16(&w[80]));
    out.write(",");
    if (flags & 0x0100) write_formatted(out, "(%d,%d,%d)", w[82], w[83], w[84]);
    out.write(",");
    if (flags & 0x0200) write_formatted(out, "(%d,%d,%d)", w[86], w[87], w[88]);
    out.write("\n");
}

// "group=" and the text up to its first '.', then ", " and the text that
// starts five bytes after that '.'.
void write_group_line(OutStream& out, const std::vector<uint8_t>& record) {
    std::string_view text = text_of(record);
    out.write("group=");
    size_t dot = text.find('.');
    if (dot == std::string_view::npos) {
        out.write(text);
    } else {
        out.write(text.substr(0, dot));
        out.write(", ");
        out.write(text_of(record, dot + 5));
    }
    out.write("\n");
}

}  // namespace

void write_project_options(Decoding& help, OutStream& out) {
    const char* compress = help.system_flags == 0 ? "FALSE" : help.system_flags == 4 ? "HIGH" : "MEDIUM";
    write_formatted(out, "[options]\nCompress=%s\n", compress);
    if (!help.system_file.present()) return;

    ByteReader in = help.reader(help.system_file);
    in.seek(kSystemHeaderSize);
    if ((help.minor_version & 0xFF) == 15) {
        // A line read of at most 31 characters, ending after a line feed.
        std::string title;
        for (int c; title.size() < 31 && (c = in.get()) >= 0;) {
            title.push_back(static_cast<char>(c));
            if (c == '\n') break;
        }
        write_formatted(out, "Title=%s\n", title.c_str());
        return;
    }
    if (help.system_file.size <= kSystemHeaderSize) return;

    Section section = Section::none;
    std::vector<uint8_t> record;
    while (in.remaining() >= 4) {
        uint16_t type = in.u16();
        uint16_t length = in.u16();
        // A record that runs past the end of |SYSTEM keeps what is there.
        record.resize(std::min<size_t>(length, in.remaining()));
        in.read(record.data(), record.size());
        switch (type) {
        case 1:
            if (!text_of(record).empty()) write_formatted(out, "Title= %s\n", text_of(record));
            break;
        case 2:
            if (text_of(record).size() > 2) write_formatted(out, "CopyRight= %s\n", text_of(record));
            break;
        case 4:
            if (section != Section::config) out.write("\n[Config]\n");
            section = Section::config;
            write_formatted(out, "%s\n", text_of(record));
            break;
        case 6:
            if (section != Section::windows) out.write("\n[Windows]\n");
            section = Section::windows;
            write_window_line(help, out, record);
            break;
        case 8:
            write_formatted(out, "Citation = %s\n", text_of(record));
            break;
        case 13:
            if (section != Section::groups) out.write("\n[GROUPS]\n");
            section = Section::groups;
            write_group_line(out, record);
            break;
        default:
            break;
        }
    }
}

}  // namespace korvane
