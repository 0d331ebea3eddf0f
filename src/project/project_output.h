// SPDX-License-Identifier: MIT
// Where the writers of the project file and its companion files put them.
#pragma once

namespace korvane {

struct Reporter;
class OutputSink;

struct ProjectOutput {
    OutputSink& output;
    Reporter& report;
    int flags = 0;  // CVF_ bits
};

}  // namespace korvane
