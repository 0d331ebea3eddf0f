// SPDX-License-Identifier: MIT
#include "ui/console_platform.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "system/process.h"

namespace korvane {

namespace {

void put(std::string_view s) { std::fwrite(s.data(), 1, s.size(), stderr); }

}  // namespace

ConsolePlatform::ConsolePlatform(bool quiet)
    : language_offset_(language_offset_from_locale()), quiet_(quiet), tty_(sys::is_terminal(stderr)) {}

ConsolePlatform::~ConsolePlatform() { finish(); }

void ConsolePlatform::show_fatal(std::string_view caption, std::string_view text) {
    clear_bar();
    print_repeated();
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    if (fatal_prefix_.empty()) {
        put(caption);
        put(": ");
    } else {
        put(fatal_prefix_);
    }
    put(text);
    put("\n");
    std::fflush(stderr);
}

void ConsolePlatform::open_progress() {
    phase_.clear();
    percent_ = 0;
    repeated_.clear();
}

void ConsolePlatform::set_phase(std::string_view text) {
    phase_.assign(text);
    if (quiet_) return;
    if (tty_) {
        draw();
    } else {
        put(text);
        put("\n");
    }
}

void ConsolePlatform::set_percent(int percent) {
    if (percent == percent_) return;
    percent_ = percent;
    if (!quiet_ && tty_) draw();
}

void ConsolePlatform::add_warning_line(std::string_view line) {
    if (quiet_) return;
    clear_bar();
    put("Warning: ");
    put(line);
    put("\n");
    if (tty_) draw();
}

void ConsolePlatform::repeat_warning(size_t index, std::string_view line, unsigned long count) {
    if (quiet_) return;
    auto [it, first] = repeated_.try_emplace(index);
    if (first) it->second.line.assign(line);
    it->second.count = count;
}

void ConsolePlatform::print_repeated() {
    for (const auto& [index, r] : repeated_) {
        put("Warning: ");
        put(r.line);
        std::fprintf(stderr, " (%lu times in all)\n", r.count);
    }
    repeated_.clear();
}

void ConsolePlatform::draw() {
    int p = percent_ < 0 ? 0 : percent_ > 100 ? 100 : percent_;
    char bar[41];
    int filled = p * 40 / 100;
    for (int i = 0; i < 40; ++i) bar[i] = i < filled ? '#' : '-';
    bar[40] = 0;
    std::fprintf(stderr, "\r%-28.28s [%s] %3d%%", phase_.c_str(), bar, p);
    std::fflush(stderr);
    bar_shown_ = true;
}

void ConsolePlatform::clear_bar() {
    if (bar_shown_) {
        put("\r\033[K");
        bar_shown_ = false;
    }
}

void ConsolePlatform::finish() {
    if (bar_shown_) {
        draw();
        put("\n");
        bar_shown_ = false;
    }
    print_repeated();
    std::fflush(stderr);
}

int language_offset_from_locale() {
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* v = std::getenv(var);
        if (v && *v) return std::strncmp(v, "de", 2) == 0 ? 512 : 0;
    }
    return 0;
}

int finish_standard_output(const char* program) {
    errno = 0;
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return 0;
    int err = errno;
    std::fprintf(stderr, "%s: cannot write the output: %s\n", program, err ? std::strerror(err) : "write error");
    return 1;
}

}  // namespace korvane
