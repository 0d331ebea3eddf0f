#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""The CHM checks themselves: a small project compiled with chmcmd must read back whole, and each check
must report the faults it is there for (chmcmd's own absolute context paths among them).
Run with /usr/bin/python3 (python3-chm); needs chmcmd, node with acorn, xchm, Xvfb and ImageMagick."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import chm_tools  # noqa: E402

PAGE = ('<html><head><title>{0}</title></head>\r\n<body>\r\n<h1>{0}</h1><p>{1}</p>{2}</body></html>\r\n')
SITEMAP = '<HTML><BODY><UL>\r\n{}</UL></BODY></HTML>\r\n'


def item(name, *pages):
    params = "".join(f'<param name="Local" value="{p}">' for p in pages)
    return f'<LI><OBJECT type="text/sitemap"><param name="Name" value="{name}">{params}</OBJECT>\r\n'


def write(folder, name, text):
    os.makedirs(os.path.dirname(os.path.join(folder, name)), exist_ok=True)
    with open(os.path.join(folder, name), "w", encoding="cp1252", newline="") as f:
        f.write(text)


def compile_project(folder, hhp):
    run = subprocess.run(["chmcmd", "--no-html-scan", hhp], cwd=folder, capture_output=True, text=True)
    if run.returncode:
        raise AssertionError(f"chmcmd {hhp}: {run.returncode}\n{run.stdout}{run.stderr}")


class ChmChecks(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="chm-tools-")
        write(cls.folder, "intro.htm", PAGE.format("Intro", "kumquat first page", ""))
        write(cls.folder, "use.htm", PAGE.format("Use", "zeppelin second page",
                                                 "<script>var n = 1; function f() { return n; }</script>"))
        write(cls.folder, "more/deep.htm", PAGE.format("Deep", "quagga third page", ""))
        write(cls.folder, "help.hhc", SITEMAP.format(item("Intro", "intro.htm") + "<UL>\r\n" + item("Use", "use.htm")
                                                    + "</UL>\r\n" + item("Deep", "more/deep.htm")))
        # chmcmd keeps one page an <OBJECT>: a keyword of two pages is written twice
        write(cls.folder, "help.hhk", SITEMAP.format(
            item("files", "intro.htm") + item("files", "use.htm") + "<UL>\r\n" + item("opening", "use.htm")
            + "</UL>\r\n" + item("deep, with a comma", "more/deep.htm")))
        write(cls.folder, "help.h", "#define IDH_INTRO 10\r\n#define IDH_USE 0x14\r\n#define IDH_DEEP 4000000000\r\n")
        write(cls.folder, "help.hhp", "[OPTIONS]\r\nCompiled file=help.chm\r\nContents file=help.hhc\r\n"
              "Index file=help.hhk\r\nDefault topic=intro.htm\r\nFull-text search=Yes\r\nBinary TOC=Yes\r\n"
              "Binary Index=Yes\r\nLanguage=0x409 English (United States)\r\nTitle=Checks\r\n\r\n"
              "[FILES]\r\nintro.htm\r\nuse.htm\r\nmore/deep.htm\r\n\r\n"
              "[ALIAS]\r\nIDH_INTRO=intro.htm\r\nIDH_USE=use.htm\r\nIDH_DEEP=more/deep.htm\r\n\r\n"
              "[MAP]\r\n#include help.h\r\n")
        compile_project(cls.folder, "help.hhp")
        cls.chm = chm_tools.Chm(os.path.join(cls.folder, "help.chm"))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.folder)

    def project(self):
        return chm_tools.Project(os.path.join(self.folder, "help.hhp"), self.chm.encoding)

    def test_reads_back_what_was_compiled(self):
        self.assertTrue({"/intro.htm", "/use.htm", "/more/deep.htm", "/#IVB"} <= set(self.chm.files()))
        self.assertEqual(list(chm_tools.flatten(self.chm.contents())),
                         [(0, "Intro", ("intro.htm",)), (1, "Use", ("use.htm",)), (0, "Deep", ("more/deep.htm",))])
        self.assertEqual(chm_tools.keywords(self.chm.index()), {
            ("files",): ({"intro.htm", "use.htm"}, ""), ("files", "opening"): ({"use.htm"}, ""),
            ("deep, with a comma",): ({"more/deep.htm"}, "")})
        self.assertEqual(sorted(self.chm.context_map()), [10, 20, 4000000000])
        self.assertEqual(list(self.chm.search("zeppelin")), ["use.htm"])
        self.assertEqual(self.chm.search("nowhereword"), {})

    def test_check_reports_the_faults(self):
        project = self.project()
        problems = chm_tools.check(self.chm, project, [("quagga", "more/deep.htm")])
        # chmcmd 3.2.2 stores the page of each number with the absolute project folder in front
        self.assertEqual(len(problems), 3, problems)
        self.assertTrue(all("which is not stored" in p and self.folder in p for p in problems), problems)
        project.files.append("ghost.htm")
        project.map[99] = "IDH_NONE"
        problems = chm_tools.check(self.chm, project, [("kumquat", "use.htm")])
        for wanted in ("[FILES] page not stored: ghost.htm", "[MAP] IDH_NONE 99 has no [ALIAS]",
                       "full-text search for 'kumquat' does not find use.htm"):
            self.assertIn(wanted, problems)

    def test_check_compares_contents_and_keywords(self):
        shutil.copy(os.path.join(self.folder, "help.hhk"), os.path.join(self.folder, "saved.hhk"))
        try:
            with open(os.path.join(self.folder, "help.hhk"), "a", encoding="cp1252") as f:
                f.write(item("absent", "intro.htm"))
            project = self.project()
            problems = [p for p in chm_tools.check(self.chm, project, []) if p.startswith("keyword")]
            self.assertEqual(problems, ["keyword missing: absent"])
            project.options["contents file"] = "saved.hhk"
            self.assertTrue(any(p.startswith("contents missing: (0, 'files'") for p in
                                chm_tools.check(self.chm, project, [])))
        finally:
            shutil.move(os.path.join(self.folder, "saved.hhk"), os.path.join(self.folder, "help.hhk"))

    def test_es5(self):
        pages = os.path.join(self.folder, "es5")
        write(pages, "good.htm", '<script type="text/javascript">var a = {get x() {return 1;}};</script>'
                                 '<script type="text/template">${x} () => 1</script>'
                                 '<p onclick="alert(&quot;a&quot;); return false;">p</p>\n')
        write(pages, "js/bad.js", "var fine = 1;\nvar f = (a) => a;\n")
        write(pages, "bad.html", '<p>\n<a onclick="let x = 1">a</a>\n<script>\nvar s = `t`;\n</script>\n')
        run = subprocess.run(["node", os.path.join(HERE, "check_es5.js"), pages], capture_output=True, text=True)
        self.assertEqual(run.returncode, 1, run.stdout + run.stderr)
        failures = [line.split(": ")[0].replace(pages + "/", "") for line in run.stdout.splitlines()[:-1]]
        self.assertEqual(failures, ["bad.html:4:9", "bad.html:2:17", "js/bad.js:2:14"])
        os.remove(os.path.join(pages, "bad.html"))
        os.remove(os.path.join(pages, "js/bad.js"))
        run = subprocess.run(["node", os.path.join(HERE, "check_es5.js"), pages], capture_output=True, text=True)
        self.assertEqual((run.returncode, run.stdout.strip()), (0, "1 files, 2 scripts, 0 not ES5"))

    def test_xchm_shows_a_page_and_measures_a_blank_one(self):
        shot = [os.path.join(HERE, "xchm_shot.sh"), "-c", "20", os.path.join(self.folder, "help.chm")]
        run = subprocess.run(shot, capture_output=True, text=True)
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
        blank = os.path.join(self.folder, "blank")
        write(blank, "empty.htm", "<html><head><title>Empty</title></head><body></body></html>")
        write(blank, "empty.hhp", "[OPTIONS]\r\nCompiled file=empty.chm\r\nDefault topic=empty.htm\r\n"
                                  "Title=Empty\r\n\r\n[FILES]\r\nempty.htm\r\n")
        compile_project(blank, "empty.hhp")
        run = subprocess.run(shot[:1] + [os.path.join(blank, "empty.chm")], capture_output=True, text=True)
        self.assertEqual(run.returncode, 1, run.stdout + run.stderr)
        self.assertIn(" 0.00% ink", run.stdout)


if __name__ == "__main__":
    unittest.main()
