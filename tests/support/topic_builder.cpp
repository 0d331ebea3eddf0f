// Lays out topic link records in |TOPIC blocks and builds phrase files and
// whole help files for tests (see topic_builder.h).
#include "support/topic_builder.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "helpfile/helpfile.h"
#include "support/lz77_compress.h"

namespace korvane::test {

namespace {

constexpr uint32_t kNone = 0xFFFFFFFFu;

void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
    b[at + 2] = static_cast<uint8_t>(v >> 16);
    b[at + 3] = static_cast<uint8_t>(v >> 24);
}

struct Geometry {
    size_t block_size, area, cap, hard_max;
    unsigned shift, offset_shift;
};

Geometry geometry(const TopicOptions& o) {
    Geometry g{};
    g.block_size = o.hc30 ? 2048 : 4096;
    g.area = g.block_size - 12;
    g.shift = o.hc30 ? 11 : 14;
    g.offset_shift = o.hc30 ? 12 : 15;
    size_t max_data = (size_t{1} << g.shift) - 12;
    if (o.compressed && !o.hc30) {
        g.cap = o.block_data_size ? o.block_data_size : max_data;
    } else {
        g.cap = o.block_data_size ? std::min(o.block_data_size, g.area) : g.area;
    }
    g.hard_max = o.compressed ? max_data : g.area;
    if (g.cap > max_data) throw std::invalid_argument("block_data_size exceeds what topic positions can address");
    if (g.cap == 0) throw std::invalid_argument("block_data_size 0");
    return g;
}

// Block b holds stream bytes [cuts[b], cuts[b + 1]).
struct Layout {
    std::vector<size_t> cuts;
    size_t block_of(size_t x) const {
        return static_cast<size_t>(std::upper_bound(cuts.begin(), cuts.end(), x) - cuts.begin()) - 1;
    }
    size_t blocks() const { return cuts.size() - 1; }
};

Layout make_layout(size_t total, const std::vector<size_t>& starts, const std::vector<TopicRecord>& records,
                   size_t cap, size_t hard_max, const std::vector<size_t>& limits) {
    Layout l;
    l.cuts.push_back(0);
    size_t next_forced = 0;  // index into records of the next new_block record to consider
    while (l.cuts.back() < total) {
        size_t b = l.cuts.size() - 1;
        size_t c = l.cuts.back();
        size_t end = std::min(total, c + std::min(cap, b < limits.size() && limits[b] ? limits[b] : cap));
        while (next_forced < records.size() && starts[next_forced] <= c) ++next_forced;
        for (size_t r = next_forced; r < records.size() && starts[r] < end; ++r) {
            if (records[r].new_block) {
                end = starts[r];
                break;
            }
        }
        l.cuts.push_back(end);
    }
    if (total == 0) l.cuts.push_back(0);
    // The last record does not run into a block of its own when the block
    // before can take it: the reader cannot tell where in such a block the
    // last record's share ends, so keep that layout out of ordinary tests.
    size_t n = l.cuts.size();
    if (n >= 3 && !records.empty() && starts.back() < l.cuts[n - 2] && starts.back() >= l.cuts[n - 3] &&
        total - l.cuts[n - 3] <= hard_max && !(n - 3 < limits.size() && limits[n - 3])) {
        l.cuts.erase(l.cuts.end() - 2);
    }
    return l;
}

// A compressed block is read to the end of its data area, so the decoder
// takes the bytes behind the compressed data as more items. A gap of up to
// two bytes can be made to decode to nothing: behind a complete last group
// a flag 0xFF whose first item is cut; inside an incomplete last group (its
// missing items turned into back-references) a single byte. Returns whether
// comp, so adjusted, leaves a clean gap in area bytes; *flag_next tells that
// the gap must start with the flag 0xFF.
bool seal(std::vector<uint8_t>& comp, size_t area, bool* flag_next) {
    size_t gap = area - comp.size();
    *flag_next = false;
    if (gap == 0) return true;
    size_t pos = 0;
    while (pos < comp.size()) {
        size_t flag_at = pos++;
        for (int bit = 0; bit < 8; ++bit) {
            if (pos >= comp.size()) {
                if (bit == 0 && pos == comp.size() && flag_at + 1 == pos) break;
                for (int k = bit; k < 8; ++k) comp[flag_at] = static_cast<uint8_t>(comp[flag_at] | 1 << k);
                return gap == 1;
            }
            pos += (comp[flag_at] >> bit & 1) ? 2 : 1;
        }
    }
    *flag_next = true;
    return gap <= 2;
}

}  // namespace

