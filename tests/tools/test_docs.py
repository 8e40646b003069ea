#!/usr/bin/python3
"""The README and every page of docs/ run as written (docrun.py): each
shell and Python block in order in a scratch directory, the output each
transcript shows compared byte for byte; so do the examples of the man
pages of alterword and orientcheck.  And the runner itself on planted
pages: a wrong output, a file no earlier command made, a failing Python
block are reported by page and line; skipped and marked blocks are not
held to their output.  The build tree comes from $WORDREP_BUILD (set by
CMake)."""

import glob
import os
import tempfile
import unittest

from docrun import Runner, blocks, transcript
from helpers import ROOT

BUILD = os.environ.get("WORDREP_BUILD")
PAGES = ["README.md"] + sorted(os.path.relpath(p, ROOT)
                               for p in glob.glob(os.path.join(ROOT, "docs", "*.md")))


@unittest.skipUnless(BUILD, "WORDREP_BUILD not set")
class Pages(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.addCleanup(self.tmp.cleanup)
        self.runner = Runner(ROOT, BUILD, self.tmp.name)

    def test_every_page_runs_as_written(self):
        ran = 0
        for page in PAGES:
            with self.subTest(page=page):
                report = self.runner.run_page(os.path.join(ROOT, page), page)
                self.assertEqual(report.failures, [])
                ran += report.ran
        self.assertGreater(ran, 20)

    def test_the_examples_of_the_programs_man_pages(self):
        for name in ("alterword.1", "orientcheck.1"):
            with self.subTest(page=name):
                report = self.runner.run_man_example(os.path.join(ROOT, "docs", "man", name))
                self.assertEqual(report.failures, [])

    def write(self, name, text):
        path = os.path.join(self.tmp.name, name)
        with open(path, "w") as f:
            f.write(text)
        return path

    def test_planted_faults_are_reported(self):
        page = self.write("planted.md", "\n".join([
            "# planted",                                        # 1
            "```",
            "$ mkdir sub && cd sub",
            "$ basename \"$PWD\"",
            "sub",                                              # 5
            "$ echo one",
            "two",
            "```",
            "",
            "```sh",                                            # 10
            "wc -l < made-by-nobody.g6",
            "```",
            "",
            "<!-- docs: skip never run -->",
            "```sh",                                            # 15
            "exit 1",
            "```",
            "",
            "<!-- docs: output varies -->",
            "```",                                              # 20
            "$ date",
            "Thu Jan  1 00:00:00 UTC 1970",
            "```",
            "",
            "<!-- docs: needs no_such_module_here -->",         # 25
            "```python",
            "raise SystemExit(3)",
            "```",
            "",
            "```python",                                        # 30
            "import os",
            "assert os.path.basename(os.getcwd()) == 'sub'",
            "open('c10.csv')",
            "```",
            "",                                                 # 35
            "```csv",
            "graph6,vertices",
            "```",
            ""]))
        report = self.runner.run_page(page, "planted.md")
        self.assertEqual((report.ran, report.skipped), (4, 2))
        self.assertEqual([f.split("\n")[0] for f in report.failures], [
            "planted.md:6: $ echo one",
            "planted.md:11: the sh block ends with exit status 1:",
            "planted.md:31: the python block ends with exit status 1:"])
        self.assertEqual(report.failures[0], "planted.md:6: $ echo one\n  the page shows:\n"
                         "    two\n  it printed:\n    one\n")
        self.assertIn("made-by-nobody.g6: No such file or directory", report.failures[1])
        self.assertIn("No such file or directory: 'c10.csv'", report.failures[2])

    def test_a_broken_example_in_a_real_page(self):
        with open(os.path.join(ROOT, "docs", "alterword.md")) as f:
            text = f.read()
        good = "18(10)9716234(10)5678495317269(10)38542"
        command = "$ alterword < ../examples/crown5.graph"
        page = self.write("alterword.md", text.replace(good, good[::-1]))
        report = self.runner.run_page(page, "alterword.md")
        self.assertEqual(len(report.failures), 1, report.failures)
        self.assertTrue(report.failures[0].startswith(
            "alterword.md:%d: %s\n" % (text[:text.index(command)].count("\n") + 1, command)))


class Parsing(unittest.TestCase):
    def test_blocks_and_transcripts(self):
        text = "x\n<!-- docs: skip slow -->\n```sh\na\n```\n```\n$ b\nout\n$ c\n```\n"
        got = blocks(text)
        self.assertEqual([(b.lang, b.line, b.lines, b.mark) for b in got],
                         [("sh", 4, ["a"], ("skip", "slow")), ("", 7, ["$ b", "out", "$ c"], None)])
        self.assertEqual(transcript(got[1]), [(7, "b", ["out"]), (9, "c", [])])


if __name__ == "__main__":
    unittest.main()
