#include "html/html_text.h"

#include <iconv.h>

#include <cerrno>
#include <string>

#include "base/format.h"

namespace korvane {

namespace {

// What each byte becomes: itself (nullptr), nothing (""), or a reference.
struct EscapeTable {
    const char* text[256] = {};
    EscapeTable() {
        for (int c = 0; c < 0x20; ++c) text[c] = "";
        text['\t'] = text['\n'] = nullptr;
        text[0x7F] = "";
        text['&'] = "&amp;";
        text['<'] = "&lt;";
        text['>'] = "&gt;";
        text['"'] = "&quot;";
        text['\''] = "&#39;";
    }
};

const EscapeTable kEscapes;

}  // namespace

void append_escaped(std::string& out, std::string_view text) {
    size_t plain = 0;  // start of the bytes not yet appended that stay as they are
    for (size_t i = 0; i < text.size(); ++i) {
        const char* replacement = kEscapes.text[static_cast<unsigned char>(text[i])];
        if (!replacement) continue;
        out.append(text.data() + plain, i - plain);
        out += replacement;
        plain = i + 1;
    }
    out.append(text.data() + plain, text.size() - plain);
}

std::string escaped(std::string_view text) {
    std::string out;
    append_escaped(out, text);
    return out;
}

std::string url_escaped(std::string_view name) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : name) {
        unsigned char u = static_cast<unsigned char>(c);
        if ((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '.' || u == '_' ||
            u == '~' || u == '-') {
            out += c;
        } else {
            out += '%';
            out += hex[u >> 4];
            out += hex[u & 15];
        }
    }
    return out;
}

namespace {

iconv_t invalid() { return reinterpret_cast<iconv_t>(-1); }

}  // namespace

Utf8Converter::Utf8Converter(int code_page) : iconv_(invalid()) {
    std::string name = format("CP%d", code_page);
    iconv_ = iconv_open("UTF-8", name.c_str());
    if (iconv_ == invalid()) iconv_ = iconv_open("UTF-8", "CP1252");
}

Utf8Converter::~Utf8Converter() {
    if (iconv_ != invalid()) iconv_close(static_cast<iconv_t>(iconv_));
}

void Utf8Converter::append(std::string& out, std::string_view text) {
    // Plain ASCII, by far the most text, needs no converter.
    size_t ascii = 0;
    while (ascii < text.size() && static_cast<unsigned char>(text[ascii]) < 0x80) ++ascii;
    out.append(text.data(), ascii);
    if (ascii == text.size()) return;
    text.remove_prefix(ascii);
    if (iconv_ == invalid()) {
        for (char c : text) {
            if (static_cast<unsigned char>(c) < 0x80) out += c;
            else out += "\xEF\xBF\xBD";
        }
        return;
    }
    iconv_t cd = static_cast<iconv_t>(iconv_);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(text.data());
    size_t in_left = text.size();
    char buffer[1024];
    while (in_left > 0) {
        char* to = buffer;
        size_t to_left = sizeof buffer;
        size_t r = iconv(cd, &in, &in_left, &to, &to_left);
        out.append(buffer, static_cast<size_t>(to - buffer));
        if (r != static_cast<size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        // A byte that starts no character of the code page (or a lead byte
        // at the end of the text): U+FFFD for it, and on after it.
        out += "\xEF\xBF\xBD";
        ++in;
        --in_left;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
}

std::string safe_name(std::string_view text, size_t max_length) {
    std::string out;
    for (char c : text) {
        if (out.size() >= max_length) break;
        unsigned char u = static_cast<unsigned char>(c);
        if (u >= 'A' && u <= 'Z') out += static_cast<char>(u - 'A' + 'a');
        else if ((u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '_' || u == '-' || u == '.') out += c;
        else out += '_';
    }
    if (!out.empty() && out[0] == '.') out[0] = '_';
    return out;
}

const char* language_of_code_page(int code_page) {
    switch (code_page) {
    case 874: return "th";
    case 932: return "ja";
    case 936: return "zh-Hans";
    case 949: return "ko";
    case 950: return "zh-Hant";
    case 1253: return "el";
    case 1254: return "tr";
    case 1255: return "he";
    case 1256: return "ar";
    case 1258: return "vi";
    default: return "und";
    }
}

}  // namespace korvane
