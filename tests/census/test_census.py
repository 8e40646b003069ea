#!/usr/bin/python3
"""wordrep-census against independent sources.

* the programs: on every connected graph up to 7 vertices (and on the graphs
  with 0 and 1 vertices) the census gives orientcheck's verdict and the
  representation number alterword finds, each run in a directory of its own
  with ./yices;
* certificates: every word and orientation passes the checkers of
  tools/wordrep/checks.py, every witness is checked with the independent
  search of tests/tools/semitransitive.py (not orientable, each one-vertex
  deletion orientable);
* published counts (OEIS): connected graphs that are not word-representable
  (A290814: 1, 25, 929 on 6, 7, 8 vertices), minimal ones (A319491: 1, 10,
  47), representation number 2 and 3 on 7 vertices (A319489: 788;
  A319490: 39), and 1 for the complete graph K7;
* the speedups: the same answers without them on every connected graph up
  to 8 vertices;
* graphs of 256 vertices, the census's limit: orientations checked,
  memory under 1 GiB;
* unusable lines, more than 20 vertices, repeated graphs, blank lines: a row
  each and the run goes on; exit statuses and error lines; memory bounded on
  a huge line.

The census comes from $WORDREP_CENSUS, the programs from $WORDREP_ALTERWORD,
$WORDREP_ORIENTCHECK, $WORDREP_YICES; $CENSUS_PROGRAMS_MAX_N lowers the
largest order compared with the programs."""

import concurrent.futures
import csv
import io
import os
import random
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.realpath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path[:0] = [os.path.join(ROOT, "tools"), os.path.join(ROOT, "tests", "tools")]

from helpers import program_output  # noqa: E402
from semitransitive import find_semi_transitive  # noqa: E402
from examples import ANSWERS  # noqa: E402
from wordrep.checks import check_orientation, check_word  # noqa: E402
from wordrep.formats import (parse_alterword, parse_orientation_field,  # noqa: E402
                             parse_orientcheck, parse_word)
from wordrep.graph import format_input, from_graph6, read_input_file, to_graph6  # noqa: E402

CENSUS = os.environ.get("WORDREP_CENSUS")
PROGRAMS = {p: os.environ.get("WORDREP_" + p.upper()) for p in ("alterword", "orientcheck", "yices")}
HEADER = ("graph6,vertices,edges,semi_transitive,representation_number,word,orientation,"
          "witness,number_lower,number_upper,number_reason\n")


def geng(*args):
    return subprocess.run(["nauty-geng", "-q"] + [str(a) for a in args], capture_output=True,
                          text=True, check=True).stdout.split()


def census(lines, *args, **kw):
    """Runs the census on the lines; returns (status, rows as dicts, stdout, stderr)."""
    p = subprocess.run([CENSUS] + list(args), input="".join(l + "\n" for l in lines),
                       capture_output=True, text=True, **kw)
    rows = list(csv.DictReader(io.StringIO(p.stdout))) if p.stdout.startswith("graph6,") else []
    return p.returncode, rows, p.stdout, p.stderr


def vertices_of(field):
    return [int(v) for v in field.split()]


def graph_from(g6):
    """(n, edges) of a graph6 string, the graph on no vertices included."""
    return (0, []) if g6 == "?" else from_graph6(g6)


def induced(n, edges, keep):
    index = {v: i + 1 for i, v in enumerate(sorted(keep))}
    return len(keep), [(index[a], index[b]) for a, b in edges if a in index and b in index]


@unittest.skipUnless(CENSUS, "WORDREP_CENSUS not set")
class Certificates(unittest.TestCase):
    def assert_certified(self, row):
        """The row's certificates hold by the independent checkers."""
        n, edges = graph_from(row["graph6"])
        self.assertEqual((row["vertices"], row["edges"]), (str(n), str(len(edges))))
        if row["semi_transitive"] == "yes":
            self.assertEqual(check_orientation(n, edges, parse_orientation_field(row["orientation"])),
                             [], row)
            k = int(row["representation_number"])
            self.assertEqual(check_word(n, edges, k, parse_word(row["word"])), [], row)
            self.assertEqual(row["witness"], "")
            return
        self.assertEqual(row["semi_transitive"], "no", row)
        self.assertEqual([row[f] for f in ("representation_number", "word", "orientation")],
                         ["", "", ""])
        w = vertices_of(row["witness"])
        self.assertEqual(w, sorted(set(w)))
        self.assertIsNone(find_semi_transitive(*induced(n, edges, w)), row)
        for v in w:
            rest = [u for u in w if u != v]
            self.assertIsNotNone(find_semi_transitive(*induced(n, edges, rest)), (row, v))


