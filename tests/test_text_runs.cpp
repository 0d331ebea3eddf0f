// SPDX-License-Identifier: MIT
// Topic text taken in runs: the RTF escaping of every byte value and the
// expansion of phrase codes, wherever in a run they fall.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "output/out_stream.h"
#include "rtf/rtf_text.h"
#include "topics/phrases.h"

using namespace korvane;

namespace {

// The bytes write_rtf_text stores for each of texts, in turn, into one
// text-mode stream, counting on from written.
std::string rtf_of(const std::vector<std::string>& texts, uint64_t written, bool multibyte) {
    auto bytes = std::make_shared<std::vector<uint8_t>>();
    {
        std::unique_ptr<OutStream> out = OutStream::to_memory(bytes, "wt");
        for (const std::string& text : texts) write_rtf_text(*out, text, written, multibyte);
    }
    return std::string(bytes->begin(), bytes->end());
}

}  // namespace

TEST(TextRuns, EveryByteIsEscapedAloneAndInALongRun) {
    // A byte written among 47 others gives what it gives on its own, at
    // every place of the run and next to the byte that ends the run.
    for (bool multibyte : {false, true}) {
        for (int value = 0; value < 256; ++value) {
            for (size_t at = 0; at < 40; ++at) {
                std::string text(48, 'a');
                text[at] = static_cast<char>(value);
                text[at + 5] = '}';
                std::vector<std::string> bytes;
                for (char c : text) bytes.emplace_back(1, c);
                ASSERT_EQ(rtf_of({text}, 20, multibyte), rtf_of(bytes, 20, multibyte))
                    << "byte " << value << " at " << at << (multibyte ? " (double-byte)" : "");
            }
        }
    }
    // A text longer than the slices it is escaped in, every byte value in it.
    std::string long_text;
    for (int i = 0; i < 10000; ++i) long_text += static_cast<char>(i * 7 % 256);
    std::vector<std::string> long_bytes;
    for (char c : long_text) long_bytes.emplace_back(1, c);
    for (bool multibyte : {false, true}) {
        EXPECT_EQ(rtf_of({long_text}, 3, multibyte), rtf_of(long_bytes, 3, multibyte));
    }
    // Spot checks of what that is.
    EXPECT_EQ(rtf_of({std::string("a\\{}\x80\x81\t\x01z")}, 1, false), "a\\\\\\{\\}\x80\\'81\\tab (0x01)z");
    EXPECT_EQ(rtf_of({std::string("\\{}\x80")}, 1, true), "\\'5c\\'7b\\'7d\\'80");
    EXPECT_EQ(rtf_of({std::string(70, 'b')}, 0, false), "b\r\n" + std::string(64, 'b') + "\r\n" + std::string(5, 'b'));
}

TEST(TextRuns, PhraseCodesExpandWhereverTheyFall) {
    PhraseTables phrases;
    phrases.plain_text = {'o', 'n', 'e', 't', 'w', 'o'};
    phrases.plain_offsets = {0, 3, 6};
    std::vector<uint8_t> out;
    for (size_t at = 0; at < 40; ++at) {
        // The code 1, 3: phrase 1 ("two") and a space, among plain bytes
        // and NUL bytes, which are text too.
        std::vector<uint8_t> source(40, 'x');
        source[3] = 0;
        source[at] = 1;
        if (at + 1 < source.size()) source[at + 1] = 3;
        expand_phrases(phrases, source.data(), source.size(), 1000, false, out);
        std::vector<uint8_t> expected(source.begin(), source.begin() + static_cast<long>(at));
        if (at + 1 < source.size()) {
            expected.insert(expected.end(), {'t', 'w', 'o', ' '});
            expected.insert(expected.end(), source.begin() + static_cast<long>(at) + 2, source.end());
        }
        EXPECT_EQ(out, expected) << "code at " << at;
    }
    // Expansion stops at the capacity, in plain bytes as in phrases.
    std::vector<uint8_t> source(40, 'y');
    source[20] = 1;
    source[21] = 0;
    expand_phrases(phrases, source.data(), source.size(), 22, false, out);
    EXPECT_EQ(out, std::vector<uint8_t>({'y', 'y', 'y', 'y', 'y', 'y', 'y', 'y', 'y', 'y', 'y', 'y', 'y', 'y', 'y',
                                         'y', 'y', 'y', 'y', 'y', 'o', 'n'}));
}
