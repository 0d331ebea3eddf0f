// SPDX-License-Identifier: MIT
#include "base/file_names.h"

#include <array>
#include <cstdint>

namespace korvane {

std::string safe_name(std::string_view bytes, size_t max_length) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    if (bytes.empty()) return "-";
    std::string out;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        const bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
                          (c == '.' && i > 0);
        const size_t needed = kept ? 1 : 3;
        if (out.size() + needed > max_length) break;
        if (kept) {
            out += c;
        } else {
            const auto b = static_cast<uint8_t>(c);
            out += '-';
            out += kHex[b >> 4];
            out += kHex[b & 15];
        }
    }
    return out.empty() ? "-" : out;
}

bool is_device_name(std::string_view lower_stem) {
    lower_stem = lower_stem.substr(0, lower_stem.find('.'));
    static constexpr std::array<std::string_view, 4> kDevices = {"con", "prn", "aux", "nul"};
    for (std::string_view d : kDevices) {
        if (lower_stem == d) return true;
    }
    return lower_stem.size() == 4 && (lower_stem.starts_with("com") || lower_stem.starts_with("lpt")) &&
           lower_stem[3] >= '0' && lower_stem[3] <= '9';
}

}  // namespace korvane
