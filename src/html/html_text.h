// Text for web pages: the help file's bytes as UTF-8, escaped for HTML.
#pragma once

#include <string>
#include <string_view>

namespace korvane {

// Appends text (UTF-8) to out with &, <, >, " and ' as character
// references and control characters left out, so that it is safe both as
// element text and inside a quoted attribute value.
void append_escaped(std::string& out, std::string_view text);
std::string escaped(std::string_view text);

// A file name as a relative URL: every byte but [A-Za-z0-9._~-]
// percent-encoded, so that no ':' makes it a scheme and no '/', '?' or '#'
// changes what it names.
std::string url_escaped(std::string_view name);

// Converts text in a Windows code page to UTF-8; bytes that do not form a
// character of the code page become U+FFFD.
class Utf8Converter {
public:
    explicit Utf8Converter(int code_page);
    ~Utf8Converter();
    Utf8Converter(const Utf8Converter&) = delete;
    Utf8Converter& operator=(const Utf8Converter&) = delete;

    // Appends the converted text to out.
    void append(std::string& out, std::string_view text);
    std::string operator()(std::string_view text) {
        std::string out;
        append(out, text);
        return out;
    }

private:
    void* iconv_;  // iconv_t, or (void*)-1 when the code page has no converter
};

// A name made of [a-z0-9_.-] from text: letters lowered, every other byte
// an underscore, at most max_length bytes, never starting with a dot.
std::string safe_name(std::string_view text, size_t max_length = 80);

// The HTML lang value for text in a code page ("und" when the code page
// does not tell the language).
const char* language_of_code_page(int code_page);

}  // namespace korvane
