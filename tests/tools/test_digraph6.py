#!/usr/bin/python3
"""digraph6 (nauty's format for directed graphs) for orientations: the
encoder and decoder against nauty's own reader (nauty-listg), and the
to-digraph6 / from-digraph6 commands of graph6-convert on the census CSV of
every connected graph on 7 vertices ($WORDREP_CENSUS, set by CMake)."""

import csv
import io
import os
import subprocess
import tempfile
import unittest

from helpers import geng, run, tool
from wordrep import digraph6
from wordrep.formats import parse_orientation_field
from wordrep.graph import GraphError

CONVERT = tool("graph6-convert")
LISTG = "/usr/bin/nauty-listg"
CENSUS = os.environ.get("WORDREP_CENSUS")


def listg_arcs(lines):
    """(n, sorted arcs, 1-based) of each digraph6 line as nauty-listg -A
    reads it: the adjacency matrix, row i holding a 1 in column j for i -> j."""
    p = subprocess.run([LISTG, "-A"], input="".join(l + "\n" for l in lines),
                       capture_output=True, text=True, check=True)
    graphs = []
    for block in p.stdout.split("Graph ")[1:]:
        head, *rows = block.strip().split("\n")
        n = int(head.split("order ")[1].rstrip("."))
        assert len(rows) == n, block
        arcs = [(i + 1, j + 1) for i, row in enumerate(rows)
                for j, x in enumerate(row.split()) if x == "1"]
        graphs.append((n, sorted(arcs)))
    return graphs


class Codec(unittest.TestCase):
    # Arcs on n vertices, chosen to reach the first and last bit of the
    # matrix, padding, and the long size code (n > 62).
    CASES = [
        (1, []),
        (2, [(1, 2)]),
        (2, [(2, 1)]),
        (3, [(1, 2), (2, 3), (3, 1)]),
        (3, [(1, 1), (3, 3)]),
        (6, [(6, 1), (1, 6)]),
        (20, [(i, j) for i in range(1, 21) for j in range(i + 1, 21)]),
        (62, [(62, 61), (1, 62)]),
        (63, [(63, 1), (5, 63), (1, 2)]),
    ]

    def test_nauty_reads_the_encoded_arcs(self):
        lines = [digraph6.encode(n, arcs) for n, arcs in self.CASES]
        self.assertEqual(listg_arcs(lines), [(n, sorted(a)) for n, a in self.CASES])

    def test_decode_inverts_encode(self):
        for n, arcs in self.CASES:
            with self.subTest(n=n, arcs=arcs[:4]):
                self.assertEqual(digraph6.decode(digraph6.encode(n, arcs)), (n, sorted(arcs)))

    def test_decode_with_header_and_newline(self):
        line = digraph6.HEADER + digraph6.encode(3, [(2, 1)]) + "\n"
        self.assertEqual(digraph6.decode(line), (3, [(2, 1)]))

    BAD = [
        ("CC?W", "must begin with '&'"),
        ("&", "ends before its size"),
        ("&CC?", "must have 3 bytes after the size, not 2"),
        ("&CC?WW", "must have 3 bytes after the size, not 4"),
        ("&CC?X", "padding bits are not zero"),
        ("&C C?", "invalid character"),
        ("&~?", "truncated"),
        ("&~~???", "truncated"),
    ]

    def test_bad_strings_are_refused(self):
        for line, msg in self.BAD:
            with self.subTest(line=line):
                with self.assertRaises(GraphError) as cm:
                    digraph6.decode(line)
                self.assertIn(msg, str(cm.exception))

    def test_arc_outside_the_vertices_is_refused(self):
        with self.assertRaises(GraphError) as cm:
            digraph6.encode(3, [(1, 4)])
        self.assertIn("arc 1>4: vertices must be in 1..3", str(cm.exception))


class FromDigraph6(unittest.TestCase):
    def test_csv_of_an_orientation(self):
        p = run([CONVERT, "from-digraph6"], "&CC?W\n\n&BO?\n")
        self.assertEqual((p.returncode, p.stderr), (0, ""))
        self.assertEqual(p.stdout, "graph6,vertices,orientation\n"
                                   "CF,4,1>4 4>2 4>3\nB_,3,1>2\n")

    def test_lines_that_are_not_orientations_are_named_and_the_rest_goes_on(self):
        p = run([CONVERT, "from-digraph6"], "&BS?\n&BO?\n&B_?\nBw\n")
        self.assertEqual(p.returncode, 1)
        self.assertEqual(p.stdout, "graph6,vertices,orientation\nB_,3,1>2\n")
        self.assertEqual(p.stderr.splitlines(), [
            "graph6-convert: stdin:1: edge 1 2 is given both directions",
            "graph6-convert: stdin:3: loop at vertex 1 is not an orientation of a graph",
            "graph6-convert: stdin:4: digraph6 string must begin with '&'"])


