#!/usr/bin/python3
"""The formats against the shared test vectors (tests/vectors/formats.tsv):
graph6 and digraph6 both ways (and as nauty reads them), alterword's word
notation, the census's orientation field, and the programs' input format,
whose table is run through the reading rules of the programs' tests and,
when they are built (WORDREP_ALTERWORD, WORDREP_ORIENTCHECK, WORDREP_YICES),
through alterword and orientcheck themselves."""

import os
import re
import subprocess
import sys
import tempfile
import unittest

import vectors
from helpers import ROOT, SHOWG
from wordrep import digraph6
from wordrep.checks import check_orientation, check_word
from wordrep.formats import (OutputError, format_word, parse_alterword, parse_orientcheck,
                             parse_orientation_field, parse_word)
from wordrep.graph import (CENSUS_MAX_VERTICES, MAX_VERTICES, GraphError, from_graph6,
                           parse_input, read_program_input, to_graph6)

sys.path.insert(0, os.path.join(ROOT, "tests", "programs"))
from reference import Reader, Stop  # noqa: E402


def showg(lines):
    """(n, sorted 1-based pairs) of each graph6 or digraph6 line as nauty's
    showg reads it."""
    p = subprocess.run([SHOWG, "-e", "-l0"], input="\n".join(lines) + "\n",
                       capture_output=True, text=True, check=True)
    out = []
    for block in p.stdout.split("Graph ")[1:]:
        body = list(map(int, block.split("\n", 1)[1].split()))
        out.append((body[0], sorted((a + 1, b + 1) for a, b in zip(body[2::2], body[3::2]))))
    return out


class Graph6(unittest.TestCase):
    def test_both_ways(self):
        for text, n, edges in vectors.rows("graph6"):
            with self.subTest(text=text[:20]):
                want = (int(n), vectors.pairs(edges, "-"))
                self.assertEqual(from_graph6(vectors.text(text), CENSUS_MAX_VERTICES), want)
                self.assertEqual(to_graph6(*want), vectors.text(text))

    def test_read_only(self):
        for text, n, edges in vectors.rows("graph6-read"):
            with self.subTest(text=text):
                self.assertEqual(from_graph6(vectors.text(text)),
                                 (int(n), vectors.pairs(edges, "-")))

    def test_refused(self):
        for text, message in vectors.rows("graph6-error"):
            with self.subTest(text=text):
                for line in (vectors.text(text), vectors.unescape(text)):
                    with self.assertRaises(GraphError) as cm:
                        from_graph6(line)
                    self.assertEqual(str(cm.exception), vectors.text(message))

    def test_vertex_limits_name_the_tool_that_has_them(self):
        for kind, limit in (("graph6-over-census", CENSUS_MAX_VERTICES),
                            ("graph6-over-programs", MAX_VERTICES)):
            for text, message in vectors.rows(kind):
                with self.subTest(text=text[:10]):
                    with self.assertRaises(GraphError) as cm:
                        from_graph6(vectors.text(text), limit)
                    self.assertEqual(str(cm.exception), vectors.text(message))

    @unittest.skipUnless(os.path.exists(SHOWG), "nauty is not installed")
    def test_nauty_reads_the_vectors_alike(self):
        for kind, sep in (("graph6", "-"), ("digraph6", ">")):
            cases = vectors.rows(kind)
            got = showg([vectors.text(t) for t, _, _ in cases])
            self.assertEqual(got, [(int(n), sorted(vectors.pairs(p, sep))) for _, n, p in cases])


class Digraph6(unittest.TestCase):
    def test_both_ways(self):
        for text, n, arcs in vectors.rows("digraph6"):
            with self.subTest(text=text[:20]):
                want = (int(n), vectors.pairs(arcs, ">"))
                self.assertEqual(digraph6.decode(vectors.text(text)), want)
                self.assertEqual(digraph6.encode(*want), vectors.text(text))

    def test_refused(self):
        for text, message in vectors.rows("digraph6-error"):
            with self.subTest(text=text):
                with self.assertRaises(GraphError) as cm:
                    digraph6.decode(vectors.text(text))
                self.assertEqual(str(cm.exception), vectors.text(message))


class WordNotation(unittest.TestCase):
    def test_both_ways(self):
        for text, letters in vectors.rows("word"):
            with self.subTest(text=text):
                want = [int(a) for a in letters.split()]
                self.assertEqual(parse_word(text), want)
                self.assertEqual(format_word(want), text)

    def test_refused(self):
        for text, message in vectors.rows("word-error"):
            with self.subTest(text=text):
                with self.assertRaises(OutputError) as cm:
                    parse_word(text)
                self.assertEqual(str(cm.exception), vectors.text(message))


CENSUS = os.environ.get("WORDREP_CENSUS")


@unittest.skipUnless(CENSUS, "WORDREP_CENSUS not set")
class CensusWordNotation(unittest.TestCase):
    """The census writes words in the notation of the vectors: its words for
    graphs of 10 to 64 vertices read back and are written again the same."""

    def test_census_words(self):
        graphs = [to_graph6(n, [(v, v + 1) for v in range(1, n)] + [(1, n)])
                  for n in (10, 12, 30, 64)] + [to_graph6(11, [])]
        p = subprocess.run([CENSUS, "--no-summary"], input="\n".join(graphs) + "\n",
                           capture_output=True, text=True, check=True)
        rows = [line.split(",") for line in p.stdout.splitlines()[1:]]
        self.assertEqual([r[0] for r in rows], graphs)
        for g6, _, _, st, k, word, *_ in rows:
            with self.subTest(graph6=g6[:20]):
                letters = parse_word(word)
                self.assertEqual(format_word(letters), word)
                self.assertEqual(check_word(*from_graph6(g6, CENSUS_MAX_VERTICES), int(k),
                                            letters), [])
                self.assertIn("(10)", word)


