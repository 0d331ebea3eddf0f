// SPDX-License-Identifier: MIT
// Choosing the code page of a help file's text.
//
// |SYSTEM record type 11 holds the character set of the help file as a u16.
// Long |FONT descriptors carry a character set each (topics/fonts.h).
//
// Topic text for the detection comes from the topic link records
// (topics/topic_reader.h) as the topic pass reads them, expanded through
// the phrase table.
#include "topics/code_page.h"

#include <algorithm>
#include <array>
#include <vector>

#include "base/byte_reader.h"
#include "helpfile/helpfile.h"
#include "helpfile/system.h"
#include "system/text_detection.h"
#include "topics/fonts.h"
#include "topics/phrases.h"
#include "topics/topic_reader.h"

namespace korvane {

namespace {

struct CharsetCodePage {
    int charset;
    int code_page;
};

constexpr std::array<CharsetCodePage, 15> kCharsets = {{
    {0, 1252},    // ANSI
    {128, 932},   // Shift-JIS
    {129, 949},   // Hangul
    {130, 1361},  // Johab
    {134, 936},   // GB 2312
    {136, 950},   // Big5
    {161, 1253},  // Greek
    {162, 1254},  // Turkish
    {163, 1258},  // Vietnamese
    {177, 1255},  // Hebrew
    {178, 1256},  // Arabic
    {186, 1257},  // Baltic
    {204, 1251},  // Cyrillic
    {222, 874},   // Thai
    {238, 1250},  // Central European
}};

constexpr uint16_t kCharsetRecord = 11;
constexpr size_t kDetectionSample = 256 * 1024;
// Fewer bytes above 0x7F than this say too little about any code page.
constexpr size_t kDetectionMinimumHighBytes = 16;
constexpr size_t kTextCapacity = 0xFF00;
constexpr int32_t kReadChunk = 0x10000;

// The code page recorded by a character-set record of |SYSTEM; 0 when there
// is none or its character set stands for no code page.
int system_record_code_page(const HelpFile& help) {
    int code_page = 0;
    for_each_system_record(help, [&](uint16_t type, ByteReader data) {
        if (type == kCharsetRecord && data.size() >= 2) code_page = code_page_of_charset(data.u16() & 0xFF);
        return code_page <= 0;
    });
    return code_page > 0 ? code_page : 0;
}

// The code page of the logical-font descriptors: the first character set
// other than Western that stands for a code page, else Western when some
// descriptor records the Western set; 0 when nothing is recorded (short
// descriptors have no character set).
int font_code_page(const FontTable& fonts) {
    bool western = false;
    for (const FontDescriptor& font : fonts.descriptors) {
        if (font.charset < 0) continue;
        int code_page = code_page_of_charset(font.charset);
        if (code_page == kWesternCodePage) western = true;
        else if (code_page > 0) return code_page;
    }
    return western ? kWesternCodePage : 0;
}

void read_stream(TopicStream& stream, std::vector<uint8_t>& out, int64_t count) {
    out.clear();
    uint32_t offset = 0;
    int loaded = 0;
    while (count > 0 && !stream.exhausted()) {
        int32_t piece = count < kReadChunk ? static_cast<int32_t>(count) : kReadChunk;
        size_t at = out.size();
        out.resize(at + static_cast<size_t>(piece));
        stream.read(out.data() + at, static_cast<size_t>(piece), &offset, &loaded);
        count -= piece;
    }
}

int detected_code_page(const HelpFile& help, const PhraseTables& phrases) {
    std::string sample = topic_text_sample(help, phrases, kDetectionSample);
    size_t high = static_cast<size_t>(std::count_if(sample.begin(), sample.end(), [](char c) { return c & 0x80; }));
    if (high < kDetectionMinimumHighBytes) return 0;
    return sys::detect_double_byte_code_page(sample);
}

}  // namespace

int charset_of_code_page(int code_page) {
    for (const CharsetCodePage& c : kCharsets) {
        if (c.code_page == code_page) return c.charset;
    }
    return -1;
}

int code_page_of_charset(int charset) {
    for (const CharsetCodePage& c : kCharsets) {
        if (c.charset == charset) return c.code_page;
    }
    return 0;
}

bool is_multibyte_code_page(int code_page) {
    return code_page == 932 || code_page == 936 || code_page == 949 || code_page == 950 || code_page == 1361;
}

std::string topic_text_sample(const HelpFile& help, const PhraseTables& phrases, size_t limit) {
    std::string sample;
    if (!help.topic_file.present()) return sample;
    std::vector<uint8_t> raw, skipped, stored, text;
    TopicStream stream(help);
    while (sample.size() < limit) {
        read_stream(stream, raw, kTopicLinkHeaderSize);
        if (stream.exhausted()) break;
        const TopicLinkHeader h = parse_topic_link_header(raw.data());
        int64_t stored_size = stored_text_size(help, h);
        read_stream(stream, skipped, static_cast<int64_t>(h.data1_size) - static_cast<int64_t>(kTopicLinkHeaderSize));
        if (stored_size > 0) {
            read_stream(stream, stored, stored_size);
            bool indexed = phrases.indexed && static_cast<uint32_t>(stored_size) < static_cast<uint32_t>(h.text_size);
            expand_phrases(phrases, stored.data(), stored.size(), kTextCapacity, indexed, text);
            size_t at = sample.size();
            sample.append(text.begin(), text.end());
            std::replace(sample.begin() + static_cast<std::ptrdiff_t>(at), sample.end(), '\0', '\n');
        }
        if (h.next_link == -1 || stream.exhausted()) break;
    }
    return sample;
}

CodePageChoice choose_code_page(const HelpFile& help, const FontTable& fonts, const PhraseTables& phrases,
                                int user_code_page) {
    if (user_code_page > 0) return {user_code_page, CodePageSource::user};
    if (int recorded = system_record_code_page(help)) return {recorded, CodePageSource::system_record};
    if (int recorded = font_code_page(fonts)) return {recorded, CodePageSource::fonts};
    if (int detected = detected_code_page(help, phrases)) return {detected, CodePageSource::detected};
    return {};
}

}  // namespace korvane
