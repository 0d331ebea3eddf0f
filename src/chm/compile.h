// SPDX-License-Identifier: MIT
// Compiling a written HTML Help project into NAME.chm.
//
// Microsoft's compiler, HTML Help Workshop's hhc.exe (on the search path or
// where the Workshop installs itself), compiles the author's NAME.hhp as it
// is, into ../NAME.chm; it ends with 1 when it compiled, 0 when it did not,
// and its messages go to hhc.log. Without it, chmcmd (Free Pascal's
// compiler, Debian's fp-utils), found on the search path:
//
// chmcmd runs in the project's folder on a copy of the project without
// [ALIAS] and [MAP] (chmcmd.hhp, compiling into chmcmd.chm there, its
// messages into chmcmd.log), with --no-html-scan: without it chmcmd packs
// every file the pages name, wherever it lies ("../../etc/hostname"), not
// only those of [FILES]. Its context map is useless (chm/context_map_fix.h
// says why); the map is written into the compiled file afterwards, which
// then goes to NAME.chm beside the project's folder, and the copies go.
//
// A compiler that fails (chmcmd ends with an exception on a [FILES] entry
// it cannot read, leaving half a file) is fatal: its file goes, its
// messages stay in chmcmd.log. A compiled file that cannot be read back is
// fatal too. While chmcmd runs (a minute and more for many thousands of
// topics) the platform's events are handled, and Cancel ends it.
#pragma once

#include <string>
#include <vector>

#include "chm/context_map_fix.h"

namespace korvane {

struct Reporter;
class OutputSink;

namespace chm {

// The files of a compilation in the project's folder.
constexpr const char* kCompileProject = "chmcmd.hhp";
constexpr const char* kCompiledCopy = "chmcmd.chm";
constexpr const char* kCompileLog = "chmcmd.log";
constexpr const char* kMicrosoftCompileLog = "hhc.log";

struct CompileJob {
    std::string folder;        // the project's folder in the output, with a trailing '/'
    std::string key;           // NAME
    std::string project_text;  // of the copy chmcmd compiles (into kCompiledCopy)
    std::vector<ContextPage> map;
};

enum class Compiled {
    yes,          // NAME.chm is written
    no_compiler,  // neither compiler is there
    not_on_disk,  // the output is not on disk (a program cannot read it)
};

Compiled compile_html_help(OutputSink& output, const CompileJob& job, Reporter& report);

}  // namespace chm
}  // namespace korvane
