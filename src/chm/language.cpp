// SPDX-License-Identifier: MIT
#include "chm/language.h"

#include "base/format.h"

namespace korvane::chm {

namespace {

// Primary languages (the low ten bits of an LCID) with their ANSI code
// page and the name HTML Help Workshop shows.
struct Primary {
    uint16_t id;
    int code_page;
    const char* name;
};

constexpr Primary kPrimaries[] = {
    {0x01, 1256, "Arabic"},   {0x02, 1251, "Bulgarian"},  {0x03, 1252, "Catalan"},    {0x05, 1250, "Czech"},
    {0x06, 1252, "Danish"},   {0x07, 1252, "German"},     {0x08, 1253, "Greek"},      {0x09, 1252, "English"},
    {0x0A, 1252, "Spanish"},  {0x0B, 1252, "Finnish"},    {0x0C, 1252, "French"},     {0x0D, 1255, "Hebrew"},
    {0x0E, 1250, "Hungarian"}, {0x0F, 1252, "Icelandic"}, {0x10, 1252, "Italian"},    {0x11, 932, "Japanese"},
    {0x12, 949, "Korean"},    {0x13, 1252, "Dutch"},      {0x14, 1252, "Norwegian"},  {0x15, 1250, "Polish"},
    {0x16, 1252, "Portuguese"}, {0x18, 1250, "Romanian"}, {0x19, 1251, "Russian"},    {0x1A, 1250, "Croatian"},
    {0x1B, 1250, "Slovak"},   {0x1C, 1250, "Albanian"},   {0x1D, 1252, "Swedish"},    {0x1E, 874, "Thai"},
    {0x1F, 1254, "Turkish"},  {0x22, 1251, "Ukrainian"},  {0x23, 1251, "Belarusian"}, {0x24, 1250, "Slovenian"},
    {0x25, 1257, "Estonian"}, {0x26, 1257, "Latvian"},    {0x27, 1257, "Lithuanian"}, {0x2A, 1258, "Vietnamese"},
    {0x2F, 1251, "Macedonian"},
};

const Primary* primary_of(uint16_t lcid) {
    for (const Primary& p : kPrimaries) {
        if (p.id == (lcid & 0x3FF)) return &p;
    }
    return nullptr;
}

// The language whose code page a text's code page is, 0 for none.
uint16_t language_of_code_page(int code_page) {
    switch (code_page) {
    case 874: return 0x041E;   // Thai
    case 932: return 0x0411;   // Japanese
    case 936: return 0x0804;   // Chinese (simplified)
    case 949: return 0x0412;   // Korean
    case 950: return 0x0404;   // Chinese (traditional)
    case 1250: return 0x0405;  // Czech
    case 1251: return 0x0419;  // Russian
    case 1252: return 0x0409;  // English (United States)
    case 1253: return 0x0408;  // Greek
    case 1254: return 0x041F;  // Turkish
    case 1255: return 0x040D;  // Hebrew
    case 1256: return 0x0401;  // Arabic
    case 1257: return 0x0425;  // Estonian
    case 1258: return 0x042A;  // Vietnamese
    default: return 0;
    }
}

std::string charset_of(int code_page) {
    switch (code_page) {
    case 932: return "shift_jis";
    case 936: return "gb2312";
    case 949: return "ks_c_5601-1987";
    case 950: return "big5";
    default: return format("windows-%d", code_page);
    }
}

}  // namespace

int ansi_code_page(uint16_t lcid) {
    if ((lcid & 0x3FF) == 0x04) {  // Chinese: Taiwan, Hong Kong and Macao write traditional characters
        return lcid == 0x0404 || lcid == 0x0C04 || lcid == 0x1404 ? 950 : 936;
    }
    if (lcid == 0x0C1A || lcid == 0x1C1A) return 1251;  // Serbian and Bosnian in Cyrillic letters
    const Primary* p = primary_of(lcid);
    return p ? p->code_page : 1252;
}

Language help_file_language(int text_code_page, uint16_t locale) {
    Language language;
    uint16_t of_text = language_of_code_page(text_code_page);
    if (locale != 0 && (of_text == 0 || ansi_code_page(locale) == text_code_page)) {
        language.lcid = locale;
    } else if (of_text != 0) {
        language.lcid = of_text;
    }
    language.code_page = ansi_code_page(language.lcid);
    language.charset = charset_of(language.code_page);
    return language;
}

std::string language_option(uint16_t lcid) {
    std::string value = format("0x%x", static_cast<unsigned>(lcid));
    if ((lcid & 0x3FF) == 0x04) return value + (ansi_code_page(lcid) == 950 ? " Chinese (Traditional)" : " Chinese (Simplified)");
    if (const Primary* p = primary_of(lcid)) value += std::string(" ") + p->name;
    return value;
}

}  // namespace korvane::chm
