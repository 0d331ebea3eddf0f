// SPDX-License-Identifier: MIT
// Code-page text to UTF-8 with glibc's iconv.
#include "html/utf8.h"

#include <iconv.h>

#include <array>
#include <cerrno>

#include "topics/code_page.h"

namespace korvane::html {

size_t utf8_sequence(std::string_view s, size_t at, uint32_t& code_point) {
    auto byte = [&](size_t i) { return static_cast<uint8_t>(s[i]); };
    uint8_t lead = byte(at);
    size_t length;
    uint32_t minimum;
    if (lead < 0x80) {
        code_point = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, minimum = 0x80, code_point = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, minimum = 0x800, code_point = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, minimum = 0x10000, code_point = lead & 0x07u;
    } else {
        return 0;
    }
    if (s.size() - at < length) return 0;
    for (size_t i = 1; i < length; ++i) {
        uint8_t c = byte(at + i);
        if ((c & 0xC0) != 0x80) return 0;
        code_point = code_point << 6 | (c & 0x3Fu);
    }
    if (code_point < minimum || code_point > 0x10FFFF || (code_point >= 0xD800 && code_point <= 0xDFFF)) return 0;
    return length;
}

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD
const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

struct CodePageName {
    int code_page;
    const char* name;
};

// The Windows code pages by their iconv names. glibc knows CP936 as GBK
// and CP950 as Big5 with Microsoft's additions; the older names come second
// for an iconv that lacks the CP names.
constexpr std::array<CodePageName, 20> kNames = {{
    {874, "CP874"},   {932, "CP932"},   {936, "CP936"},   {936, "GBK"},     {949, "CP949"},
    {949, "UHC"},     {950, "CP950"},   {950, "BIG5"},    {1250, "CP1250"}, {1251, "CP1251"},
    {1252, "CP1252"}, {1253, "CP1253"}, {1254, "CP1254"}, {1255, "CP1255"}, {1256, "CP1256"},
    {1257, "CP1257"}, {1258, "CP1258"}, {1361, "CP1361"}, {1361, "JOHAB"},  {437, "CP437"},
}};

// Emits what the converter still holds back (CP1255 and CP1258 keep a
// base letter until they know whether a combining mark follows).
void iconv_flush(iconv_t cd, std::string& out) {
    char buffer[64];
    for (;;) {
        char* dst = buffer;
        size_t dst_left = sizeof buffer;
        size_t rc = iconv(cd, nullptr, nullptr, &dst, &dst_left);
        int error = errno;
        out.append(buffer, sizeof buffer - dst_left);
        if (rc != static_cast<size_t>(-1) || error != E2BIG || dst_left == sizeof buffer) return;
    }
}

// Converts bytes with cd into out, through a buffer on the stack; false when
// iconv stopped on a sequence it cannot convert (in then points at it). The
// descriptor starts in its initial state and ends flushed.
bool iconv_into(iconv_t cd, std::string& out, const char*& in, size_t& in_left) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    bool converted = true;
    char buffer[4096];
    while (in_left > 0) {
        char* src = const_cast<char*>(in);
        char* dst = buffer;
        size_t dst_left = sizeof buffer;
        size_t rc = iconv(cd, &src, &in_left, &dst, &dst_left);
        int error = errno;
        in = src;
        out.append(buffer, sizeof buffer - dst_left);
        if (rc != static_cast<size_t>(-1)) break;
        // A full buffer is emptied and filled again; a buffer that took
        // nothing means a sequence that cannot be converted.
        if (error != E2BIG || dst_left == sizeof buffer) {
            converted = false;
            break;
        }
    }
    iconv_flush(cd, out);
    return converted;
}

}  // namespace

const char* iconv_name_of_code_page(int code_page) {
    for (const CodePageName& n : kNames) {
        if (n.code_page == code_page) return n.name;
    }
    return nullptr;
}

struct Utf8Converter::Converter {
    int code_page = kWesternCodePage;
    iconv_t cd = kNoConverter;
    // Single-byte code pages: the UTF-8 text of every byte.
    bool single_byte = false;
    std::array<std::string, 256> table;
    // Bytes below 0x80 stand for themselves.
    bool ascii_is_ascii = false;

    ~Converter() {
        if (cd != kNoConverter) iconv_close(cd);
    }

    bool open(int wanted) {
        for (const CodePageName& n : kNames) {
            if (n.code_page != wanted) continue;
            cd = iconv_open("UTF-8", n.name);
            if (cd != kNoConverter) break;
        }
        if (cd == kNoConverter) return false;
        code_page = wanted;
        single_byte = !is_multibyte_code_page(wanted);
        if (single_byte) {
            for (int b = 0; b < 256; ++b) {
                char byte = static_cast<char>(b);
                const char* in = &byte;
                size_t in_left = 1;
                if (!iconv_into(cd, table[static_cast<size_t>(b)], in, in_left)) table[static_cast<size_t>(b)] = kReplacement;
            }
        }
        std::string ascii, converted;
        for (int b = 0; b < 0x80; ++b) ascii += static_cast<char>(b);
        const char* in = ascii.data();
        size_t in_left = ascii.size();
        ascii_is_ascii = iconv_into(cd, converted, in, in_left) && converted == ascii;
        return true;
    }

    void append(std::string& out, std::string_view bytes) {
        if (single_byte) {
            size_t at = 0;
            while (at < bytes.size()) {
                size_t ascii = at;
                if (ascii_is_ascii) {
                    while (ascii < bytes.size() && static_cast<uint8_t>(bytes[ascii]) < 0x80) ++ascii;
                    out.append(bytes.data() + at, ascii - at);
                    if (ascii == bytes.size()) break;
                }
                out += table[static_cast<uint8_t>(bytes[ascii])];
                at = ascii + 1;
            }
            return;
        }
        const char* in = bytes.data();
        size_t in_left = bytes.size();
        while (in_left > 0) {
            if (ascii_is_ascii) {
                // Lead bytes of the double-byte code pages lie above 0x7F, so
                // the bytes up to the first such byte are whole characters.
                size_t n = 0;
                while (n < in_left && static_cast<uint8_t>(in[n]) < 0x80) ++n;
                out.append(in, n);
                in += n;
                in_left -= n;
                if (in_left == 0) break;
            }
            if (iconv_into(cd, out, in, in_left)) break;
            // A byte that starts no character here, or a character cut off
            // by the end of the run.
            out += kReplacement;
            ++in;
            --in_left;
        }
    }
};

Utf8Converter::Utf8Converter() = default;
Utf8Converter::~Utf8Converter() = default;

Utf8Converter::Converter& Utf8Converter::converter(int code_page) {
    if (last_ && last_code_page_ == code_page) return *last_;
    std::unique_ptr<Converter>& slot = converters_[code_page];
    if (!slot) {
        slot = std::make_unique<Converter>();
        if (!slot->open(code_page) && !slot->open(kWesternCodePage)) {
            // No iconv converter even for Western text: every byte above 0x7F
            // becomes U+FFFD.
            slot->single_byte = slot->ascii_is_ascii = true;
            slot->table.fill(std::string(kReplacement));
        }
    }
    last_code_page_ = code_page;
    last_ = slot.get();
    return *slot;
}

void Utf8Converter::append(std::string& out, std::string_view bytes, int code_page) {
    converter(code_page).append(out, bytes);
}

std::string Utf8Converter::convert(std::string_view bytes, int code_page) {
    std::string out;
    append(out, bytes, code_page);
    return out;
}

int Utf8Converter::effective_code_page(int code_page) { return converter(code_page).code_page; }

}  // namespace korvane::html
