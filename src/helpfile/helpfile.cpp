// SPDX-License-Identifier: MIT
// Opening a help file: header, directory, well-known internal files.
#include "helpfile/helpfile.h"

#include <cstdio>
#include <fstream>
#include <iterator>

#include "base/messages.h"
#include "helpfile/btree.h"
#include "system/files.h"

namespace korvane {

namespace {

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
    {"|AWBTREE", &HelpFile::awbtree_file},   {"|AWDATA", &HelpFile::awdata_file},
    {"|CTXOMAP", &HelpFile::ctxomap_file},
};

// The buffer is not cleared first: every byte of it is read into.
bool read_whole_file(const std::string& path, std::unique_ptr<uint8_t[]>& out, size_t& size) {
    std::ifstream in(sys::file_path(path), std::ios::binary);
    if (!in) return false;
    in.seekg(0, std::ios::end);
    std::streamoff end = in.tellg();
    if (end < 0) return false;
    in.seekg(0, std::ios::beg);
    size = static_cast<size_t>(end);
    out.reset(new uint8_t[size ? size : 1]);
    return size == 0 || in.read(reinterpret_cast<char*>(out.get()), end);
}

[[noreturn]] void directory_problem(long number) { fatal_error(Fatal::DirectoryDamaged, number); }

// Reads every directory entry in leaf order. A chain that leaves the file,
// loops, or ends before the number of entries the B-tree header promises is
// a damaged directory.
void read_directory(HelpFile& help, Reporter& report, const BTree& directory) {
    help.files.reserve(static_cast<size_t>(help.file_count) < help.input.size() / 5
                           ? static_cast<size_t>(help.file_count)
                           : help.input.size() / 5);
    long number = 0;
    if (help.file_count <= 0) return;
    LeafWalkEnd end = walk_btree_leaves(directory, [&](ByteReader& page, size_t, int16_t count) {
        for (int16_t k = 0; k < count && number < help.file_count; ++k, ++number) {
            InternalFile row;
            std::string_view name = page.cstring();
            if (name.size() > kMaxNameLength) directory_problem(number);
            if (page.overrun()) directory_problem(number);
            row.name.assign(name);
            uint32_t header = page.u32();
            if (page.overrun() || static_cast<uint64_t>(header) + kFileHeaderSize > help.input.size()) {
                directory_problem(number);
            }
            ByteReader file_header = help.input.sub(header, kFileHeaderSize);
            file_header.seek(kFileHeaderUsedSize);
            row.offset = header + kFileHeaderSize;
            row.size = file_header.u32();
            for (const WellKnown& w : kWellKnown) {
                if (row.name == w.name) {
                    (help.*w.field).offset = row.offset;
                    (help.*w.field).size = row.size;
                }
            }
            if (row.name == "|SYSTEM") read_system_header(help, report, row);
            help.files.push_back(std::move(row));
        }
        return number < help.file_count;
    });
    // Stopped only once every entry is read.
    if (end != LeafWalkEnd::stopped) directory_problem(number);
}

}  // namespace

bool open_help_file(HelpFile& help, Reporter& report, const std::string& path) {
    size_t size = 0;
    if (!read_whole_file(path, help.bytes, size)) return false;
    open_help_data(help, report, {help.bytes.get(), size});
    return true;
}

void open_help_data(HelpFile& help, Reporter& report, std::span<const uint8_t> bytes) {
    help.input = ByteReader(bytes.data(), bytes.size());

    ByteReader header = help.input.sub(0, kHelpHeaderSize);
    uint32_t magic = header.u32();
    if (magic != kHelpMagic || header.overrun()) {
        fatal_error(Fatal::NotAHelpFile);
    }
    uint32_t directory_start = header.u32();

    if (static_cast<uint64_t>(directory_start) + kFileHeaderSize + kBTreeHeaderSize > help.input.size()) {
        directory_problem(0);
    }
    BTree directory = open_btree(help.input.sub(directory_start + kFileHeaderSize, help.input.size()));
    directory.page_size = kDirectoryPageSize;  // whatever its header says
    const int32_t total = directory.total_entries;

    report_progress(report, 0, Msg::LoadingSystemFile);
    // Each entry takes at least 5 bytes of a leaf; more than the file can
    // hold is a damaged header, not a reason to reserve gigabytes.
    if (total < 0) directory_problem(0);
    help.file_count = total;
    read_directory(help, report, directory);

    help.topics_compressed = (help.system_flags & 0x000C) != 0 && (help.minor_version & 0xFF) != 15;
    help.indexed_phrases = help.phrases_file.present()                                   ? false
                           : help.phrindex_file.present() || help.phrimage_file.present() ? true
                                                                                          : help.is_hcrtf;
}

}  // namespace korvane
