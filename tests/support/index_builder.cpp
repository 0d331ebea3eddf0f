#include "support/index_builder.h"

#include <cstring>

namespace korvane::test {

std::vector<uint8_t> context_btree(const std::vector<std::pair<int32_t, int32_t>>& entries, const BTreeSpec& spec) {
    std::vector<std::vector<uint8_t>> leaf_entries;
    for (const auto& [hash, offset] : entries) leaf_entries.push_back(Bytes().i32(hash).i32(offset).b);
    return build_btree(leaf_entries, spec);
}

std::vector<uint8_t> keyword_entry(const std::string& text, int16_t count, uint32_t kwdata_offset) {
    return Bytes().str(text).i16(count).u32(kwdata_offset).b;
}

KeywordFiles keyword_files(const std::vector<KeywordSpec>& keywords, const BTreeSpec& spec) {
    std::vector<std::vector<uint8_t>> leaf_entries;
    Bytes kwdata;
    for (const KeywordSpec& k : keywords) {
        leaf_entries.push_back(keyword_entry(k.text, static_cast<int16_t>(k.occurrences.size()),
                                             static_cast<uint32_t>(kwdata.size())));
        for (int32_t offset : k.occurrences) kwdata.i32(offset);
    }
    return {build_btree(leaf_entries, spec), kwdata.b};
}

std::vector<uint8_t> ctxomap_file(const std::vector<std::pair<int32_t, uint32_t>>& entries,
                                  std::optional<uint16_t> count) {
    Bytes out;
    out.u16(count ? *count : static_cast<unsigned>(entries.size()));
    for (const auto& [number, offset] : entries) out.i32(number).u32(offset);
    return out.b;
}

std::vector<uint8_t> tomap_file(const std::vector<uint32_t>& offsets) {
    Bytes out;
    out.fill(64, 0xEE);
    for (uint32_t offset : offsets) out.u32(offset);
    return out.b;
}

void set_page_field(std::vector<uint8_t>& btree, int page, int field, int16_t value) {
    uint16_t page_size = static_cast<uint16_t>(btree[4] | btree[5] << 8);
    size_t at = 38 + static_cast<size_t>(page) * page_size + static_cast<size_t>(field);
    btree.at(at) = static_cast<uint8_t>(value & 0xFF);
    btree.at(at + 1) = static_cast<uint8_t>((value >> 8) & 0xFF);
}

void set_total_entries(std::vector<uint8_t>& btree, int32_t total) { std::memcpy(btree.data() + 34, &total, 4); }

std::unique_ptr<HelpFile> open_built_help(const HlpBuilder& builder, const TempDir& dir, int flags) {
    std::string path = dir / "t.hlp";
    write_file(path, builder.build());
    return open_help_file(path, flags);
}

}  // namespace korvane::test
