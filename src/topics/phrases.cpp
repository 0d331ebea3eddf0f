// SPDX-License-Identifier: MIT
// Phrase tables and the expansion of phrase-coded topic text.
//
// |Phrases: u16 count n, u16, [i32 text size when compressed], then n + 1
// u16 offsets counted from the start of the offset table, then the phrase
// text (LZ77-compressed in compressed files). When the i32 at 4 exceeds
// 0x10000 the header starts 2 bytes later and the table at offset 40.
// Phrase i is the bytes from offset i to offset i + 1 of the table-and-text
// buffer. Coding: a byte 1..15 and the next byte c form the code
// (b - 1) * 256 + c: phrase code / 2, plus a space when the code is odd.
//
// |PhrIndex: 24-byte header (i32 count at 4, i32 length-data size at 8, i32
// expanded image size at 12, i32 stored image size at 16), then the length
// data: k in the low 4 bits of byte 0, and from byte 4 a bit stream (least
// significant bit first) with each phrase's length as 1 + (count of 1 bits
// before a 0) * 2^k + the next k bits. |PhrImage holds the text, compressed
// unless its stored size equals the expanded size. Coding: even b is phrase
// b / 2; b & 3 == 1 with the next byte c is phrase 128 + (b >> 2) * 256 + c;
// b & 7 == 3 copies (b >> 3) + 1 bytes; b & 15 == 7 gives (b >> 4) + 1
// spaces; b & 15 == 15 gives (b >> 4) + 1 NUL bytes.
#include "topics/phrases.h"

#include <algorithm>
#include <bit>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/messages.h"
#include "helpfile/helpfile.h"
#include "topics/lz77.h"

namespace korvane {

namespace {

// Where the |Phrases offset table starts: stored, compressed, and with the
// long header (which starts at kLongHeaderAt).
constexpr size_t kStoredTableAt = 4, kCompressedTableAt = 8, kLongTableAt = 40;
constexpr size_t kLongHeaderAt = 2;
constexpr int32_t kLongHeaderAbove = 0x10000;

// Offsets from the file index buffers of `limit` bytes: clamp them so that
// every lookup stays inside the buffer.
void clamp_offsets(std::vector<uint32_t>& offsets, size_t limit) {
    uint32_t top = static_cast<uint32_t>(std::min<size_t>(limit, UINT32_MAX));
    for (uint32_t& o : offsets) o = std::min(o, top);
}

// Decompresses length bytes from in. The buffer is first sized from the
// size the file announces; only when that fills up is the whole 9-to-1
// bound of the coding tried, so a false announcement costs no data and a
// huge one no memory beyond what the input can produce.
std::vector<uint8_t> decompress_all(ByteReader in, uint32_t length, int64_t announced, size_t limit) {
    size_t bound = std::min<size_t>(9 * static_cast<size_t>(length) + 8, limit);
    size_t first = std::min<size_t>(bound, static_cast<size_t>(std::max<int64_t>(announced, 0)) + 500);
    std::vector<uint8_t> out(first);
    ByteReader again = in;
    size_t n = lz77_decompress(in, length, out.data(), out.size());
    if (n == out.size() && first < bound) {
        out.assign(bound, 0);
        n = lz77_decompress(again, length, out.data(), out.size());
    }
    out.resize(n);
    return out;
}

bool is_compressed_table(const HelpFile& help) { return (help.system_flags & 0x0C) != 0 && !help.is_hc30; }

// Where the first phrase code (a byte 1 to 15) from p lies; n when none does.
size_t find_phrase_code(const uint8_t* p, size_t n) {
    size_t i = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time: a byte no greater than 15 that is not 0.
    const __m128i fifteen = _mm_set1_epi8(15), zero = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i small = _mm_cmpeq_epi8(_mm_min_epu8(v, fifteen), v);
        const unsigned codes = static_cast<unsigned>(_mm_movemask_epi8(_mm_andnot_si128(_mm_cmpeq_epi8(v, zero), small)));
        if (codes) return i + static_cast<size_t>(std::countr_zero(codes));
    }
#endif
    while (i < n && (p[i] == 0 || p[i] >= 16)) ++i;
    return i;
}

// The expanded text: bytes go onto the end of out, at most capacity of
// them. Nothing is cleared ahead of the bytes written.
class Output {
public:
    Output(std::vector<uint8_t>& out, size_t capacity, size_t expected) : out_(out), capacity_(capacity) {
        out_.reserve(std::min(capacity, expected));
    }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    bool full() const { return out_.size() >= capacity_; }
    void append(const uint8_t* p, size_t n) {
        n = std::min(n, capacity_ - out_.size());
        out_.insert(out_.end(), p, p + n);
    }
    void repeat(uint8_t v, size_t n) {
        n = std::min(n, capacity_ - out_.size());
        out_.insert(out_.end(), n, v);
    }
    // A phrase goes up to its first NUL byte.
    void phrase(const PhraseTables& tables, uint32_t index, bool space) {
        std::optional<std::string_view> text = phrase_text(tables, index);
        if (!text || text->empty()) {
            if (text && space) repeat(' ', 1);
            return;
        }
        const void* nul = std::memchr(text->data(), 0, text->size());
        size_t length = nul ? static_cast<size_t>(static_cast<const char*>(nul) - text->data()) : text->size();
        append(reinterpret_cast<const uint8_t*>(text->data()), length);
        if (space) repeat(' ', 1);
    }

private:
    std::vector<uint8_t>& out_;
    size_t capacity_;
};

}  // namespace