class ToDigraph6Rows(unittest.TestCase):
    HEAD = "graph6,vertices,edges,semi_transitive,representation_number,word,orientation,witness\n"

    def test_bad_rows_are_named_and_the_rest_goes_on(self):
        text = (self.HEAD
                + "Bg,3,2,yes,2,121323,1>2 2>3,\n"
                + "Bg,3,2,yes,2,121323,1>2,\n"                       # an edge left out
                + "Bg,3,2,yes,2,121323,1>2 2>3 3>1,\n"               # a non-edge oriented
                + "Bg,3,2,failed: timeout,,,,\n"
                + "E|fG,6,10,no,,,,1 2 3 4 5 6\n"
                + "Bg,3,2,yes,2,121323,2>1 3>2,\n")
        p = run([CONVERT, "to-digraph6"], text)
        self.assertEqual(p.returncode, 1)
        self.assertEqual(p.stdout, digraph6.encode(3, [(1, 2), (2, 3)]) + "\n"
                         + digraph6.encode(3, [(2, 1), (3, 2)]) + "\n")
        self.assertEqual(p.stderr.splitlines(), [
            "graph6-convert: stdin:3: the orientation does not orient exactly the edges of Bg",
            "graph6-convert: stdin:4: the orientation does not orient exactly the edges of Bg",
            "graph6-convert: stdin:5: row failed, no orientation"])

    def test_not_a_census_csv(self):
        p = run([CONVERT, "to-digraph6"], "graph6,vertices\nBg,3\n")
        self.assertEqual((p.returncode, p.stdout), (1, ""))
        self.assertEqual(p.stderr, "graph6-convert: stdin:1: not a census CSV: no column "
                                   "semi_transitive, orientation\n")


@unittest.skipUnless(CENSUS, "WORDREP_CENSUS not set")
class CensusOrientations(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        graphs = "\n".join(geng("-c", 7)) + "\n"
        p = subprocess.run([CENSUS, "--no-summary"], input=graphs, capture_output=True,
                           text=True, check=True)
        cls.csv = p.stdout
        cls.rows = list(csv.DictReader(io.StringIO(cls.csv)))

    def test_every_orientation_of_the_connected_7_vertex_graphs_reads_back_in_nauty(self):
        rows = [r for r in self.rows if r["semi_transitive"] == "yes"]
        self.assertEqual((len(self.rows), len(rows)), (853, 853 - 25))   # OEIS A290814
        with tempfile.NamedTemporaryFile("w", suffix=".csv") as f:
            f.write(self.csv)
            f.flush()
            p = run([CONVERT, "to-digraph6", f.name])
        self.assertEqual((p.returncode, p.stderr), (0, ""))
        lines = p.stdout.splitlines()
        want = [(7, sorted(parse_orientation_field(r["orientation"]))) for r in rows]
        self.assertEqual(listg_arcs(lines), want)

        back = run([CONVERT, "from-digraph6"], p.stdout)
        self.assertEqual(back.returncode, 0, back.stderr)
        got = [(r["graph6"], r["vertices"], sorted(parse_orientation_field(r["orientation"])))
               for r in csv.DictReader(io.StringIO(back.stdout))]
        self.assertEqual(got, [(r["graph6"], r["vertices"], w[1]) for r, w in zip(rows, want)])

    def test_the_census_writes_the_same_orientations_in_digraph6(self):
        graphs = "\n".join(geng("-c", 7)) + "\n"
        p = run([CENSUS, "--no-summary", "--orientation-format", "digraph6"], graphs)
        self.assertEqual((p.returncode, p.stderr), (0, ""))
        rows = list(csv.DictReader(io.StringIO(p.stdout)))
        self.assertEqual(len(rows), len(self.rows))
        for got, plain in zip(rows, self.rows):
            self.assertEqual({f: v for f, v in got.items() if f != "orientation"},
                             {f: v for f, v in plain.items() if f != "orientation"})
        self.assertEqual([r["orientation"] for r in rows if r["semi_transitive"] == "no"],
                         [""] * 25)
        yes = [r for r in rows if r["semi_transitive"] == "yes"]
        self.assertEqual(listg_arcs([r["orientation"] for r in yes]),
                         [(7, sorted(parse_orientation_field(r["orientation"])))
                          for r in self.rows if r["semi_transitive"] == "yes"])
        # graph6-convert reads either format of the orientation column alike.
        converted = [run([CONVERT, "to-digraph6"], text) for text in (p.stdout, self.csv)]
        self.assertEqual([(c.returncode, c.stderr) for c in converted], [(0, "")] * 2)
        self.assertEqual(converted[0].stdout, converted[1].stdout)
        self.assertEqual(converted[0].stdout.splitlines(), [r["orientation"] for r in yes])

    def test_orientation_format_is_checked(self):
        for args in (["--orientation-format", "dot"], ["--orientation-format"]):
            with self.subTest(args=args):
                p = run([CENSUS] + args, "Bw\n")
                self.assertEqual((p.returncode, p.stdout), (2, ""))
                self.assertTrue(p.stderr.startswith(
                    "wordrep-census: --orientation-format takes arcs or digraph6; usage:"),
                    p.stderr)


if __name__ == "__main__":
    unittest.main()
