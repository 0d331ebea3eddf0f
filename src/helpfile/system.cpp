// SPDX-License-Identifier: MIT
// Reading the |SYSTEM header and telling its compiler.
#include "base/messages.h"
#include "helpfile/helpfile.h"

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
    // Then records: u16 type, u16 length, that many bytes; type 1 is the title.
    while (in.remaining() >= 4) {
        uint16_t type = in.u16();
        uint16_t length = in.u16();
        ByteReader record = in.sub(in.tell(), length);
        in.skip(length);
        if (type == 1) return std::string(record.cstring());
    }
    return {};
}

uint16_t help_locale(const HelpFile& help) {
    constexpr uint16_t kLocaleRecord = 9;
    constexpr size_t kLocaleAt = 8;
    if (!help.system_file.present() || help.is_hc30) return 0;
    ByteReader in = help.reader(help.system_file);
    in.seek(kSystemHeaderSize);
    while (in.remaining() >= 4) {
        uint16_t type = in.u16();
        uint16_t length = in.u16();
        ByteReader record = in.sub(in.tell(), length);
        in.skip(length);
        if (type == kLocaleRecord && record.size() >= kLocaleAt + 2) {
            record.seek(kLocaleAt);
            return record.u16();
        }
    }
    return 0;
}

}  // namespace korvane
