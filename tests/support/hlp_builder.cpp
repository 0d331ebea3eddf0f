#include "support/hlp_builder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace korvane::test {

std::vector<uint8_t> build_btree(const std::vector<std::vector<uint8_t>>& entries, const BTreeSpec& desc) {
    size_t per_leaf = desc.entries_per_leaf ? desc.entries_per_leaf : std::max<size_t>(entries.size(), 1);
    size_t leaves = std::max<size_t>(1, (entries.size() + per_leaf - 1) / per_leaf);
    int levels = leaves > 1 ? desc.index_levels : 0;
    size_t pages = leaves + static_cast<size_t>(levels);
    int root = static_cast<int>(pages) - 1;

    Bytes out;
    out.u16(0x293B).u8(0x02).u8(0).u16(desc.page_size);
    out.fill(16, 0);  // structure description
    out.i16(0).i16(0).i16(root).i16(-1).i16(static_cast<int>(pages)).i16(levels + 1);
    out.u32(static_cast<uint32_t>(entries.size()));

    for (size_t leaf = 0; leaf < leaves; ++leaf) {
        Bytes page;
        size_t first = leaf * per_leaf;
        size_t last = std::min(entries.size(), first + per_leaf);
        page.u16(0).i16(static_cast<int>(last - first));
        page.i16(leaf == 0 ? -1 : static_cast<int>(leaf - 1));
        page.i16(leaf + 1 == leaves ? -1 : static_cast<int>(leaf + 1));
        for (size_t i = first; i < last; ++i) page.raw(entries[i]);
        if (page.size() > desc.page_size) throw std::runtime_error("B-tree leaf overflows its page");
        page.fill(desc.page_size - page.size());
        out.raw(page);
    }
    for (int level = 0; level < levels; ++level) {
        // Index page: leftmost child is the page below (the first leaf, or
        // the index page of the level below).
        Bytes page;
        int child = level == 0 ? 0 : static_cast<int>(leaves) + level - 1;
        page.u16(0).i16(level == 0 ? static_cast<int>(leaves - 1) : 0).i16(child);
        if (level == 0) {
            for (size_t leaf = 1; leaf < leaves; ++leaf) page.u8(0).i16(static_cast<int>(leaf));
        }
        page.fill(desc.page_size - page.size());
        out.raw(page);
    }
    return out.b;
}

std::vector<uint8_t> system_file(uint16_t minor_version, uint16_t flags,
                                 const std::vector<std::pair<uint16_t, std::vector<uint8_t>>>& records) {
    Bytes out;
    out.u16(0x036C).u16(minor_version).u16(1).u32(0).u16(flags);
    for (const auto& [type, data] : records) {
        out.u16(type).u16(static_cast<unsigned>(data.size())).raw(data);
    }
    return out.b;
}

namespace {

Bytes internal_file(const std::vector<uint8_t>& content) {
    Bytes f;
    f.u32(static_cast<uint32_t>(content.size())).u32(static_cast<uint32_t>(content.size())).u8(0).raw(content);
    return f;
}

}  // namespace

std::vector<uint8_t> HlpBuilder::build() const {
    Bytes out;
    out.u32(0x00035F3F).u32(0).u32(0xFFFFFFFF).u32(0);  // directory offset patched below
    std::vector<std::vector<uint8_t>> entries;
    for (const auto& [name, content] : files) {
        uint32_t header = static_cast<uint32_t>(out.size());
        out.raw(internal_file(content));
        Bytes e;
        e.str(name).u32(header);
        entries.push_back(e.b);
    }
    uint32_t dir_pos = static_cast<uint32_t>(out.size());
    out.raw(internal_file(build_btree(entries, directory)));
    std::memcpy(out.b.data() + 4, &dir_pos, 4);
    uint32_t total = static_cast<uint32_t>(out.size());
    std::memcpy(out.b.data() + 12, &total, 4);
    return out.b;
}

uint32_t HlpBuilder::content_offset(std::string_view name) const {
    uint32_t pos = 16;
    for (const auto& [n, content] : files) {
        if (n == name) return pos + 9;
        pos += 9 + static_cast<uint32_t>(content.size());
    }
    return 0;
}

std::string trim(std::string s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.pop_back();
    size_t i = 0;
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    return s.substr(i);
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

void write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> read_file(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

std::string read_text(const std::string& path) {
    std::vector<uint8_t> b = read_file(path);
    return {b.begin(), b.end()};
}

bool file_exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "korvane-test-XXXXXX").string();
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back(0);
    if (!::mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
    path_ = buf.data();
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::vector<std::string> TempDir::list() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(path_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}


RunResult run_program(const std::vector<std::string>& argv, const std::string& cwd,
                      const std::vector<std::string>& env) {
    RunResult r;
    TempDir capture;
    std::string out_path = capture / "out", err_path = capture / "err";
    pid_t pid = ::fork();
    if (pid < 0) return r;
    if (pid == 0) {
        if (!cwd.empty() && ::chdir(cwd.c_str()) != 0) ::_exit(127);
        int o = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int e = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int in = ::open("/dev/null", O_RDONLY);
        ::dup2(o, 1);
        ::dup2(e, 2);
        ::dup2(in, 0);
        // Without a display, korvane FILE converts as on a terminal even
        // though its output goes to files here.
        for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) ::unsetenv(v);
        for (const std::string& kv : env) ::putenv(const_cast<char*>(kv.c_str()));
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.out = read_text(out_path);
    r.err = read_text(err_path);
    return r;
}

std::string flat(std::string_view s) {
    std::string out;
    for (char c : s) {
        if (c != '\n' && c != '\r') out += c;
    }
    return out;
}

bool balanced_rtf(std::string_view rtf) {
    long depth = 0;
    for (size_t i = 0; i < rtf.size(); ++i) {
        if (rtf[i] == '\\') {
            ++i;  // the escaped character or the start of a control word
        } else if (rtf[i] == '{') {
            ++depth;
        } else if (rtf[i] == '}' && --depth < 0) {
            return false;
        }
    }
    return depth == 0;
}

}  // namespace korvane::test
