// SPDX-License-Identifier: MIT
// The keyword index of a site, keywords.html, as the viewer's Index tab
// shows it.
//
// Keywords of the form "first, second" or "first:second" are second-level
// entries: they are listed under one first-level entry "first", which
// "first" itself and "first," give topics to. An entry with one topic links
// to it (to the place in the topic where the keyword stands); one with
// several holds them, each with its title, as a "Topics Found" list that
// opens on a click (<details>). The associative (A) keywords follow in a
// section of their own.
//
// The page's script (kIndexScript, part of the site's script) shows a
// search box: the entries whose text starts with what is typed stay, case
// and accents aside, the first of them marked; Enter opens it. Without
// scripts the box stays hidden and the whole list works as it is.
//
// Keyword links (ALink, KLink, JumpKeyword) that lead to the topics of
// several keywords get a section of the page each, listing every one of
// those topics; it shows only while the page is opened at it (:target).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korvane {

struct SiteMap;

namespace html {
class Utf8Converter;
}

// Names the places of the keyword records of a topic alike in both passes
// over the topics: the records after the topic's first paragraph get
// anchors; the K and A keywords of one record share theirs.
class KeywordPlaces {
public:
    void topic_begin() { *this = KeywordPlaces(); }
    // A paragraph or table row: what follows is inside the topic.
    void content() {
        inside_ = true;
        after_keywords_ = false;
    }
    void context_id() { after_keywords_ = false; }
    // The anchor of the record whose keywords are reported now in topic;
    // empty at the topic's top.
    std::string keywords(size_t topic);

private:
    int records_ = 0;
    bool inside_ = false, after_keywords_ = false;
};

// The key entries are sorted and filtered by: lower case, the accents of
// Latin letters taken off.
std::string index_sort_key(std::string_view utf8);

// Fills site.k_index and site.a_index (sorted, with their ids) from
// site.keywords and site.a_keywords.
void index_keywords(SiteMap& site, html::Utf8Converter& utf8, int code_page);

// Decides where each keyword link of site.keyword_links leads: to the one
// topic its keywords have, to the entry of its one keyword, or to a list of
// all the topics (site.found_lists). Links whose keywords have no topic
// are left out.
void resolve_keyword_links(SiteMap& site, html::Utf8Converter& utf8, int code_page);

// Writes keywords.html; topic_labels: how each topic is listed (UTF-8).
void write_keyword_page(const SiteMap& site, const std::vector<std::string>& topic_labels, const std::string& title);

namespace html {
// The script of keywords.html and the style of the site's finding aids.
extern const std::string_view kIndexScript;
extern const std::string_view kFindStyle;
}  // namespace html

}  // namespace korvane
