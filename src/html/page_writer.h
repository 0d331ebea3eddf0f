// SPDX-License-Identifier: MIT
// The pages of a site's topics: a writer of the topic decoder's events.
//
// A page holds the site's navigation (contents, keyword index, the browse
// sequence's previous and next topic), then the window the topic shows in
// (div.window with the class of its window definition, html/window_style.h;
// a caption bar when the definition gives a caption): the title as heading
// unless the topic's first paragraph with text says it already (as most
// do, the viewer showing the title only as the window's caption), the
// non-scrolling region as a header block and the topic's paragraphs, in
// the window the topic map chose for the topic.
// Paragraph formats become CSS classes ("p1", "p2", ... in the order first
// used, collected for the style sheet; html/paragraph_layout.h). The
// markup of the content is html/inline_markup.h's; the finished pages are
// written with the popups they show by html/popup_pages.h.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "html/inline_markup.h"
#include "html/popup_pages.h"
#include "html/site.h"
#include "html/window_style.h"
#include "text/labels.h"
#include "text/utf8.h"
#include "topicmap/keyword_places.h"
#include "topicmap/topic_map.h"
#include "topics/topic_sink.h"

namespace korvane {

// What the pages tell the site's other files.
struct WrittenPages {
    // The CSS rules of the paragraph classes used, in class order.
    std::vector<std::string> paragraph_styles;
    // The first line of each topic's text (UTF-8, shortened), by topic.
    std::vector<std::string> first_lines;
    // The plain text of each topic's page, by topic (UTF-8; paragraphs,
    // tabs and line breaks as one space): what the search finds it by.
    std::vector<std::string> page_texts;
    // The CSS rules of the window classes the pages use.
    std::string window_rules;
};

class PageWriter : public TopicSink {
public:
    explicit PageWriter(const html::Site& site);
    ~PageWriter() override;

    // Ends the last page, writes the pages that waited for popups and gives
    // what the pages tell the other files.
    WrittenPages finish();

    void topic_begin(const TopicStart&) override;
    void context_id(std::string_view) override;
    void keywords(char, std::string_view) override;
    void paragraph_begin(const ParagraphFormat&) override;
    void text(std::string_view) override;
    void font(uint16_t) override;
    void tab() override;
    void line_break() override;
    void hotspot_begin(const Hotspot&) override;
    void hotspot_end() override;
    void picture(Placement, uint16_t, const std::string&) override;
    void embedded_window(Placement, std::string_view) override;
    void paragraph_end(bool last_in_cell) override;
    void paragraph_done() override;
    void table_begin(const TableRow&) override;
    void next_cell(int) override;
    void table_end() override;

private:
    std::string& out();
    void add_plain_text(std::string_view text);
    std::string utf8(std::string_view bytes);
    void open_page(size_t topic);
    void close_page();
    void settle_title(bool page_end);
    void close_paragraph();
    void set_region(bool non_scrolling);
    html::Link link_for(const Hotspot& hotspot) const;
    std::string paragraph_class(const ParagraphFormat& format);
    void append_first_line(std::string_view text);
    void end_first_line();
    std::string alt_text(const html::Link& link) const;

    const int code_page_;  // of the help file's text
    const html::Site& site_;
    const TopicMap& map_;
    const text::Labels& words_;
    mutable text::Utf8Converter converter_;  // a cache of converters
    html::WindowStyles windows_;

    html::Page page_;
    html::InlineMarkup markup_;  // writes into page_.html
    html::PopupPages pages_;
    size_t next_topic_ = 0;
    bool page_open_ = false;
    bool in_region_ = false;  // inside the non-scrolling region's block
    bool region_done_ = false;
    std::string title_;            // of the open page, in UTF-8
    size_t heading_at_ = 0;        // where its heading goes in page_.html
    bool title_pending_ = false;   // no paragraph with text yet
    std::string paragraph_text_;   // the open paragraph's text while pending
    std::string scratch_;          // text of one run in UTF-8
    int maps_ = 0;

    std::map<std::string, int> class_of_style_;
    KeywordPlaces keyword_places_;
    std::string first_line_;  // of the open page's text so far
    bool first_line_done_ = false;
    WrittenPages written_;
};

}  // namespace korvane
