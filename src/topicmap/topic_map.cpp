// SPDX-License-Identifier: MIT
#include "topicmap/topic_map.h"

#include "base/ascii.h"
#include "base/file_names.h"
#include "base/format.h"
#include "base/messages.h"
#include "topicmap/keyword_places.h"
#include "topicmap/macros.h"
#include "topicmap/page_names.h"
#include "topicmap/windows.h"
#include "topics/help_file_name.h"
#include "topics/help_model.h"
#include "topics/topic_context.h"
#include "topics/topic_decoder.h"

namespace korvane {

namespace {

// Calls each(keyword) for the keywords of a ';'-separated list, leading
// blanks cut, empty ones left out.
template <class Each>
void for_each_keyword(std::string_view list, Each each) {
    while (!list.empty()) {
        size_t end = list.find(';');
        std::string_view keyword = list.substr(0, end);
        while (!keyword.empty() && keyword.front() == ' ') keyword.remove_prefix(1);
        if (!keyword.empty()) each(keyword);
        if (end == std::string_view::npos) break;
        list.remove_prefix(end + 1);
    }
}

}  // namespace

// The scan: every topic with its title, context ids, keywords (and where
// inside the topic they stand), browse links and what its hotspots lead to,
// and the targets of popups, so that pages can link forward and embed what
// their popups show.
class TopicMap::Scan : public TopicSink {
public:
    Scan(TopicMap& map, const HelpModel& model) : map_(map), model_(model) {}

    bool needs_text() const override { return false; }

    void topic_begin(const TopicStart& start) override {
        MapTopic topic;
        topic.number = start.number;
        topic.title = std::string(start.title);
        topic.browse = start.browse;
        topic.has_browse = start.browse.prev != -1 || start.browse.next != -1;
        map_.topics_.push_back(std::move(topic));
        places_.topic_begin();
        for (const std::string& id : start.context_ids) context_id(id);
    }
    void context_id(std::string_view id) override {
        current().context_ids.emplace_back(id);
        places_.context_id();
    }
    void keywords(char table, std::string_view list) override {
        KeywordTopics& index = table == 'A' ? map_.a_keywords_ : map_.k_keywords_;
        current();
        const size_t topic = map_.topics_.size() - 1;
        const std::string anchor = places_.keywords(topic);
        for_each_keyword(list, [&](std::string_view keyword) {
            std::vector<size_t>& topics = index[std::string(keyword)];
            if (!topics.empty() && topics.back() == topic) return;
            topics.push_back(topic);
            // The first place of a keyword in a topic is where it leads.
            if (!anchor.empty()) map_.keyword_anchors_.emplace(std::tuple(table, std::string(keyword), topic), anchor);
        });
    }
    void hotspot_begin(const Hotspot& h) override {
        current();
        if (h.kind == HotspotKind::popup && !h.file) map_.popup_targets_.insert(ascii_lower(h.target));
        if (h.kind == HotspotKind::jump && h.window && !h.file) map_.jump_windows_.emplace(ascii_lower(h.target), *h.window);
        if (h.kind == HotspotKind::macro) {
            std::optional<MacroTarget> target = macro_target(h.target);
            if (target && target->popup) map_.popup_targets_.insert(ascii_lower(target->context));
        }
        leads_to(h);
    }
    void picture(Placement, uint16_t, const std::string& name) override {
        current();
        auto it = map_.pictures_.find(name);
        if (it == map_.pictures_.end()) return;
        for (const MapPicture::Area& area : it->second.areas) leads_to(area.hotspot);
    }
    void paragraph_begin(const ParagraphFormat&) override {
        current();
        places_.content();
    }
    void table_begin(const TableRow&) override {
        current();
        places_.content();
    }

private:
    // Records ahead of the first topic header make an unnamed topic.
    MapTopic& current() {
        if (map_.topics_.empty()) map_.topics_.emplace_back();
        return map_.topics_.back();
    }

    // Notes the topic or keywords of this help file a hotspot leads to.
    void leads_to(const Hotspot& h) {
        std::vector<std::vector<std::string>>& jumps = map_.jumps_;
        jumps.resize(map_.topics_.size());
        if (h.kind != HotspotKind::macro) {
            if (model_.is_this_help_file(h.file.value_or(""))) jumps.back().push_back(ascii_lower(h.target));
            return;
        }
        if (std::optional<MacroTarget> target = macro_target(h.target)) {
            if (model_.is_this_help_file(target->file)) jumps.back().push_back(ascii_lower(target->context));
        } else if (std::optional<MacroCall> call = parse_macro(h.target)) {
            std::optional<KeywordLink> link = keyword_link(*call);
            if (link && model_.is_this_help_file(link->file)) map_.keyword_links_.emplace(link->table, link->keywords);
        }
    }

