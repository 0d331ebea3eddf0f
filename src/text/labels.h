// SPDX-License-Identifier: MIT
// The words of the site's own navigation, in the help file's language.
//
// The language comes from the help file: the code page of its text when
// that belongs to one language (Japanese for 932, ...), else the locale
// record of |SYSTEM (helpfile/helpfile.h), else it is unknown. Pages are
// labelled with that language; their navigation uses its words when the
// table below has them and English otherwise.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace korvane::text {

struct Labels {
    const char* language;  // the BCP 47 tag the words are in
    const char* contents;
    const char* index;
    const char* search;
    const char* previous;  // the browse sequence's previous topic
    const char* next;
    const char* topics_found;  // the topics of a keyword
    const char* other_topics;  // topics the contents do not lead to
    const char* associative_keywords;
    const char* files;         // the baggage files
    const char* filter;        // the prompt of the index's search box
    const char* topic;         // a topic without a title: "Topic %d"
    // The search page's sentences; {q} stands for the query, {n} for the
    // number of topics found, [text] for the text of a link.
    const char* search_prompt;    // no query
    const char* search_unloaded;  // the index did not load
    const char* search_none;      // no topic found
    const char* search_one;       // one topic found
    const char* search_many;      // {n} topics found
    const char* search_more;      // the button that shows more topics
    const char* search_no_script; // links the [index], then the [contents]
    const char* search_credit;    // links the licence of [lunr.js]
};

// The BCP 47 tag of a help file's language ("und" when it tells none).
// locale: the LCID of its locale record, 0 for none.
std::string site_language(int code_page, uint16_t locale);

// The words for a language tag; English for one without a table.
const Labels& labels_for(std::string_view language);

}  // namespace korvane::text
