// SPDX-License-Identifier: MIT
// The state of one conversion while it writes RTF files.
#pragma once

#include <cstdint>

#include "rtf/fonts.h"
#include "topics/decoding.h"

namespace korvane {

struct RtfConversion : Decoding {
    FontStyles font_styles;
    // Characters of text written into the RTF files and the dry pass so far;
    // every 64th is followed by a line feed.
    uint64_t rtf_chars_written = 0;
};

}  // namespace korvane