    TopicMap& map_;
    const HelpModel& model_;
    KeywordPlaces places_;
};

TopicMap::TopicMap(const HelpModel& model, MapPictures pictures, const TopicMapOptions& options, Reporter& report)
    : options_(options), key_(model.key), pictures_(std::move(pictures)) {
    report_progress(report, 0, Msg::ScanningBrowseSequences);
    Scan scan(*this, model);
    ContextNamer names(model.context_names);
    {
        MutedWarnings muted(report);
        decode_topics(TopicContext{model, names, report}, scan, WalkOptions{{0, 25}, false});
    }
    name_pages();
    jumps_.resize(topics_.size());
    assign_windows(model);
}

TopicMap::TopicMap(const HelpModel& model, std::vector<MapTopic> topics, MapPictures pictures,
                   const TopicMapOptions& options)
    : options_(options), key_(model.key), pictures_(std::move(pictures)), topics_(std::move(topics)) {
    name_pages();
    jumps_.resize(topics_.size());
    assign_windows(model);
}

// Page names, context targets, forwarding pages, browse keys, popups.
void TopicMap::name_pages() {
    PageNames names(options_.extension);
    for (const std::string& name : options_.reserved) names.reserve(name);
    for (const auto& [name, picture] : pictures_) {
        if (!picture.file.empty()) names.reserve(picture.file);
    }
    for (size_t i = 0; i < topics_.size(); ++i) {
        MapTopic& topic = topics_[i];
        topic.page = names.add(topic.context_ids.empty() ? std::string() : ascii_lower(topic.context_ids.front()), i);
        for (size_t k = 0; k < topic.context_ids.size(); ++k) {
            std::string key = ascii_lower(topic.context_ids[k]);
            if (contexts_.count(key)) continue;
            MapTarget target{i, topic.page, k == 0 ? std::string() : "c-" + safe_name(key)};
            contexts_.emplace(key, target);
            if (popup_targets_.count(key)) topic.popup = true;
        }
        if (topic.has_browse) by_browse_key_.emplace(topic.browse.self, i);
    }
    // A further context id gets a page of its own name that forwards to it,
    // so that other outputs can link to every context id by name.
    for (const MapTopic& topic : topics_) {
        for (size_t k = 1; k < topic.context_ids.size(); ++k) {
            std::string name = context_page(topic.context_ids[k]);
            if (!names.reserve(name)) continue;
            forwards_.emplace_back(name, *find(topic.context_ids[k]));
        }
    }
}

// The window each topic shows in: the one its contents entry names (or
// the contents file's base window), else the one the first jump to it
// names (in the order of the context ids), else the main window.
void TopicMap::assign_windows(const HelpModel& model) {
    const int main = main_window(model.windows);
    for (MapTopic& topic : topics_) topic.window = main;
    std::vector<bool> named(topics_.size(), false);
    auto name = [&](std::string_view context, std::string_view window) {
        const MapTarget* target = find(context);
        int w = window_named(model.windows, window);
        if (!target || w < 0 || target->topic >= named.size() || named[target->topic]) return;
        topics_[target->topic].window = w;
        named[target->topic] = true;
    };
    if (model.contents) {
        const std::string& base = model.contents->base_window;
        std::vector<const std::vector<ContentsEntry>*> todo = {&model.contents->entries};
        while (!todo.empty()) {
            const std::vector<ContentsEntry>* entries = todo.back();
            todo.pop_back();
            for (const ContentsEntry& e : *entries) {
                if (!e.children.empty()) todo.push_back(&e.children);
                if (e.kind != ContentsEntry::Kind::topic || !model.is_this_help_file(e.file)) continue;
                const std::string& window = e.window.empty() ? base : e.window;
                if (!window.empty()) name(e.context, window);
            }
        }
    }
    for (const auto& [context, window] : jump_windows_) name(context, window);
}

const MapTarget* TopicMap::find(std::string_view context_id) const {
    auto it = contexts_.find(ascii_lower(context_id));
    return it == contexts_.end() ? nullptr : &it->second;
}

std::optional<MapTarget> TopicMap::local_target(std::string_view context_id, std::string_view file) const {
    if (!names_help_file(file, key_)) return std::nullopt;
    const MapTarget* target = find(context_id);
    if (!target) return std::nullopt;
    return *target;
}

std::optional<std::string> TopicMap::other_help_file_href(std::string_view file, std::string_view page) const {
    if (names_help_file(file, key_)) return std::nullopt;
    return options_.before_key + help_file_key(file) + options_.after_key + std::string(page);
}

std::optional<std::string> TopicMap::href(std::string_view context_id, std::string_view file) const {
    if (std::optional<std::string> other = other_help_file_href(file, context_page(context_id))) {
        if (context_id.empty()) return std::nullopt;
        return other;
    }
    const MapTarget* target = find(context_id);
    if (!target) return std::nullopt;
    return target->href();
}

std::string TopicMap::context_page(std::string_view context_id) const {
    return safe_name(ascii_lower(context_id), kMaxNameStem) + options_.extension;
}

std::optional<size_t> TopicMap::browse_neighbour(size_t topic, bool next) const {
    if (topic >= topics_.size() || !topics_[topic].has_browse) return std::nullopt;
    const BrowseLinks& browse = topics_[topic].browse;
    const int32_t key = next ? browse.next : browse.prev;
    auto it = by_browse_key_.find(key);
    if (key == -1 || it == by_browse_key_.end()) return std::nullopt;
    return it->second;
}

std::string TopicMap::keyword_href(char table, const std::string& keyword, size_t topic) const {
    const std::string& page = topics_[topic].page;
    auto it = keyword_anchors_.find(std::tuple(table, keyword, topic));
    return it == keyword_anchors_.end() ? page : page + "#" + it->second;
}

const std::vector<std::string>& TopicMap::jumps(size_t topic) const {
    static const std::vector<std::string> kNone;
    return topic < jumps_.size() ? jumps_[topic] : kNone;
}

const MapPicture* TopicMap::picture(uint16_t number) const {
    auto it = pictures_.find(picture_file_name(number));
    return it == pictures_.end() ? nullptr : &it->second;
}

std::string picture_file_name(uint32_t number) { return format("bm%d.png", static_cast<int>(number)); }

}  // namespace korvane
