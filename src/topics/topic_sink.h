// SPDX-License-Identifier: MIT
// What the topic decoder reports while it walks |TOPIC: the seam between
// decoding and writing. The decoder (topics/topic_decoder.h) settles every
// question of the format (where a topic starts, which context ids and
// keywords stand at a record, what a paragraph's properties are, which
// hotspot a command opens, where a table cell ends); a writer only turns
// the events into its output. Values are decoded, not output words.
//
// Event order within a topic:
//   topic_begin
//   then per text or table record: context_id*, keywords?, and either
//     paragraph_begin (text | font | tab | line_break | hotspot_begin |
//       hotspot_end | picture | embedded_window | paragraph_end)* paragraph_done
//   or
//     table_begin [ (paragraph... as above, in_table set, next_cell)* table_end ]
// Records may come before the first topic_begin (damaged files); writers
// take them as part of an unnamed first topic. A hotspot_begin while a
// hotspot is open replaces it; one still open at paragraph_done is ended
// by a hotspot_end first.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

// The browse links of a topic header: the keys of the topic before and
// after it in its browse sequence (-1 for none) and its own key.
struct BrowseLinks {
    int32_t prev = -1;
    int32_t self = 0;
    int32_t next = -1;
};

struct TopicStart {
    int32_t number = 0;
    // Context ids known at the start of the topic (3.0 files, which name
    // topics by number); the others come with the records.
    std::vector<std::string> context_ids;
    std::string_view title;        // empty: untitled
    std::string_view entry_macro;  // empty: none
    BrowseLinks browse;
};

enum class Alignment : uint8_t { left, right, centre };

struct Borders {
    bool box = false, top = false, left = false, bottom = false, right = false, bar = false;
    bool thick = false;
};

struct TabStop {
    enum class Kind : uint8_t { left, right, centre };
    int position = 0;  // in units of ten twips
    Kind kind = Kind::left;
};

// The properties of a paragraph. A field that the data did not hold (or
// that lies past a point where the data ran out) is absent.
struct ParagraphFormat {
    bool non_scrolling = false;  // part of the topic's non-scrolling region
    bool in_table = false;
    bool keep_together = false;
    Alignment alignment = Alignment::left;
    // In twips.
    std::optional<int> space_before, space_after, line_spacing, left_indent, right_indent, first_indent;
    std::optional<Borders> borders;
    std::vector<TabStop> tabs;
};

enum class Placement : uint8_t { inline_, left, right };

enum class HotspotKind : uint8_t { jump, popup, macro };

struct Hotspot {
    HotspotKind kind = HotspotKind::jump;
    bool keeps_font = false;          // shown without the hotspot's own font change
    uint32_t hash = 0;                // jumps and popups: the target's context-name hash
    std::string target;               // jumps and popups: its context name; macros: the macro
    std::optional<std::string> window;  // a secondary window ("main" for the main one)
    std::optional<std::string> file;    // a target in another help file
};

struct TableRow {
    // False for a row whose layout is not understood; nothing of the record
    // follows, no table_end either.
    bool supported = true;
    int columns = 0;
    // 0: widths relative to the window, row centred; 1: widths in units of
    // ten twips; 3: cell edges in twips (the rest in units of ten twips).
    int type = 0;
    int left = 0;  // left edge of the first cell
    int gap = 0;   // space between cells
    std::vector<int> widths;
};

class TopicSink {
public:
    virtual ~TopicSink() = default;

    // False for a sink that needs no text of the records (runs and strings
    // then arrive empty), so the decoder can leave it unexpanded.
    virtual bool needs_text() const { return true; }

    virtual void topic_begin(const TopicStart&) {}
    virtual void context_id(std::string_view) {}
    // The record's keywords, separated by ';': table 'K' for the keyword
    // index, 'A' for the keywords of associative links.
    virtual void keywords(char /*table*/, std::string_view) {}

    virtual void paragraph_begin(const ParagraphFormat&) {}
    virtual void text(std::string_view) {}
    virtual void font(uint16_t) {}  // a font of the file's font table
    virtual void tab() {}
    virtual void line_break() {}
    virtual void hotspot_begin(const Hotspot&) {}
    virtual void hotspot_end() {}
    // number: the picture number of the topic text; name: its picture file.
    virtual void picture(Placement, uint16_t /*number*/, const std::string& /*name*/) {}
    virtual void embedded_window(Placement, std::string_view /*description*/) {}
    // last_in_cell: the last paragraph of a table cell, which the cell's end
    // closes.
    virtual void paragraph_end(bool /*last_in_cell*/) {}
    virtual void paragraph_done() {}

    virtual void table_begin(const TableRow&) {}
    virtual void next_cell(int /*column*/) {}
    virtual void table_end() {}
};

}  // namespace korvane
