// Index file builders: B-tree leaf entries in the layouts of |CONTEXT and
// |KWBTREE, and the flat |KWDATA file.
#include "support/index_builder.h"

#include <algorithm>
#include <filesystem>

#include "helpfile/helpfile.h"

namespace korvane::test {

std::vector<uint8_t> context_btree(const std::vector<std::pair<int32_t, int32_t>>& entries, const BTreeSpec& desc) {
    std::vector<std::vector<uint8_t>> leaf_entries;
    for (const auto& [hash, offset] : entries) leaf_entries.push_back(Bytes().i32(hash).i32(offset).b);
    return build_btree(leaf_entries, desc);
}

KeywordFiles keyword_files(const std::vector<KeywordSpec>& keywords, const BTreeSpec& desc) {
    std::vector<std::vector<uint8_t>> leaf_entries;
    Bytes kwdata;
    for (const KeywordSpec& k : keywords) {
        leaf_entries.push_back(
            Bytes().str(k.text).i16(static_cast<int>(k.occurrences.size())).u32(static_cast<uint32_t>(kwdata.size())).b);
        for (int32_t offset : k.occurrences) kwdata.i32(offset);
    }
    return {build_btree(leaf_entries, desc), kwdata.b};
}

void poke(std::vector<uint8_t>& bytes, size_t at, uint32_t v, int width) {
    for (int k = 0; k < width; ++k) bytes.at(at + static_cast<size_t>(k)) = static_cast<uint8_t>(v >> (8 * k));
}

size_t page_field(const std::vector<uint8_t>& btree, int page, int field) {
    size_t page_size = static_cast<size_t>(btree.at(4) | btree.at(5) << 8);
    return 38 + static_cast<size_t>(page) * page_size + static_cast<size_t>(field);
}

std::unique_ptr<HelpFile> open_files(const TempDir& dir,
                                     const std::vector<std::pair<std::string, std::vector<uint8_t>>>& files,
                                     uint16_t minor, uint16_t flags) {
    HlpBuilder b;
    b.add("|SYSTEM", system_file(minor, flags));
    for (const auto& [name, content] : files) b.add(name, content);
    write_file(dir / "t.hlp", b.build());
    return open_help_file(dir / "t.hlp", 0);
}

}  // namespace korvane::test
