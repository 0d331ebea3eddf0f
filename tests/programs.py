#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The programs as users and scripts run them, without a display: korvane-cli's modes, output folders,
batches, file names, errors and exit codes; korvane FILE taking the whole tail as the path; and
`korvane --read FILE`, which writes the site into the cache once per version of the help file, in a
folder of its own per help file, and hands its index.html to the opener found on PATH (stand-in scripts
here that record what they were given). What a conversion writes and warns is held by the snapshot test.

usage: programs.py KORVANE_CLI KORVANE SOURCE_DIR VERSION"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

problems = []


def expect(ok, what):
    if not ok:
        problems.append(what)


def run(args, cwd, stdout=subprocess.PIPE, **env):
    """Runs args in cwd without the display variables, with env set: (exit code, stdout, stderr)."""
    environment = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    r = subprocess.run(args, cwd=cwd, stdout=stdout, stderr=subprocess.PIPE, env=dict(environment, LANG="C", **env))
    return r.returncode, (r.stdout or b"").decode("utf-8", "replace"), r.stderr.decode("utf-8", "replace")


def copy(source, seed, to):
    os.makedirs(os.path.dirname(to) or ".", exist_ok=True)
    shutil.copy(os.path.join(source, "fuzz/seeds", seed), to)


def test_cli(cli, korvane, source, version, d):
    copy(source, "stored.hlp", f"{d}/A.HLP")
    # The options give the flags of the dialog.
    for options, flags in (([], "0x38"), (["--no-shg"], "0x39"), (["--no-browse"], "0x30"), (["--print"], "0x07"),
                           (["--print", "--page-break", "--jumps"], "0x37"), (["--print", "--jumps"], "0x27"),
                           (["--flags=0x18"], "0x18"), (["--flags=5"], "0x05")):
        code, _, err = run([cli, *options, "-C", "out", "A.HLP"], d)
        expect(code == 0 and f"A.HLP (flags {flags})" in err, f"{options}: exit {code}, {err}")
    code, _, err = run([cli, "-C", "out/nested", "A.HLP"], d)
    expect(code == 0 and sorted(os.listdir(d)) == ["A.HLP", "out"] and os.path.isfile(f"{d}/out/nested/A.HPJ"), err)
    expect(run([cli, "--output-dir=second", "A.HLP"], d)[0] == 0 and os.path.isfile(f"{d}/second/A.HPJ"), "--output-dir")
    code, out, err = run([cli, "--list", "A.HLP"], d)
    expect(code == 0 and all(line in out for line in ("|SYSTEM", "notes.txt", "compiler: HC31 (minor version 21)",
                                                      "topics compressed: no")), f"--list: {out}")
    # A batch goes on after a failed file; with one folder each file gets a folder of its own, names told
    # apart when they differ only in case.
    copy(source, "damaged-three-bytes.hlp", f"{d}/BAD.HLP")
    copy(source, "version30.hlp", f"{d}/b/x.hlp")
    copy(source, "stored.hlp", f"{d}/c/A-2.HLP")
    code, _, err = run([cli, "-C", "batch", "A.HLP", "BAD.HLP", "MISSING.HLP", "b/x.hlp", "c/A-2.HLP"], d)
    expect(code == 1 and "2 of 5 files failed" in err and sorted(os.listdir(f"{d}/batch")) == ["A", "A-2", "BAD", "x"]
           and os.path.isfile(f"{d}/batch/A-2/A-2.HPJ") and os.path.isfile(f"{d}/batch/x/x.HPJ"), f"batch: {err}")

    # Print mode takes the pictures into TEMP to embed them, and leaves nothing there.
    os.makedirs(f"{d}/temp")
    code, _, err = run([cli, "--print", "-C", "print", f"{source}/fuzz/seeds/named-pictures.hlp"], d, TEMP=f"{d}/temp")
    expect(code == 0 and not os.listdir(f"{d}/temp") and os.listdir(f"{d}/print") == ["named-1.RTF"] and
           b"\\pict" in open(f"{d}/print/named-1.RTF", "rb").read(), f"print mode: {err}")

    # Usage errors (code pages without a character set among them) exit with 2; files that cannot be read
    # or written with 1, naming the file.
    for folder in ("sub", "blocked/A.HPJ", "blocked/A1.RTF"):  # a folder where a file must go
        os.makedirs(f"{d}/{folder}")
    for args, want, named in (
            (["--bogus", "A.HLP"], 2, ""), ([], 2, ""), (["--flags=0x40", "A.HLP"], 2, ""), (["--flags=zz", "A.HLP"], 2, ""),
            (["--flags=1", "--print", "A.HLP"], 2, ""), (["-C"], 2, ""), (["--list"], 2, ""),
            (["--list", "A.HLP", "B.HLP"], 2, ""), (["--codepage=437", "A.HLP"], 2, ""), (["--codepage=0", "A.HLP"], 2, ""),
            (["--codepage=x932", "A.HLP"], 2, ""), (["--codepage=99999999", "A.HLP"], 2, ""), (["--codepage=", "A.HLP"], 2, ""),
            (["NOPE"], 1, "NOPE.HLP"), (["."], 1, "Is a directory"), (["sub/."], 1, "Is a directory"),
            (["-C", "out", "NOPE"], 1, "NOPE.HLP"), (["-C", "blocked", "A.HLP"], 1, "A.HPJ"),
            (["--print", "-C", "blocked", "A.HLP"], 1, "A1.RTF"), (["--list", "NOPE"], 1, "NOPE.HLP")):
        code, _, err = run([cli, *args], d)
        expect(code == want and "korvane-cli: " in err and named in err, f"{args}: exit {code}, {err}")
    expect(run([cli, "--version"], d)[1] == f"korvane-cli {version}\n", "korvane-cli --version")
    expect(run([korvane, "--version"], d)[1] == f"korvane {version}\n", "korvane --version")
    code, out, _ = run([korvane, "--help"], d)
    expect(code == 0 and out, "korvane --help")
    for command in ([cli, "--help"], [cli, "--list", "A.HLP"], [korvane, "--version"]):
        with open("/dev/full", "w") as full:
            code, _, err = run(command, d, stdout=full)
        expect(code == 1 and "No space left on device" in err, f"{command} >/dev/full: {err}")

    # korvane takes the whole tail as the path and exits with 2; base names keep whole UTF-8 characters.
    for name, args, written in (("with space.hlp", ["with", "space.hlp"], "with space.HPJ"), ("THERE.HLP", ["THERE"], "THERE.HPJ"),
                                ("PLAIN", ["PLAIN"], "PLAIN.HPJ"), ("日本語のヘルプ.hlp", ["日本語のヘルプ.hlp"], "日本語のヘル1.RTF")):
        copy(source, "stored.hlp", f"{d}/tail/{name}")
        code, _, err = run([korvane, *args], f"{d}/tail")
        expect(code == 2 and os.path.isfile(f"{d}/tail/{written}"), f"korvane {args}: exit {code}, {err}")
    code, _, err = run([korvane, "NOPE"], d)
    expect(code == 1 and "NOPE.HLP" in err, f"korvane NOPE: {err}")


