// Runs the whole conversion on arbitrary bytes, in memory, in each mode that
// takes a different way through the code. A fatal error is an expected end
// for bad input: the conversion returns it, and the next mode goes on.
//
//   0x38 project file, both topic passes, jumps, page breaks
//   0x18 the same without jump targets (hotspots lose their targets)
//   0x07 print mode: pictures (hotspots or not) written, embedded, removed
//   0x26 print mode keeping .SHG files: those are referred to, not embedded
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "base/messages.h"
#include "base/output_sink.h"
#include "driver/convert.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace korvane;
    constexpr int kModes[] = {
        CVF_JUMPS | CVF_PAGE_BREAK | CVF_TWO_PASS,
        CVF_PAGE_BREAK | CVF_TWO_PASS,
        CVF_NO_SHG | CVF_EMBED_PICTURES | CVF_FOR_PRINT,
        CVF_EMBED_PICTURES | CVF_FOR_PRINT | CVF_JUMPS,
    };
    for (int flags : kModes) {
        MemorySink output;
        std::optional<ConversionError> error =
            convert_help_data(std::vector<uint8_t>(data, data + size), "F.HLP", output, flags);
        if (error && error->text.empty()) std::abort();
        // Embedded pictures (every name from a "bm" container) are removed
        // once the topics are written.
        if (!error && (flags & CVF_EMBED_PICTURES)) {
            for (const std::string& name : output.names()) {
                if (name.starts_with("bm")) std::abort();
            }
        }
    }
    return 0;
}
