// Builders for the index files of a help file (|CONTEXT, |KWBTREE with
// |KWDATA, |CTXOMAP), byte patching for damaged copies, opening built files,
// listing the corpus, and a platform that records what it is told.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "driver/platform.h"
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
// One |KWBTREE leaf entry with any count and |KWDATA offset.
std::vector<uint8_t> keyword_entry(const std::string& text, int16_t count, uint32_t kwdata_offset);

// |CTXOMAP: {map number, topic offset} entries; the stored count may differ.
std::vector<uint8_t> ctxomap_file(const std::vector<std::pair<int32_t, uint32_t>>& entries,
                                  std::optional<uint16_t> count = std::nullopt);

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

// The help files under the corpus folder root, sorted, but for those that
// are no help files; empty when the folder is absent.
std::vector<std::string> corpus_help_files(const std::string& root);

// Records what the conversion reports while installed.
struct RecordingPlatform : Platform {
    RecordingPlatform() { set_platform(this); }
    ~RecordingPlatform() override { set_platform(nullptr); }
    RecordingPlatform(const RecordingPlatform&) = delete;
    RecordingPlatform& operator=(const RecordingPlatform&) = delete;

    void show_fatal(std::string_view, std::string_view) override {}
    void open_progress() override {}
    void set_phase(std::string_view text) override { phases.emplace_back(text); }
    void set_percent(int percent) override { percents.push_back(percent); }
    void add_warning_line(std::string_view line) override { warnings.emplace_back(line); }
    void repeat_warning(size_t index, std::string_view line, unsigned long count) override {
        warnings.emplace_back(line);
        repeats.emplace_back(index, count);
    }

    std::vector<std::string> phases;
    std::vector<std::string> warnings;                          // every warning raised, repeats included
    std::vector<std::pair<size_t, unsigned long>> repeats;      // index and count told with each repeat
    std::vector<int> percents;
};

}  // namespace korvane::test
