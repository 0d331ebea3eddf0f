// SPDX-License-Identifier: MIT
// Text of a help file's code page as UTF-8, through iconv.
//
// Code pages are Windows code page numbers (topics/code_page.h chooses
// one); each maps to the name of the iconv converter for it. A byte or
// sequence that the code page does not define becomes U+FFFD, one for each
// byte that starts no character, and so does a sequence cut off at the end
// of a run; nothing is dropped. A code page iconv does not know is read as
// Western (1252).
//
// Conversion is called for every text run of a topic, so the converter of
// a code page is opened once and kept: single-byte code pages become a
// table of 256 UTF-8 strings; double-byte ones keep their iconv descriptor.
// Runs of ASCII are copied directly in code pages whose ASCII half is
// ASCII (checked when the converter is opened, not assumed).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

namespace korvane::html {

// The iconv name of a Windows code page ("CP1252", "CP932", "CP936",
// ...); nullptr for a number that is no known Windows code page.
const char* iconv_name_of_code_page(int code_page);

class Utf8Converter {
public:
    Utf8Converter();
    ~Utf8Converter();
    Utf8Converter(const Utf8Converter&) = delete;
    Utf8Converter& operator=(const Utf8Converter&) = delete;

    // Appends the UTF-8 text of bytes, read in code_page, to out.
    void append(std::string& out, std::string_view bytes, int code_page);
    std::string convert(std::string_view bytes, int code_page);

    // The code page that code_page is read in (itself, or 1252 when iconv
    // cannot convert it).
    int effective_code_page(int code_page);

private:
    struct Converter;
    Converter& converter(int code_page);

    std::unordered_map<int, std::unique_ptr<Converter>> converters_;
    int last_code_page_ = 0;
    Converter* last_ = nullptr;
};

}  // namespace korvane::html