class OrientationField(unittest.TestCase):
    def test_both_formats(self):
        for text, n, arcs in vectors.rows("orientation"):
            with self.subTest(text=text):
                self.assertEqual(parse_orientation_field(text, int(n)),
                                 vectors.pairs(arcs, ">"))

    def test_digraph6_of_another_order_is_refused(self):
        for field, message in (("&B?o", "the digraph6 orientation has 3 vertices, the graph 4"),
                               ("&B!", "bad digraph6 orientation '&B!': invalid character")):
            with self.assertRaises(OutputError) as cm:
                parse_orientation_field(field, 4)
            self.assertIn(message, str(cm.exception))


def expected_input(outcome):
    """(order, edges, loops) of an ok case, (code, line, col) of an error."""
    if outcome[0] == "ok":
        return ("ok", int(outcome[1]), vectors.pairs(outcome[2], "-"),
                [int(v) for v in outcome[3].split()])
    line, col = outcome[2].split(":")
    return ("error", int(outcome[1]), int(line), int(col))


def reference_outcome(data):
    """The outcome of an input text by the programs' reading rules as the
    programs' tests model them (tests/programs/reference.py): the graph
    read, or the error number."""
    r = Reader(data)
    try:
        order = r.read_int()
        r.skip_line()
        if order > 20:
            return ("error", 300)
        edges, loops = set(), set()
        while True:
            i, j = r.read_int(), r.read_int()
            r.skip_line()
            if i <= 0:
                break
            if not (1 <= i <= 20 and 1 <= j <= 20):
                return ("error", 300)
            if i == j and i <= order:
                loops.add(i)
            elif i != j and max(i, j) <= order:
                edges.add((min(i, j), max(i, j)))
        return ("ok", order, sorted(edges), sorted(loops))
    except Stop as e:
        return ("error", e.code)


class InputReader(unittest.TestCase):
    """The reader of the tools accepts what the programs accept and stops
    where they stop, with their error number."""

    def test_the_table(self):
        for case in vectors.rows("input"):
            data = vectors.unescape(case[0])
            with self.subTest(text=case[0]):
                want = expected_input(case[1:])
                try:
                    got = read_program_input(data)
                    outcome = ("ok", got.order, got.edges, [v for v, _, _ in got.loops])
                except GraphError as e:
                    outcome = ("error", e.code, e.line, e.col)
                    self.assertIn("error %d, " % e.code, str(e))
                self.assertEqual(outcome, want)

    def test_the_table_by_the_programs_reading_rules_of_their_tests(self):
        for case in vectors.rows("input"):
            with self.subTest(text=case[0]):
                self.assertEqual(reference_outcome(vectors.unescape(case[0])),
                                 expected_input(case[1:])[:2 if case[1] == "error" else 4])

    def test_a_str_reads_like_its_bytes(self):
        for case in vectors.rows("input"):
            if case[1] == "ok" and not re.search(r"\\x[89a-f]", case[0]):
                self.assertEqual(read_program_input(vectors.text(case[0])),
                                 read_program_input(vectors.unescape(case[0])))

    def test_the_graph_reader_refuses_only_loops_beyond_the_programs(self):
        for case in vectors.rows("input"):
            data = vectors.unescape(case[0])
            with self.subTest(text=case[0]):
                want = expected_input(case[1:])
                if want[0] == "ok" and not want[3]:
                    self.assertEqual(parse_input(data), (max(want[1], 0), want[2]))
                else:
                    with self.assertRaises(GraphError) as cm:
                        parse_input(data)
                    if want[0] == "ok":
                        self.assertIn("pair %d %d is a loop" % (want[3][0], want[3][0]),
                                      str(cm.exception))


PROGRAMS = {name: os.environ.get("WORDREP_" + name.upper())
            for name in ("alterword", "orientcheck", "yices")}


@unittest.skipUnless(all(PROGRAMS.values()), "the programs are not built (WORDREP_ALTERWORD, "
                     "WORDREP_ORIENTCHECK, WORDREP_YICES)")
class InputTableAgainstThePrograms(unittest.TestCase):
    """Every input text of the table through alterword and orientcheck: the
    error number they stop with, or an answer about the table's graph."""

    def run_program(self, name, data, d):
        p = subprocess.run([PROGRAMS[name]], input=data, cwd=d, capture_output=True,
                           timeout=120)
        return p.returncode, p.stdout.decode("latin-1"), p.stderr.decode("latin-1")

    def check_answer(self, name, out, order, edges, loops):
        n = max(order, 0)
        if name == "orientcheck":
            arcs = parse_orientcheck(out)
            if loops:
                self.assertIsNone(arcs)
            else:
                self.assertEqual(check_orientation(n, edges, arcs), [])
        else:
            k, word = parse_alterword(out)
            self.assertEqual(check_word(n, edges, k, word), [])

    def test_the_table(self):
        with tempfile.TemporaryDirectory() as d:
            os.symlink(PROGRAMS["yices"], os.path.join(d, "yices"))
            for case in vectors.rows("input"):
                want = expected_input(case[1:])
                for name in ("alterword", "orientcheck"):
                    with self.subTest(text=case[0], program=name):
                        status, out, err = self.run_program(name, vectors.unescape(case[0]), d)
                        if want[0] == "error":
                            self.assertEqual((status, out), (42, ""))
                            self.assertIn("(error #%d at " % want[1], err)
                        else:
                            self.assertEqual((status, err), (0, ""))
                            self.check_answer(name, out, *want[1:])


if __name__ == "__main__":
    unittest.main()
