// SPDX-License-Identifier: MIT
// A bounded little-endian cursor over bytes held in memory.
//
// Every read of help-file data goes through this type. Reading past the end
// never touches memory outside the span: the missing bytes read as zero, the
// cursor stops at the end and remembers that it ran out (`overrun()`), so a
// caller can finish what it was doing and check once afterwards.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace korvane {

class ByteReader {
public:
    ByteReader() = default;
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    size_t size() const { return size_; }
    size_t tell() const { return pos_; }
    size_t remaining() const { return pos_ < size_ ? size_ - pos_ : 0; }
    bool at_end() const { return pos_ >= size_; }
    bool overrun() const { return overrun_; }
    const uint8_t* data() const { return data_; }
    // Pointer to the next byte; valid for remaining() bytes.
    const uint8_t* here() const { return data_ + (pos_ < size_ ? pos_ : size_); }

    // Positions may lie beyond the end; reads from there yield nothing.
    void seek(size_t pos) { pos_ = pos; }
    void skip(size_t n) {
        if (n > remaining()) {
            overrun_ = true;
            if (pos_ < size_) pos_ = size_;
        } else {
            pos_ += n;
        }
    }

    // Copies up to n bytes; returns how many were available. Missing bytes
    // of dst are zero-filled.
    size_t read(void* dst, size_t n) {
        size_t have = remaining();
        size_t take = n < have ? n : have;
        if (take) std::memcpy(dst, data_ + pos_, take);
        if (take < n) {
            std::memset(static_cast<uint8_t*>(dst) + take, 0, n - take);
            overrun_ = true;
        }
        pos_ += take;
        return take;
    }

    // Next byte, or -1 at the end (like getc).
    int get() {
        if (pos_ >= size_) { overrun_ = true; return -1; }
        return data_[pos_++];
    }

    uint8_t u8() { int c = get(); return c < 0 ? 0 : static_cast<uint8_t>(c); }
    uint16_t u16() { uint8_t b[2]; read(b, 2); return static_cast<uint16_t>(b[0] | b[1] << 8); }
    int16_t i16() { return static_cast<int16_t>(u16()); }
    uint32_t u32() {
        uint8_t b[4];
        read(b, 4);
        return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
               static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
    }
    int32_t i32() { return static_cast<int32_t>(u32()); }

    // A zero-terminated string starting here, without its terminator. The
    // cursor moves past the terminator; a string that runs to the end of the
    // data is taken whole (and overrun() is set).
    std::string_view cstring() {
        if (pos_ >= size_) {  // nothing left (the data may have no storage at all)
            overrun_ = true;
            return {};
        }
        size_t start = pos_;
        const void* nul = std::memchr(data_ + start, 0, size_ - start);
        size_t end = nul ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - data_) : size_;
        pos_ = nul ? end + 1 : size_;
        if (!nul) overrun_ = true;
        return {reinterpret_cast<const char*>(data_ + start), end - start};
    }

    // A reader over [offset, offset + size) of this one, clipped to the data.
    ByteReader sub(size_t offset, size_t size) const {
        if (offset > size_) offset = size_;
        if (size > size_ - offset) size = size_ - offset;
        return {data_ + offset, size};
    }

    // Little-endian values at fixed offsets of a record, zero beyond the end.
    static uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
    static uint32_t le32(const uint8_t* p) {
        return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
               static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
    }

    // Stores little-endian values into a record being built.
    static void put16(uint8_t* p, uint32_t v) {
        p[0] = static_cast<uint8_t>(v);
        p[1] = static_cast<uint8_t>(v >> 8);
    }
    static void put32(uint8_t* p, uint32_t v) {
        put16(p, v & 0xFFFF);
        put16(p + 2, v >> 16);
    }

private:
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t pos_ = 0;
    bool overrun_ = false;
};

// a * b for sizes made of fields of the file, which may be anything: taken
// unsigned and clamped to limit instead of wrapping or overflowing.
constexpr uint64_t clamped_product(uint64_t a, uint64_t b, uint64_t limit) {
    if (a != 0 && b > limit / a) return limit;
    return a * b < limit ? a * b : limit;
}

}  // namespace korvane
