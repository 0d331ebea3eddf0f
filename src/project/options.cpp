// SPDX-License-Identifier: MIT
// The head of the project file from the |SYSTEM records.
//
// After its header (helpfile/helpfile.h), |SYSTEM holds records back to back: u16 type,
// u16 length, then that many bytes. Types written here: 1 title, 2 copyright,
// 4 macro ([Config]), 6 window ([Windows]), 8 citation, 13 group ([GROUPS]).
// Window records are decoded as helpfile/system.h describes.
// Files of the oldest compiler hold only a title after the header.
#include "project/options.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <span>

#include "output/out_stream.h"
#include "helpfile/helpfile.h"
#include "helpfile/system.h"

namespace korvane {

namespace {

enum class Section { none, config, windows, groups };

std::string_view text_of(std::span<const uint8_t> data, size_t from = 0, size_t max = SIZE_MAX) {
    if (from >= data.size()) return {};
    size_t limit = std::min(data.size() - from, max);
    const char* p = reinterpret_cast<const char*>(data.data() + from);
    const void* nul = std::memchr(p, 0, limit);
    return {p, nul ? static_cast<size_t>(static_cast<const char*>(nul) - p) : limit};
}

void write_window_line(OutStream& out, const WindowDefinition& w) {
    write_formatted(out, "%s=", w.name);
    if (w.has(kWindowCaption)) write_formatted(out, "\"%s\"", w.caption);
    out.write(",");
    if (w.flags & (kWindowX | kWindowY | kWindowWidth | kWindowHeight)) {
        out.write("(");
        if (w.has(kWindowX)) write_formatted(out, "%d", w.x);
        out.write(",");
        if (w.has(kWindowY)) write_formatted(out, "%d", w.y);
        out.write(",");
        if (w.has(kWindowWidth)) write_formatted(out, "%d", w.width);
        out.write(",");
        if (w.has(kWindowHeight)) write_formatted(out, "%d", w.height);
        out.write(")");
    }
    out.write(",");
    // Help files of the later compiler keep the author's value of this field
    // (the window's state and sizing bits) without setting its flag; a value
    // the field holds is written so that it is not lost.
    if (w.has(kWindowMaximize) || w.maximize != 0) write_formatted(out, "%d", w.maximize);
    out.write(",");
    auto colour = [&](const std::array<uint8_t, 3>& c) { write_formatted(out, "(%d,%d,%d)", c[0], c[1], c[2]); };
    if (w.has(kWindowScrollingColour)) colour(w.scrolling_colour);
    out.write(",");
    if (w.has(kWindowNonScrollingColour)) colour(w.non_scrolling_colour);
    out.write("\n");
}

// "group=" and the text up to its first '.', then ", " and the text that
// starts five bytes after that '.'.
void write_group_line(OutStream& out, std::span<const uint8_t> record) {
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

void write_project_options(const HelpFile& help, OutStream& out) {
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
    Section section = Section::none;
    for_each_system_record(help, [&](uint16_t type, ByteReader data) {
        const std::span<const uint8_t> record(data.here(), data.remaining());
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
            write_window_line(out, decode_window_record(record));
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
        return true;
    });
}

}  // namespace korvane