def opener(folder, name, record, code=0):
    """A stand-in opener: appends its arguments as one line to record and exits with code."""
    os.makedirs(folder, exist_ok=True)
    with open(f"{folder}/{name}", "w") as f:
        f.write(f"#!/bin/sh\nprintf '%s\\n' \"$*\" >> '{record}'\nexit {code}\n")
    os.chmod(f"{folder}/{name}", 0o755)


def lines(path):
    return open(path).read().splitlines() if os.path.exists(path) else []


def test_read(korvane, source, d):
    odd = "we'ird $(name); *.hlp"
    for folder in ("in", "work"):
        os.makedirs(f"{d}/{folder}")
    shutil.copy(f"{source}/tests/corpus/winfile/winfile.hlp", f"{d}/in/{odd}")
    opener(f"{d}/bin", "xdg-open", f"{d}/opened")
    opener(f"{d}/bin", "gio", f"{d}/gio-opened")
    # An empty XDG_CACHE_HOME counts as unset: the cache is below HOME.
    env, cache = {"HOME": f"{d}/home", "XDG_CACHE_HOME": "", "PATH": f"{d}/bin"}, f"{d}/home/.cache/korvane"
    code, _, err = run([korvane, "--read", f"../in/{odd}"], f"{d}/work", **env)
    opened = lines(f"{d}/opened")
    entries = os.listdir(cache) if os.path.isdir(cache) else []
    if code or len(opened) != 1 or len(entries) != 1:
        problems.append(f"--read: exit {code}, opened {opened}, cache {entries}: {err}")
        return
    index, entry = opened[0], entries[0]
    # One folder of safe characters in the cache, holding the site; nothing written anywhere else;
    # xdg-open comes first.
    expect(entry.replace("_", "").replace("-", "").isalnum() and entry.isascii(), f"cache folder {entry}")
    expect(os.path.dirname(os.path.dirname(index)) == f"{cache}/{entry}" and index.endswith("/index.html"), index)
    expect(not os.listdir(f"{d}/work") and os.listdir(f"{d}/in") == [odd] and not lines(f"{d}/gio-opened"),
           "written elsewhere, or gio opened")
    # Unchanged: the same site is opened again, not written again.
    first = os.stat(index)
    code = run([korvane, "--read", f"{d}/in/{odd}"], f"{d}/work", **env)[0]
    again = os.stat(index)
    expect(code == 0 and lines(f"{d}/opened") == [index, index] and
           (again.st_ino, again.st_mtime_ns) == (first.st_ino, first.st_mtime_ns), "a second read writes the site again")
    # Changed: converted again into the same place. What a killed run left behind goes once it is old; a
    # conversion under way is left alone.
    os.makedirs(f"{cache}/{entry}.tmp-stale/x")
    os.makedirs(f"{cache}/{entry}.tmp-running")
    os.utime(f"{cache}/{entry}.tmp-stale", (time.time(), time.time() - 2 * 3600))
    shutil.copy(f"{source}/tests/corpus/leakybin/LEAKYBIN.HLP", f"{d}/in/{odd}")
    code = run([korvane, "--read", f"{d}/in/{odd}"], f"{d}/work", **env)[0]
    expect(code == 0 and lines(f"{d}/opened")[2:] == [index] and os.stat(index).st_ino != first.st_ino and "leaky" in
           open(index).read().lower(), "a changed help file is not converted again")
    expect(sorted(os.listdir(cache)) == [entry, entry + ".tmp-running"], f"the cache holds {os.listdir(cache)}")

    # gio when there is no xdg-open; a help file of the same name in another folder has a site of its own.
    copy(source, "stored.hlp", f"{d}/A.HLP")
    copy(source, "version30.hlp", f"{d}/other/A.HLP")
    cache = f"{d}/cache"
    opener(f"{d}/gio-only", "gio", f"{d}/gio")

    def read(name, path, **more):
        return run([korvane, "--read", name], d, **{"XDG_CACHE_HOME": cache, "HOME": f"{d}/home", "PATH": path, **more})

    code, _, err = read("A", f"{d}/gio-only")
    opened = lines(f"{d}/gio")
    expect(code == 0 and len(opened) == 1 and opened[0].startswith(f"open {cache}/"), f"gio: {opened} {err}")
    index = opened[0][5:]
    expect(os.path.isfile(index) and read("other/A.HLP", f"{d}/gio-only")[0] == 0 and len(os.listdir(f"{cache}/korvane")) == 2,
           "two help files of one name share a site")
    # No opener at all, or one that fails (not passed over for the next one): the message names index.html.
    opener(f"{d}/failing", "xdg-open", f"{d}/failed", 3)
    opener(f"{d}/failing", "gio", f"{d}/gio")
    for path in (f"{d}/empty", f"{d}/failing"):
        code, _, err = read("A.HLP", path)
        expect(code == 1 and index in err, f"no opener that opens: exit {code}, {err}")
    expect(len(lines(f"{d}/failed")) == 1 and len(lines(f"{d}/gio")) == 2, "the failing opener passed over")
    # A help file that cannot be converted leaves nothing in the cache; a cache that cannot be made is named.
    before = sorted(os.listdir(f"{cache}/korvane"))
    copy(source, "damaged-three-bytes.hlp", f"{d}/BAD.HLP")
    expect(read("BAD.HLP", f"{d}/gio-only")[0] == 1 and sorted(os.listdir(f"{cache}/korvane")) == before
           and len(lines(f"{d}/gio")) == 2, "a help file that cannot be converted")
    open(f"{d}/file", "w").close()
    code, _, err = read("A.HLP", f"{d}/gio-only", XDG_CACHE_HOME=f"{d}/file/cache")
    expect(code == 1 and f"{d}/file/cache/korvane" in err, f"a cache that cannot be made: {err}")


def main(cli, korvane, source, version):
    for name, test in (("korvane-cli and korvane", lambda d: test_cli(cli, korvane, source, version, d)),
                       ("korvane --read", lambda d: test_read(korvane, source, d))):
        with tempfile.TemporaryDirectory() as d:
            before = len(problems)
            test(d)
            print(f"{name}: {len(problems) - before} problems")
    print("\n".join(problems))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
