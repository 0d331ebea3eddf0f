// SPDX-License-Identifier: MIT
// What a console program asks of the system around it: its arguments and
// environment as UTF-8, standard streams that carry bytes as they are, and
// whether they are terminals; and running another program (the HTML Help
// compiler that turns a written project into a .chm), with names and
// arguments in UTF-8 and its own output in a file or nowhere, never on the
// terminal or in the window of the conversion.
#pragma once

#include <cstdio>
#include <functional>
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

// The path of the program named name (no folder) found on the system's
// search path (PATH), empty when there is none.
std::string find_program(const std::string& name);

struct ProcessResult {
    bool started = false;  // false: it could not be run at all (problem says why)
    bool exited = false;   // it ended by itself (not killed by a signal)
    int exit_code = 0;     // when it exited
    bool stopped = false;  // waiting said to stop it, and it was ended
    std::string problem;
};

// Runs program (a path) with arguments, in folder as its working directory,
// and waits until it ends. Its standard output and error go into the file
// output, a path taken in folder when relative (created or emptied; empty:
// discarded); it reads nothing. While it runs, waiting (when given) is
// called about ten times a second, so that a window stays responsive;
// when it returns false the program is ended.
ProcessResult run_program(const std::string& program, const std::vector<std::string>& arguments,
                          const std::string& folder, const std::string& output,
                          const std::function<bool()>& waiting = {});

}  // namespace korvane::sys
