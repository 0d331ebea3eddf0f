// Builders for the index files of a help file (|CONTEXT, |KWBTREE with
// |KWDATA), byte patching for damaged copies, and opening built files.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "helpfile/helpfile.h"
#include "support/hlp_builder.h"

namespace korvane::test {

// |CONTEXT: leaf entries {hash, topic offset}.
std::vector<uint8_t> context_btree(const std::vector<std::pair<int32_t, int32_t>>& entries,
                                   const BTreeSpec& desc = {});

struct KeywordSpec {
    std::string text;
    std::vector<int32_t> occurrences;  // topic offsets, in |KWDATA order
};
struct KeywordFiles {
    std::vector<uint8_t> kwbtree, kwdata;
};
// |KWBTREE and |KWDATA: the keywords' occurrences stored one after another.
KeywordFiles keyword_files(const std::vector<KeywordSpec>& keywords, const BTreeSpec& desc = {});
// Overwrites `width` bytes at `at` with v, little-endian.
void poke(std::vector<uint8_t>& bytes, size_t at, uint32_t v, int width = 4);
// Where field `field` (2 entry count, 4 previous/leftmost child, 6 next
// leaf) of page `page` of a B-tree built by build_btree is.
size_t page_field(const std::vector<uint8_t>& btree, int page, int field);

// A help file of |SYSTEM (minor version, flags) and the given files,
// written into dir and opened.
std::unique_ptr<HelpFile> open_files(const TempDir& dir,
                                     const std::vector<std::pair<std::string, std::vector<uint8_t>>>& files,
                                     uint16_t minor = 21, uint16_t flags = 0);

}  // namespace korvane::test
