// Builders for the index files of a help file: |CONTEXT, |KWBTREE with
// |KWDATA, |CTXOMAP and |TOMAP, plus a platform that records progress and
// warnings.
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
                                   const BTreeSpec& spec = {});

struct KeywordSpec {
    std::string text;
    std::vector<int32_t> occurrences;  // topic offsets, in |KWDATA order
};
struct KeywordFiles {
    std::vector<uint8_t> kwbtree, kwdata;
};
// |KWBTREE and |KWDATA: the keywords' occurrences stored one after another.
KeywordFiles keyword_files(const std::vector<KeywordSpec>& keywords, const BTreeSpec& spec = {});
// One |KWBTREE leaf entry with any count and |KWDATA offset.
std::vector<uint8_t> keyword_entry(const std::string& text, int16_t count, uint32_t kwdata_offset);

// |CTXOMAP: {map number, topic offset} entries; the stored count may differ.
std::vector<uint8_t> ctxomap_file(const std::vector<std::pair<int32_t, uint32_t>>& entries,
                                  std::optional<uint16_t> count = std::nullopt);
// |TOMAP: 64 header bytes, then the topic offsets.
std::vector<uint8_t> tomap_file(const std::vector<uint32_t>& offsets);

// Overwrites the i16 at `field` (2 entry count, 4 previous/leftmost child,
// 6 next leaf) of page `page` of a B-tree built by build_btree.
void set_page_field(std::vector<uint8_t>& btree, int page, int field, int16_t value);
// Overwrites the B-tree header's total entry count.
void set_total_entries(std::vector<uint8_t>& btree, int32_t total);

// Writes the help file into dir and opens it.
std::unique_ptr<HelpFile> open_built_help(const HlpBuilder& builder, const TempDir& dir, int flags = 0);

// Records what the conversion reports while installed.
class RecordingPlatform : public Platform {
public:
    RecordingPlatform() { set_platform(this); }
    ~RecordingPlatform() override { set_platform(nullptr); }
    RecordingPlatform(const RecordingPlatform&) = delete;
    RecordingPlatform& operator=(const RecordingPlatform&) = delete;

    void show_fatal(std::string_view, std::string_view text) override { fatal.assign(text); }
    void open_progress() override {}
    void set_phase(std::string_view text) override { phases.emplace_back(text); }
    void set_percent(int percent) override { percents.push_back(percent); }
    void add_warning_line(std::string_view line) override { warnings.emplace_back(line); }

    std::vector<std::string> phases, warnings;
    std::vector<int> percents;
    std::string fatal;
};

}  // namespace korvane::test
