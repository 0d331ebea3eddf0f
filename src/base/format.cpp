// SPDX-License-Identifier: MIT
#include "base/format.h"

namespace korvane {

namespace {

void pad_and_append(std::string& out, std::string_view body, size_t width, bool left, char fill) {
    if (body.size() >= width) {
        out.append(body);
        return;
    }
    size_t pad = width - body.size();
    if (left) {
        out.append(body);
        out.append(pad, ' ');
    } else if (fill == '0' && !body.empty() && body[0] == '-') {
        out.push_back('-');
        out.append(pad, '0');
        out.append(body.substr(1));
    } else {
        out.append(pad, fill);
        out.append(body);
    }
}

std::string_view digits(char* end, unsigned long long v, unsigned base, bool upper) {
    const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    char* p = end;
    do {
        *--p = set[v % base];
        v /= base;
    } while (v);
    return {p, static_cast<size_t>(end - p)};
}

}  // namespace

void format_into(std::string& out, std::string_view fmt, std::initializer_list<FmtArg> args) {
    const FmtArg* arg = args.begin();
    const FmtArg* args_end = args.end();
    static const FmtArg missing(0);
    size_t i = 0;
    while (i < fmt.size()) {
        size_t pct = fmt.find('%', i);
        if (pct == std::string_view::npos) {
            out.append(fmt.substr(i));
            break;
        }
        out.append(fmt.substr(i, pct - i));
        i = pct + 1;
        if (i >= fmt.size()) {
            out.push_back('%');
            break;
        }
        bool left = false;
        char fill = ' ';
        for (; i < fmt.size() && (fmt[i] == '-' || fmt[i] == '0'); ++i) {
            if (fmt[i] == '-') left = true; else fill = '0';
        }
        size_t width = 0;
        for (; i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9'; ++i) width = width * 10 + (fmt[i] - '0');
        while (i < fmt.size() && (fmt[i] == 'l' || fmt[i] == 'h')) ++i;
        if (i >= fmt.size()) break;
        char conv = fmt[i++];
        if (conv == '%') {
            out.push_back('%');
            continue;
        }
        const FmtArg& a = arg < args_end ? *arg++ : missing;
        char buf[32];
        char* end = buf + sizeof buf;
        switch (conv) {
        case 's':
            pad_and_append(out, a.is_string() ? a.text() : std::string_view(), width, left, ' ');
            break;
        case 'c': {
            char c = static_cast<char>(a.is_string() ? (a.text().empty() ? 0 : a.text()[0]) : a.number());
            pad_and_append(out, std::string_view(&c, 1), width, left, ' ');
            break;
        }
        case 'd':
        case 'i': {
            long long v = static_cast<int32_t>(static_cast<uint32_t>(a.number()));
            std::string_view d = digits(end, static_cast<unsigned long long>(v < 0 ? -v : v), 10, false);
            if (v < 0) {
                char* p = const_cast<char*>(d.data()) - 1;
                *p = '-';
                d = {p, d.size() + 1};
            }
            pad_and_append(out, d, width, left, fill);
            break;
        }
        case 'u':
            pad_and_append(out, digits(end, static_cast<uint32_t>(a.number()), 10, false), width, left, fill);
            break;
        case 'x':
        case 'X':
            pad_and_append(out, digits(end, static_cast<uint32_t>(a.number()), 16, conv == 'X'), width, left, fill);
            break;
        default:
            // Unknown conversion: copy it as it stands.
            out.push_back('%');
            out.push_back(conv);
            break;
        }
    }
}

}  // namespace korvane
