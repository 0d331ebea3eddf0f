#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Plants each fault of faults.txt in turn and reports which test catches it.

Usage: tools/fault-sample/run.py BUILD_DIR [ID_PREFIX ...]

BUILD_DIR is a configured build of this tree. For each fault the file is
edited, the programs are rebuilt and the tests run cheapest first (the
snapshot test, the unit tests, then the rest of ctest); the first failure
catches the fault. A fault in the Windows code (src/ui/win32,
src/system/windows) is built and tested in the cross build that
KORVANE_WINDOWS_BUILD names (tests/windows): the system services and the
dialogs first, then the other Windows tests. The file is restored afterwards, also on interruption.
A line per fault goes to stdout: ID, caught-by or MISSED (or BUILD-ERROR,
NOT-FOUND for a fault whose text no longer matches).
"""
import os
import signal
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def faults(path):
    block = None
    for line in open(path, encoding="utf-8"):
        line = line.rstrip("\n")
        if line.startswith("@ "):
            ident, _, what = line[2:].partition(" ")
            block = {"id": ident, "what": what}
        elif block is None or not line or line.startswith("#"):
            continue
        elif line.startswith("- "):
            block["old"] = line[2:]
        elif line.startswith("+ "):
            block["new"] = line[2:]
            yield block
            block = None
        else:
            block["file"] = line


def run(args, log, timeout=1800):
    with open(log, "a") as out:
        out.write("$ " + " ".join(args) + "\n")
        out.flush()
        try:
            return subprocess.run(args, cwd=ROOT, stdout=out, stderr=subprocess.STDOUT, timeout=timeout).returncode
        except subprocess.TimeoutExpired:
            return -1


def main():
    # A stop from outside still restores the file being edited.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    if subprocess.run(["git", "diff", "--quiet", "--", "src"], cwd=ROOT).returncode != 0:
        sys.exit("src/ has changes of its own: commit or restore them first")
    build = os.path.abspath(sys.argv[1])
    wanted = sys.argv[2:]
    log = os.path.join(build, "fault-sample.log")
    build_cmd = ["cmake", "--build", build, "-j2", "--target"]
    stages = [
        ("snapshots", build_cmd + ["korvane-cli"], ["ctest", "--test-dir", build, "-R", "^snapshots$"]),
        ("unit tests", build_cmd + ["korvane_tests"], [os.path.join(build, "tests", "korvane_tests")]),
        # The browser checks of whole corpus sites take minutes each; the
        # snapshot test holds every page of those sites already.
        ("other tests", ["cmake", "--build", build, "-j2"],
         ["ctest", "--test-dir", build, "-j2", "-E", "^snapshots$|^install_tree$|^debian_package$|^corpus_sites$|^site_layout$"]),
    ]
    windows = os.path.abspath(os.environ.get("KORVANE_WINDOWS_BUILD", "missing-windows-build"))
    first = "^windows_(system_services|dialogs)$"
    windows_stages = [
        (name, ["cmake", "--build", windows, "-j2"], ["ctest", "--test-dir", windows, option, first])
        for name, option in (("Windows services and dialogs", "-R"), ("other Windows tests", "-E"))]
    for fault in faults(os.path.join(ROOT, "tools", "fault-sample", "faults.txt")):
        if wanted and not any(fault["id"].startswith(w) for w in wanted):
            continue
        path = os.path.join(ROOT, fault["file"])
        original = open(path, encoding="utf-8").read()
        if original.count(fault["old"]) != 1:
            print(fault["id"], "NOT-FOUND", flush=True)
            continue
        start = time.time()
        verdict = "MISSED"
        try:
            with open(path, "w", encoding="utf-8") as f:
                f.write(original.replace(fault["old"], fault["new"]))
            on_windows = fault["file"].startswith(("src/ui/win32/", "src/system/windows/"))
            for name, make, test in windows_stages if on_windows else stages:
                if run(make, log) != 0:
                    verdict = "BUILD-ERROR"
                    break
                if run(test, log) != 0:
                    verdict = "caught by " + name
                    break
        finally:
            with open(path, "w", encoding="utf-8") as f:
                f.write(original)
        print(f"{fault['id']} {verdict} ({time.time() - start:.0f} s) {fault['what']}", flush=True)


if __name__ == "__main__":
    main()
