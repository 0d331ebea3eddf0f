// SPDX-License-Identifier: MIT
#include "topicmap/keyword_places.h"

#include "base/format.h"

namespace korvane {

std::string KeywordPlaces::keywords(size_t topic) {
    if (!after_keywords_) ++records_;
    after_keywords_ = true;
    if (!inside_) return {};
    return format("kw%d-%d", static_cast<int>(topic), records_);
}

}  // namespace korvane
