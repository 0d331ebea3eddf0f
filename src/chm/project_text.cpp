// SPDX-License-Identifier: MIT
#include "chm/project_text.h"

#include "html/escape.h"

namespace korvane::chm {

std::string ProjectText::line(std::string_view utf8) const {
    std::string plain;
    for (char c : utf8) {
        const auto b = static_cast<unsigned char>(c);
        plain += b < 0x20 || b == 0x7F ? ' ' : c;
    }
    size_t start = plain.find_first_not_of(' ');
    plain = start == std::string::npos ? std::string() : plain.substr(start);
    if (!plain.empty() && plain.front() == '[') plain.front() = '(';
    return encoder_.encode(plain, text::CodePageEncoder::Missing::question_mark);
}

std::string ProjectText::quoted(std::string_view utf8) const {
    std::string value = line(utf8);
    for (char& c : value) {
        if (c == '"') c = '\'';
    }
    return value;
}

std::string ProjectText::attribute(std::string_view utf8) const {
    return encoder_.encode(html::escape_attribute(utf8), text::CodePageEncoder::Missing::reference);
}

std::string sitemap_head() {
    return "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\">\n<HTML>\n<HEAD>\n"
           "<meta name=\"GENERATOR\" content=\"Korvane\">\n<!-- Sitemap 1.0 -->\n</HEAD><BODY>\n";
}

std::string sitemap_object(int depth, std::initializer_list<std::pair<std::string_view, std::string_view>> params) {
    const std::string indent(static_cast<size_t>(depth) + 1, '\t');
    std::string out = indent + "<LI> <OBJECT type=\"text/sitemap\">\n";
    for (const auto& [name, value] : params) {
        out += indent + "\t<param name=\"";
        out += name;
        out += "\" value=\"";
        out += value;
        out += "\">\n";
    }
    out += indent + "\t</OBJECT>\n";
    return out;
}

}  // namespace korvane::chm
