// SPDX-License-Identifier: MIT
// Parsing contents files into a tree of books and topics.
#include "topics/contents_file.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>

#include "base/ascii.h"
#include "system/files.h"
#include "topics/code_page.h"

namespace korvane {

namespace {

// The bytes that start a two-byte character in the double-byte code pages.
bool is_lead_byte(int code_page, uint8_t b) {
    switch (code_page) {
        case 932: return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        case 936:
        case 949:
        case 950: return b >= 0x81 && b <= 0xFE;
        case 1361: return (b >= 0x84 && b <= 0xD3) || (b >= 0xD8 && b <= 0xDE) || (b >= 0xE0 && b <= 0xF9);
        default: return false;
    }
}

// Positions of c in s that are characters of their own (not trail bytes).
// first: the first such position, else the last; npos when there is none.
size_t find_char(std::string_view s, char c, int code_page, bool first) {
    if (!is_multibyte_code_page(code_page)) return first ? s.find(c) : s.rfind(c);
    size_t found = std::string_view::npos;
    for (size_t i = 0; i < s.size(); ++i) {
        if (is_lead_byte(code_page, static_cast<uint8_t>(s[i]))) {
            ++i;
            continue;
        }
        if (s[i] == c) {
            found = i;
            if (first) break;
        }
    }
    return found;
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
    return s;
}

// Splits "FIRST>SECOND" at the first '>' (second empty without one).
void split_window(std::string_view s, int code_page, std::string& first, std::string& window) {
    size_t gt = find_char(s, '>', code_page, true);
    first = trim(s.substr(0, gt));
    window = gt == std::string_view::npos ? "" : trim(s.substr(gt + 1));
}

class Parser {
public:
    Parser(ContentsFile& out, int code_page, const IncludeReader& includes)
        : out_(out), code_page_(code_page), includes_(includes) {}

    // The lines of bytes, NUL bytes dropped and a byte-order mark skipped.
    // A line ends at CR or LF; the empty lines between CR and LF are
    // skipped as every blank line is.
    void text(ByteReader bytes) {
        std::string_view rest(reinterpret_cast<const char*>(bytes.here()), bytes.remaining());
        bytes.skip(bytes.remaining());
        std::string kept;
        if (rest.find('\0') != std::string_view::npos) {
            kept.reserve(rest.size());
            std::remove_copy(rest.begin(), rest.end(), std::back_inserter(kept), '\0');
            rest = kept;
        }
        for (std::string_view bom : {"\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"}) {
            if (rest.starts_with(bom)) {
                rest.remove_prefix(bom.size());
                break;
            }
        }
        while (!rest.empty()) {
            const size_t lf = std::min(rest.find('\n'), rest.size());
            std::string_view piece = rest.substr(0, lf);
            for (size_t cr; (cr = piece.find('\r')) != std::string_view::npos; piece.remove_prefix(cr + 1)) {
                line(piece.substr(0, cr));
            }
            line(piece);
            rest.remove_prefix(std::min(lf + 1, rest.size()));
        }
    }

    void line(std::string_view text) {
        text = trim(text);
        if (text.empty() || text.front() == ';') return;
        if (text.front() == ':') return command(text);
        if (text.front() < '0' || text.front() > '9') {
            ++out_.skipped_lines;
            return;
        }
        int level = 0;
        while (!text.empty() && text.front() >= '0' && text.front() <= '9') {
            level = std::min(level * 10 + (text.front() - '0'), 1000000);
            text.remove_prefix(1);
        }
        text = trim(text);
        if (text.empty()) {
            ++out_.skipped_lines;
            return;
        }
        ContentsEntry entry;
        size_t equals = find_char(text, '=', code_page_, false);
        if (equals == std::string_view::npos) {
            entry.title = text;
        } else {
            entry.kind = ContentsEntry::Kind::topic;
            entry.title = trim(text.substr(0, equals));
            std::string_view target = trim(text.substr(equals + 1));
            size_t at = find_char(target, '@', code_page_, true), gt = find_char(target, '>', code_page_, true);
            entry.context = trim(target.substr(0, std::min(at, gt)));
            // "@file" and ">window" in either order, each up to the other.
            if (at != std::string_view::npos) entry.file = trim(target.substr(at + 1, gt > at ? gt - at - 1 : std::string_view::npos));
            if (gt != std::string_view::npos) entry.window = trim(target.substr(gt + 1, at > gt ? at - gt - 1 : std::string_view::npos));
        }
        add(std::move(entry), level);
    }

private:
    void command(std::string_view text) {
        text.remove_prefix(1);
        size_t end = 0;
        while (end < text.size() && !is_blank(text[end])) ++end;
        std::string_view word = text.substr(0, end), operand = trim(text.substr(end));
        if (equal_ignoring_ascii_case(word, "base")) {
            split_window(operand, code_page_, out_.base_file, out_.base_window);
        } else if (equal_ignoring_ascii_case(word, "title")) {
            out_.title = operand;
        } else if (equal_ignoring_ascii_case(word, "index")) {
            out_.indexes.emplace_back(operand);
        } else if (equal_ignoring_ascii_case(word, "link")) {
            out_.links.emplace_back(operand);
        } else if (equal_ignoring_ascii_case(word, "include")) {
            out_.includes.emplace_back(operand);
            if (include(operand)) return;
            ContentsEntry entry;
            entry.kind = ContentsEntry::Kind::include;
            entry.title = operand;
            add(std::move(entry), static_cast<int>(open_.size()) + 1);
        } else {
            std::string whole = ":";
            whole += text;
            out_.other_commands.push_back(std::move(whole));
        }
    }