std::vector<uint8_t> BuiltTopic::record_bytes(size_t i) const {
    const TopicRecordInfo& r = records.at(i);
    return {stream.begin() + static_cast<long>(r.stream_offset),
            stream.begin() + static_cast<long>(r.stream_offset + r.size)};
}

BuiltTopic build_topic(const std::vector<TopicRecord>& records, const TopicOptions& options) {
    if (options.hc30 && options.compressed) throw std::invalid_argument("3.0 topic blocks are never compressed");
    const Geometry g = geometry(options);

    BuiltTopic out;
    std::vector<size_t> starts;
    size_t total = 0;
    for (const TopicRecord& r : records) {
        starts.push_back(total);
        total += 21 + r.format.size() + r.text.size();
    }
    // The stream without the position fields; they are filled per layout.
    std::vector<uint8_t> base_stream(total);
    for (size_t i = 0; i < records.size(); ++i) {
        const TopicRecord& r = records[i];
        size_t s = starts[i];
        size_t link = 21 + r.format.size() + r.text.size();
        put32(base_stream, s, static_cast<uint32_t>(link));
        put32(base_stream, s + 4, static_cast<uint32_t>(r.text_size ? *r.text_size : static_cast<int32_t>(r.text.size())));
        put32(base_stream, s + 16, static_cast<uint32_t>(21 + r.format.size()));
        base_stream[s + 20] = r.record_type;
        std::copy(r.format.begin(), r.format.end(), base_stream.begin() + static_cast<long>(s + 21));
        std::copy(r.text.begin(), r.text.end(), base_stream.begin() + static_cast<long>(s + 21 + r.format.size()));
    }

    std::vector<size_t> limits;  // per block, from fitting compressed data; 0: none
    std::vector<std::vector<uint8_t>> cache_data, cache_comp;
    Layout layout;
    std::vector<std::vector<uint8_t>> compressed;
    std::vector<bool> sealed_flag;
    for (int attempt = 0;; ++attempt) {
        if (attempt > 100000) throw std::invalid_argument("topic layout does not settle");
        layout = make_layout(total, starts, records, g.cap, g.hard_max, limits);
        auto position = [&](size_t x) {
            size_t b = layout.block_of(x);
            return static_cast<uint32_t>(b << g.shift | (12 + x - layout.cuts[b]));
        };
        out.stream = base_stream;
        for (size_t i = 0; i < records.size(); ++i) {
            put32(out.stream, starts[i] + 8, i == 0 ? kNone : position(starts[i - 1]));
            put32(out.stream, starts[i] + 12, i + 1 == records.size() ? kNone : position(starts[i + 1]));
        }
        if (!options.compressed) break;

        bool fits = true;
        compressed.assign(layout.blocks(), {});
        sealed_flag.assign(layout.blocks(), false);
        cache_data.resize(std::max(cache_data.size(), layout.blocks()));
        cache_comp.resize(cache_data.size());
        for (size_t b = 0; b < layout.blocks() && fits; ++b) {
            std::vector<uint8_t> data(out.stream.begin() + static_cast<long>(layout.cuts[b]),
                                      out.stream.begin() + static_cast<long>(layout.cuts[b + 1]));
            if (data != cache_data[b] || cache_comp[b].empty()) {
                cache_data[b] = data;
                cache_comp[b] = lz77_compress(data);
            }
            size_t fit = 0;
            if (cache_comp[b].size() + 2 < g.area) {
                compressed[b] = cache_comp[b];  // room for junk behind it
                continue;
            } else if (cache_comp[b].size() <= g.area) {
                std::vector<uint8_t> sealed = cache_comp[b];
                bool flag_next = false;
                if (seal(sealed, g.area, &flag_next)) {
                    compressed[b] = std::move(sealed);
                    if (flag_next) sealed_flag[b] = true;
                    continue;
                }
                fit = data.size() - 1;
            } else {
                std::vector<uint8_t> scratch;
                fit = lz77_compress_prefix(data.data(), data.size(), g.area, scratch);
                fit = std::min(fit, data.size() - 1);
            }
            if (fit == 0) throw std::invalid_argument("a block cannot hold one byte");
            if (limits.size() <= b) limits.resize(b + 1, 0);
            limits[b] = fit;
            fits = false;
        }
        if (fits) break;
    }

    const size_t blocks = layout.blocks();
    // Records by block, for the block headers.
    std::vector<uint32_t> positions(records.size());
    for (size_t i = 0; i < records.size(); ++i) {
        size_t b = layout.block_of(starts[i]);
        positions[i] = static_cast<uint32_t>(b << g.shift | (12 + starts[i] - layout.cuts[b]));
    }
    Bytes content;
    for (size_t b = 0; b < blocks; ++b) {
        uint32_t last_link = kNone, first_link = kNone, last_header = kNone;
        for (size_t i = 0; i < records.size(); ++i) {
            if (starts[i] < layout.cuts[b]) {
                last_link = positions[i];
                if (records[i].record_type == 0x02) last_header = positions[i];
            } else if (starts[i] < layout.cuts[b + 1] && first_link == kNone) {
                first_link = positions[i];
            }
        }
        content.u32(last_link).u32(first_link).u32(last_header);
        bool last = b + 1 == blocks;
        if (options.compressed) {
            content.raw(compressed[b]);
            if (!last) {
                size_t gap = g.area - compressed[b].size();
                if (sealed_flag[b]) content.u8(0xFF).fill(gap - 1, options.padding);
                else content.fill(gap, options.padding);
            }
        } else {
            content.b.insert(content.b.end(), out.stream.begin() + static_cast<long>(layout.cuts[b]),
                             out.stream.begin() + static_cast<long>(layout.cuts[b + 1]));
            if (!last) content.fill(g.area - (layout.cuts[b + 1] - layout.cuts[b]), options.padding);
        }
        out.blocks.emplace_back(out.stream.begin() + static_cast<long>(layout.cuts[b]),
                                out.stream.begin() + static_cast<long>(layout.cuts[b + 1]));
    }
    out.content = std::move(content.b);

    // Topic offsets as the topic loop counts them.
    uint32_t offset = 0;
    long loaded = -1;
    auto touch = [&](size_t from, size_t to) {
        if (to <= from) return;
        long b = static_cast<long>(layout.block_of(to - 1));
        if (b > loaded) {
            loaded = b;
            offset = static_cast<uint32_t>(static_cast<uint32_t>(b) << g.offset_shift);
        }
    };
    for (size_t i = 0; i < records.size(); ++i) {
        const TopicRecord& r = records[i];
        size_t s = starts[i];
        size_t data1 = 21 + r.format.size();
        size_t link = data1 + r.text.size();
        touch(s, s + 21);
        TopicRecordInfo info;
        info.position = positions[i];
        info.block = static_cast<uint32_t>(layout.block_of(s));
        info.stream_offset = s;
        info.size = link;
        info.text_offset = offset;
        if (r.record_type == 0x01 || r.record_type == 0x20 || r.record_type == 0x23) {
            offset += static_cast<uint32_t>(r.text_size ? *r.text_size : static_cast<int32_t>(r.text.size()));
        }
        touch(s + 21, s + data1);
        touch(s + data1, s + link);
        out.records.push_back(info);
    }
    return out;
}

