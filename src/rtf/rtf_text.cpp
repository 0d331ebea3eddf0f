// SPDX-License-Identifier: MIT
#include "rtf/rtf_text.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/messages.h"
#include "output/out_stream.h"

namespace korvane {

namespace {

// The RTF text of every byte value.
struct EscapeTable {
    struct Entry {
        char text[8];
        uint8_t length;
    };
    std::array<Entry, 256> entries{};
    bool plain[2][256] = {};  // [multibyte][byte]: written as it is

    EscapeTable() {
        static const char hex[] = "0123456789abcdef";
        for (int c = 0; c < 256; ++c) {
            std::string s;
            if (c >= 0x81) {
                s = {'\\', '\'', hex[c >> 4], hex[c & 15]};
            } else if (c == 0x09) {
                s = "\\tab ";
            } else if (c == '\\' || c == '{' || c == '}') {
                s = {'\\', static_cast<char>(c)};
            } else if (c < 0x20) {
                s = {'(', '0', 'x', hex[c >> 4], hex[c & 15], ')'};
            } else {
                s = {static_cast<char>(c)};
            }
            Entry& e = entries[static_cast<size_t>(c)];
            s.copy(e.text, sizeof e.text);
            e.length = static_cast<uint8_t>(s.size());
            // Written as it is; in a double-byte code page also no trail
            // byte that needs a hexadecimal escape.
            plain[0][c] = s.size() == 1 && s[0] == static_cast<char>(c);
            plain[1][c] = plain[0][c] && c != '\\' && c != '{' && c != '}' && c != 0x80;
        }
    }
};

const EscapeTable kEscapes;

// Bytes that may be the trail byte of a two-byte character and are not
// written as a hexadecimal escape otherwise: backslash, braces and 0x80.
std::string_view multibyte_escape(char c) {
    switch (c) {
    case '\\': return "\\'5c";
    case '{': return "\\'7b";
    case '}': return "\\'7d";
    case '\x80': return "\\'80";
    default: return {};
    }
}

// The length of the run of bytes from p (at most n) that are written as
// they are: 0x20 to 0x7F but backslash and braces, and 0x80 outside a
// double-byte code page.
size_t plain_run(const char* p, size_t n, bool multibyte) {
    size_t i = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time. As signed bytes, 0x20 to 0x7F are those
    // above 0x1F: 0x80 and up are negative.
    const __m128i space_less_one = _mm_set1_epi8(0x1F);
    const __m128i backslash = _mm_set1_epi8('\\'), open = _mm_set1_epi8('{'), close = _mm_set1_epi8('}');
    const __m128i x80 = _mm_set1_epi8(static_cast<char>(0x80));
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i special = _mm_or_si128(_mm_cmpeq_epi8(v, backslash),
                                             _mm_or_si128(_mm_cmpeq_epi8(v, open), _mm_cmpeq_epi8(v, close)));
        __m128i plain = _mm_andnot_si128(special, _mm_cmpgt_epi8(v, space_less_one));
        if (!multibyte) plain = _mm_or_si128(plain, _mm_cmpeq_epi8(v, x80));
        const unsigned escaped = ~static_cast<unsigned>(_mm_movemask_epi8(plain)) & 0xFFFFu;
        if (escaped) return i + static_cast<size_t>(std::countr_zero(escaped));
    }
#endif
    while (i < n && kEscapes.plain[multibyte][static_cast<uint8_t>(p[i])]) ++i;
    return i;
}

}  // namespace

void write_rtf_text(OutStream& rtf, std::string_view text, uint64_t& written, bool multibyte) {
    if (rtf.is_null()) {
        written += text.size();
        return;
    }
    // The line feeds go in as the stream stores them, so the text is not
    // searched for them again.
    const std::string_view feed = rtf.text_mode() ? "\r\n" : "\n";
    // Slices of the text escaped in turn into a buffer with room for the
    // longest escape of every byte, "(0x01)", and every line feed.
    constexpr size_t kSlice = 4096;
    char buffer[kSlice * 6 + (kSlice / 64 + 1) * 2];
    for (size_t start = 0; start < text.size(); start += kSlice) {
        const std::string_view slice = text.substr(start, kSlice);
        char* out = buffer;
        auto put = [&out](const char* p, size_t n) {
            std::memcpy(out, p, n);
            out += n;
        };
        size_t i = 0;
        while (i < slice.size()) {
            // The characters up to the next one that a line feed follows
            // (the one examined at a multiple of 64), taken as one piece.
            size_t to_feed = static_cast<size_t>((64 - written % 64) % 64);
            size_t piece = std::min(slice.size() - i, to_feed + 1);
            size_t end = i + piece;
            while (i < end) {
                // Bytes written as they are, copied as one run.
                const size_t plain = i + plain_run(slice.data() + i, end - i, multibyte);
                put(slice.data() + i, plain - i);
                i = plain;
                if (i == end) break;
                char ch = slice[i++];
                std::string_view hex = multibyte ? multibyte_escape(ch) : std::string_view();
                const EscapeTable::Entry& e = kEscapes.entries[static_cast<uint8_t>(ch)];
                if (hex.empty()) put(e.text, e.length);
                else put(hex.data(), hex.size());
            }
            if (piece == to_feed + 1) put(feed.data(), feed.size());
            written += piece;
        }
        rtf.write_stored(std::string_view(buffer, static_cast<size_t>(out - buffer)));
    }
    if (rtf.failed()) fatal_error(Fatal::DiskFull);
}

std::string escape_rtf_structure(std::string_view text, bool multibyte) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        std::string_view hex = multibyte ? multibyte_escape(c) : std::string_view();
        if (!hex.empty()) {
            out += hex;
            continue;
        }
        if (c == '\\' || c == '{' || c == '}') out += '\\';
        out += c;
    }
    return out;
}

}  // namespace korvane
