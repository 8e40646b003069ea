#!/usr/bin/python3
"""alterword and orientcheck on the example graphs give the answers of
tests/tools/examples.py (which the README states), each run in a fresh
directory holding ./yices:

  orientcheck: "Not semi-transitive" for wheel6, shrikhande and clebsch
  (confirmed by the independent search in test_examples.py), an orientation
  that passes the checker for the others;
  alterword (on the word-representable ones): K = 2 for path3, complete20
  and empty20, 3 for petersen and prism3, ceil(n/2) for crown<n>, with
  "no solution for k," for each smaller k, a word that passes the checker,
  exit status 0 and "ff" left present and empty.

usage: test_examples_programs.py [NAME...]   (default: every example)
The programs come from $WORDREP_ALTERWORD, $WORDREP_ORIENTCHECK, $WORDREP_YICES."""

import os
import subprocess
import sys
import tempfile
import unittest

from helpers import EXAMPLES
from wordrep.checks import check_orientation, check_word
from examples import ALTERWORD
from wordrep.formats import parse_alterword, parse_orientcheck
from wordrep.graph import read_input_file

PROGRAMS = {p: os.environ.get("WORDREP_" + p.upper()) for p in ("alterword", "orientcheck", "yices")}

SELECTED = sys.argv[1:] or sorted(ALTERWORD)


@unittest.skipUnless(all(PROGRAMS.values()), "WORDREP_ALTERWORD, _ORIENTCHECK, _YICES not set")
class ExampleAnswers(unittest.TestCase):
    def run_program(self, name, graph_file):
        with tempfile.TemporaryDirectory() as d:
            os.symlink(PROGRAMS["yices"], os.path.join(d, "yices"))
            with open(graph_file) as f:
                p = subprocess.run([PROGRAMS[name]], stdin=f, capture_output=True, text=True, cwd=d)
            self.assertEqual((p.returncode, p.stderr), (0, ""), name)
            with open(os.path.join(d, "ff")) as f:
                self.assertEqual(f.read(), "", "ff after " + name)
            self.assertEqual(sorted(os.listdir(d)), ["ff", "yices"])
            return p.stdout

    def test_examples(self):
        for name in SELECTED:
            with self.subTest(example=name):
                path = os.path.join(EXAMPLES, name + ".graph")
                n, edges = read_input_file(path)
                arcs = parse_orientcheck(self.run_program("orientcheck", path))
                want = ALTERWORD[name]
                if want is None:
                    self.assertIsNone(arcs)
                    continue
                self.assertIsNotNone(arcs)
                self.assertEqual(check_orientation(n, edges, arcs), [])
                k, letters = parse_alterword(self.run_program("alterword", path))
                self.assertEqual(k, want)
                self.assertEqual(check_word(n, edges, k, letters), [])


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