void load_phrase_table(const HelpFile& help, PhraseTables& t) {
    if (!help.phrases_file.present()) return;
    ByteReader in = help.reader(help.phrases_file);
    uint16_t count = in.u16();
    in.skip(2);
    int32_t text_size = in.i32();
    const bool compressed = is_compressed_table(help);
    size_t table_at = compressed ? kCompressedTableAt : kStoredTableAt;
    // The longer header only occurs with compressed tables: in a stored one
    // the bytes at 4 are the first two offsets, which exceed 0x10000 in
    // nearly every table.
    if (compressed && text_size > kLongHeaderAbove) {
        in.seek(kLongHeaderAt);
        count = in.u16();
        in.skip(2);
        text_size = in.i32();
        table_at = kLongTableAt;
    }
    const size_t n = count;
    const size_t table_bytes = 2 * (n + 1);

    // One buffer, offset table then text, so the stored offsets index it.
    // Offsets are 16-bit: nothing past 0xFFFF can be addressed.
    in.seek(table_at);
    if (compressed) {
        t.plain_text.assign(table_bytes, 0);
        in.read(t.plain_text.data(), table_bytes);
        size_t room = table_bytes < 0x10000 ? 0x10000 - table_bytes : 0;
        uint32_t length = static_cast<uint32_t>(std::min<size_t>(in.remaining(), UINT32_MAX));
        std::vector<uint8_t> text = decompress_all(in, length, text_size, room);
        t.plain_text.insert(t.plain_text.end(), text.begin(), text.end());
    } else {
        t.plain_text.assign(in.here(), in.here() + in.remaining());
    }
    t.plain_offsets.resize(n + 1);
    for (size_t i = 0; i <= n; ++i) {
        t.plain_offsets[i] = 2 * i + 2 <= t.plain_text.size() ? ByteReader::le16(t.plain_text.data() + 2 * i) : 0;
    }
    clamp_offsets(t.plain_offsets, t.plain_text.size());
}

