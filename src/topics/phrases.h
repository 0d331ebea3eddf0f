// Phrase tables (|Phrases, or |PhrIndex with |PhrImage) and the expansion
// of phrase-coded topic text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace korvane {

struct HelpFile;

struct PhraseTables {
    // Plain table: phrase i is plain_text[plain_offsets[i] .. plain_offsets[i + 1]).
    std::vector<uint32_t> plain_offsets;
    std::vector<uint8_t> plain_text;
    bool plain_loaded = false;
    // Indexed table, likewise.
    std::vector<uint32_t> indexed_offsets;
    std::vector<uint8_t> indexed_text;
    bool indexed_loaded = false;
};

void load_phrase_table(HelpFile& help);
void load_indexed_phrase_table(HelpFile& help);

// Phrase index of the table that files of this version use; empty when the
// index lies outside the loaded table.
std::string_view phrase_text(const HelpFile& help, uint32_t index);

// Expands source into out (replacing its contents), at most capacity bytes.
// indexed selects the indexed coding.
void expand_phrases(const HelpFile& help, const uint8_t* source, size_t source_length, size_t capacity,
                    bool indexed, std::vector<uint8_t>& out);

}  // namespace korvane