    // Reads the included file in place; false when it is not followed.
    bool include(std::string_view name) {
        std::string key = ascii_lower(name);
        if (!includes_ || reading_.size() >= static_cast<size_t>(kMaxIncludeDepth) || reading_.count(key)) return false;
        std::optional<std::string> bytes = includes_(name);
        if (!bytes) return false;
        reading_.insert(key);
        text(ByteReader(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size()));
        reading_.erase(key);
        return true;
    }

    // Puts the entry into the last open book one level up, or as deep as the
    // open books and the depth limit allow.
    void add(ContentsEntry entry, int level) {
        size_t parent_depth = static_cast<size_t>(std::max(level, 1) - 1);
        parent_depth = std::min({parent_depth, open_.size(), static_cast<size_t>(kMaxContentsDepth - 1)});
        open_.resize(parent_depth);
        std::vector<ContentsEntry>& siblings = open_.empty() ? out_.entries : open_.back()->children;
        entry.level = static_cast<int>(parent_depth) + 1;
        siblings.push_back(std::move(entry));
        // Only the last book's children change from here on; the books on
        // the stack are not moved by that.
        if (siblings.back().kind == ContentsEntry::Kind::book) open_.push_back(&siblings.back());
    }

    ContentsFile& out_;
    int code_page_;
    const IncludeReader& includes_;
    std::set<std::string> reading_;  // the included files being read, in lower case
    std::vector<ContentsEntry*> open_;  // the books entries go into, outermost first
};

}  // namespace

ContentsFile parse_contents_file(ByteReader text, int code_page, const IncludeReader& includes) {
    ContentsFile out;
    Parser(out, code_page, includes).text(text);
    return out;
}

std::optional<ContentsFile> read_contents_file(const std::filesystem::path& path, int code_page) {
    constexpr uintmax_t kMaxSize = 16u << 20;
    auto read = [&](const std::filesystem::path& file) -> std::optional<std::string> {
        std::error_code error;
        if (!std::filesystem::is_regular_file(file, error) || std::filesystem::file_size(file, error) > kMaxSize || error)
            return std::nullopt;
        std::ifstream in(file, std::ios::binary);
        std::string bytes;
        char buffer[1 << 16];
        while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
            bytes.append(buffer, static_cast<size_t>(in.gcount()));
            if (bytes.size() > kMaxSize) return std::nullopt;
        }
        if (in.bad()) return std::nullopt;
        return bytes;
    };
    std::optional<std::string> bytes = read(path);
    if (!bytes) return std::nullopt;
    std::filesystem::path folder = path.parent_path().empty() ? "." : path.parent_path();
    std::vector<std::string> refused, missing;
    IncludeReader includes = [&](std::string_view name) -> std::optional<std::string> {
        name = trim(name);
        if (!is_local_include(name)) {
            refused.emplace_back(name);
            return std::nullopt;
        }
        if (equal_ignoring_ascii_case(name, sys::utf8_path(path.filename()))) return std::nullopt;  // itself: no cycle
        // A link could lead out of the folder: only plain files are read.
        std::optional<std::string> included;
        if (std::optional<std::filesystem::path> file = find_in_folder(folder, name, false)) included = read(*file);
        if (!included) missing.emplace_back(name);
        return included;
    };
    ContentsFile contents = parse_contents_file(
        ByteReader(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size()), code_page, includes);
    contents.refused_includes = std::move(refused);
    contents.missing_includes = std::move(missing);
    return contents;
}

std::optional<std::filesystem::path> find_in_folder(const std::filesystem::path& folder, std::string_view name,
                                                    bool links) {
    std::vector<std::filesystem::path> found;
    std::error_code error;
    std::filesystem::directory_iterator item(folder, error), end;
    for (; !error && item != end; item.increment(error)) {
        if (!equal_ignoring_ascii_case(sys::utf8_path(item->path().filename()), name)) continue;
        std::error_code status;
        if (!links && item->is_symlink(status)) continue;
        if (item->is_regular_file(status)) found.push_back(item->path());
    }
    if (found.empty()) return std::nullopt;
    return *std::min_element(found.begin(), found.end(), [](const auto& a, const auto& b) {
        return sys::utf8_path(a.filename()) < sys::utf8_path(b.filename());
    });
}

bool is_local_include(std::string_view name) {
    name = trim(name);
    if (name.empty() || name == "." || name == "..") return false;
    return name.find_first_of("/\\:") == std::string_view::npos;
}

std::optional<std::filesystem::path> contents_file_beside(const std::string& stem) {
    if (stem.empty()) return std::nullopt;
    const std::filesystem::path help_stem = sys::file_path(stem);
    const std::filesystem::path folder = help_stem.parent_path().empty() ? "." : help_stem.parent_path();
    return find_in_folder(folder, sys::utf8_path(help_stem.filename()) + ".cnt", true);
}

}  // namespace korvane
