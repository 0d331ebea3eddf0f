// SPDX-License-Identifier: MIT
#include "chm/context_map_fix.h"

#include <algorithm>
#include <map>
#include <optional>

#include "base/ascii.h"
#include "base/byte_reader.h"

namespace korvane::chm {

namespace {

constexpr size_t kItsfHeaderSize = 0x60;
constexpr size_t kItspHeaderSize = 0x54;
constexpr uint32_t kChunkSize = 0x1000;
constexpr size_t kListingHeaderSize = 20;
constexpr size_t kIndexHeaderSize = 8;
constexpr size_t kStringBlock = 0x1000;
constexpr uint32_t kNone = 0xFFFFFFFF;
// Longer names than this would not leave a chunk room for a few entries.
constexpr size_t kMaxName = 1024;

struct Entry {
    std::string name;
    uint64_t section = 0, offset = 0, length = 0;
};

uint64_t u64(ByteReader in, size_t at) {
    in.seek(at);
    uint64_t low = in.u32();
    return low | static_cast<uint64_t>(in.u32()) << 32;
}

void put64(std::vector<uint8_t>& bytes, size_t at, uint64_t v) {
    ByteReader::put32(&bytes[at], static_cast<uint32_t>(v));
    ByteReader::put32(&bytes[at + 4], static_cast<uint32_t>(v >> 32));
}

// An encoded integer; nothing when it runs past end or past 63 bits.
std::optional<uint64_t> encoded(ByteReader& in, size_t end) {
    uint64_t value = 0;
    for (int taken = 0; taken < 9; ++taken) {
        if (in.tell() >= end) return std::nullopt;
        const uint8_t b = in.u8();
        value = value << 7 | (b & 0x7F);
        if (!(b & 0x80)) return value;
    }
    return std::nullopt;
}

void append_encoded(std::string& out, uint64_t v) {
    char bytes[10];
    int n = 0;
    bytes[n++] = static_cast<char>(v & 0x7F);
    for (v >>= 7; v; v >>= 7) bytes[n++] = static_cast<char>(0x80 | (v & 0x7F));
    while (n > 0) out += bytes[--n];
}

void append_u32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>(v >> (8 * i));
}

// The entries of every listing chunk, in file order; a problem when a
// chunk is damaged.
std::optional<std::string> read_listing(ByteReader dir, uint32_t chunks, std::vector<Entry>& entries) {
    for (uint32_t c = 0; c < chunks; ++c) {
        ByteReader chunk = dir.sub(kItspHeaderSize + static_cast<size_t>(c) * kChunkSize, kChunkSize);
        const uint8_t* head = chunk.data();
        if (std::string_view(reinterpret_cast<const char*>(head), 4) == "PMGI") continue;
        if (std::string_view(reinterpret_cast<const char*>(head), 4) != "PMGL") return "a directory chunk is neither PMGL nor PMGI";
        const uint32_t free = ByteReader::le32(head + 4);
        if (free > kChunkSize - kListingHeaderSize) return "a PMGL chunk gives more free bytes than it has";
        const size_t end = kChunkSize - free;
        chunk.seek(kListingHeaderSize);
        while (chunk.tell() < end) {
            std::optional<uint64_t> length = encoded(chunk, end);
            if (!length || *length == 0 || *length > end - chunk.tell()) return "a directory entry's name runs past its chunk";
            if (*length > kMaxName) return "a directory entry's name is too long";
            Entry e;
            e.name.assign(reinterpret_cast<const char*>(chunk.here()), static_cast<size_t>(*length));
            chunk.skip(static_cast<size_t>(*length));
            std::optional<uint64_t> section = encoded(chunk, end), offset = encoded(chunk, end),
                                    size = encoded(chunk, end);
            if (!section || !offset || !size) return "a directory entry runs past its chunk";
            e.section = *section;
            e.offset = *offset;
            e.length = *size;
            entries.push_back(std::move(e));
        }
    }
    return std::nullopt;
}

// Chunks of the directory for entries sorted by name, as the compiler fills
// them: listing chunks, then index levels while more than one chunk is
// below.
struct Directory {
    std::vector<std::string> chunks;
    uint32_t depth = 1, root = kNone, last_listing = 0;
};

std::string finish_chunk(std::string_view header, const std::string& body, const std::vector<uint16_t>& quickrefs,
                         uint16_t count) {
    std::string chunk(kChunkSize, '\0');
    chunk.replace(0, header.size(), header);
    chunk.replace(header.size(), body.size(), body);
    for (size_t k = 0; k < quickrefs.size(); ++k) {
        const size_t at = kChunkSize - 2 - 2 * (k + 1);
        chunk[at] = static_cast<char>(quickrefs[k]);
        chunk[at + 1] = static_cast<char>(quickrefs[k] >> 8);
    }
    chunk[kChunkSize - 2] = static_cast<char>(count);
    chunk[kChunkSize - 1] = static_cast<char>(count >> 8);
    return chunk;
}

// Fills chunks of one kind with the encoded items; returns the first name
// of each chunk with its number.
std::vector<std::pair<std::string, uint32_t>> fill_chunks(Directory& dir, bool listing,
                                                         const std::vector<std::pair<std::string, std::string>>& items) {
    const size_t header_size = listing ? kListingHeaderSize : kIndexHeaderSize;
    std::vector<std::pair<std::string, uint32_t>> firsts;
    std::string body;
    std::vector<uint16_t> quickrefs;
    uint16_t count = 0;
    const auto first_chunk = static_cast<uint32_t>(dir.chunks.size());
    auto flush = [&] {
        std::string header;
        if (listing) {
            const auto index = static_cast<uint32_t>(dir.chunks.size() - first_chunk);
            header = "PMGL";
            append_u32(header, static_cast<uint32_t>(kChunkSize - header_size - body.size()));
            append_u32(header, 0);
            append_u32(header, index == 0 ? kNone : index - 1);
            append_u32(header, kNone);  // set below once the next chunk is known
        } else {
            header = "PMGI";
            append_u32(header, static_cast<uint32_t>(kChunkSize - header_size - body.size()));
        }
        dir.chunks.push_back(finish_chunk(header, body, quickrefs, count));
        body.clear();
        quickrefs.clear();
        count = 0;
    };
    for (const auto& [name, encoded_entry] : items) {
        if (header_size + body.size() + encoded_entry.size() >= kChunkSize - 2 * (quickrefs.size() + 2)) flush();
        if (count == 0) firsts.emplace_back(name, static_cast<uint32_t>(dir.chunks.size()));
        body += encoded_entry;
        ++count;
        if (count % 5 == 0) quickrefs.push_back(static_cast<uint16_t>(body.size() - encoded_entry.size()));
    }
    flush();
    if (listing) {
        for (size_t k = first_chunk; k + 1 < dir.chunks.size(); ++k) {
            const auto next = static_cast<uint32_t>(k + 1);
            for (int i = 0; i < 4; ++i) dir.chunks[k][16 + i] = static_cast<char>(next >> (8 * i));
        }
    }
    return firsts;
}

Directory build_directory(const std::vector<Entry>& entries) {
    Directory dir;
    std::vector<std::pair<std::string, std::string>> items;
    for (const Entry& e : entries) {
        std::string encoded_entry;
        append_encoded(encoded_entry, e.name.size());
        encoded_entry += e.name;
        append_encoded(encoded_entry, e.section);
        append_encoded(encoded_entry, e.offset);
        append_encoded(encoded_entry, e.length);
        items.emplace_back(e.name, std::move(encoded_entry));
    }
    std::vector<std::pair<std::string, uint32_t>> level = fill_chunks(dir, true, items);
    dir.last_listing = static_cast<uint32_t>(dir.chunks.size() - 1);
    while (level.size() > 1) {
        items.clear();
        for (const auto& [name, chunk] : level) {
            std::string encoded_entry;
            append_encoded(encoded_entry, name.size());
            encoded_entry += name;
            append_encoded(encoded_entry, chunk);
            items.emplace_back(name, std::move(encoded_entry));
        }
        level = fill_chunks(dir, false, items);
        ++dir.depth;
        dir.root = static_cast<uint32_t>(dir.chunks.size() - 1);
    }
    return dir;
}

// old strings with each page of map appended, and the offset of each page.
std::string extended_strings(std::span<const uint8_t> old, const std::vector<ContextPage>& map,
                             std::map<std::string, uint32_t>& offsets) {
    std::string strings(reinterpret_cast<const char*>(old.data()), old.size());
    if (strings.empty()) strings.push_back('\0');
    for (const ContextPage& entry : map) offsets.emplace(entry.page, 0);
    for (auto& [page, offset] : offsets) {
        const size_t size = page.size() + 1;
        if (size <= kStringBlock && strings.size() / kStringBlock != (strings.size() + size - 1) / kStringBlock) {
            strings.append(kStringBlock - strings.size() % kStringBlock, '\0');
        }
        offset = static_cast<uint32_t>(strings.size());
        strings += page;
        strings.push_back('\0');
    }
    return strings;
}

}  // namespace

