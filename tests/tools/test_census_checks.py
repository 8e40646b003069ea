#!/usr/bin/python3
"""check-word and check-orientation at the census's size (graph6 up to 64
vertices) and with a shortcut-length bound, on what wordrep-census answers
for the same graphs; check-census on census files of every format, with
bad rows planted at known lines and named by them.  The census comes from
$WORDREP_CENSUS (set by CMake)."""

import csv
import io
import json
import os
import subprocess
import tempfile
import unittest

from helpers import geng, run, tool
from wordrep.graph import CENSUS_MAX_VERTICES, to_graph6

CENSUS = os.environ.get("WORDREP_CENSUS")
W5 = [(1, v) for v in range(2, 7)] + [(2, 3), (3, 4), (4, 5), (5, 6), (2, 6)]


def census(graphs, *options):
    """The census's rows (dicts of text) for graph6 strings."""
    p = subprocess.run([CENSUS, "--no-summary"] + list(options), input="\n".join(graphs) + "\n",
                       capture_output=True, text=True, check=True)
    return list(csv.DictReader(io.StringIO(p.stdout)))


def path_graph(n):
    return [(v, v + 1) for v in range(1, n)]


N = CENSUS_MAX_VERTICES


@unittest.skipUnless(CENSUS, "WORDREP_CENSUS not set")
class CheckersAtFullSize(unittest.TestCase):
    # (graph6, census options): each certificate the census gives is valid
    # for the checkers, and the same one cut short is not.
    CASES = [
        (to_graph6(N, [(a, b) for a in range(1, N) for b in range(a + 1, N + 1)]), []),
        (to_graph6(N, path_graph(N) + [(1, N)]), []),
        (to_graph6(N, path_graph(N) + [(1, N)]), ["--shortcut-length", "3"]),
        (to_graph6(N, path_graph(N // 2) + [(v, v + 1) for v in range(N // 2 + 1, N)]
                   + [(v, v + N // 2) for v in range(1, N // 2 + 1)]), ["--shortcut-length", "5"]),
        ("FCxv?", ["--shortcut-length", "3"]),
    ]

    def test_census_certificates(self):
        for g6, options in self.CASES:
            row = census([g6], *options)[0]
            n, m = int(row["vertices"]), int(row["edges"])
            bound = options[1:]
            with self.subTest(graph6=g6[:12], options=options):
                self.assertEqual(row[list(row)[3]], "yes")
                arcs = row["orientation"].split(" ")
                cmd = [tool("check-orientation"), "-g", g6] + (["--shortcut-length"] + bound
                                                               if bound else [])
                p = run(cmd + [" ".join(arcs)])
                self.assertEqual((p.returncode, p.stdout, p.stderr),
                                 (0, "valid %ssemi-transitive orientation of %d vertices, %d "
                                  "edges\n" % ("%s-" % bound[0] if bound else "", n, m), ""))
                a, b = arcs[-1].split(">")
                p = run(cmd + [" ".join(arcs[:-1])])
                self.assertEqual((p.returncode, p.stderr), (1, "check-orientation: edge %s %s "
                                                            "is not oriented\n"
                                                            % tuple(sorted((a, b), key=int))))
                if row["word"]:
                    k, word = row["representation_number"], row["word"]
                    p = run([tool("check-word"), "-g", g6, k, word])
                    self.assertEqual((p.returncode, p.stdout, p.stderr),
                                     (0, "valid %s-uniform word for %d vertices, %d edges\n"
                                      % (k, n, m), ""))
                    last = word[word.rindex("("):] if word.endswith(")") else word[-1]
                    p = run([tool("check-word"), "-g", g6, k, word[:-len(last)]])
                    self.assertEqual((p.returncode, p.stderr),
                                     (1, "check-word: vertex %s occurs %d times, not %s\n"
                                      % (last.strip("()"), int(k) - 1, k)))

    def test_the_bound_counts_the_arcs_of_the_path(self):
        # An orientation of FCxv? whose one kind of shortcut is 1->4->6->2->5
        # with the arc 1->5 (1 and 2 not adjacent): length 4, allowed by the
        # bound 3, not by 4 or by none.
        arcs = "1>4 1>5 1>7 2>5 6>2 2>7 3>5 6>3 3>7 4>6"
        for bound, status, said in (
                ("3", 0, "valid 3-semi-transitive orientation of 7 vertices, 10 edges\n"),
                ("4", 1, "check-orientation: shortcut of length 4: arc 1->5, and a directed "
                         "path from 1 to 5 passes 1 before 2, which are not adjacent\n"),
                (None, 1, "check-orientation: shortcut: arc 1->5, and a directed path from 1 "
                          "to 5 passes 1 before 2, but 1->2 is not an arc\n")):
            with self.subTest(bound=bound):
                option = [] if bound is None else ["--shortcut-length", bound]
                p = run([tool("check-orientation"), "-g", "FCxv?"] + option + [arcs])
                self.assertEqual((p.returncode, p.stdout + p.stderr), (status, said))

    def test_limits(self):
        over = to_graph6(CENSUS_MAX_VERTICES + 1, [])
        file21 = os.path.join(tempfile.mkdtemp(), "g21.graph")
        with open(file21, "w") as f:
            f.write("21\n1 2\n0 0\n")
        cases = [
            (["check-word", "-g", over, "1", "1"],
             "check-word: graph has 65 vertices; wordrep-census accepts at most 64\n"),
            (["check-orientation", "-g", "Bg", "--shortcut-length", "2", "1>2 2>3"],
             "argument --shortcut-length: takes an integer from 3 to 64, not '2'\n"),
            (["check-orientation", "-g", "Bg", "--shortcut-length", "65", "1>2 2>3"],
             "argument --shortcut-length: takes an integer from 3 to 64, not '65'\n"),
            (["check-orientation", file21, "1>2"],
             "check-orientation: %s:1:1: 21 vertices; alterword and orientcheck accept at most "
             "20 (alterword and orientcheck stop: error 300, value out of range)\n" % file21),
        ]
        for cmd, tail in cases:
            with self.subTest(cmd=cmd):
                p = run([tool(cmd[0])] + cmd[1:])
                self.assertEqual(p.returncode, 2)
                self.assertTrue(p.stderr.endswith(tail), p.stderr)


HEADER = ("graph6,vertices,edges,semi_transitive,representation_number,word,orientation,"
          "witness\n")

# Rows that do not fit their graphs, each with the problem check-census names.
BAD_ROWS = [
    ("F|fJ?,7,12,no,,,,1 2 3 4\n",
     "the witness 1 2 3 4 induces a semi-transitive subgraph (1>2 1>3 1>4 2>3 4>3)"),
    ("Bg,3,2,no,,,,1 2 3\n", "the witness 1 2 3 induces a semi-transitive subgraph (1>2 2>3)"),
    ("F|fI?,7,11,no,,,,1 2 3 4 5 6 7\n",
     "the witness 1 2 3 4 5 6 7 is not minimal: without 7 it has no semi-transitive "
     "orientation either"),
    ("Bg,3,2,yes,2,123123,1>2 2>3,\n", "word: 1 and 3 alternate but are not adjacent"),
    ("Bw,3,3,yes,2,123123,1>2 2>3 3>1,\n", "orientation: directed cycle 1->2->3->1"),
    ("Bg,3,3,yes,,,1>2 2>3,\n", "edges is 3, the graph has 2"),
    ("E|fG,6,10,no,,,,1 2 3 4 5 9\n", "the witness 1 2 3 4 5 9 is not a set of vertices 1..6"),
]


def as_json_line(line):
    """A CSV row of HEADER as the census's JSON line."""
    row = next(csv.DictReader(io.StringIO(HEADER + line)))
    obj = {"graph6": row["graph6"], "vertices": int(row["vertices"]),
           "edges": int(row["edges"]), "semi_transitive": row["semi_transitive"] == "yes",
           "representation_number": int(row["representation_number"])
           if row["representation_number"] else None, "word": row["word"] or None,
           "orientation": [list(map(int, a.split(">"))) for a in row["orientation"].split()]
           or None, "witness": [int(v) for v in row["witness"].split()] or None}
    return json.dumps(obj) + "\n"


@unittest.skipUnless(CENSUS, "WORDREP_CENSUS not set")
class CheckCensus(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.graphs = geng("-c", 6) + ["E|fG", "F|fI?", "FCxv?",
                                      to_graph6(N, W5 + [(v, v + 1) for v in range(6, N)])]

    def setUp(self):
        self.dir = tempfile.mkdtemp()

    def census_file(self, name, *options):
        p = subprocess.run([CENSUS, "--no-summary"] + list(options),
                           input="\n".join(self.graphs) + "\n", capture_output=True, text=True,
                           check=True)
        path = os.path.join(self.dir, name)
        with open(path, "w") as f:
            f.write(p.stdout)
        return path, p.stdout.splitlines(keepends=True)

    def test_census_files_fit(self):
        runs = [("c.csv", []), ("c.jsonl", ["--format", "jsonl"]),
                ("d.csv", ["--orientation-format", "digraph6"]),
                ("d.jsonl", ["--format", "jsonl", "--orientation-format", "digraph6"]),
                ("k3.csv", ["--shortcut-length", "3"]),
                ("nowords.csv", ["--no-words"])]
        paths = [self.census_file(name, *options)[0] for name, options in runs]
        p = run([tool("check-census")] + paths)
        rows = len(self.graphs) * len(runs)
        self.assertEqual((p.returncode, p.stdout, p.stderr),
                         (0, "%d rows: %d fit their graphs, 0 bad, 0 failed in the census\n"
                          % (rows, rows), ""))

    def test_planted_bad_rows_are_named_by_line(self):
        for fmt, options, plant in (("csv", [], lambda line: line),
                                    ("jsonl", ["--format", "jsonl"], as_json_line)):
            with self.subTest(format=fmt):
                path, lines = self.census_file("c." + fmt, *options)
                first = 2 if fmt == "csv" else 1     # the first row's line
                want, where = [], first + 3
                for line, problem in BAD_ROWS:       # one bad row after every third
                    lines.insert(where - 1, plant(line))
                    want.append("%s:%d: %s: %s\n" % (path, where, line.split(",")[0], problem))
                    where += 4
                lines.append("Bg,3\n" if fmt == "csv" else "[1]\n")   # cannot be read
                with open(path, "w") as f:
                    f.writelines(lines)
                end = len(lines)
                unread = ("%s:%d: the row does not have the header's fields" % (path, end)
                          if fmt == "csv" else "%s:%d: not a JSON object: '[1]\\n'" % (path, end))
                p = run([tool("check-census"), path])
                total = len(self.graphs) + len(BAD_ROWS) + 1
                self.assertEqual(p.stderr, "".join(want) + "check-census: %s (the rest of %s "
                                 "is not read)\n" % (unread, path))
                self.assertEqual((p.returncode, p.stdout),
                                 (1, "%d rows: %d fit their graphs, %d bad, 0 failed in the "
                                  "census\n" % (total, len(self.graphs), len(BAD_ROWS) + 1)))

    def test_failed_rows_and_the_programs_csv(self):
        # (file text, status, totals): a failed row is counted, not checked;
        # the programs' CSV has no witness column, and its "no" needs none.
        programs = HEADER.replace(",witness", "")
        cases = [
            (HEADER + 'Bx,3,,failed: graph6 padding bits are not zero,,,,\n', 0,
             "1 rows: 0 fit their graphs, 0 bad, 1 failed in the census\n"),
            (programs + "E|fG,6,10,no,,,\nBg,3,2,yes,2,121323,1>2 2>3\n", 0,
             "2 rows: 2 fit their graphs, 0 bad, 0 failed in the census\n"),
            (programs + "Bg,3,2,no,,,\n", 1,
             "1 rows: 0 fit their graphs, 1 bad, 0 failed in the census\n"),
        ]
        for k, (text, status, totals) in enumerate(cases):
            with self.subTest(text=text):
                path = os.path.join(self.dir, "f%d.csv" % k)
                with open(path, "w") as f:
                    f.write(text)
                p = run([tool("check-census"), path])
                self.assertEqual((p.returncode, p.stdout), (status, totals), p.stderr)


if __name__ == "__main__":
    unittest.main()