std::vector<uint8_t> plain_phrases_file(const std::vector<std::string>& phrases, const PlainPhraseOptions& options) {
    if (options.long_header && !options.compressed) {
        throw std::invalid_argument("the long phrase header belongs to compressed tables");
    }
    std::string text;
    Bytes table;
    uint32_t off = static_cast<uint32_t>(2 * (phrases.size() + 1));
    for (const std::string& p : phrases) {
        table.u16(off);
        off += static_cast<uint32_t>(p.size());
        text += p;
    }
    table.u16(off);
    if (off > 0xFFFF) throw std::invalid_argument("phrase table exceeds 16-bit offsets");

    Bytes f;
    uint16_t n = static_cast<uint16_t>(phrases.size());
    if (options.long_header) {
        uint32_t size = static_cast<uint32_t>(text.size());
        if ((size & 0xFFFF) == 0 || size >= 0x8000) {
            throw std::invalid_argument("long header needs a text size of 1..0x7FFF");
        }
        // The int32 at offset 4 is 0xFFFF | size << 16: above 65536.
        f.u16(0).u16(n).u16(0xFFFF).i32(static_cast<int32_t>(size)).fill(30);
    } else {
        f.u16(n).u16(0);
        if (options.compressed) f.i32(static_cast<int32_t>(text.size()));
    }
    f.raw(table.b);
    f.raw(options.compressed ? lz77_compress(text) : to_bytes(text));
    return f.b;
}