class Counts(Certificates):
    # vertices: (not word-representable, minimal, {K: graphs} or None)
    PUBLISHED = {6: (1, 1, None), 7: (25, 10, {1: 1, 2: 788, 3: 39}), 8: (929, 47, None)}

    def test_connected_graphs_against_published_counts(self):
        for n, (not_wr, minimal, by_k) in self.PUBLISHED.items():
            with self.subTest(vertices=n):
                graphs = geng("-c", n)
                status, rows, _, err = census(graphs)
                self.assertEqual(status, 0, err)
                self.assertEqual([r["graph6"] for r in rows], graphs)
                no = [r for r in rows if r["semi_transitive"] == "no"]
                self.assertEqual(len(no), not_wr)
                self.assertEqual(sum(len(vertices_of(r["witness"])) == n for r in no), minimal)
                counted = {}
                for r in rows:
                    if r["semi_transitive"] == "yes":
                        k = int(r["representation_number"])
                        counted[k] = counted.get(k, 0) + 1
                if by_k:
                    self.assertEqual(counted, by_k)
                summary = ["wordrep-census: %d graphs" % len(graphs)]
                summary += ["  representation number %d: %d" % kv for kv in sorted(counted.items())]
                summary += ["  not word-representable: %d" % not_wr,
                            "  minimal non-word-representable: %d" % minimal, "  failures: 0"]
                self.assertEqual(err, "\n".join(summary) + "\n")
                for r in rows:
                    self.assert_certified(r)


def run_program(program, n, edges):
    return program_output(PROGRAMS[program], PROGRAMS["yices"], format_input(n, edges))


def programs_answer(g6):
    """(semi_transitive, K) as orientcheck and alterword give them, K = 1
    where alterword gives a complete graph 2 (it never tries K = 1)."""
    n, edges = graph_from(g6)
    if parse_orientcheck(run_program("orientcheck", n, edges)) is None:
        return ("no", "")
    k, word = parse_alterword(run_program("alterword", n, edges))
    complete = len(edges) == n * (n - 1) // 2
    return ("yes", str(1 if complete and k == 2 else k))


@unittest.skipUnless(CENSUS and all(PROGRAMS.values()), "census or programs not set")
class SameAsPrograms(Certificates):
    def test_every_connected_graph_up_to_7_vertices(self):
        # A sanitized build of the programs starts slowly: there, up to 6 vertices.
        top = int(os.environ.get("CENSUS_PROGRAMS_MAX_N", "7"))
        graphs = ["?", "@"] + [g for n in range(2, top + 1) for g in geng("-c", n)]
        status, rows, _, err = census(graphs)
        self.assertEqual(status, 0, err)
        self.assertEqual([r["graph6"] for r in rows], graphs)
        with concurrent.futures.ThreadPoolExecutor(os.cpu_count() or 2) as pool:
            answers = list(pool.map(programs_answer, graphs))
        for row, answer in zip(rows, answers):
            self.assertEqual((row["semi_transitive"], row["representation_number"]), answer, row)
            self.assert_certified(row)

    def test_graphs_on_no_and_one_vertex_as_the_programs_print_them(self):
        status, rows, out, _ = census(["?", "@"], "--no-summary")
        self.assertEqual(status, 0)
        self.assertEqual(out, HEADER + "?,0,0,yes,1,,,,1,1,least\n@,1,0,yes,1,1,,,1,1,least\n")
        self.assertEqual(parse_alterword(run_program("alterword", 0, [])), (2, []))
        self.assertEqual(parse_alterword(run_program("alterword", 1, [])), (2, [1, 1]))
        self.assertEqual(parse_orientcheck(run_program("orientcheck", 1, [])), [])

    def test_example_graphs(self):
        # The crowns on 18 and 20 vertices take the census about a minute each.
        for name, k in sorted(ANSWERS.items()):
            if name in ("crown9", "crown10"):
                continue
            with self.subTest(example=name):
                n, edges = read_input_file(os.path.join(ROOT, "examples", name + ".graph"))
                status, rows, _, err = census([to_graph6(n, edges)])
                self.assertEqual(status, 0, err)
                self.assertEqual(rows[0]["representation_number"], "" if k is None else str(k))
                self.assert_certified(rows[0])


