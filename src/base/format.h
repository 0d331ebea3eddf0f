// SPDX-License-Identifier: MIT
// printf-style formatting with typed arguments.
//
// The conversions are those of the Windows formatter the help-file world
// uses: %s %c %d %i %u %x %X %%, the long prefix l (ignored: every integer is
// 32 bits), a width, the flags '-' and '0'. Integers print as 32-bit values:
// %d signed, %u %x %X unsigned. Arguments carry their type, so a mismatch
// between a format and its values cannot read stray memory; output has no
// length limit.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace korvane {

class FmtArg {
public:
    FmtArg(int v) : num_(v) {}
    FmtArg(long v) : num_(v) {}
    FmtArg(long long v) : num_(v) {}
    FmtArg(unsigned v) : num_(v) {}
    FmtArg(unsigned long v) : num_(static_cast<long long>(v)) {}
    FmtArg(unsigned long long v) : num_(static_cast<long long>(v)) {}
    FmtArg(short v) : num_(v) {}
    FmtArg(unsigned short v) : num_(v) {}
    FmtArg(char v) : num_(static_cast<unsigned char>(v)) {}
    FmtArg(unsigned char v) : num_(v) {}
    FmtArg(const char* s) : str_(s ? s : ""), is_str_(true) {}
    FmtArg(std::string_view s) : str_(s), is_str_(true) {}
    FmtArg(const std::string& s) : str_(s), is_str_(true) {}

    bool is_string() const { return is_str_; }
    long long number() const { return num_; }
    std::string_view text() const { return str_; }

private:
    long long num_ = 0;
    std::string_view str_;
    bool is_str_ = false;
};

// Appends the formatted text to out.
void format_into(std::string& out, std::string_view fmt, std::initializer_list<FmtArg> args);

template <class... A>
std::string format(std::string_view fmt, const A&... args) {
    std::string out;
    format_into(out, fmt, {FmtArg(args)...});
    return out;
}

}  // namespace korvane
