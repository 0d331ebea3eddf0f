// Font and colour tables from |FONT, and the font style strings.
#pragma once

#include <string>
#include <vector>

namespace korvane {

struct HelpFile;
class OutStream;

struct FontStyles {
    bool built = false;
    std::vector<std::string> styles;  // RTF style text per font number
};

}  // namespace korvane
