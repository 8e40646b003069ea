#!/usr/bin/python3
"""wordrep-batch with the real wordrep-census, on every connected graph
with 7 vertices, checked against published counts and independent checkers:

  connected graphs (OEIS A001349): 853;
  representation number 2 (A319489) and 3 (A319490): 788 and 39, and the
  complete graph with number 1;
  not word-representable (A290814): 25, of which 10 are minimal (A319491).

Every word is checked for uniformity and alternation, every orientation for
acyclicity and shortcuts (wordrep.checks), every graph said to be not
word-representable by an independent search (semitransitive.py), and every
witness for being not word-representable while each of its one-vertex-
smaller induced subgraphs is.  Also: the parts put together give the rows
of one census run, and failing lines.

The census comes from $WORDREP_CENSUS (set by CMake)."""

import csv
import io
import json
import os
import subprocess
import tempfile
import unittest

from helpers import GENG, geng, settled, tool
from semitransitive import find_semi_transitive
from wordrep.checks import check_orientation, check_word
from wordrep.formats import parse_orientation_field, parse_word
from wordrep.graph import from_graph6, to_graph6
from wordrep.schema import CENSUS_FIELDS, Layout

BATCH = tool("wordrep-batch")
CENSUS = os.environ.get("WORDREP_CENSUS")
T257 = "~?C@" + "?" * 5483  # the empty graph on 257 vertices, one over the census's limit


def census_has(option):
    """Whether the census's --help mentions the option."""
    if not CENSUS:
        return False
    p = subprocess.run([CENSUS, "--help"], capture_output=True, text=True)
    return option in p.stdout + p.stderr


def induced(edges, vertices):
    """The subgraph induced on vertices, renumbered 1..len(vertices)."""
    number = {v: k + 1 for k, v in enumerate(vertices)}
    return len(vertices), [(number[a], number[b]) for a, b in edges
                           if a in number and b in number]


@unittest.skipUnless(CENSUS, "WORDREP_CENSUS not set")
def objects(text):
    return [json.loads(line) for line in text.splitlines()]


def as_text(row):
    """A census row (CSV text or a JSON line's object) as its CSV texts."""
    if all(isinstance(v, str) for v in row.values()):
        return row
    layout = Layout.of_names(row)
    return dict(zip(layout.names, layout.csv_fields(layout.from_json(row))))


