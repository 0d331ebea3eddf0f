#include "html/site.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <unordered_set>

#include "base/format.h"
#include "base/messages.h"
#include "base/out_stream.h"
#include "html/html_text.h"
#include "html/page_writer.h"
#include "html/site_style.h"
#include "topics/decoding.h"
#include "topics/topic_decoder.h"

namespace korvane {

namespace {

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// The first pass: every topic with its title, context ids, keywords and
// browse links, so that pages can link forward.
class SiteScan : public TopicSink {
public:
    explicit SiteScan(SiteMap& site) : site_(site) {}

    bool needs_text() const override { return false; }

    void topic_begin(const TopicStart& start) override {
        SiteTopic topic;
        topic.number = start.number;
        topic.title = std::string(start.title);
        topic.browse = start.browse;
        topic.has_browse = start.browse.prev != -1 || start.browse.next != -1;
        site_.topics.push_back(std::move(topic));
        for (const std::string& id : start.context_ids) context_id(id);
    }
    void context_id(std::string_view id) override { current().context_ids.emplace_back(id); }
    void keywords(char table, std::string_view list) override {
        std::map<std::string, std::vector<size_t>>& index = table == 'A' ? site_.a_keywords : site_.keywords;
        size_t topic = site_.topics.empty() ? 0 : site_.topics.size() - 1;
        current();
        while (!list.empty()) {
            size_t end = list.find(';');
            std::string_view keyword = list.substr(0, end);
            while (!keyword.empty() && keyword.front() == ' ') keyword.remove_prefix(1);
            if (!keyword.empty()) {
                std::vector<size_t>& topics = index[std::string(keyword)];
                if (topics.empty() || topics.back() != topic) topics.push_back(topic);
            }
            if (end == std::string_view::npos) break;
            list.remove_prefix(end + 1);
        }
    }
    void paragraph_begin(const ParagraphFormat&) override { current(); }
    void table_begin(const TableRow&) override { current(); }

private:
    // Records ahead of the first topic header make an unnamed topic.
    SiteTopic& current() {
        if (site_.topics.empty()) site_.topics.emplace_back();
        return site_.topics.back();
    }

