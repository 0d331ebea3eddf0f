// SPDX-License-Identifier: MIT
// Reading the |SYSTEM header and telling its compiler.
#include "base/messages.h"
#include "helpfile/helpfile.h"
#include "helpfile/system.h"

#include <algorithm>
#include <cstring>

namespace korvane {

namespace {

struct Compiler {
    unsigned version;  // low byte of the minor version
    const char* name;
};

const Compiler kCompilers[] = {
    {15, "HC30"},
    {21, "HC31"},
    {27, "WMVC (Media Viewer)"},
    {33, "HCRTF (Windows NT/Windows 95)"},
};

constexpr unsigned kHc30 = 15, kHc31 = 21, kHcrtf = 33;

}  // namespace

const char* compiler_name(unsigned version) {
    for (const Compiler& c : kCompilers) {
        if (c.version == version) return c.name;
    }
    return nullptr;
}

void read_system_header(HelpFile& help, Reporter& report, const InternalFile& row) {
    ByteReader in = help.reader(row.offset, row.size);
    in.seek(kSystemMinorVersion);
    help.minor_version = in.u16();
    in.seek(kSystemFlags);
    help.system_flags = in.u16();
    help.system_file.offset = row.offset;
    help.system_file.size = row.size;

    // A header cut short names no compiler at all.
    unsigned v = in.overrun() ? 0 : help.minor_version & 0xFF;
    help.is_hc30 = v == kHc30;
    help.is_hcrtf = v == kHcrtf;
    const char* name = compiler_name(v);
    if (!name) fatal_error(Fatal::UnsupportedCompiler);
    // Only the files of one compiler are understood completely.
    if (v != kHc31) add_warning(report, Msg::FileCreatedBy, name);
}

std::string help_title(const HelpFile& help) {
    if (!help.system_file.present()) return {};
    ByteReader in = help.reader(help.system_file);
    in.seek(kSystemHeaderSize);
    // 3.0 files hold only the title, as a C string.
    if (help.is_hc30) return std::string(in.cstring());
    std::string title;
    for_each_system_record(help, [&](uint16_t type, ByteReader record) {
        if (type == 1) title = record.cstring();
        return type != 1;
    });
    return title;
}

namespace {

// The text of a field: up to its first NUL or max bytes.
std::string field_text(std::span<const uint8_t> record, size_t from, size_t max) {
    if (from >= record.size()) return {};
    size_t limit = std::min(record.size() - from, max);
    const char* p = reinterpret_cast<const char*>(record.data() + from);
    const void* nul = std::memchr(p, 0, limit);
    return std::string(p, nul ? static_cast<size_t>(static_cast<const char*>(nul) - p) : limit);
}

}  // namespace

WindowDefinition decode_window_record(std::span<const uint8_t> record) {
    std::array<uint8_t, 90> w{};
    std::copy_n(record.begin(), std::min(record.size(), w.size()), w.begin());
    WindowDefinition d;
    d.flags = ByteReader::le16(&w[0]);
    d.name = field_text(record, 12, 9);
    d.caption = field_text(record, 21, 51);
    d.x = ByteReader::le16(&w[72]);
    d.y = ByteReader::le16(&w[74]);
    d.width = ByteReader::le16(&w[76]);
    d.height = ByteReader::le16(&w[78]);
    d.maximize = ByteReader::le16(&w[80]);
    std::copy_n(&w[82], 3, d.scrolling_colour.begin());
    std::copy_n(&w[86], 3, d.non_scrolling_colour.begin());
    return d;
}

std::vector<WindowDefinition> read_window_definitions(const HelpFile& help) {
    std::vector<WindowDefinition> windows;
    for_each_system_record(help, [&](uint16_t type, ByteReader record) {
        if (type == kSystemWindowRecord) windows.push_back(decode_window_record({record.here(), record.remaining()}));
        return true;
    });
    return windows;
}

uint16_t help_locale(const HelpFile& help) {
    constexpr uint16_t kLocaleRecord = 9;
    constexpr size_t kLocaleAt = 8;
    uint16_t locale = 0;
    for_each_system_record(help, [&](uint16_t type, ByteReader record) {
        if (type != kLocaleRecord || record.size() < kLocaleAt + 2) return true;
        record.seek(kLocaleAt);
        locale = record.u16();
        return false;
    });
    return locale;
}

}  // namespace korvane
