// SPDX-License-Identifier: MIT
// Decoders for stored, run-length, LZ77 and LZ77-then-run-length picture
// data. Run-length groups: a control byte c; with bit 7 set, c - 128 literal
// bytes follow; otherwise one byte follows that is written c times. LZ77 data
// are expanded into memory first, since their back-references point into the
// output; the run-length stage then reads from that buffer.
#include "pictures/picture_decoders.h"

#include <algorithm>

#include "output/out_stream.h"
#include "topics/lz77.h"

namespace korvane {

namespace {

// LZ77 output is less than 9 bytes per input byte: a complete group of 17
// bytes yields at most 144.
constexpr size_t kLz77MaxExpansion = 9;

// The count of consumed bytes starts at 1, so a group is begun only while at
// least two stored bytes remain; the first group is decoded whatever n is,
// and a literal run is finished even past n. Data that end early end the
// picture there.
size_t run_length(ByteReader& in, ByteSink& out, uint64_t n) {
    uint64_t consumed = 1;
    size_t written = 0;
    do {
        int c = in.get();
        if (c < 0) break;
        ++consumed;
        if (c & 0x80) {
            size_t len = static_cast<size_t>(c - 0x80);
            size_t take = std::min(len, in.remaining());
            out.put(in.here(), take);
            in.skip(take);
            consumed += take;
            written += take;
            if (take < len) break;
        } else {
            int b = in.get();
            if (b < 0) break;
            ++consumed;
            out.repeat(static_cast<uint8_t>(b), static_cast<size_t>(c));
            written += static_cast<size_t>(c);
        }
    } while (consumed < n);
    return written;
}

// Expands n LZ77 bytes into a buffer sized by what they can yield.
std::vector<uint8_t> lz77_expand(ByteReader& in, uint32_t n) {
    size_t stored = std::min<size_t>(n, in.remaining());
    std::vector<uint8_t> buffer(stored * kLz77MaxExpansion);
    size_t got = lz77_decompress(in, static_cast<uint32_t>(stored), buffer.data(), buffer.size());
    buffer.resize(got);
    return buffer;
}

}  // namespace

void ByteSink::put(const uint8_t* p, size_t n) {
    if (n == 0) return;
    if (file) file->write(p, n);
    if (memory) memory->insert(memory->end(), p, p + n);
}

void ByteSink::repeat(uint8_t b, size_t n) {
    if (n == 0) return;
    if (memory) memory->insert(memory->end(), n, b);
    if (file) {
        uint8_t run[128];
        std::fill_n(run, sizeof run, b);
        while (n > 0) {
            size_t k = std::min(n, sizeof run);
            file->write(run, k);
            n -= k;
        }
    }
}

size_t copy_stored_data(ByteReader& in, ByteSink& out, uint32_t n) {
    size_t take = std::min<size_t>(n, in.remaining());
    out.put(in.here(), take);
    in.skip(take);
    return take;
}

size_t expand_run_length(ByteReader& in, ByteSink& out, uint32_t n) { return run_length(in, out, n); }

size_t expand_lz77_to_stream(ByteReader& in, ByteSink& out, uint32_t n) {
    std::vector<uint8_t> expanded = lz77_expand(in, n);
    out.put(expanded.data(), expanded.size());
    return expanded.size();
}

// The LZ77 stage goes to memory rather than to an intermediate file.
size_t expand_lz77_run_length(ByteReader& in, ByteSink& out, uint32_t n) {
    std::vector<uint8_t> expanded = lz77_expand(in, n);
    ByteReader stage(expanded.data(), expanded.size());
    return run_length(stage, out, expanded.size());
}

size_t expand_picture_data(uint16_t kind, ByteReader& in, ByteSink& out, uint32_t n) {
    switch (kind >> 8) {
        case 0: return copy_stored_data(in, out, n);
        case 1: return expand_run_length(in, out, n);
        case 2: return expand_lz77_to_stream(in, out, n);
        case 3: return expand_lz77_run_length(in, out, n);
        default: return 0;
    }
}

}  // namespace korvane
