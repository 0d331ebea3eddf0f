// SPDX-License-Identifier: MIT
// A stand-in for HTML Help Workshop's hhc.exe in the tests: it checks that
// it was started in the project's folder with the project's name, writes
// the file its "Compiled file=" line names (its text: the marker and the
// arguments it got) and ends as hhc.exe does, with 1 after a compile. With
// KORVANE_FAKE_HHC=fail it writes nothing and ends with 0, as hhc.exe does
// when a compile fails.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) return 3;
    const char* mode = std::getenv("KORVANE_FAKE_HHC");
    if (mode && std::strcmp(mode, "fail") == 0) {
        std::puts("stand-in compiler: failing as asked");
        return 0;
    }
    std::ifstream project(argv[1]);
    std::string line, compiled;
    while (std::getline(project, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("Compiled file=", 0) == 0) compiled = line.substr(14);
    }
    if (compiled.empty()) return 4;  // not started in the project's folder
    std::ofstream out(compiled, std::ios::binary);
    out << "stand-in compiled " << argv[1] << "\n";
    std::puts("stand-in compiler: compiled");
    return out ? 1 : 5;
}
