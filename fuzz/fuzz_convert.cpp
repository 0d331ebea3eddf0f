// SPDX-License-Identifier: MIT
// Runs the whole conversion on arbitrary bytes, in memory, in one of the
// modes that take different ways through the code, chosen by the input's
// length (so that each input is converted once and a corpus holds every
// mode). A fatal error is an expected end for bad input: the conversion
// returns it.
//
//   0x38 project file, both topic passes, jumps, page breaks
//   0x18 the same without jump targets (hotspots lose their targets)
//   0x07 print mode: pictures (hotspots or not) written, embedded, removed
//   0x26 print mode keeping .SHG files: those are referred to, not embedded
//   the web site, whose every file must lie in the site's folder
//   the HTML Help project (not compiled: the output is in memory), whose
//   every file must lie in its folder
//
// The code page is one a user could give (--codepage) or, for one length in
// four, the file's own (its records, else the detection over the topic
// text). One input in six is read as a contents file and as text for the
// site instead (its first 256 bytes, in a single-byte and a double-byte
// code page), which must never let markup through.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "base/file_names.h"
#include "base/messages.h"
#include "output/output_sink.h"
#include "driver/convert.h"
#include "base/byte_reader.h"
#include "topics/contents_file.h"
#include "html/escape.h"
#include "text/utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace korvane;
    constexpr int kModes[] = {
        CVF_JUMPS | CVF_PAGE_BREAK | CVF_TWO_PASS,
        CVF_PAGE_BREAK | CVF_TWO_PASS,
        CVF_NO_SHG | CVF_EMBED_PICTURES | CVF_FOR_PRINT,
        CVF_EMBED_PICTURES | CVF_FOR_PRINT | CVF_JUMPS,
    };
    constexpr int kUserCodePages[] = {0, 1252, 932, 1250};
    const int code_page = kUserCodePages[size % 4];
    // The modes, then the web site, the HTML Help project, the text
    // functions.
    const size_t mode = size / 4 % (std::size(kModes) + 3);
    const std::span<const uint8_t> bytes(data, size);
    if (mode < std::size(kModes)) {
        const int flags = kModes[mode];
        MemorySink output;
        std::optional<ConversionError> error =
            convert(HelpInput{"F.HLP", bytes}, {rtf_kind(flags), flags, code_page}, output);
        if (error && error->text.empty()) std::abort();
        // Embedded pictures (every name from a "bm" container) are removed
        // once the topics are written.
        if (!error && (flags & CVF_EMBED_PICTURES)) {
            for (const std::string& name : output.names()) {
                if (name.starts_with("bm")) std::abort();
            }
        }
    } else if (mode <= std::size(kModes) + 1) {
        const bool site = mode == std::size(kModes);
        MemorySink output;
        std::optional<ConversionError> error = convert(
            HelpInput{"F.HLP", bytes}, {site ? OutputKind::site : OutputKind::html_help, 0, code_page}, output);
        if (error && error->text.empty()) std::abort();
        // Every file lies in the output's folder: "f/" or "f-chm/", then
        // names none of which is empty, "." or "..".
        const std::string folder = site ? "f/" : "f-chm/";
        for (const std::string& name : output.names()) {
            if (!name.starts_with(folder)) std::abort();
            for (size_t start = folder.size(), end; start <= name.size(); start = end + 1) {
                end = std::min(name.find('/', start), name.size());
                std::string_view part(name.data() + start, end - start);
                if (part.empty() || part == "." || part == "..") std::abort();
            }
        }
    } else {
        // The text functions see the first 256 bytes: they go over every
        // byte alike, so more only costs time.
        static text::Utf8Converter utf8;
        const size_t text_size = std::min<size_t>(size, 256);
        const std::string text(reinterpret_cast<const char*>(data), text_size);
        for (int text_code_page : {1252, 932}) {
            parse_contents_file(ByteReader(data, text_size), text_code_page);
            std::string page = html::escape_text(utf8.convert(text, text_code_page)) + html::escape_attribute(text) +
                               html::link_target(text) + safe_name(text);
            if (page.find_first_of("<>\"'") != std::string::npos) std::abort();
        }
    }
    return 0;
}
