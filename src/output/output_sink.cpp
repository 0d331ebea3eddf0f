// SPDX-License-Identifier: MIT
#include "output/output_sink.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "system/files.h"
#include "system/process.h"

namespace korvane {

namespace {

bool is_absolute(const std::string& path) {
    return (!path.empty() && (path[0] == '/' || path[0] == '\\')) || (path.size() > 1 && path[1] == ':');
}

}  // namespace

DiskSink::DiskSink(std::string folder) : folder_(std::move(folder)) {
    if (!folder_.empty() && folder_.back() != '/') folder_ += '/';
    // Print mode's pictures go to the TEMP directory when it is set.
    scratch_folder_ = sys::environment_variable("TEMP").value_or("");
}

std::string DiskSink::path_of(const std::string& name) const {
    return folder_.empty() || is_absolute(name) ? name : folder_ + name;
}

std::unique_ptr<OutStream> DiskSink::open(const std::string& name, std::string_view mode) {
    if (name == "NUL") return OutStream::open(name, mode);
    const std::string path = path_of(name);
    std::unique_ptr<OutStream> out = OutStream::open(path, mode);
    if (out || errno != ENOENT) return out;
    // A file in a folder of the output (a web site's): the folders are made
    // when their first file is written.
    for (size_t slash = name.find('/', 1); slash != std::string::npos; slash = name.find('/', slash + 1)) {
        if (int error = sys::make_directory(path_of(name.substr(0, slash))); error != 0 && error != EEXIST) {
            errno = error;
            return nullptr;
        }
    }
    return OutStream::open(path, mode);
}

bool DiskSink::read(const std::string& name, std::vector<uint8_t>& bytes) const {
    std::ifstream in(sys::file_path(path_of(name)), std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

void DiskSink::remove(const std::string& name) { sys::remove_file(path_of(name)); }

std::string DiskSink::scratch_name(const std::string& name) const {
    return scratch_folder_.empty() ? name : scratch_folder_ + "/" + name;
}

std::unique_ptr<OutStream> MemorySink::open(const std::string& name, std::string_view mode) {
    if (name == "NUL") return OutStream::null_device();
    auto buffer = std::make_shared<std::vector<uint8_t>>();
    files_[name] = buffer;
    return OutStream::to_memory(std::move(buffer), mode);
}

bool MemorySink::read(const std::string& name, std::vector<uint8_t>& bytes) const {
    auto it = files_.find(name);
    if (it == files_.end()) return false;
    bytes = *it->second;
    return true;
}

std::vector<std::string> MemorySink::names() const {
    std::vector<std::string> names;
    for (const auto& entry : files_) names.push_back(entry.first);
    return names;
}

std::map<std::string, std::vector<uint8_t>> MemorySink::files() const {
    std::map<std::string, std::vector<uint8_t>> copy;
    for (const auto& [name, bytes] : files_) copy.emplace(name, *bytes);
    return copy;
}

}  // namespace korvane
