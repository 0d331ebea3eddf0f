// SPDX-License-Identifier: MIT
// The [Map] section: numeric help ids bound to context names.
//
// |CTXOMAP holds u16 count, then count entries {i32 map number, u32 topic
// offset}. The name of an entry is that of the first context at its topic
// offset. Files of the 3.0 compiler have no context hashes; there |TOMAP,
// 64 bytes followed by one u32 topic offset per topic, gives the topic's
// number i (from 1), and the name is the one made for the value i + 15, as
// the topic writer names those topics.
#include "project/map_section.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/messages.h"
#include "output/out_stream.h"
#include "topics/help_model.h"
#include "topics/context_hash.h"
#include "topics/indexes.h"

namespace korvane {

namespace {

constexpr size_t kTomapHeaderSize = 64;

// (topic offset, number from 1) of every |TOMAP entry, sorted: the first
// pair with an offset holds the number of its first entry.
std::vector<std::pair<uint32_t, uint32_t>> index_tomap(const HelpFile& help) {
    std::vector<std::pair<uint32_t, uint32_t>> numbers;
    ByteReader tomap = help.reader(help.tomap_file);
    if (tomap.size() <= kTomapHeaderSize) return numbers;
    const size_t count = (tomap.size() - kTomapHeaderSize) / 4;
    numbers.reserve(count);
    tomap.seek(kTomapHeaderSize);
    for (size_t i = 1; i <= count; ++i) numbers.emplace_back(tomap.u32(), static_cast<uint32_t>(i));
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

}  // namespace

std::vector<MapEntry> read_map_entries(const HelpModel& model, Reporter& report) {
    std::vector<MapEntry> entries;
    const HelpFile& help = model.file;
    ContextNamer names(model.context_names);
    if (!help.ctxomap_file.present()) return entries;
    ByteReader map = help.reader(help.ctxomap_file);
    uint16_t declared = map.u16();
    // Entries beyond the end of |CTXOMAP are not there.
    const int count = static_cast<int>(std::min<size_t>(declared, map.remaining() / 8));

    std::vector<std::pair<uint32_t, uint32_t>> tomap;
    if (help.is_hc30 && count > 0) tomap = index_tomap(help);

    for (int j = 1; j <= count; ++j) {
        report_progress(report, 47 + mul_div(j, 3, count), Msg::CreatingMap);
        int32_t number = map.i32();
        uint32_t topic_offset = map.u32();
        std::optional<std::string> name;
        if (help.is_hc30) {
            auto it = std::lower_bound(tomap.begin(), tomap.end(), std::pair<uint32_t, uint32_t>{topic_offset, 0});
            if (it != tomap.end() && it->first == topic_offset) name = names(it->second + 15);
        } else {
            name = context_name_at(model.context_table, names, topic_offset);
        }
        if (name) {
            entries.push_back({std::move(*name), number});
        } else {
            add_warning(report, Msg::MapLookupFailed, topic_offset);
        }
    }
    return entries;
}

void write_map_section(const HelpModel& model, Reporter& report, OutStream& project) {
    if (!model.file.ctxomap_file.present()) return;
    write_formatted(project, "\n[Map]\n");
    for (const MapEntry& entry : read_map_entries(model, report)) {
        write_formatted(project, "#define %s %ld\n", entry.name, entry.number);
    }
}

}  // namespace korvane
