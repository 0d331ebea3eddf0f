// SPDX-License-Identifier: MIT
// Picture numbers and the files they name.
#include "topics/picture_names.h"

#include "base/format.h"
#include "helpfile/helpfile.h"
#include "topics/context_hash.h"
#include "topics/picture_container.h"

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

std::optional<std::string_view> picture_container_name(std::string_view name) {
    if (starts_with(name, "|")) name.remove_prefix(1);
    if (!starts_with(name, "bm")) return std::nullopt;
    return name;
}

std::string picture_file_name(const std::string& base_name, int index, bool bitmap) {
    return format(bitmap ? "%s%d.BMP" : "%s%d.WMF", base_name, index);
}

std::string container_file_name(const std::string& base_name) { return base_name + ".SHG"; }

std::string container_reference(const PictureContainer& container, const std::string& base_name, bool no_shg) {
    std::string reference;
    for (const PictureMember& m : container.members) {
        if (m.type == PictureType::bitmap && (no_shg || m.bitmap.hotspot_size == 0)) {
            reference = picture_file_name(base_name, m.index, true);
        } else if (m.type == PictureType::metafile && (no_shg || m.metafile.hotspot_size == 0)) {
            reference = picture_file_name(base_name, m.index, false);
        }
    }
    return reference.empty() ? container_file_name(base_name) : reference;
}

PictureNames name_pictures(const HelpFile& help, bool no_shg, ContextNames& known) {
    PictureNames names;
    for (const InternalFile& row : help.files) {
        std::optional<std::string_view> name = picture_container_name(row.name);
        if (!name || !is_plain_file_name(*name)) continue;
        PictureContainer container = read_picture_container(help.reader(row.offset, row.size));
        for (const PictureMember& m : container.members) {
            if (m.type != PictureType::unknown) add_hotspot_target_names(known, m.hotspots);
        }
        if (std::optional<int> number = picture_number(name->substr(2))) {
            auto& slots = names.names;
            if (static_cast<size_t>(*number) >= slots.size()) slots.resize(static_cast<size_t>(*number) + 1);
            slots[static_cast<size_t>(*number)] = container_reference(container, std::string(*name), no_shg);
        }
    }
    return names;
}

}  // namespace korvane
