// SPDX-License-Identifier: MIT
// The LZ77 decoder of help files.
//
// Input: groups of a flag byte and eight items, bit 0 of the flag for the
// first item. A clear bit is a literal byte; a set bit a back-reference b0 b1:
// distance ((b1 & 0x0F) << 8 | b0) + 1 (1..4096) back from the next output
// byte, length (b1 >> 4) + 3 (3..18), copied forward one byte at a time so
// that an overlapping copy repeats what it just wrote. The last group may
// end after any complete item. Every call starts with an empty history; the
// history is the output buffer itself.
#include "topics/lz77.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace korvane {

size_t lz77_decompress(ByteReader& in, uint32_t compressed_length, uint8_t* out, size_t capacity) {
    size_t produced = 0;
    uint32_t consumed = 0;
    bool full = false;
    while (consumed < compressed_length && !full) {
        int flag = in.get();
        if (flag < 0) break;
        ++consumed;
        size_t want = 8 + static_cast<size_t>(std::popcount(static_cast<unsigned>(flag)));
        size_t take = std::min<size_t>({want, compressed_length - consumed, in.remaining()});
        uint8_t items[16];
        in.read(items, take);
        consumed += static_cast<uint32_t>(take);

        size_t i = 0;
        for (int bit = 0; bit < 8; ++bit) {
            if (flag & (1 << bit)) {
                if (i + 2 > take) break;
                size_t distance = ((items[i + 1] & 0x0F) << 8 | items[i]) + 1;
                size_t length = (items[i + 1] >> 4) + 3;
                i += 2;
                if (length > capacity - produced) {
                    length = capacity - produced;
                    full = true;
                }
                // Bytes before the start of the output read as zero.
                size_t k = 0;
                for (; k < length && produced < distance; ++k) out[produced++] = 0;
                if (k < length && length - k <= distance) {
                    // Source and destination do not overlap.
                    std::memcpy(out + produced, out + produced - distance, length - k);
                    produced += length - k;
                } else {
                    for (; k < length; ++k, ++produced) out[produced] = out[produced - distance];
                }
            } else {
                if (i >= take) break;
                if (produced == capacity) {
                    full = true;
                    break;
                }
                out[produced++] = items[i++];
            }
            if (full) break;
        }
        if (take < want) break;  // the input ended inside this group
    }
    // Output full: pass over the rest of the input so the stream stands
    // behind it, as after a complete decode.
    if (full && consumed < compressed_length) in.skip(std::min<size_t>(compressed_length - consumed, in.remaining()));
    return produced;
}

}  // namespace korvane
