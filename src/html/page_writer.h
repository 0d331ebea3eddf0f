// SPDX-License-Identifier: MIT
// The pages of a site's topics: a writer of the topic decoder's events.
//
// A page holds the site's navigation (contents, keyword index, the browse
// sequence's previous and next topic), then the window the topic shows in
// (div.window with the class of its window definition, html/window_style.h;
// a caption bar when the definition gives a caption): the title as heading
// unless the topic's first paragraph with text says it already (as most
// do, the viewer showing the title only as the window's caption), the
// non-scrolling region as a header block and the topic's paragraphs. A
// topic shows in the secondary window that its contents entry names, else
// in the one the first jump to it names, else in the main window.
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
#include "html/keyword_page.h"
#include "html/popup_pages.h"
#include "html/site_map.h"
#include "html/utf8.h"
#include "html/window_style.h"
#include "topics/topic_sink.h"

namespace korvane {

struct HelpModel;

class PageWriter : public TopicSink {
public:
    PageWriter(const HelpModel& model, const SiteMap& site);
    ~PageWriter() override;

    // Ends the last page and writes the pages that waited for popups.
    void finish();
    // The CSS rules of the paragraph classes used, in class order.
    const std::vector<std::string>& paragraph_styles() const { return paragraph_styles_; }
    // The first line of each topic's text (UTF-8, shortened), by topic.
    const std::vector<std::string>& first_lines() const { return first_lines_; }
    // The plain text of each topic's page, by topic (UTF-8; paragraphs,
    // tabs and line breaks as one space): what the search finds it by.
    const std::vector<std::string>& page_texts() const { return page_texts_; }
    // The CSS rules of the window classes the pages use.
    const std::string& window_rules() const { return windows_.rules(); }

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
    std::optional<SiteTarget> local_target(std::string_view context, const std::string& file) const;
    std::optional<std::string> href_for(std::string_view context, const std::string& file) const;
    std::string paragraph_class(const ParagraphFormat& format);
    void append_first_line(std::string_view text);
    void end_first_line();
    std::string alt_text(const html::Link& link) const;
    void assign_windows(const HelpModel& model);

    const int code_page_;  // of the help file's text
    const SiteMap& site_;
    mutable html::Utf8Converter converter_;  // a cache of converters
    html::WindowStyles windows_;
    std::vector<int> topic_window_;  // by topic: its window definition, -1 the default one

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
    std::vector<std::string> paragraph_styles_;

    KeywordPlaces keyword_places_;
    std::string first_line_;      // of the open page's text so far
    bool first_line_done_ = false;
    std::vector<std::string> first_lines_;
    std::vector<std::string> page_texts_;
};

}  // namespace korvane
