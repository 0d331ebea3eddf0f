// Greedy LZ77 compression in the help-file coding (see lz77_compress.h).
// A hash of the next three bytes heads a chain of earlier positions with the
// same hash; the longest match within the 4096-byte window wins.
#include "support/lz77_compress.h"

#include <algorithm>

namespace korvane::test {

namespace {

constexpr size_t kWindow = 4096;
constexpr size_t kMinMatch = 3;
constexpr size_t kMaxMatch = 18;
constexpr size_t kHashSize = 1 << 13;
constexpr int kMaxChain = 256;

uint32_t hash3(const uint8_t* p) { return ((p[0] << 10) ^ (p[1] << 5) ^ p[2]) & (kHashSize - 1); }

class Compressor {
public:
    Compressor(const uint8_t* data, size_t size) : data_(data), size_(size), prev_(size, -1), head_(kHashSize, -1) {}

    // Compresses from the start while the output stays within max_output.
    size_t run(size_t max_output, std::vector<uint8_t>& out) {
        size_t pos = 0;
        size_t base = out.size();
        while (pos < size_) {
            // A new group: flag byte, then up to eight items.
            size_t flag_at = out.size();
            if (flag_at - base + 2 > max_output) break;  // room for a flag and one literal
            out.push_back(0);
            uint8_t flag = 0;
            int items = 0;
            for (; items < 8 && pos < size_; ++items) {
                size_t distance = 0;
                size_t length = longest_match(pos, distance);
                size_t used = out.size() - base;
                if (length >= kMinMatch) {
                    if (used + 2 > max_output) break;
                    size_t d = distance - 1;
                    out.push_back(static_cast<uint8_t>(d & 0xFF));
                    out.push_back(static_cast<uint8_t>((length - kMinMatch) << 4 | (d >> 8)));
                    flag = static_cast<uint8_t>(flag | 1 << items);
                    for (size_t k = 0; k < length; ++k) insert(pos + k);
                    pos += length;
                } else {
                    if (used + 1 > max_output) break;
                    out.push_back(data_[pos]);
                    insert(pos);
                    ++pos;
                }
            }
            if (items == 0) {
                out.pop_back();
                break;
            }
            out[flag_at] = flag;
            if (items < 8 && pos < size_) break;  // output budget reached
        }
        return pos;
    }

private:
    void insert(size_t pos) {
        if (pos + kMinMatch > size_) return;
        uint32_t h = hash3(data_ + pos);
        prev_[pos] = head_[h];
        head_[h] = static_cast<long>(pos);
    }

    size_t longest_match(size_t pos, size_t& distance) const {
        if (pos + kMinMatch > size_) return 0;
        size_t limit = std::min(kMaxMatch, size_ - pos);
        size_t best = 0;
        long cand = head_[hash3(data_ + pos)];
        for (int chain = 0; cand >= 0 && chain < kMaxChain; ++chain, cand = prev_[static_cast<size_t>(cand)]) {
            size_t c = static_cast<size_t>(cand);
            if (pos - c > kWindow) break;
            size_t len = 0;
            while (len < limit && data_[c + len] == data_[pos + len]) ++len;
            if (len > best) {
                best = len;
                distance = pos - c;
                if (len == limit) break;
            }
        }
        return best;
    }

    const uint8_t* data_;
    size_t size_;
    std::vector<long> prev_;
    std::vector<long> head_;
};

}  // namespace

size_t lz77_compress_prefix(const uint8_t* data, size_t size, size_t max_output, std::vector<uint8_t>& out) {
    Compressor c(data, size);
    return c.run(max_output, out);
}

std::vector<uint8_t> lz77_compress(const uint8_t* data, size_t size) {
    std::vector<uint8_t> out;
    lz77_compress_prefix(data, size, static_cast<size_t>(-1), out);
    return out;
}

std::vector<uint8_t> lz77_compress(const std::vector<uint8_t>& data) { return lz77_compress(data.data(), data.size()); }

std::vector<uint8_t> lz77_compress(std::string_view data) {
    return lz77_compress(reinterpret_cast<const uint8_t*>(data.data()), data.size());
}

std::vector<uint8_t> lz77_literals(const std::vector<uint8_t>& data) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < data.size(); ++i) {
        if (i % 8 == 0) out.push_back(0);
        out.push_back(data[i]);
    }
    return out;
}

}  // namespace korvane::test
