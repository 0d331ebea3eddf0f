// SPDX-License-Identifier: MIT
#include "topics/hotspots.h"

#include "base/messages.h"
#include "base/byte_reader.h"
#include "topics/context_hash.h"
#include "topics/help_model.h"
#include "topics/topic_context.h"

namespace korvane {

namespace {

bool is_long_form(uint8_t code) { return code == 0xEA || code == 0xEB || code == 0xEE || code == 0xEF; }
bool is_popup(uint8_t code) { return code == 0xE0 || code == 0xE2 || code == 0xE6 || code == 0xEA || code == 0xEE; }
bool keeps_font(uint8_t code) { return code == 0xE6 || code == 0xE7 || code == 0xEE || code == 0xEF; }

void add_window(Hotspot& hotspot, std::string_view name) {
    // Both a number and a name: the RTF target names them one after the other.
    if (hotspot.window) {
        *hotspot.window += '>';
        *hotspot.window += name;
    } else {
        hotspot.window = std::string(name);
    }
}

}  // namespace

std::optional<Hotspot> decode_hotspot(const TopicContext& walk, uint8_t code, ByteReader& format) {
    size_t size = 4;
    if (is_long_form(code)) {
        size = format.remaining() >= 2 ? ByteReader::le16(format.here()) + 2u : 2;
    }
    if (format.remaining() < size) {
        add_warning(walk.report, Msg::IllegalHotspotData);
        return std::nullopt;
    }
    ByteReader operand = format.sub(format.tell(), size);
    format.skip(size);

    Hotspot hotspot;
    hotspot.kind = is_popup(code) ? HotspotKind::popup : HotspotKind::jump;
    hotspot.keeps_font = keeps_font(code);
    uint8_t options = 0;
    if (is_long_form(code)) {
        operand.skip(2);
        options = operand.u8();
    }
    hotspot.hash = operand.u32();
    hotspot.target = walk.names(hotspot.hash);

    if (options & 0x01) {
        uint8_t window = operand.u8();
        if (window == 0xFF) {
            add_window(hotspot, "main");
        } else if (window < walk.model.window_names.size()) {
            add_window(hotspot, walk.model.window_names[window]);
        } else {
            add_warning(walk.report, Msg::IllegalWindowReference, window);
        }
    }
    if (options & 0x02) add_window(hotspot, operand.cstring());
    if (options & 0x04) hotspot.file = std::string(operand.cstring());
    return hotspot;
}

std::optional<Hotspot> decode_macro_hotspot(const TopicContext& walk, uint8_t code, ByteReader& format) {
    int16_t length = format.i16();
    if (length <= 0) {
        add_warning(walk.report, Msg::IllegalMacroHotspot);
        return std::nullopt;
    }
    // The macro runs to its NUL within its length; a length beyond the
    // format data takes what is there.
    size_t take = static_cast<size_t>(length) < format.remaining() ? static_cast<size_t>(length) : format.remaining();
    ByteReader macro = format.sub(format.tell(), take);
    format.skip(static_cast<size_t>(length));
    Hotspot hotspot;
    hotspot.kind = HotspotKind::macro;
    hotspot.keeps_font = code == 0xCC;
    hotspot.target = std::string(macro.cstring());
    return hotspot;
}

}  // namespace korvane
