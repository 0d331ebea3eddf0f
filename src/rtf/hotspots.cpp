// Hotspots and footnotes.
//
// Jump hotspots are written as struck-through text, popups as underlined
// text, each followed by its target in hidden text: the context name, a
// "%" before it for hotspots that keep the font, then ">window" and
// "@file" parts from the long operand. Macro hotspots are struck through
// with the target "!macro" ("%!macro" without font change). Without
// CVF_JUMPS jumps and popups lose their start word and their target.
#include "rtf/hotspots.h"

#include "base/messages.h"
#include "base/out_stream.h"
#include "helpfile/byte_reader.h"
#include "rtf/rtf_conversion.h"
#include "rtf/paragraph.h"
#include "topics/code_page.h"
#include "topics/context_hash.h"

namespace korvane {

namespace {

bool is_long_form(uint8_t code) { return code == 0xEA || code == 0xEB || code == 0xEE || code == 0xEF; }
bool is_popup(uint8_t code) { return code == 0xE0 || code == 0xE2 || code == 0xE6 || code == 0xEA || code == 0xEE; }
bool keeps_font(uint8_t code) { return code == 0xE6 || code == 0xE7 || code == 0xEE || code == 0xEF; }

}  // namespace

std::optional<std::string> begin_hotspot(RtfConversion& help, OutStream& rtf, uint8_t code, ByteReader& format) {
    size_t size = 4;
    if (is_long_form(code)) {
        size = format.remaining() >= 2 ? ByteReader::le16(format.here()) + 2u : 2;
    }
    if (format.remaining() < size) {
        add_warning(help.report, Msg::IllegalHotspotData);
        return std::nullopt;
    }
    ByteReader operand = format.sub(format.tell(), size);
    format.skip(size);

    bool jumps = (help.flags & CVF_JUMPS) != 0;
    if (jumps) rtf.write(is_popup(code) ? "\\ul " : "\\strike ");

    uint8_t options = 0;
    if (is_long_form(code)) {
        operand.skip(2);
        options = operand.u8();
    }
    uint32_t hash = operand.u32();
    std::string target = keeps_font(code) ? "%" : "";
    target += name_for_hash(help, hash);

    if (options & 0x01) {
        uint8_t window = operand.u8();
        if (window == 0xFF) {
            target += ">main";
        } else if (window < help.window_names.size()) {
            target += '>';
            target += help.window_names[window];
        } else {
            add_warning(help.report, Msg::IllegalWindowReference, window);
        }
    }
    if (options & 0x02) {
        target += '>';
        target += operand.cstring();
    }
    if (options & 0x04) {
        target += '@';
        target += operand.cstring();
    }
    if (!jumps) target.clear();
    return target;
}

std::optional<std::string> begin_macro_hotspot(RtfConversion& help, OutStream& rtf, uint8_t code, ByteReader& format) {
    int16_t length = format.i16();
    if (length <= 0) {
        add_warning(help.report, Msg::IllegalMacroHotspot);
        return std::nullopt;
    }
    // The macro runs to its NUL within its length; a length beyond the
    // format data takes what is there.
    size_t take = static_cast<size_t>(length) < format.remaining() ? static_cast<size_t>(length) : format.remaining();
    ByteReader macro = format.sub(format.tell(), take);
    format.skip(static_cast<size_t>(length));
    std::string target = code == 0xCC ? "%!" : "!";
    target += macro.cstring();
    rtf.write("\\strike ");
    return target;
}

void end_hotspot(RtfConversion& help, OutStream& rtf, std::optional<std::string>& target) {
    if (!target) {
        add_warning(help.report, Msg::HotspotEndWithoutStart);
        return;
    }
    write_formatted(rtf, "\\strike0\\ul0{\\v %s}", escape_rtf_structure(*target));
    target.reset();
}

void write_footnote(RtfConversion& help, OutStream& rtf, ByteReader& text, char mark) {
    if (help.flags & CVF_FOR_PRINT) return;
    write_footnote(help, rtf, text.cstring(), mark);
}

void write_footnote(RtfConversion& help, OutStream& rtf, std::string_view text, char mark) {
    if (help.flags & CVF_FOR_PRINT) return;
    write_formatted(rtf, "{%c{\\footnote{%c}", mark, mark);
    write_rtf_text(rtf, text, help.rtf_chars_written, is_multibyte_code_page(help.code_page));
    rtf.write("}}\n");
}

void write_title_footnotes(RtfConversion& help, OutStream& rtf, ByteReader& text) {
    if (text.remaining() > 0 && *text.here() != 0) {
        write_footnote(help, rtf, text, '$');
    } else {
        text.skip(1);
    }
    if (text.remaining() > 0 && *text.here() != 0) write_footnote(help, rtf, text, '!');
}

}  // namespace korvane