void load_indexed_phrase_table(const HelpFile& help, Reporter& report, PhraseTables& t) {
    if (!help.phrimage_file.present() || !help.phrindex_file.present()) return;
    ByteReader index = help.reader(help.phrindex_file);
    index.skip(4);
    int32_t count = index.i32();
    int32_t length_bits_size = index.i32();
    int32_t image_size = index.i32();
    int32_t image_stored_size = index.i32();
    index.skip(4);

    // The length data, as far as the file holds them.
    size_t bits_bytes = std::min<size_t>(static_cast<size_t>(std::max(length_bits_size, 0)), index.remaining());
    const uint8_t* bits = index.here();
    unsigned k = bits_bytes ? bits[0] & 0x0F : 0;
    size_t bit_end = bits_bytes > 4 ? (bits_bytes - 4) * 8 : 0;
    // Every phrase takes at least k + 1 bits; more phrases than that cannot
    // have been coded.
    size_t n = std::min<size_t>(static_cast<size_t>(std::max(count, 0)), bit_end / (k + 1));
    size_t bit = 0;
    auto next_bit = [&]() -> unsigned {
        if (bit >= bit_end) return 0;
        unsigned v = bits[4 + bit / 8] >> (bit % 8) & 1;
        ++bit;
        return v;
    };

    // The text.
    ByteReader image = help.reader(help.phrimage_file);
    size_t found;
    if (image_stored_size == image_size) {
        size_t take = std::min<size_t>(static_cast<size_t>(std::max(image_size, 0)), image.remaining());
        t.indexed_text.assign(image.here(), image.here() + take);
        found = take;
    } else {
        size_t stored = std::min<size_t>(static_cast<size_t>(std::max(image_stored_size, 0)), image.remaining());
        t.indexed_text = decompress_all(image, static_cast<uint32_t>(stored), image_size, SIZE_MAX);
        found = t.indexed_text.size();
    }
    int64_t difference = static_cast<int64_t>(found) - image_size;
    if (difference > 10 || difference < -10) {
        add_warning(report, Msg::PhraseSizeMismatch, static_cast<uint32_t>(image_size), static_cast<uint32_t>(found));
    }

    t.indexed_offsets.assign(n + 1, 0);
    uint64_t offset = 0;
    const uint64_t top = t.indexed_text.size();
    for (size_t i = 0; i < n; ++i) {
        uint64_t length = 1;
        while (next_bit()) length += uint64_t{1} << k;
        uint64_t number = 0;
        for (unsigned b = 0; b < k; ++b) number |= static_cast<uint64_t>(next_bit()) << b;
        offset = std::min(offset + length + number, top);
        t.indexed_offsets[i + 1] = static_cast<uint32_t>(offset);
    }
}

std::optional<std::string_view> phrase_text(const PhraseTables& t, uint32_t index) {
    const std::vector<uint32_t>& off = t.indexed ? t.indexed_offsets : t.plain_offsets;
    const std::vector<uint8_t>& text = t.indexed ? t.indexed_text : t.plain_text;
    if (static_cast<size_t>(index) + 1 >= off.size()) return std::nullopt;
    uint32_t a = off[index], b = off[index + 1];
    return std::string_view(reinterpret_cast<const char*>(text.data()) + a, b > a ? b - a : 0);
}

void expand_phrases(const PhraseTables& tables, const uint8_t* source, size_t source_length, size_t capacity,
                    bool indexed, std::vector<uint8_t>& out) {
    out.clear();
    Output o(out, capacity, source_length * 2 + 16);
    size_t i = 0;
    if (!indexed) {
        while (i < source_length && !o.full()) {
            uint8_t b = source[i];
            if (b == 0 || b >= 16) {
                // A run of plain bytes in one copy.
                size_t j = i + 1 + find_phrase_code(source + i + 1, source_length - i - 1);
                o.append(source + i, j - i);
                i = j;
                continue;
            }
            if (i + 1 >= source_length) break;
            unsigned code = (b - 1u) * 256u + source[i + 1];
            i += 2;
            o.phrase(tables, code / 2, code & 1);
        }
        return;
    }
    while (i < source_length && !o.full()) {
        uint8_t b = source[i];
        if ((b & 1) == 0) {
            o.phrase(tables, b / 2u, false);
            i += 1;
        } else if ((b & 3) == 1) {
            if (i + 1 >= source_length) break;
            o.phrase(tables, 128u + (b >> 2) * 256u + source[i + 1], false);
            i += 2;
        } else if ((b & 7) == 3) {
            size_t m = (b >> 3) + 1u;
            if (m > source_length - i - 1) break;
            o.append(source + i + 1, m);
            i += 1 + m;
        } else if ((b & 15) == 7) {
            o.repeat(' ', (b >> 4) + 1u);
            i += 1;
        } else {
            o.repeat(0, (b >> 4) + 1u);
            i += 1;
        }
    }
}

}  // namespace korvane
