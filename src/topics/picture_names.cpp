// SPDX-License-Identifier: MIT
// The table of extracted picture file names, by picture number.
#include "topics/decoding.h"
#include "topics/indexes.h"

namespace korvane {

void set_picture_name(Decoding& help, uint32_t number, const std::string& name) {
    auto& names = help.picture_names.names;
    if (number >= names.size()) names.resize(static_cast<size_t>(number) + 1);
    names[number] = name;
}

}  // namespace korvane
