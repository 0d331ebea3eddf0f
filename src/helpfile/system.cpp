// The |SYSTEM header: u16 unused, u16 minor version (its low byte names the
// compiler), 6 unused bytes, u16 flags (0x0004 and 0x0008: compression).
#include "driver/messages.h"
#include "helpfile/helpfile.h"

namespace korvane {

void read_system_header(HelpFile& help, const InternalFile& row) {
    ByteReader in = help.reader(row.offset, row.size);
    in.skip(2);
    help.minor_version = in.u16();
    in.skip(6);
    help.system_flags = in.u16();
    help.system_file.offset = row.offset;
    help.system_file.size = row.size;

    // A header cut short names no compiler at all.
    unsigned v = in.overrun() ? 0 : help.minor_version & 0xFF;
    help.is_hc30 = v == 15;
    help.is_hcrtf = v == 33;
    switch (v) {
    case 15: add_warning(help, Msg::FileCreatedBy, "HC30"); break;
    case 33: add_warning(help, Msg::FileCreatedBy, "HCRTF (Windows NT/Windows 95)"); break;
    case 27: add_warning(help, Msg::FileCreatedBy, "WMVC (Media Viewer)"); break;
    case 21: break;
    default: fatal_error(Fatal::UnsupportedCompiler);
    }
}

}  // namespace korvane
