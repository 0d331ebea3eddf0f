#include "base/out_stream.h"

#include <cstring>

namespace korvane {

std::unique_ptr<OutStream> OutStream::open(const std::string& name, std::string_view mode) {
    if (name == "NUL") return null_device();
    bool text = mode.find('t') != std::string_view::npos;
    bool update = mode.find('+') != std::string_view::npos;
    std::FILE* f = std::fopen(name.c_str(), update ? "w+b" : "wb");
    if (!f) return nullptr;
    std::setvbuf(f, nullptr, _IOFBF, 1 << 16);
    return std::unique_ptr<OutStream>(new OutStream(f, text));
}

std::unique_ptr<OutStream> OutStream::null_device() {
    return std::unique_ptr<OutStream>(new OutStream(nullptr, true));
}

OutStream::~OutStream() { close(); }

void OutStream::raw(const char* p, size_t n) {
    if (!file_ || n == 0) return;
    if (std::fwrite(p, 1, n, file_) != n) failed_ = true;
}

int OutStream::put(int c) {
    if (!file_) return c & 0xFF;
    if (text_ && c == '\n') {
        if (std::fputc('\r', file_) == EOF) failed_ = true;
    }
    if (std::fputc(c, file_) == EOF) {
        failed_ = true;
        return -1;
    }
    return c & 0xFF;
}

void OutStream::write(std::string_view s) {
    if (!file_) return;
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
    if (file_) std::fseek(file_, pos, SEEK_SET);
}

long OutStream::tell() { return file_ ? std::ftell(file_) : 0; }

void OutStream::close() {
    if (file_) {
        if (std::fclose(file_) != 0) failed_ = true;
        file_ = nullptr;
    }
}

}  // namespace korvane
