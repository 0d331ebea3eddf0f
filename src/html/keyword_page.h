// SPDX-License-Identifier: MIT
// The keyword index of a site, keywords.html, as the viewer's Index tab
// shows it.
//
// The entries are grouped in two levels (html/keyword_index.h's
// index_groups). An entry with one topic links
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

namespace html {
struct Site;
}

// Writes keywords.html; topic_labels: how each topic is listed (UTF-8).
void write_keyword_page(const html::Site& site, const std::vector<std::string>& topic_labels, const std::string& title);

namespace html {
// The script of keywords.html and the style of the site's finding aids.
extern const std::string_view kIndexScript;
extern const std::string_view kFindStyle;
}  // namespace html

}  // namespace korvane