FixedMap fix_context_map(std::span<const uint8_t> chm, std::span<const uint8_t> strings,
                         const std::vector<ContextPage>& map) {
    FixedMap fixed;
    auto refuse = [&](std::string why) {
        fixed.problem = std::move(why);
        return fixed;
    };
    const ByteReader file(chm.data(), chm.size());
    if (chm.size() < kItsfHeaderSize || std::string_view(reinterpret_cast<const char*>(chm.data()), 4) != "ITSF") {
        return refuse("no ITSF header");
    }
    if (ByteReader::le32(chm.data() + 4) != 3 || ByteReader::le32(chm.data() + 8) < kItsfHeaderSize) {
        return refuse("not an ITSF version 3 header");
    }
    const uint64_t header0 = u64(file, 0x38), dir_offset = u64(file, 0x48), dir_length = u64(file, 0x50),
                   content = u64(file, 0x58);
    if (header0 < kItsfHeaderSize || header0 > chm.size() || chm.size() - header0 < 0x18) {
        return refuse("header section 0 lies outside the file");
    }
    if (u64(file, header0 + 8) != chm.size()) return refuse("the header gives another file size");
    if (dir_offset < kItsfHeaderSize || dir_offset > chm.size() || dir_length > chm.size() - dir_offset ||
        dir_length < kItspHeaderSize) {
        return refuse("the directory lies outside the file");
    }
    if (content != dir_offset + dir_length) return refuse("section 0 does not follow the directory");
    if (header0 + 0x18 > dir_offset) return refuse("header section 0 does not come before the directory");
    const ByteReader dir = file.sub(static_cast<size_t>(dir_offset), static_cast<size_t>(dir_length));
    if (std::string_view(reinterpret_cast<const char*>(dir.data()), 4) != "ITSP") return refuse("no ITSP header");
    if (ByteReader::le32(dir.data() + 0x10) != kChunkSize) return refuse("directory chunks are not 4,096 bytes");
    const uint32_t chunks = ByteReader::le32(dir.data() + 0x2C);
    if (static_cast<uint64_t>(chunks) * kChunkSize + kItspHeaderSize != dir_length) {
        return refuse("the directory's length does not match its chunks");
    }

    std::vector<Entry> entries;
    if (std::optional<std::string> problem = read_listing(dir, chunks, entries)) return refuse(*problem);
    const uint64_t section0 = chm.size() - content;
    for (const Entry& e : entries) {
        if (e.section == 0 && (e.offset > section0 || e.length > section0 - e.offset)) {
            return refuse("the directory places " + e.name + " outside section 0");
        }
    }
    std::erase_if(entries, [](const Entry& e) { return e.name == "/#IVB" || e.name == "/#STRINGS"; });

    for (const ContextPage& entry : map) {
        if (entry.page.empty() || entry.page.size() > kMaxName) return refuse("a page of the map has no name or one too long");
    }
    std::map<std::string, uint32_t> offsets;
    const std::string new_strings = extended_strings(strings, map, offsets);
    std::vector<ContextPage> sorted = map;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const ContextPage& a, const ContextPage& b) { return a.number < b.number; });
    std::string ivb;
    append_u32(ivb, static_cast<uint32_t>(8 * sorted.size()));
    for (const ContextPage& entry : sorted) {
        append_u32(ivb, entry.number);
        append_u32(ivb, offsets[entry.page]);
    }
    entries.push_back({"/#STRINGS", 0, section0, new_strings.size()});
    entries.push_back({"/#IVB", 0, section0 + new_strings.size(), ivb.size()});
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return ascii_lower(a.name) < ascii_lower(b.name); });
    const Directory directory = build_directory(entries);

    std::vector<uint8_t>& out = fixed.bytes;
    out.assign(chm.begin(), chm.begin() + static_cast<ptrdiff_t>(dir_offset));
    const size_t itsp = out.size();
    out.insert(out.end(), dir.data(), dir.data() + kItspHeaderSize);
    ByteReader::put32(&out[itsp + 0x18], directory.depth);
    ByteReader::put32(&out[itsp + 0x1C], directory.root);
    ByteReader::put32(&out[itsp + 0x20], 0);
    ByteReader::put32(&out[itsp + 0x24], directory.last_listing);
    ByteReader::put32(&out[itsp + 0x2C], static_cast<uint32_t>(directory.chunks.size()));
    for (const std::string& chunk : directory.chunks) out.insert(out.end(), chunk.begin(), chunk.end());
    const uint64_t new_length = out.size() - itsp;
    out.insert(out.end(), chm.begin() + static_cast<ptrdiff_t>(content), chm.end());
    out.insert(out.end(), new_strings.begin(), new_strings.end());
    out.insert(out.end(), ivb.begin(), ivb.end());
    put64(out, 0x50, new_length);
    put64(out, 0x58, dir_offset + new_length);
    put64(out, static_cast<size_t>(header0) + 8, out.size());
    return fixed;
}

std::vector<ContextPage> read_context_map(std::span<const uint8_t> ivb, std::span<const uint8_t> strings) {
    std::vector<ContextPage> map;
    ByteReader in(ivb.data(), ivb.size());
    const ByteReader text(strings.data(), strings.size());
    const uint32_t bytes = in.u32();
    const size_t pairs = std::min<size_t>(bytes, in.remaining()) / 8;
    for (size_t i = 0; i < pairs; ++i) {
        ContextPage entry;
        entry.number = in.u32();
        ByteReader at = text.sub(in.u32(), text.size());
        entry.page = std::string(at.cstring());
        map.push_back(std::move(entry));
    }
    return map;
}

}  // namespace korvane::chm
