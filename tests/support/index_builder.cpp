// Index file builders: B-tree leaf entries in the layouts of |CONTEXT and
// |KWBTREE, and the flat |KWDATA and |CTXOMAP files.
#include "support/index_builder.h"

#include <algorithm>
#include <filesystem>

#include "support/topic_builder.h"

namespace korvane::test {

std::vector<uint8_t> context_btree(const std::vector<std::pair<int32_t, int32_t>>& entries, const BTreeSpec& desc) {
    std::vector<std::vector<uint8_t>> leaf_entries;
    for (const auto& [hash, offset] : entries) leaf_entries.push_back(Bytes().i32(hash).i32(offset).b);
    return build_btree(leaf_entries, desc);
}

std::vector<uint8_t> keyword_entry(const std::string& text, int16_t count, uint32_t kwdata_offset) {
    return Bytes().str(text).i16(count).u32(kwdata_offset).b;
}

KeywordFiles keyword_files(const std::vector<KeywordSpec>& keywords, const BTreeSpec& desc) {
    std::vector<std::vector<uint8_t>> leaf_entries;
    Bytes kwdata;
    for (const KeywordSpec& k : keywords) {
        leaf_entries.push_back(keyword_entry(k.text, static_cast<int16_t>(k.occurrences.size()),
                                             static_cast<uint32_t>(kwdata.size())));
        for (int32_t offset : k.occurrences) kwdata.i32(offset);
    }
    return {build_btree(leaf_entries, desc), kwdata.b};
}

std::vector<uint8_t> ctxomap_file(const std::vector<std::pair<int32_t, uint32_t>>& entries,
                                  std::optional<uint16_t> count) {
    Bytes out;
    out.u16(count ? *count : static_cast<unsigned>(entries.size()));
    for (const auto& [number, offset] : entries) out.i32(number).u32(offset);
    return out.b;
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
    return open_help_bytes(b.build(), dir);
}

std::vector<std::string> corpus_help_files(const std::string& root) {
    std::vector<std::string> paths;
    if (!std::filesystem::is_directory(root)) return paths;
    for (const auto& f : std::filesystem::recursive_directory_iterator(root)) {
        std::string path = f.path().string(), ext = f.path().extension().string();
        if ((ext == ".hlp" || ext == ".HLP") && path.find("/not-winhelp/") == std::string::npos) paths.push_back(path);
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

}  // namespace korvane::test
