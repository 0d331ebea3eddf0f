// SPDX-License-Identifier: MIT
// Phrase tables (|Phrases, or |PhrIndex with |PhrImage) and the expansion
// of phrase-coded topic text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace korvane {

struct HelpFile;
struct Reporter;

struct PhraseTables {
    // The indexed tables are the ones the text refers to (HelpFile::indexed_phrases).
    bool indexed = false;
    // Plain table: phrase i is plain_text[plain_offsets[i] .. plain_offsets[i + 1]).
    std::vector<uint32_t> plain_offsets;
    std::vector<uint8_t> plain_text;
    // Indexed table, likewise.
    std::vector<uint32_t> indexed_offsets;
    std::vector<uint8_t> indexed_text;
};

void load_phrase_table(const HelpFile& help, PhraseTables& tables);
void load_indexed_phrase_table(const HelpFile& help, Reporter& report, PhraseTables& tables);

// Phrase index of the table that files of this version use; nothing when
// the table is not loaded or has no such phrase.
std::optional<std::string_view> phrase_text(const PhraseTables& tables, uint32_t index);

// Expands source into out (replacing its contents), at most capacity bytes.
// indexed selects the indexed coding.
void expand_phrases(const PhraseTables& tables, const uint8_t* source, size_t source_length, size_t capacity,
                    bool indexed, std::vector<uint8_t>& out);

}  // namespace korvane
