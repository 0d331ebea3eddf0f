// SPDX-License-Identifier: MIT
// Running another program: the HTML Help compiler that turns a written
// project into a .chm. Names and arguments are UTF-8; the program's own
// output goes into a file or nowhere, never to the terminal or the window
// of the conversion.
#pragma once

#include <string>
#include <vector>

namespace korvane::sys {

// The path of the program named name (no folder) found on the system's
// search path (PATH), empty when there is none.
std::string find_program(const std::string& name);

struct ProcessResult {
    bool started = false;  // false: it could not be run at all (problem says why)
    bool exited = false;   // it ended by itself (not killed by a signal)
    int exit_code = 0;     // when it exited
    std::string problem;
};

// Runs program (a path) with arguments, in folder as its working directory,
// and waits until it ends. Its standard output and error go into the file
// output, a path taken in folder when relative (created or emptied; empty:
// discarded); it reads nothing.
ProcessResult run_program(const std::string& program, const std::vector<std::string>& arguments,
                          const std::string& folder, const std::string& output);

}  // namespace korvane::sys
