// SPDX-License-Identifier: MIT
// The places of keywords inside a topic. The keyword records after the
// topic's first paragraph get anchors, "kwT-R" (topic T, record R of the
// topic); the K and A keywords of one record share theirs. The topic map's
// scan and every writer of pages name the places alike by feeding one of
// these the same events of the topic decoder.
#pragma once

#include <cstddef>
#include <string>

namespace korvane {

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

}  // namespace korvane
