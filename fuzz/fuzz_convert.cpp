// Runs the whole conversion on arbitrary bytes, in memory, in each mode that
// takes a different way through the code. A fatal error is an expected end
// for bad input: the conversion returns it, and the next mode goes on.
//
//   0x38 project file, both topic passes, jumps, page breaks
//   0x18 the same without jump targets (hotspots lose their targets)
//   0x07 print mode: pictures (hotspots or not) written, embedded, removed
//   0x26 print mode keeping .SHG files: those are referred to, not embedded
//   the web site, whose every file must lie in the site's folder
//
// The first mode takes the code page of the text from the file (its records,
// else the detection over the topic text). The others take one a user could
// give (--codepage), picked by the input's length, and for one length in four
// the file's own again: the detection reads all the topic text once more, and
// its result is the same in every mode. The same bytes are also read as a
// contents file and as text for the site (in a single-byte and a double-byte
// code page), which must never let markup through.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>

#include "base/messages.h"
#include "base/output_sink.h"
#include "driver/convert.h"
#include "helpfile/byte_reader.h"
#include "html/contents_file.h"
#include "html/escape.h"
#include "html/utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace korvane;
    constexpr int kModes[] = {
        CVF_JUMPS | CVF_PAGE_BREAK | CVF_TWO_PASS,
        CVF_PAGE_BREAK | CVF_TWO_PASS,
        CVF_NO_SHG | CVF_EMBED_PICTURES | CVF_FOR_PRINT,
        CVF_EMBED_PICTURES | CVF_FOR_PRINT | CVF_JUMPS,
    };
    constexpr int kUserCodePages[] = {0, 1252, 932, 1250};
    const int user_code_page = kUserCodePages[size % 4];
    const std::span<const uint8_t> bytes(data, size);
    for (int flags : kModes) {
        MemorySink output;
        int code_page = flags == kModes[0] ? 0 : user_code_page;
        std::optional<ConversionError> error = convert_help_data(bytes, "F.HLP", output, flags, code_page);
        if (error && error->text.empty()) std::abort();
        // Embedded pictures (every name from a "bm" container) are removed
        // once the topics are written.
        if (!error && (flags & CVF_EMBED_PICTURES)) {
            for (const std::string& name : output.names()) {
                if (name.starts_with("bm")) std::abort();
            }
        }
    }
    {
        MemorySink output;
        std::optional<ConversionError> error = convert_help_data_to_site(bytes, "F.HLP", output, user_code_page);
        if (error && error->text.empty()) std::abort();
        for (const std::string& name : output.names()) {
            if (!name.starts_with("f/") || name.find("..") != std::string::npos) std::abort();
        }
    }
    static html::Utf8Converter utf8;
    for (int code_page : {1252, 932}) {
        html::parse_contents_file(ByteReader(data, size), code_page);
        std::string text(reinterpret_cast<const char*>(data), size);
        std::string page = html::escape_text(utf8.convert(text, code_page)) + html::escape_attribute(text) +
                           html::link_target(text) + html::safe_name(text);
        if (page.find_first_of("<>\"'") != std::string::npos) std::abort();
    }
    return 0;
}