@unittest.skipUnless(CENSUS, "WORDREP_CENSUS not set")
class Speedups(unittest.TestCase):
    def test_same_answers_without_speedups_up_to_8_vertices(self):
        # Without them every word may begin with any letter and the
        # orientation always comes from its own search.
        graphs = ["?", "@"] + [g for n in range(2, 9) for g in geng("-c", n)]
        answers = []
        for args in ([], ["--no-speedups"]):
            status, rows, _, err = census(graphs, "--no-summary", *args)
            self.assertEqual(status, 0, err)
            answers.append([(r["graph6"], r["semi_transitive"], r["representation_number"],
                             len(r["witness"].split()) == int(r["vertices"])) for r in rows])
        self.assertEqual(len(answers[0]), len(graphs))
        self.assertEqual(answers[0], answers[1])


T257 = "~?C@" + "?" * 5483  # the empty graph on 257 vertices


@unittest.skipUnless(CENSUS, "WORDREP_CENSUS not set")
class Lines(unittest.TestCase):
    # line given -> its row, exactly
    ROWS = [
        ("Bw", "Bw,3,3,yes,1,{w},{o},,1,1,least"),
        (">>graph6<<A_", "A_,2,1,yes,1,12,{o},,1,1,least"),
        ("A_\r", "A_,2,1,yes,1,12,{o},,1,1,least"),
        ("  D?{  ", "D?{,5,4,yes,2,{w},{o},,2,2,least"),
        ("Bw", "Bw,3,3,yes,1,{w},{o},,1,1,least"),     # a graph given twice: a row each time
        ("xx", 'xx,57,,"failed: graph6 string for 57 vertices must have 266 bytes after the size, '
               'not 1",,,,,,,'),
        ("B~", "B~,3,,failed: graph6 padding bits are not zero,,,,,,,"),
        ("B w", 'B w,,,failed: invalid character \' \' in graph6 string,,,,,,,'),
        (";Fa@x^", ";Fa@x^,,,failed: incremental sparse6 (';') is not supported,,,,,,,"),
        (":AN", ":AN,2,,failed: sparse6 string has a loop at vertex 1,,,,,,,"),
        ("&B?", "&B?,,,failed: digraph6 is not supported (only graph6 and sparse6),,,,,,,"),
        ("~?", "~?,,,failed: truncated graph6 header,,,,,,,"),
        (T257, T257 + ",257,0,failed: graph has 257 vertices; wordrep-census accepts at most 256,,,,,,,"),
        ("C,", '"C,",,,"failed: invalid character \',\' in graph6 string",,,,,,,'),
        ("B\x00\x7f\u00e9",
         "B\\x00\\x7f\\xc3\\xa9,,,failed: invalid character \'\\x00\' in graph6 string,,,,,,,"),
        ("E}lw", "E}lw,6,12,yes,2,{w},{o},,2,2,least"),
    ]

    def test_each_line_gets_its_row_and_the_run_goes_on(self):
        lines = [line for line, _ in self.ROWS]
        status, rows, out, err = census(["", lines[0], ""] + lines[1:] + ["   "])
        self.assertEqual(status, 1)   # some rows failed
        got = out.split("\n")
        self.assertEqual(got[0] + "\n", HEADER)
        self.assertEqual(got[-1], "")
        self.assertEqual(len(got), len(self.ROWS) + 2)
        for (line, want), text, row in zip(self.ROWS, got[1:], rows):
            with self.subTest(line=line):
                self.assertEqual(text, want.replace("{w}", row["word"]).replace("{o}", row["orientation"]))
                if row["semi_transitive"] == "yes":
                    Certificates.assert_certified(self, row)
        self.assertIn("  failures: 10\n", err)

    def test_command_line_input_and_output_errors(self):
        with tempfile.TemporaryDirectory() as d:
            good = os.path.join(d, "good")
            with open(good, "w") as f:
                f.write("A_\n")
            missing = os.path.join(d, "missing")
            cases = [   # arguments, stdout, status, stderr
                ([good, good], HEADER + "A_,2,1,yes,1,12,1>2,,1,1,least\n" * 2, 0, None),
                ([good, missing], "", 2,
                 "wordrep-census: cannot open %s: No such file or directory\n" % missing),
                (["--frobnicate"], "", 2, "wordrep-census: unknown option '--frobnicate'; usage: "
                 "wordrep-census [--no-words] [--no-speedups] [--no-shortcuts] [--no-symmetry] "
                 "[--no-lower-bounds] [--no-summary] [--orientation-format arcs|digraph6] [--format csv|jsonl] "
                 "[--shortcut-length K] [--time-limit SECONDS] [--progress] [--no-progress] [--select COND] "
                 "[--engine family|fresh] [--help] [--version] "
                 "[--] [FILE...]\n"),
                ([d], HEADER, 2, "wordrep-census: cannot read %s: Is a directory\n" % d),
                (["--no-words", good], HEADER + "A_,2,1,yes,,,{o},,,,\n", 0, None),
            ]
            for args, out, status, err in cases:
                with self.subTest(args=args):
                    p = subprocess.run([CENSUS, "--no-summary"] + args, capture_output=True,
                                       text=True, stdin=subprocess.DEVNULL)
                    arcs = p.stdout.split(",")[-5] if "{o}" in out else ""
                    self.assertIn(arcs, ("", "1>2", "2>1"))
                    self.assertEqual((p.returncode, p.stdout), (status, out.replace("{o}", arcs)),
                                     p.stderr)
                    if err is not None:
                        self.assertEqual(p.stderr, err)

    def test_full_disk_has_a_status_of_its_own(self):
        with open("/dev/full", "w") as full:
            p = subprocess.run([CENSUS], input="A_\n" * 1000, stdout=full, stderr=subprocess.PIPE,
                               text=True)
        self.assertEqual(p.returncode, 3)
        self.assertEqual(p.stderr, "wordrep-census: cannot write the CSV: No space left on device\n")

    def test_a_huge_line_gets_a_failure_row(self):
        huge = b"~" * (4 << 20)   # 4 MiB without a line end, then a graph
        p = subprocess.run([CENSUS, "--no-summary"], input=huge + b"\nA_\n", capture_output=True)
        self.assertEqual(p.returncode, 1)
        self.assertEqual(p.stdout.decode().split("\n")[1:],
                         ["~" * 64 + "...,,,failed: line longer than 65536 bytes,,,,,,,",
                          "A_,2,1,yes,1,12,1>2,,1,1,least", ""])

    def test_memory_stays_bounded_on_a_huge_line(self):
        # 256 MiB without a line end, fed in pieces; peak memory of the census alone.
        with tempfile.TemporaryFile() as out:
            p = subprocess.Popen([CENSUS, "--no-summary"], stdin=subprocess.PIPE, stdout=out)
            piece = b"~" * (1 << 20)
            for _ in range(256):
                p.stdin.write(piece)
            p.stdin.close()
            _, status, usage = os.wait4(p.pid, 0)
            p.returncode = os.waitstatus_to_exitcode(status)
        self.assertEqual(p.returncode, 1)
        self.assertLess(usage.ru_maxrss, 64 * 1024)   # KiB