class Families(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = self.tmp.name
        self.out = os.path.join(self.dir, "out.csv")

    def tearDown(self):
        self.tmp.cleanup()

    def batch(self, *args, stdin=""):
        return subprocess.run([BATCH, "--census", CENSUS, "--no-progress"] + list(args),
                              input=stdin, capture_output=True, text=True, timeout=600)

    def one_run(self, text):
        return subprocess.run([CENSUS, "--no-summary"], input=text, capture_output=True,
                              text=True).stdout

    def check_row(self, row):
        """Checks one answered row against its graph; returns its key for counting."""
        n, edges = from_graph6(row["graph6"])
        self.assertEqual((row["vertices"], row["edges"]), (str(n), str(len(edges))))
        if row["semi_transitive"] == "no":
            self.assertEqual([row[f] for f in ("representation_number", "word", "orientation")],
                             ["", "", ""])
            witness = [int(v) for v in row["witness"].split()]
            self.assertEqual(witness, sorted(set(witness)))
            self.assertIsNone(find_semi_transitive(n, edges))
            self.assertIsNone(find_semi_transitive(*induced(edges, witness)))
            for v in witness:
                rest = [w for w in witness if w != v]
                self.assertIsNotNone(find_semi_transitive(*induced(edges, rest)), (row, v))
            return "minimal" if len(witness) == n else "not"
        self.assertEqual((row["semi_transitive"], row["witness"]), ("yes", ""))
        self.assertEqual(check_orientation(n, edges, parse_orientation_field(row["orientation"])),
                         [])
        k = int(row["representation_number"])
        self.assertEqual(k == 1, len(edges) == n * (n - 1) // 2, row)  # K = 1: complete
        self.assertEqual(check_word(n, edges, k, parse_word(row["word"])), [])
        return k

    def test_connected_graphs_on_7_vertices(self):
        p = self.batch("--geng", "-c 7", "--parts", "5", "-o", self.out)
        self.assertEqual(p.returncode, 0, p.stderr)
        with open(self.out, newline="") as f:
            reader = csv.DictReader(f)
            self.assertEqual(reader.fieldnames, CENSUS_FIELDS)
            rows = list(reader)
        self.assertEqual(sorted(r["graph6"] for r in rows), sorted(geng("-c", 7)))
        counts = {}
        for row in rows:
            with self.subTest(graph6=row["graph6"]):
                key = self.check_row(row)
                counts[key] = counts.get(key, 0) + 1
        self.assertEqual(counts, {1: 1, 2: 788, 3: 39, "not": 15, "minimal": 10})
        lines = p.stderr.splitlines()
        self.assertEqual(lines[:-1], ["wordrep-batch: 853 graphs", "  representation number 1: 1",
                                      "  representation number 2: 788",
                                      "  representation number 3: 39",
                                      "  not word-representable: 25",
                                      "  minimal non-word-representable: 10", "  failures: 0",
                                      "  parts: 5 of 5 finished, 0 taken from the journal"])
        self.assertRegex(lines[-1], r"^  wall time: \d+\.\d\d s, 853 graphs run, ")

    def assert_same_answers(self, batch_csv, census_csv):
        """The same rows up to the certificates, which depend on the graphs a
        census process answered before (its SAT instances live across them)
        and are checked instead."""
        def answers(text):
            return [(r["graph6"], r["vertices"], r["edges"], r["semi_transitive"],
                     r["representation_number"], r["witness"])
                    for r in csv.DictReader(io.StringIO(text))]
        self.assertEqual(batch_csv.splitlines()[0], census_csv.splitlines()[0])
        self.assertEqual(answers(batch_csv), answers(census_csv))
        for row in csv.DictReader(io.StringIO(batch_csv)):
            self.check_row(row)

    def test_parts_give_the_rows_of_one_census_run(self):
        graphs = "".join(g + "\n" for g in geng("-c", 6))
        self.assert_same_answers(self.batch("--chunk", "10", stdin=graphs).stdout,
                                 self.one_run(graphs))
        parts = "".join(subprocess.run([GENG, "-q", "-c", "6", "%d/3" % i], capture_output=True,
                                       text=True).stdout for i in range(3))
        self.assert_same_answers(self.batch("--geng", "-c 6", "--parts", "3").stdout,
                                 self.one_run(parts))

    def test_failing_lines_are_reported_and_the_batch_goes_on(self):
        p = self.batch("--chunk", "2", stdin="Bg\n%s\nBx\nEUZw\n" % T257)
        self.assertEqual(p.returncode, 1, p.stderr)
        rows = list(csv.DictReader(io.StringIO(p.stdout)))
        self.assertEqual([r["graph6"] for r in rows], ["Bg", T257, "Bx", "EUZw"])
        for row in (rows[0], rows[3]):
            self.check_row(row)
        for row, vertices in ((rows[1], "257"), (rows[2], "3")):
            self.assertTrue(row["semi_transitive"].startswith("failed: "), row)
            self.assertEqual(row["vertices"], vertices)
            self.assertEqual([row[f] for f in CENSUS_FIELDS[4:]], [""] * 7)
        self.assertIn("  failures: 2\n", p.stderr)

    def test_graphs_up_to_the_census_limit_of_256_vertices(self):
        # The 8 x 8 grid (grids have representation number 3), W5 on 1..6 with
        # a path through the other 250 vertices (W5 is the witness), then one
        # vertex over the census's limit, named in its row.
        grid = [(8 * r + c + 1, 8 * r + c + 1 + d) for r in range(8) for c in range(8)
                for d in (1, 8) if (c < 7 if d == 1 else r < 7)]
        wheel = ([(1, v) for v in range(2, 7)] + [(v, v + 1) for v in range(2, 6)] + [(2, 6)]
                 + [(v, v + 1) for v in range(7, 256)])
        lines = [to_graph6(64, grid), to_graph6(256, wheel), T257]
        for args in ([], ["--format", "jsonl", "--chunk", "1"]):
            with self.subTest(args=args):
                p = self.batch(*args, stdin="".join(g + "\n" for g in lines))
                self.assertEqual(p.returncode, 1, p.stderr)
                found = (list(csv.DictReader(io.StringIO(p.stdout))) if "jsonl" not in args else
                         objects(p.stdout))
                settled(found[:1])   # the word and the orientation checked
                rows = [as_text(r) for r in found]
                self.assertEqual([r["graph6"] for r in rows], lines)
                self.assertEqual([(r["vertices"], r["semi_transitive"], r["representation_number"],
                                   r["witness"]) for r in rows],
                                 [("64", "yes", "3", ""), ("256", "no", "", "1 2 3 4 5 6"),
                                  ("257", "failed: graph has 257 vertices; wordrep-census accepts "
                                   "at most 256", "", "")])
                self.assertIn("  failures: 1\n", p.stderr)

    def test_rows_line_up_with_the_census_on_odd_lines(self):
        # Lines of \v or \f alone (failure rows, not blanks), blank lines,
        # a line over the census's limit of 65536 bytes, a final line without
        # its line feed: the batch's rows are those of one census run.
        long = "B" + "g" * 70000
        cases = [
            "Bg\n\x0b\nBw\n \x0c \n\r\n\t\nBW\r\n\x0c\x0b\n  \n",
            "Bg\n%s\nBw\n%s\n" % (long, " " * 65537),
            "Bg\n" + "A" * 65536 + "\n" + "A" * 65537 + "\nBw",
            ">>graph6<<Bg\n>>graph6<<\n\x0bBg\n",
        ]
        for text in cases:
            for chunk in ("1", "3"):
                with self.subTest(text=text[:12], chunk=chunk):
                    p = self.batch("--chunk", chunk, stdin=text)
                    self.assertIn(p.returncode, (0, 1), p.stderr)
                    self.assertEqual(p.stdout, self.one_run(text))

    def test_digraph6_orientations_are_passed_on(self):
        graphs = "".join(g + "\n" for g in geng("-c", 6))
        whole = subprocess.run([CENSUS, "--no-summary", "--orientation-format", "digraph6"],
                               input=graphs, capture_output=True, text=True).stdout
        for source in (["--chunk", "10"], ["--geng", "-c 6", "--parts", "3"]):
            with self.subTest(source=source):
                p = self.batch(*source, "--orientation-format", "digraph6",
                               stdin=graphs if source[0] == "--chunk" else "")
                self.assertEqual(p.returncode, 0, p.stderr)
                rows = list(csv.DictReader(io.StringIO(p.stdout)))
                self.assertEqual(sorted(r["graph6"] for r in rows), sorted(geng("-c", 6)))
                yes = [r["orientation"] for r in rows if r["semi_transitive"] == "yes"]
                self.assertTrue(yes and all(o.startswith("&") for o in yes))
                if source[0] == "--chunk":
                    self.assert_same_answers(p.stdout, whole)
                else:
                    for row in rows:
                        self.check_row(row)

    @unittest.skipUnless(census_has("--format"), "the census has no --format")
    def test_json_lines_are_those_of_one_census_run(self):
        graphs = "".join(g + "\n" for g in geng("-c", 6)) + "Bx\n"
        whole = subprocess.run([CENSUS, "--format", "jsonl"], input=graphs, capture_output=True,
                               text=True)
        p = self.batch("--chunk", "10", "--format", "jsonl", "-o", self.out, stdin=graphs)
        self.assertEqual(p.returncode, 1, p.stderr)
        with open(self.out) as f:    # parts run in processes of their own: other certificates
            self.assertEqual(settled(objects(f.read())), settled(objects(whole.stdout)))
        # The summary counts the JSON rows as the census does its own.
        summary = [l.replace("wordrep-census", "wordrep-batch") for l in whole.stderr.splitlines()]
        self.assertEqual(p.stderr.splitlines()[:len(summary)], summary)
        self.assertEqual(len(whole.stdout.splitlines()), 113)

    def test_a_time_limit_gives_bounds_counted_as_the_census_counts_them(self):
        # A limit over before the first word search: every word-representable
        # graph gets a lower bound only, but K6, whose word 123456 needs no
        # search; the rest are answered as without it.
        graphs = "".join(g + "\n" for g in geng("-c", 6)) + "Bx\n"
        options = ["--time-limit", "1e-9"]
        whole = subprocess.run([CENSUS] + options, input=graphs, capture_output=True, text=True)
        p = self.batch("--chunk", "40", "-o", self.out, *options, stdin=graphs)
        self.assertEqual((p.returncode, whole.returncode), (1, 1), p.stderr)
        with open(self.out, newline="") as f:
            rows = list(csv.DictReader(f))
        yes = [r for r in rows if r["semi_transitive"] == "yes" and r["edges"] != "15"]
        self.assertEqual(len(rows), 113)
        self.assertEqual({(r["representation_number"], r["word"], r["number_upper"]) for r in yes},
                         {("", "", "")})
        self.assertEqual({r["number_reason"] for r in yes}, {"least"})
        complete = [(r["graph6"], r["representation_number"], r["word"], r["number_upper"])
                    for r in rows if r["edges"] == "15"]
        self.assertEqual(complete, [("E~~w", "1", "123456", "1")])
        summary = whole.stderr.replace("wordrep-census", "wordrep-batch").splitlines()
        self.assertEqual(summary, ["wordrep-batch: 113 graphs", "  representation number 1: 1",
                                   "  not word-representable: 1",
                                   "  minimal non-word-representable: 1",
                                   "  number as bounds (time limit): %d" % len(yes),
                                   "  failures: 1"])
        self.assertEqual(p.stderr.splitlines()[:-2], summary)

    def bounded_answers(self, rows, k):
        """The answers of --shortcut-length k rows (CSV rows or JSON
        objects), as CSV text, with the witness reduced to whether it is the
        whole graph: the orientations are checked for shortcuts of length k
        or less (settled), every witness for being minimal (each one-vertex-
        smaller induced subgraph has a semi-transitive, hence a
        k-semi-transitive orientation) and not semi-transitive.  Which
        minimal witness a graph gets may depend on the census process."""
        verdict = "semi_transitive_%d" % k
        self.assertEqual([r for r in rows if r["word"] or r["representation_number"]], [])
        out = []
        for row in settled(map(as_text, rows)):
            if row[verdict] == "no":
                n, edges = from_graph6(row["graph6"])
                witness = [int(v) for v in row["witness"].split()]
                self.assertEqual(witness, sorted(set(witness)))
                self.assertIsNone(find_semi_transitive(*induced(edges, witness)), row)
                for v in witness:
                    rest = [w for w in witness if w != v]
                    self.assertIsNotNone(find_semi_transitive(*induced(edges, rest)), (row, v))
                row["witness"] = "whole graph" if len(witness) == n else "part"
            out.append(row)
        return out

    @unittest.skipUnless(census_has("--shortcut-length"), "the census has no --shortcut-length")
    def test_shortcut_length_is_passed_on(self):
        # On 7 vertices the graphs that are not 3- (or 4-) semi-transitive
        # are the 25 that are not word-representable, 10 of them minimal.
        graphs = "".join(g + "\n" for g in geng("-c", 7)) + "Bx\n"
        for k in (3, 4):
            csv_answers = None
            for fmt in ("csv", "jsonl"):
                with self.subTest(k=k, format=fmt):
                    options = ["--shortcut-length", str(k), "--format", fmt]
                    whole = subprocess.run([CENSUS] + options, input=graphs, capture_output=True,
                                           text=True)
                    p = self.batch("--chunk", "100", "-o", self.out, *options, stdin=graphs)
                    self.assertEqual((p.returncode, whole.returncode), (1, 1), p.stderr)
                    with open(self.out, newline="") as f:
                        text = f.read()
                    if fmt == "csv":
                        self.assertEqual(text.splitlines()[0], whole.stdout.splitlines()[0])
                        self.assertEqual(text.splitlines()[0].split(",")[3],
                                         "semi_transitive_%d" % k)
                        rows = list(csv.DictReader(io.StringIO(text)))
                        single = list(csv.DictReader(io.StringIO(whole.stdout)))
                    else:
                        rows, single = objects(text), objects(whole.stdout)
                    answers = self.bounded_answers(rows, k)
                    self.assertEqual(answers, self.bounded_answers(single, k))
                    self.assertEqual(len(answers), 854)
                    csv_answers = csv_answers or answers        # CSV and JSON agree
                    self.assertEqual(answers, csv_answers)
                    summary = whole.stderr.replace("wordrep-census", "wordrep-batch").splitlines()
                    self.assertEqual(summary, [
                        "wordrep-batch: 854 graphs", "  not %d-semi-transitive: 25" % k,
                        "  minimal not %d-semi-transitive: 10" % k, "  failures: 1"])
                    self.assertEqual(p.stderr.splitlines()[:-2], summary)
        p = self.batch("--shortcut-length", "-1", stdin=graphs)
        self.assertEqual((p.returncode, p.stdout), (2, ""))
        self.assertEqual(len(p.stderr.splitlines()), 1)
        self.assertRegex(p.stderr, r"^wordrep-batch: \S+ --shortcut-length -1: ")

if __name__ == "__main__":
    unittest.main()
