// Builds help files in memory for tests: the container with its directory
// B-tree, |SYSTEM with any records, and arbitrary internal files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace korvane::test {

// Little-endian byte string builder.
struct Bytes {
    std::vector<uint8_t> b;

    Bytes& u8(unsigned v) { b.push_back(static_cast<uint8_t>(v)); return *this; }
    Bytes& u16(unsigned v) { u8(v & 0xFF); return u8((v >> 8) & 0xFF); }
    Bytes& u32(uint32_t v) { u16(v & 0xFFFF); return u16(v >> 16); }
    Bytes& i16(int v) { return u16(static_cast<uint16_t>(v)); }
    Bytes& i32(int32_t v) { return u32(static_cast<uint32_t>(v)); }
    // Text with its zero terminator.
    Bytes& str(std::string_view s) { raw(s); return u8(0); }
    Bytes& raw(std::string_view s) { b.insert(b.end(), s.begin(), s.end()); return *this; }
    Bytes& raw(const std::vector<uint8_t>& v) { b.insert(b.end(), v.begin(), v.end()); return *this; }
    Bytes& fill(size_t n, uint8_t v = 0) { b.insert(b.end(), n, v); return *this; }
    size_t size() const { return b.size(); }
    operator const std::vector<uint8_t>&() const { return b; }
};

// A B-tree as help files store them: 38-byte header, then pages. Leaves
// hold entries_per_leaf entries each (0: all in one leaf); with more than
// one leaf, index_levels index pages sit above them (the top one is the
// root), each pointing at the one below through its leftmost child.
struct BTreeSpec {
    uint16_t page_size = 1024;
    size_t entries_per_leaf = 0;
    int index_levels = 1;
};
std::vector<uint8_t> build_btree(const std::vector<std::vector<uint8_t>>& entries, const BTreeSpec& desc = {});

// |SYSTEM content: the 12-byte header and records {type, data}.
std::vector<uint8_t> system_file(uint16_t minor_version, uint16_t flags,
                                 const std::vector<std::pair<uint16_t, std::vector<uint8_t>>>& records = {});

struct HlpBuilder {
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files;  // directory order
    BTreeSpec directory;

    HlpBuilder& add(std::string name, std::vector<uint8_t> content) {
        files.emplace_back(std::move(name), std::move(content));
        return *this;
    }
    // The help file: header, the internal files, the directory last.
    std::vector<uint8_t> build() const;
    // Offset of the first content byte of internal file `name` in build().
    uint32_t content_offset(std::string_view name) const;
};

// Text helpers for comparing output.
std::string trim(std::string s);   // without leading and trailing white space
std::string lower(std::string s);  // ASCII letters in lower case
std::string flat(std::string_view s);  // without CR and LF
// True when every "{" has its "}" (escaped braces do not count) and no "}"
// comes too early.
bool balanced_rtf(std::string_view rtf);

// Files and processes for tests.
void write_file(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> read_file(const std::string& path);
std::string read_text(const std::string& path);
bool file_exists(const std::string& path);

// Changes the working directory for its lifetime.
struct WorkingDirectory {
    std::filesystem::path previous = std::filesystem::current_path();
    explicit WorkingDirectory(const std::string& dir) { std::filesystem::current_path(dir); }
    ~WorkingDirectory() { std::filesystem::current_path(previous); }
};

// A fresh directory removed at the end of the scope.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(std::string_view name) const { return path_ + "/" + std::string(name); }
    std::vector<std::string> list() const;  // file names, sorted

private:
    std::string path_;
};

// Runs argv in cwd without the display variables (env may set them again),
// capturing stdout and stderr; returns the exit code (128 + signal when it
// was killed).
struct RunResult {
    int exit_code = -1;
    std::string out, err;
};
RunResult run_program(const std::vector<std::string>& argv, const std::string& cwd,
                      const std::vector<std::string>& env = {});

}  // namespace korvane::test