def grid(rows, columns):
    """The rows x columns grid as (n, edges), row by row."""
    at = lambda r, c: r * columns + c + 1  # noqa: E731
    return rows * columns, ([(at(r, c), at(r, c + 1)) for r in range(rows) for c in range(columns - 1)]
                            + [(at(r, c), at(r + 1, c)) for r in range(rows - 1) for c in range(columns)])


def random_cubic(n, seed):
    """A random simple cubic graph on n vertices (pairings redrawn until simple)."""
    rng = random.Random(seed)
    while True:
        ends = [v for v in range(1, n + 1) for _ in range(3)]
        rng.shuffle(ends)
        edges = {(min(a, b), max(a, b)) for a, b in zip(ends[::2], ends[1::2])}
        if len(edges) == 3 * n // 2 and all(a != b for a, b in edges):
            return n, sorted(edges)


@unittest.skipUnless(CENSUS, "WORDREP_CENSUS not set")
class Large(unittest.TestCase):
    def test_graphs_of_256_vertices_get_checked_orientations(self):
        # Triangle-free graphs: their orientations, checked by check-orientation
        # (graph6 of 256 vertices) and the checkers' module; W5 with a path
        # through the other 250 vertices: the wheel is the witness.
        wheel = ([(1, v) for v in range(2, 7)] + [(v, v + 1) for v in range(2, 6)] + [(2, 6)]
                 + [(v, v + 1) for v in range(6, 256)])
        cases = [("grid 16 x 16", grid(16, 16), "yes", ""),
                 ("random cubic", random_cubic(256, 20), "yes", ""),
                 ("wheel and path", (256, wheel), "no", "1 2 3 4 5 6")]
        for name, (n, edges), verdict, witness in cases:
            with self.subTest(name):
                g6 = to_graph6(n, edges)
                with tempfile.TemporaryFile() as out:
                    p = subprocess.Popen([CENSUS, "--no-words", "--no-summary"],
                                         stdin=subprocess.PIPE, stdout=out)
                    p.stdin.write((g6 + "\n").encode())
                    p.stdin.close()
                    _, status, usage = os.wait4(p.pid, 0)
                    out.seek(0)
                    rows = list(csv.DictReader(io.StringIO(out.read().decode())))
                self.assertEqual(os.waitstatus_to_exitcode(status), 0)
                self.assertLess(usage.ru_maxrss, 1 << 20)   # KiB: under 1 GiB
                [row] = rows
                self.assertEqual([row[k] for k in ("graph6", "vertices", "edges", "semi_transitive",
                                                   "witness")],
                                 [g6, "256", str(len(edges)), verdict, witness])
                if verdict == "no":
                    continue
                arcs = parse_orientation_field(row["orientation"])
                self.assertEqual(check_orientation(n, edges, arcs), [])
                checker = subprocess.run([sys.executable, os.path.join(ROOT, "tools",
                                                                        "check-orientation"),
                                          "-g", g6, row["orientation"]],
                                         capture_output=True, text=True)
                self.assertEqual((checker.returncode, checker.stdout, checker.stderr),
                                 (0, "valid semi-transitive orientation of 256 vertices, %d edges\n"
                                  % len(edges), ""))