    SiteMap& site_;
};

// Page names: a topic's from its first context id, "topicN" without one;
// every name unique, and none of the site's own files.
void name_pages(SiteMap& site) {
    std::unordered_set<std::string> taken = {"index.html", "keywords.html", "help.css", "help.js"};
    auto claim = [&](std::string base) {
        if (base.empty()) base = "topic";
        std::string name = base + ".html";
        for (int n = 2; !taken.insert(name).second; ++n) name = format("%s-%d.html", base, n);
        return name;
    };
    // Pictures and baggage files keep their names.
    for (const auto& [name, picture] : site.pictures) {
        if (!picture.file.empty()) taken.insert(picture.file);
    }
    for (size_t i = 0; i < site.topics.size(); ++i) {
        SiteTopic& topic = site.topics[i];
        std::string base = topic.context_ids.empty() ? format("topic%d", static_cast<int>(i))
                                                     : safe_name(topic.context_ids.front());
        topic.page = claim(base);
        for (size_t k = 0; k < topic.context_ids.size(); ++k) {
            std::string key = lower(topic.context_ids[k]);
            if (site.contexts.count(key)) continue;
            SiteTarget target{topic.page, k == 0 ? std::string() : "c-" + safe_name(topic.context_ids[k])};
            site.contexts.emplace(key, target);
        }
        if (topic.browse.prev != -1 || topic.browse.next != -1) site.by_browse_key.emplace(topic.browse.self, i);
    }
    // A further context id gets a page of its own name that forwards to it,
    // so that other sites can link to every context id by name.
    for (const SiteTopic& topic : site.topics) {
        for (size_t k = 1; k < topic.context_ids.size(); ++k) {
            std::string name = safe_name(topic.context_ids[k]) + ".html";
            if (name == ".html" || !taken.insert(name).second) continue;
            site.forwards.emplace_back(name, *site.find(topic.context_ids[k]));
        }
    }
}

}  // namespace

std::unique_ptr<OutStream> create_site_file(const SiteMap& site, const std::string& name) {
    std::string path = site.out_dir + name;
    errno = 0;
    std::unique_ptr<OutStream> out = OutStream::open(path, "wt");
    if (!out) fatal_error(Fatal::CannotCreate, path, std::strerror(errno));
    return out;
}

namespace {

void finish(OutStream& out, const std::string& text) {
    out.write(text);
    out.close();
    if (out.failed()) fatal_error(Fatal::DiskFull);
}

std::string page_head(const std::string& lang, const std::string& title) {
    std::string p = "<!DOCTYPE html>\n<html lang=\"" + lang + "\">\n<head>\n<meta charset=\"utf-8\">\n<title>";
    append_escaped(p, title);
    p += "</title>\n<link rel=\"stylesheet\" href=\"help.css\">\n<script src=\"help.js\" defer></script>\n</head>\n";
    return p;
}

void write_forwards(const SiteMap& site) {
    for (const auto& [name, target] : site.forwards) {
        std::string href = target.page + "#" + target.anchor;
        std::string p = "<!DOCTYPE html>\n<html lang=\"und\">\n<head>\n<meta charset=\"utf-8\">\n<title>";
        append_escaped(p, href);
        p += "</title>\n<meta http-equiv=\"refresh\" content=\"0; url=";
        append_escaped(p, href);
        p += "\">\n</head>\n<body>\n<p><a href=\"";
        append_escaped(p, href);
        p += "\">";
        append_escaped(p, href);
        p += "</a></p>\n</body>\n</html>\n";
        finish(*create_site_file(site, name), p);
    }
}

// One keyword list: each keyword (id prefix + its safe name, made unique)
// with a link to each of its topics.
void append_keyword_list(std::string& p, const SiteMap& site, Utf8Converter& utf8,
                         const std::map<std::string, std::vector<size_t>>& keywords, const char* prefix) {
    // Sorted as a reader looks them up: ignoring case, then as stored.
    std::vector<std::pair<std::string, const std::vector<size_t>*>> entries;
    for (const auto& [keyword, topics] : keywords) entries.emplace_back(utf8(keyword), &topics);
    std::stable_sort(entries.begin(), entries.end(),
                     [](const auto& a, const auto& b) { return lower(a.first) < lower(b.first); });
    std::unordered_set<std::string> ids;
    p += "<dl class=\"keywords\">\n";
    for (const auto& [keyword, topics] : entries) {
        std::string id = prefix + safe_name(keyword);
        for (int n = 2; !ids.insert(id).second; ++n) id = format("%s%s-%d", prefix, safe_name(keyword), n);
        p += "<dt id=\"";
        append_escaped(p, id);
        p += "\">";
        append_escaped(p, keyword);
        p += "</dt>\n";
        for (size_t t : *topics) {
            if (t >= site.topics.size()) continue;
            const SiteTopic& topic = site.topics[t];
            std::string label = utf8(topic.title);
            if (label.empty()) label = topic.context_ids.empty() ? topic.page : utf8(topic.context_ids.front());
            p += "<dd><a href=\"";
            append_escaped(p, topic.page);
            p += "\">";
            append_escaped(p, label);
            p += "</a></dd>\n";
        }
    }
    p += "</dl>\n";
}

void write_keyword_page(const SiteMap& site, Utf8Converter& utf8, const std::string& lang, const std::string& title) {
    std::string p = page_head(lang, title + " - Index");
    p += "<body>\n<nav class=\"site\"><a href=\"index.html\">Contents</a></nav>\n<h1 class=\"title\">Index</h1>\n";
    append_keyword_list(p, site, utf8, site.keywords, "k-");
    if (!site.a_keywords.empty()) {
        p += "<h2 id=\"associative\">Associative keywords</h2>\n";
        append_keyword_list(p, site, utf8, site.a_keywords, "a-");
    }
    p += "</body>\n</html>\n";
    finish(*create_site_file(site, "keywords.html"), p);
}

void write_index_page(const SiteMap& site, Utf8Converter& utf8, const std::string& lang, const std::string& title,
                      const std::vector<std::string>& baggage) {
    std::string p = page_head(lang, title);
    p += "<body>\n<nav class=\"site\"><a href=\"keywords.html\">Index</a></nav>\n<h1 class=\"title\">";
    append_escaped(p, title);
    p += "</h1>\n<ul class=\"contents\">\n";
    for (const SiteTopic& topic : site.topics) {
        if (topic.title.empty()) continue;
        p += "<li><a href=\"";
        append_escaped(p, topic.page);
        p += "\">";
        append_escaped(p, utf8(topic.title));
        p += "</a></li>\n";
    }
    p += "</ul>\n";
    if (!baggage.empty()) {
        p += "<h2>Files</h2>\n<ul class=\"baggage\">\n";
        for (const std::string& name : baggage) {
            p += "<li><a href=\"files/";
            append_escaped(p, url_escaped(name));
            p += "\">";
            append_escaped(p, name);
            p += "</a></li>\n";
        }
        p += "</ul>\n";
    }
    p += "</body>\n</html>\n";
    finish(*create_site_file(site, "index.html"), p);
}

}  // namespace

const SiteTarget* SiteMap::find(std::string_view context_id) const {
    static thread_local std::string key;
    key.assign(context_id);
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    auto it = contexts.find(key);
    return it == contexts.end() ? nullptr : &it->second;
}

std::string site_folder_name(std::string_view help_path) {
    size_t slash = help_path.find_last_of("/\\");
    std::string_view name = slash == std::string_view::npos ? help_path : help_path.substr(slash + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
    return safe_name(name);
}

void write_help_site(Decoding& help, const SiteSource& source) {
    SiteMap site;
    site.folder = site_folder_name(source.help_path);
    site.out_dir = source.out_dir;
    Utf8Converter utf8(help.code_page);
    std::string lang = language_of_code_page(help.code_page);

    report_progress(help.report, 0, Msg::ScanningBrowseSequences);
    SiteScan scan(site);
    help.report.warnings_muted = true;
    decode_topics(help, scan, ProgressSpan{0, 25});
    help.report.warnings_muted = false;
    name_pages(site);

    report_progress(help.report, 0, Msg::ReadingTopics);
    PageWriter pages(help, site, utf8);
    decode_topics(help, pages, ProgressSpan{25, 25});
    pages.finish();

    std::string title = utf8(source.title);
    if (title.empty()) title = site.folder;
    write_forwards(site);
    write_keyword_page(site, utf8, lang, title);
    write_index_page(site, utf8, lang, title, source.baggage);
    finish(*create_site_file(site, "help.css"), site_style_sheet(pages.paragraph_styles(), {}));
    finish(*create_site_file(site, "help.js"), site_script());
    report_progress(help.report, 100, Msg::None);
}

}  // namespace korvane