IndexedPhraseFiles indexed_phrase_files(const std::vector<std::string>& phrases, const IndexedPhraseOptions& options) {
    if (options.bits > 15) throw std::invalid_argument("bit count above 15");
    std::vector<uint8_t> bits;  // one entry per bit
    std::string text;
    for (const std::string& p : phrases) {
        if (p.empty()) throw std::invalid_argument("indexed phrases are at least one byte long");
        size_t rest = p.size() - 1;
        for (size_t q = rest >> options.bits; q > 0; --q) bits.push_back(1);
        bits.push_back(0);
        for (unsigned k = 0; k < options.bits; ++k) bits.push_back((rest >> k) & 1);
        text += p;
    }
    Bytes lengths;
    lengths.u8(options.bits).u8(0).u8(0).u8(0);
    for (size_t i = 0; i < bits.size(); i += 8) {
        unsigned byte = 0;
        for (size_t k = 0; k < 8 && i + k < bits.size(); ++k) byte |= bits[i + k] << k;
        lengths.u8(byte);
    }
    IndexedPhraseFiles out;
    std::vector<uint8_t> image = to_bytes(text);
    out.phrimage = options.compress ? lz77_compress(image) : image;
    if (options.compress && out.phrimage.size() == image.size()) {
        throw std::invalid_argument("compressed phrase image as long as the text; it would read as stored");
    }
    Bytes index;
    index.u32(0).i32(static_cast<int32_t>(phrases.size())).i32(static_cast<int32_t>(lengths.size()));
    index.i32(options.image_size ? *options.image_size : static_cast<int32_t>(image.size()));
    index.i32(static_cast<int32_t>(out.phrimage.size())).u32(0);
    index.raw(lengths.b);
    out.phrindex = std::move(index.b);
    return out;
}

std::vector<uint8_t> plain_phrase_code(unsigned index, bool space) {
    unsigned code = index * 2 + (space ? 1 : 0);
    if (code > 0x0EFF) throw std::invalid_argument("plain phrase index above 1919");
    return {static_cast<uint8_t>(code / 256 + 1), static_cast<uint8_t>(code % 256)};
}

std::vector<uint8_t> indexed_phrase_code(unsigned index) {
    if (index < 128) return {static_cast<uint8_t>(index * 2)};
    unsigned rest = index - 128;
    if (rest >= 64 * 256) throw std::invalid_argument("indexed phrase index too large");
    return {static_cast<uint8_t>((rest / 256) << 2 | 1), static_cast<uint8_t>(rest % 256)};
}

BuiltHelpFile build_help_file(const HelpFileSpec& desc) {
    BuiltHelpFile out;
    TopicOptions topic = desc.topic;
    topic.hc30 = (desc.minor_version & 0xFF) == 15;
    topic.compressed = !topic.hc30 && (desc.system_flags & 0x0C) != 0;
    out.topic = build_topic(desc.records, topic);

    out.builder.add("|SYSTEM", system_file(desc.minor_version, desc.system_flags, desc.system_records));
    out.builder.add("|TOPIC", out.topic.content);
    if (desc.phrase_kind == PhraseKind::plain) {
        out.builder.add("|Phrases", plain_phrases_file(desc.phrases, {topic.compressed, desc.long_phrase_header}));
    } else if (desc.phrase_kind == PhraseKind::indexed) {
        IndexedPhraseFiles f = indexed_phrase_files(desc.phrases, desc.indexed);
        out.builder.add("|PhrIndex", std::move(f.phrindex));
        out.builder.add("|PhrImage", std::move(f.phrimage));
    }
    for (const auto& [name, content] : desc.extra_files) out.builder.add(name, content);
    out.bytes = out.builder.build();
    return out;
}

std::unique_ptr<HelpFile> open_help_bytes(const std::vector<uint8_t>& bytes, const TempDir& dir, int flags,
                                          std::string_view name) {
    std::string path = dir / name;
    write_file(path, bytes);
    return open_help_file(path, flags);
}

std::vector<uint8_t> to_bytes(std::string_view s) { return {s.begin(), s.end()}; }

}  // namespace korvane::test