def connected(n, edges):
    reach, todo = {1}, [1]
    while todo:
        v = todo.pop()
        for a, b in edges:
            for x, y in ((a, b), (b, a)):
                if x == v and y not in reach:
                    reach.add(y)
                    todo.append(y)
    return len(reach) == n


class TenVertexLists(unittest.TestCase):
    """The lists from the census of all connected graphs on 10 vertices in
    docs/n10/: connected 10-vertex graphs, no two isomorphic (nauty-labelg);
    the 1,911 minimal non-word-representable ones minimal by the independent
    search (every 10th of them: not orientable, each one-vertex deletion
    orientable); the 117 of representation number 4 given 4 by alterword with
    ./yices, its word passing the checker."""

    LISTS = {"minimal-non-word-representable.g6": 1911, "representation-number-4.g6": 117}

    @staticmethod
    def lines(name):
        with open(os.path.join(ROOT, "docs", "n10", name)) as f:
            return f.read().split()

    def test_lists_hold_distinct_connected_graphs_on_10_vertices(self):
        for name, count in self.LISTS.items():
            with self.subTest(list=name):
                graphs = self.lines(name)
                self.assertEqual(len(graphs), count)
                for g in graphs:
                    n, edges = from_graph6(g)
                    self.assertEqual(n, 10, g)
                    self.assertTrue(connected(n, edges), g)
                canon = subprocess.run(["nauty-labelg", "-q"], input="\n".join(graphs) + "\n",
                                       capture_output=True, text=True, check=True).stdout.split()
                self.assertEqual(len(set(canon)), count)

    def test_minimal_ones_by_the_independent_search(self):
        for g in self.lines("minimal-non-word-representable.g6")[::10]:
            n, edges = from_graph6(g)
            self.assertIsNone(find_semi_transitive(n, edges), g)
            for v in range(1, n + 1):
                rest = induced(n, edges, [u for u in range(1, n + 1) if u != v])
                arcs = find_semi_transitive(*rest)
                self.assertIsNotNone(arcs, (g, v))
                self.assertEqual(check_orientation(*rest, arcs), [], (g, v))

    @unittest.skipUnless(all(PROGRAMS.values()), "WORDREP_ALTERWORD, _ORIENTCHECK, _YICES not set")
    def test_representation_number_4_by_alterword(self):
        for g in self.lines("representation-number-4.g6"):
            n, edges = from_graph6(g)
            k, word = parse_alterword(run_program("alterword", n, edges))
            self.assertEqual(k, 4, g)
            self.assertEqual(check_word(n, edges, k, word), [], g)


if __name__ == "__main__":
    unittest.main()
