// SPDX-License-Identifier: MIT
// The process on Linux: arguments, environment and streams are bytes already.
#include <unistd.h>

#include <cstdlib>

#include "system/process.h"

namespace korvane::sys {

std::vector<std::string> utf8_arguments(int argc, char** argv) { return std::vector<std::string>(argv, argv + argc); }

void prepare_standard_streams() {}

std::optional<std::string> environment_variable(const char* name) {
    const char* value = std::getenv(name);
    if (!value) return std::nullopt;
    return std::string(value);
}

bool is_terminal(std::FILE* stream) { return ::isatty(::fileno(stream)) != 0; }

}  // namespace korvane::sys
