// SPDX-License-Identifier: MIT
#include "output/out_stream.h"

#include <algorithm>
#include <cstring>

#include "system/files.h"

namespace korvane {

namespace {

bool is_text_mode(std::string_view mode) { return mode.find('t') != std::string_view::npos; }

}  // namespace

std::unique_ptr<OutStream> OutStream::open(const std::string& name, std::string_view mode) {
    if (name == "NUL") return null_device();
    bool update = mode.find('+') != std::string_view::npos;
    std::FILE* f = sys::open_file(name, update ? "w+b" : "wb");
    if (!f) return nullptr;
    // The stream keeps its own buffer and hands the file whole blocks.
    std::setvbuf(f, nullptr, _IONBF, 0);
    return std::unique_ptr<OutStream>(new OutStream(f, is_text_mode(mode)));
}

std::unique_ptr<OutStream> OutStream::null_device() {
    return std::unique_ptr<OutStream>(new OutStream(nullptr, true));
}

std::unique_ptr<OutStream> OutStream::to_memory(std::shared_ptr<std::vector<uint8_t>> buffer, std::string_view mode) {
    std::unique_ptr<OutStream> out(new OutStream(nullptr, is_text_mode(mode)));
    buffer->clear();
    out->memory_ = std::move(buffer);
    return out;
}

OutStream::~OutStream() { close(); }

void OutStream::raw(const char* p, size_t n) {
    if (n == 0) return;
    if (memory_) {
        // At the end or, after a seek back, over what is there.
        std::vector<uint8_t>& m = *memory_;
        size_t end = position_ + n;
        if (end > m.size()) {
            if (end > m.capacity()) m.reserve(std::max(end, 2 * m.capacity()));
            m.resize(end);
        }
        std::memcpy(m.data() + position_, p, n);
        position_ = end;
        return;
    }
    if (!file_) return;
    if (pending_size_ + n > kBufferSize) {
        flush();
        if (n >= kBufferSize) {
            if (std::fwrite(p, 1, n, file_) != n) failed_ = true;
            return;
        }
    }
    if (!pending_) pending_ = std::make_unique<char[]>(kBufferSize);
    std::memcpy(pending_.get() + pending_size_, p, n);
    pending_size_ += n;
}

void OutStream::flush() {
    if (!file_ || pending_size_ == 0) return;
    if (std::fwrite(pending_.get(), 1, pending_size_, file_) != pending_size_) failed_ = true;
    pending_size_ = 0;
}

int OutStream::put(int c) {
    if (!file_ && !memory_) return c & 0xFF;
    if (text_ && c == '\n') raw("\r", 1);
    char byte = static_cast<char>(c);
    raw(&byte, 1);
    return failed_ ? -1 : c & 0xFF;
}

void OutStream::write(std::string_view s) {
    if (!file_ && !memory_) return;
    if (!text_) {
        raw(s.data(), s.size());
        return;
    }
    size_t start = 0;
    while (start < s.size()) {
        const void* lf = std::memchr(s.data() + start, '\n', s.size() - start);
        if (!lf) {
            raw(s.data() + start, s.size() - start);
            break;
        }
        size_t at = static_cast<size_t>(static_cast<const char*>(lf) - s.data());
        raw(s.data() + start, at - start);
        raw("\r\n", 2);
        start = at + 1;
    }
}

void OutStream::seek(long pos) {
    if (memory_) {
        // As a file does, a position past the end reads as zero bytes once written.
        size_t at = pos < 0 ? 0 : static_cast<size_t>(pos);
        if (at > memory_->size()) memory_->resize(at);
        position_ = at;
    } else if (file_) {
        flush();
        std::fseek(file_, pos, SEEK_SET);
    }
}

long OutStream::tell() {
    if (memory_) return static_cast<long>(position_);
    if (!file_) return 0;
    return std::ftell(file_) + static_cast<long>(pending_size_);
}

void OutStream::close() {
    memory_.reset();
    if (file_) {
        flush();
        if (std::fclose(file_) != 0) failed_ = true;
        file_ = nullptr;
    }
}

}  // namespace korvane
