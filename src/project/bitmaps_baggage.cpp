// SPDX-License-Identifier: MIT
// [Bitmaps] and [Baggage]: the internal files that are neither system files
// ("|" followed by anything but "bm") nor otherwise known. Names beginning
// with "bm" or "|bm" are picture containers numbered by the decimal number
// after "bm"; every other name without "|" is a baggage file. Names are
// case-sensitive, so "BM3" is baggage. Output files are created under the
// internal names, which is why a name that is not a plain file name (one
// that could reach outside the output directory) is never used.
#include "project/bitmaps_baggage.h"

#include <string>
#include <unordered_set>
#include <vector>

#include "base/messages.h"
#include "base/out_stream.h"
#include "topics/decoding.h"
#include "pictures/picture_reader.h"
#include "topics/indexes.h"

namespace korvane {

namespace {

// Picture numbers are u16 in the topic text, and 0xFFFF means no picture.
constexpr long kMaxPictureNumber = 0xFFFE;

bool starts_with(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

}  // namespace

bool is_plain_file_name(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (unsigned char c : name) {
        if (c == '/' || c == '\\' || c < 0x20 || c == 0x7F) return false;
    }
    return true;
}

std::optional<int> picture_number(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    long value = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        value = value * 10 + (s[i] - '0');
        if (value > kMaxPictureNumber) return std::nullopt;
    }
    if (negative && value != 0) return std::nullopt;
    return static_cast<int>(value);
}

void write_bitmaps_section(Decoding& help, OutStream& project) {
    // Pictures that are only embedded are scratch files of the output.
    bool scratch = (help.flags & CVF_EMBED_PICTURES) != 0;

    write_formatted(project, "\n[Bitmaps]\n");
    std::vector<std::string> written;
    for (int32_t i = 0; i < help.file_count; ++i) {
        report_progress(help.report, mul_div(i, 40, help.file_count), Msg::ConvertingBitmaps);
        const InternalFile& row = help.files[static_cast<size_t>(i)];
        std::string_view name = row.name;
        if (starts_with(name, "|")) name.remove_prefix(1);
        if (!starts_with(name, "bm")) continue;
        if (!is_plain_file_name(name)) {
            add_warning(help.report, Msg::CannotCreate, name);
            continue;
        }
        std::string base = scratch ? help.output->scratch_name(std::string(name)) : std::string(name);
        std::string reported = convert_picture_file(help, row.offset, row.size, base, &written);
        write_formatted(project, "%s\n", reported);
        if (std::optional<int> number = picture_number(name.substr(2))) {
            set_picture_name(help, static_cast<uint32_t>(*number), reported);
        }
    }

    // In print mode the files only serve embedding, and closing the help
    // file removes those that picture numbers name; the others (earlier
    // pictures of a container, replaced or unnumbered names) go now.
    if (help.flags & CVF_EMBED_PICTURES) {
        std::unordered_set<std::string> kept;
        for (const auto& n : help.picture_names.names) {
            if (n) kept.insert(*n);
        }
        for (const std::string& file : written) {
            if (!kept.count(file)) help.output->remove(file);
        }
    }
}

std::vector<std::string> copy_baggage_files(Decoding& help, const std::string& folder) {
    std::vector<std::string> copied;
    for (int32_t i = 0; i < help.file_count; ++i) {
        report_progress(help.report, 41 + mul_div(i, 3, help.file_count), Msg::ExtractingBaggage);
        const InternalFile& row = help.files[static_cast<size_t>(i)];
        if (starts_with(row.name, "|") || starts_with(row.name, "bm")) continue;
        if (!is_plain_file_name(row.name)) continue;
        std::unique_ptr<OutStream> out = help.output->open(folder + row.name, "wb");
        if (!out) continue;
        ByteReader data = help.reader(row.offset, row.size);
        out->write(data.here(), data.remaining());
        out->close();
        if (out->failed()) fatal_error(Fatal::DiskFull);
        copied.push_back(row.name);
    }
    return copied;
}

void write_baggage_section(Decoding& help, OutStream& project) {
    write_formatted(project, "\n[Baggage]\n");
    for (const std::string& name : copy_baggage_files(help, "")) write_formatted(project, "%s\n", name);
}

}  // namespace korvane
