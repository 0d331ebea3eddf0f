// Opening a help file: header, directory, well-known internal files.
#include "helpfile/helpfile.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <unordered_set>

#include "driver/messages.h"

namespace korvane {

namespace {

constexpr uint32_t kDirectoryPageSize = 1024;
constexpr size_t kMaxNameLength = 58;

struct WellKnown {
    const char* name;
    FileSpan HelpFile::*field;
};

const WellKnown kWellKnown[] = {
    {"|SYSTEM", &HelpFile::system_file},     {"|Phrases", &HelpFile::phrases_file},
    {"|PhrImage", &HelpFile::phrimage_file}, {"|PhrIndex", &HelpFile::phrindex_file},
    {"|FONT", &HelpFile::font_file},         {"|TOPIC", &HelpFile::topic_file},
    {"|TOMAP", &HelpFile::tomap_file},       {"|CONTEXT", &HelpFile::context_file},
    {"|KWBTREE", &HelpFile::kwbtree_file},   {"|KWDATA", &HelpFile::kwdata_file},
    {"|0KWBTREE", &HelpFile::kwbtree_file},  {"|0KWDATA", &HelpFile::kwdata_file},
    {"|CTXOMAP", &HelpFile::ctxomap_file},
};

bool read_whole_file(const std::string& path, std::vector<uint8_t>& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    in.seekg(0, std::ios::end);
    std::streamoff size = in.tellg();
    if (size < 0) return false;
    in.seekg(0, std::ios::beg);
    out.resize(static_cast<size_t>(size));
    if (size > 0 && !in.read(reinterpret_cast<char*>(out.data()), size)) return false;
    return true;
}

[[noreturn]] void directory_problem(long number) { fatal_error(Fatal::DirectoryDamaged, number); }

// Reads every directory entry in leaf order, walking the leaf chain once.
// A chain that leaves the file, loops, or ends before the number of entries
// the B-tree header promises is a damaged directory.
void read_directory(HelpFile& help) {
    ByteReader& in = help.input;
    help.files.reserve(static_cast<size_t>(help.file_count) < help.bytes.size() / 5
                           ? static_cast<size_t>(help.file_count)
                           : help.bytes.size() / 5);
    int16_t page = help.directory_first_leaf;
    std::unordered_set<int16_t> visited;
    long number = 0;
    while (number < help.file_count) {
        if (page < 0 || !visited.insert(page).second) directory_problem(number);
        uint64_t page_pos = help.directory_pages_start + static_cast<uint64_t>(page) * kDirectoryPageSize;
        if (page_pos + 8 > help.bytes.size()) directory_problem(number);
        in.seek(static_cast<size_t>(page_pos) + 2);
        int16_t count = in.i16();
        in.skip(2);
        int16_t next = in.i16();
        for (int16_t k = 0; k < count && number < help.file_count; ++k, ++number) {
            InternalFile row;
            std::string_view name = in.cstring();
            if (name.size() > kMaxNameLength) directory_problem(number);
            if (in.overrun()) directory_problem(number);
            row.name.assign(name);
            uint32_t header = in.u32();
            if (in.overrun() || static_cast<uint64_t>(header) + 9 > help.bytes.size()) directory_problem(number);
            size_t resume = in.tell();
            in.seek(header + 4);
            row.offset = header + 9;
            row.size = in.u32();
            in.seek(resume);
            for (const WellKnown& w : kWellKnown) {
                if (row.name == w.name) {
                    (help.*w.field).offset = row.offset;
                    (help.*w.field).size = row.size;
                }
            }
            if (row.name == "|SYSTEM") read_system_header(help, row);
            help.files.push_back(std::move(row));
        }
        page = next;
    }
}

}  // namespace

int16_t first_leaf_page(const HelpFile& help, uint32_t pages_start, uint16_t page_size, int16_t root) {
    int16_t page = root;
    // A descent visits each page at most once; a tree deeper than its
    // number of pages loops.
    for (size_t steps = 0; steps <= help.bytes.size() / (page_size ? page_size : 1) + 1; ++steps) {
        if (page < 0) return -1;
        uint64_t pos = pages_start + static_cast<uint64_t>(page) * page_size;
        if (pos + 8 > help.bytes.size()) return -1;
        int16_t child = static_cast<int16_t>(ByteReader::le16(help.bytes.data() + pos + 4));
        if (child < 0) return page;
        page = child;
    }
    return -1;
}

std::unique_ptr<HelpFile> open_help_file(const std::string& path, int flags) {
    auto help = std::make_unique<HelpFile>();
    if (!read_whole_file(path, help->bytes)) return nullptr;
    help->flags = flags;
    help->input = ByteReader(help->bytes.data(), help->bytes.size());

    ByteReader& in = help->input;
    uint32_t magic = in.u32();
    if (magic != kHelpMagic || in.overrun()) {
        fatal_error(Fatal::NotAHelpFile);
    }
    help->directory_start = in.u32();

    // Directory: 9-byte internal-file header, 38-byte B-tree header.
    if (static_cast<uint64_t>(help->directory_start) + 47 > help->bytes.size()) directory_problem(0);
    in.seek(help->directory_start + 9 + 26);
    int16_t root = in.i16();
    in.skip(6);
    int32_t total = in.i32();
    help->directory_pages_start = help->directory_start + 47;
    help->directory_first_leaf = first_leaf_page(*help, help->directory_pages_start, kDirectoryPageSize, root);

    report_progress(*help, 0, Msg::LoadingSystemFile);
    // Each entry takes at least 5 bytes of a leaf; more than the file can
    // hold is a damaged header, not a reason to reserve gigabytes.
    if (total < 0) directory_problem(0);
    help->file_count = total;
    if (help->file_count > 0 && help->directory_first_leaf < 0) directory_problem(0);
    read_directory(*help);

    help->topics_compressed = (help->system_flags & 0x000C) != 0 && (help->minor_version & 0xFF) != 15;

    // The phrase table: the plain one when there is |Phrases, else the indexed pair.
    if (help->phrases_file.present()) {
        load_phrase_table(*help);
    } else if (help->phrimage_file.present()) {
        load_indexed_phrase_table(*help);
    }
    return help;
}

void close_help_file(std::unique_ptr<HelpFile> help) {
    if (!help) return;
    if (help->flags & CVF_EMBED_PICTURES) {
        for (const auto& name : help->picture_names.names) {
            if (name) std::remove(name->c_str());
        }
    }
    help.reset();
}

}  // namespace korvane
