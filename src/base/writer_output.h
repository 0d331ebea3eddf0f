// SPDX-License-Identifier: MIT
// Where the writers of a conversion's files put them, where they report,
// and the conversion's CVF_ bits (topics/help_model.h).
#pragma once

namespace korvane {

struct Reporter;
class OutputSink;

struct WriterOutput {
    OutputSink& output;
    Reporter& report;
    int flags = 0;
};

}  // namespace korvane
