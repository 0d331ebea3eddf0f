// SPDX-License-Identifier: MIT
// The guess of uchardet, taken for the double-byte encodings only.
#include <uchardet/uchardet.h>

#include <memory>
#include <string>
#include <type_traits>

#include "system/text_detection.h"

namespace korvane::sys {

namespace {

// The code page of an encoding uchardet names, when it is a double-byte
// one: their lead and trail bytes leave clear traces.
int code_page_of_detected(std::string_view name) {
    struct Known {
        std::string_view name;
        int code_page;
    };
    static constexpr Known kKnown[] = {
        {"SHIFT_JIS", 932}, {"GB18030", 936}, {"GB2312", 936}, {"BIG5", 950}, {"EUC-KR", 949}, {"UHC", 949},
    };
    std::string upper(name);
    for (char& c : upper) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    for (const Known& k : kKnown) {
        if (k.name == upper) return k.code_page;
    }
    return 0;
}

}  // namespace

int detect_double_byte_code_page(std::string_view sample) {
    std::unique_ptr<std::remove_pointer_t<uchardet_t>, void (*)(uchardet_t)> detector(uchardet_new(), uchardet_delete);
    if (!detector || uchardet_handle_data(detector.get(), sample.data(), sample.size()) != 0) return 0;
    uchardet_data_end(detector.get());
    const char* name = uchardet_get_charset(detector.get());
    return name ? code_page_of_detected(name) : 0;
}

}  // namespace korvane::sys
