// SPDX-License-Identifier: MIT
// What the readers of one walk through the topics share: the model they
// read, the walk's own names for context hashes, and where warnings go.
#pragma once

namespace korvane {

struct HelpModel;
struct Reporter;
class ContextNamer;

struct TopicContext {
    const HelpModel& model;
    ContextNamer& names;
    Reporter& report;
};

}  // namespace korvane
