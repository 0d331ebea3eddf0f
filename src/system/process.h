// SPDX-License-Identifier: MIT
// What a console program asks of the system around it: its arguments and
// environment as UTF-8, standard streams that carry bytes as they are, and
// whether they are terminals.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace korvane::sys {

// The program's arguments (argv[0] first) in UTF-8: on Windows from the
// wide-character command line, whatever the ANSI code page.
std::vector<std::string> utf8_arguments(int argc, char** argv);

// Makes stdout and stderr write their bytes unchanged (Windows would turn
// each line feed into CR LF) and a console show UTF-8.
void prepare_standard_streams();

// The value of an environment variable in UTF-8; nothing when it is unset.
std::optional<std::string> environment_variable(const char* name);

// True when the stream (stdout or stderr) is a terminal or console.
bool is_terminal(std::FILE* stream);

}  // namespace korvane::sys
