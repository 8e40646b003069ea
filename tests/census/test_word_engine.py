#!/usr/bin/python3
"""The census's word search against itself and against published answers.

* symmetry breaking: with and without it (--no-symmetry) the same verdict
  and representation number, each K searched (--no-lower-bounds), on crowns,
  crowns with an apex, prisms, hypercubes and random graphs, every word
  checked by tools/wordrep/checks.py;
* graphs with known answers, above 20 vertices among them, with and without
  the lower bounds the census takes from published numbers: the crown H(k,k)
  (K_{k,k} less a perfect matching) has number ceil(k/2) for k >= 5 (Glen,
  Kitaev, Pyatkin 2018), a crown with an apex on 2k + 1 vertices has number
  k (Kitaev, Pyatkin 2008), grids and prisms have number 3, the Kneser graph
  K(7,2) is not word-representable (its witness checked by the independent
  search of tests/tools/semitransitive.py);
* a search cut by --time-limit (1 second, or a limit already over when the
  word search starts) still gives a checked orientation and bounds around
  the published number, the upper one with its checked word, the lower one
  with its reason; --progress tells the K tried in its own line format;
* an instance too large to give whole (grid 3x18, 162 letters at K = 3) is
  ordered lazily and still gives a checked word; on 64 vertices, after the
  family instances of orders 13 to 24, the census stays under 200 MiB and
  refuses a K beyond its bounds with a failure row.

The census comes from $WORDREP_CENSUS; networkx builds the graphs."""

import csv
import itertools
import os
import pty
import random
import re
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.realpath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path[:0] = [HERE, os.path.join(ROOT, "tools"), os.path.join(ROOT, "tests", "tools")]

from test_census import CENSUS, census, geng, induced, vertices_of  # noqa: E402
from semitransitive import find_semi_transitive  # noqa: E402
from wordrep.checks import check_orientation, check_word  # noqa: E402
from wordrep.formats import parse_orientation_field, parse_word  # noqa: E402
from wordrep.graph import from_graph6  # noqa: E402
import wordrep  # noqa: E402

try:
    import networkx as nx
except ImportError:  # networkx is optional at run time
    nx = None


def graph6(g):
    g = nx.convert_node_labels_to_integers(g)
    return nx.to_graph6_bytes(g, header=False).decode().strip()


def crown(k):
    """K_{k,k} less a perfect matching: i ~ k + j for i != j."""
    g = nx.Graph()
    g.add_nodes_from(range(2 * k))
    g.add_edges_from((i, k + j) for i in range(k) for j in range(k) if i != j)
    return g


def with_apex(g):
    """g and one vertex joined to every vertex of g."""
    h = nx.convert_node_labels_to_integers(g)
    apex = h.number_of_nodes()
    h.add_edges_from((v, apex) for v in range(apex))
    return h


def kneser(n, k):
    """The k-subsets of n things, adjacent when disjoint."""
    subsets = [frozenset(c) for c in itertools.combinations(range(n), k)]
    g = nx.Graph()
    g.add_nodes_from(range(len(subsets)))
    g.add_edges_from((i, j) for i, a in enumerate(subsets) for j, b in enumerate(subsets)
                     if i < j and not a & b)
    return g


def answers(lines, *args):
    """(semi_transitive, representation_number) per line; every certificate checked."""
    status, rows, _, err = census(lines, "--no-summary", *args)
    assert status == 0, err
    assert [r["graph6"] for r in rows] == lines, err
    out = []
    for row in rows:
        n, edges = from_graph6(row["graph6"], max_vertices=64)
        if row["semi_transitive"] == "yes":
            k = int(row["representation_number"])
            assert check_word(n, edges, k, parse_word(row["word"])) == [], row
            arcs = parse_orientation_field(row["orientation"])
            assert check_orientation(n, edges, arcs) == [], row
        else:
            assert row["semi_transitive"] == "no", row
            w = vertices_of(row["witness"])
            assert find_semi_transitive(*induced(n, edges, w)) is None, row
            for v in w:
                rest = induced(n, edges, [u for u in w if u != v])
                assert find_semi_transitive(*rest) is not None, (row, v)
        out.append((row["semi_transitive"], row["representation_number"]))
    return out


@unittest.skipUnless(CENSUS, "WORDREP_CENSUS not set")
@unittest.skipUnless(nx, "networkx not installed")
class Symmetry(unittest.TestCase):
    def test_same_answers_with_and_without_symmetry_breaking(self):
        rng = random.Random(20261209)
        graphs = [crown(k) for k in range(3, 9)]
        graphs += [with_apex(crown(k)) for k in range(3, 8)]
        graphs += [nx.circular_ladder_graph(k) for k in range(3, 9)]
        graphs += [nx.hypercube_graph(3), nx.hypercube_graph(4), nx.petersen_graph()]
        graphs += [nx.gnp_random_graph(rng.randint(7, 12), rng.choice((0.3, 0.5, 0.7)),
                                       seed=rng.randrange(10**6)) for _ in range(40)]
        lines = [graph6(g) for g in graphs]
        # Without the published lower bounds, so that every K below the number
        # is searched, and with an instance per graph: the instances a run
        # shares among graphs of up to 12 vertices break no automorphisms, so
        # there --no-symmetry would compare the plain search with itself.
        broken = answers(lines, "--no-lower-bounds", "--engine", "fresh")
        plain = answers(lines, "--no-lower-bounds", "--engine", "fresh", "--no-symmetry")
        self.assertEqual(broken, plain)
        self.assertEqual(answers(lines, "--no-lower-bounds"), plain)  # the shared instances
        # Not all alike: numbers 2..4 and graphs that are not representable.
        self.assertGreaterEqual(len(set(broken)), 4, broken)

    def test_known_answers_up_to_25_vertices(self):
        cases = [(crown(k), ("yes", str((k + 1) // 2))) for k in range(5, 11)]
        cases += [(with_apex(crown(k)), ("yes", str(k))) for k in range(4, 10)]
        cases += [(nx.grid_2d_graph(5, 5), ("yes", "3")),
                  (nx.circular_ladder_graph(12), ("yes", "3")),
                  (kneser(7, 2), ("no", ""))]
        lines = [graph6(g) for g, _ in cases]
        # The search finds the numbers on its own too, not only from the bounds.
        for args in ([], ["--no-lower-bounds"]):
            self.assertEqual(answers(lines, *args), [a for _, a in cases], args)
        # Without the shortcuts no induced W5 settles K(7,2): the orientation
        # search finds a witness of its own, in either engine.
        for args in ([], ["--engine", "fresh"]):
            self.assertEqual(answers([graph6(kneser(7, 2))], "--no-words", "--no-shortcuts", *args),
                             [("no", "")], args)

    def test_published_numbers_of_cylinders_and_cubes(self):
        # Cylindrical grids C_m x P_n have number 3 (Alshammari, Kitaev,
        # Pyatkin 2026); the k-cube is k-representable (Broere, Zantema 2019),
        # and Q3, the prism C4 x K2 (number 3, Kitaev, Pyatkin 2008), is an
        # induced subgraph of every larger cube, so their numbers are at least
        # 3.  The second run refutes each K below the answer by search alone.
        cylinders = [nx.cartesian_product(nx.cycle_graph(m), nx.path_graph(n))
                     for m, n in ((3, 3), (4, 3), (5, 4), (6, 5))]
        cubes = [nx.hypercube_graph(d) for d in (3, 4, 5)]
        lines = [graph6(g) for g in cylinders + cubes]
        for args in ([], ["--engine", "fresh", "--no-lower-bounds"]):
            got = answers(lines, *args)
            self.assertEqual(got[:len(cylinders)], [("yes", "3")] * len(cylinders), args)
            for d, (verdict, k) in zip((3, 4, 5), got[len(cylinders):]):
                self.assertEqual(verdict, "yes", (d, args))
                self.assertTrue(3 <= int(k) <= d, (d, k, args))

    def test_a_large_instance_is_ordered_lazily(self):
        # 54 vertices at K = 3: more order clauses than the census gives at once.
        line = graph6(nx.grid_2d_graph(3, 18))
        self.assertEqual(answers([line]), [("yes", "3")])

    def test_memory_stays_under_200_MiB_on_64_vertices(self):
        # First graphs of every order from 13 to 24, whose family instances
        # live to the end of the run (some 30 MiB), then: the prism C32 x K2
        # (number 3; about 260 MiB with every order clause given), the prism
        # C25 x K2 (number 3; 150 letters at K = 3, whose 1.1 million order
        # clauses at once took 150 MiB in such a run), the crown H(32,32)
        # (16 copies of 64 letters, beyond the census's bound) and the crown
        # H(20,20) with a pendant vertex at 24 of its vertices (number 10: its
        # lazy order reaches the clause budget).  The last two are failure
        # rows, not answers.
        rng = random.Random(200)
        family = [graph6(nx.gnp_random_graph(n, 0.5, seed=rng.randrange(10**6)))
                  for n in range(13, 25)]
        pendants = crown(20)
        pendants.add_edges_from((40 + v, v) for v in range(24))
        lines = [graph6(nx.circular_ladder_graph(32)), graph6(nx.circular_ladder_graph(25)),
                 graph6(crown(32)), graph6(pendants)]
        with tempfile.TemporaryFile("w+") as out:
            p = subprocess.Popen([CENSUS, "--no-summary"], stdin=subprocess.PIPE, stdout=out,
                                 stderr=subprocess.DEVNULL, text=True)
            p.stdin.write("".join(l + "\n" for l in family + lines))
            p.stdin.close()
            _, status, usage = os.wait4(p.pid, 0)
            out.seek(0)
            rows = list(csv.DictReader(out))
        self.assertEqual(os.waitstatus_to_exitcode(status), 1)
        if not os.environ.get("WORDREP_SANITIZED"):    # the sanitizers' shadow memory counts too
            self.assertLess(usage.ru_maxrss, 200 * 1024)  # KiB
        self.assertEqual(answers(lines[:2]), [("yes", "3"), ("yes", "3")])
        self.assertEqual([r["graph6"] for r in rows], family + lines)
        self.assertEqual([r["representation_number"] for r in rows[len(family):]],
                         ["3", "3", "failed: a 16-uniform word on 64 vertices has more than 640 "
                          "letters", "failed: a 10-uniform word on 64 vertices needs more than "
                          "1120000 clauses"])


    def test_beyond_the_search_limits_a_time_limit_gives_bounds(self):
        # The crown H(16,16) (number 8: 8 copies of 32 letters fit) beside
        # 100 isolated vertices: from 65 vertices the larger budget (1024
        # letters) holds, and K starts at 8, the induced crown's published
        # number, so the search is beyond the budget from its first K.  The
        # crown H(32,32) beside 1 vertex is the same on the smaller budget's
        # border.  Without a time limit a failure row, as ever; with one, the
        # bounds proved (never a failure, never an upper bound without a word).
        big = crown(16)
        big.add_nodes_from(range(100, 200))
        over = crown(32)
        over.add_node(99)
        cases = [
            (big, [], "failed: a 8-uniform word on 132 vertices has more than 1024 letters"),
            (big, ["--time-limit", "60"], ("8", "", "induced crown H(16,16): 8")),
            (over, [], "failed: a 16-uniform word on 65 vertices has more than 1024 letters"),
            (over, ["--time-limit", "60"], ("16", "", "induced crown H(32,32): 16")),
        ]
        for g, args, want in cases:
            with self.subTest(n=g.number_of_nodes(), args=args):
                status, rows, _, err = census([graph6(g)], "--no-summary", *args)
                row = rows[0]
                self.assertEqual(row["semi_transitive"], "yes", err)
                if isinstance(want, str):
                    self.assertEqual((status, row["representation_number"]), (1, want))
                else:
                    self.assertEqual(status, 0, err)
                    got = (row["number_lower"], row["number_upper"], row["number_reason"])
                    self.assertEqual((got, row["word"]), (want, ""))


# A line of --progress: the graph, the K tried, the lower bound and its reason.
PROGRESS = re.compile(r"wordrep-census: graph ([0-9]+) \((.*)\): trying K = ([0-9]+), "
                      r"number >= ([0-9]+) \((.*)\)")
# The reasons of a lower bound: the two words, or an induced crown and its number.
REASON = re.compile(r"least|searched|induced crown H\(([0-9]+),\1\)( with an apex)?: ([0-9]+)"
                    r"|induced subgraph [0-9 ]+: ([34])")


@unittest.skipUnless(CENSUS, "WORDREP_CENSUS not set")
@unittest.skipUnless(nx, "networkx not installed")
class Bounds(unittest.TestCase):
    # graph, its representation number (published), or None with at most that
    CASES = ([(crown(k), (k + 1) // 2, None) for k in range(5, 11)]
             + [(with_apex(crown(k)), k, None) for k in range(4, 9)]
             + [(nx.grid_2d_graph(m, n), 3, None) for m, n in ((3, 3), (4, 5), (3, 18))]
             + [(nx.grid_2d_graph(m, n, periodic=(True, False)), 3, None)
                for m, n in ((3, 4), (5, 6))]
             + [(nx.circular_ladder_graph(k), 3, None) for k in (5, 12, 25)]
             + [(nx.hypercube_graph(k), None, k) for k in (3, 4, 5, 6)])

    def check_row(self, row, number, at_most):
        """The row's certificates checked and its bounds around the number."""
        n, edges = from_graph6(row["graph6"], max_vertices=64)
        self.assertEqual(row["semi_transitive"], "yes", row)
        arcs = parse_orientation_field(row["orientation"])
        self.assertEqual(check_orientation(n, edges, arcs), [], row)
        lower = int(row["number_lower"])
        reason = REASON.fullmatch(row["number_reason"])
        self.assertTrue(reason, row["number_reason"])
        if reason.group(3) or reason.group(4):
            self.assertEqual(int(reason.group(3) or reason.group(4)), lower)
        self.assertLessEqual(lower, number or at_most, row["graph6"])
        if not row["number_upper"]:
            self.assertEqual((row["word"], row["representation_number"]), ("", ""))
            return None
        upper = int(row["number_upper"])
        self.assertEqual(check_word(n, edges, upper, parse_word(row["word"])), [], row)
        self.assertGreaterEqual(upper, number or 2)
        self.assertEqual(row["representation_number"], str(upper) if upper == lower else "")
        return upper

    def test_a_cut_search_brackets_the_published_number(self):
        lines = [graph6(g) for g, _, _ in self.CASES]
        for limit in ("1", "1e-9"):
            status, rows, _, err = census(lines, "--no-summary", "--time-limit", limit)
            self.assertEqual(status, 0, err)
            self.assertEqual([r["graph6"] for r in rows], lines)
            uppers = []
            for row, (_, number, at_most) in zip(rows, self.CASES):
                with self.subTest(limit=limit, graph6=row["graph6"]):
                    uppers.append(self.check_row(row, number, at_most))
            if limit == "1e-9":    # over before the first SAT call: no word, the bounds' reasons
                self.assertEqual(uppers, [None] * len(rows))
                self.assertEqual([(r["number_lower"], r["number_reason"]) for r in rows[:11]],
                                 [(str((k + 1) // 2), "induced crown H(%d,%d): %d"
                                   % (k, k, (k + 1) // 2)) for k in range(5, 11)]
                                 + [(str(k), "induced crown H(%d,%d) with an apex: %d"
                                     % (k, k, k)) for k in range(4, 9)])

    def test_a_small_induced_subgraph_bounds_a_large_graph(self):
        # Large graphs whose searches at K = 2 (or 3) are beyond the census's
        # limits or slow: a subgraph near one vertex without a 2-uniform word
        # gives 3 at once, one without a 3-uniform word 4 (Q6: the interval
        # between two vertices at distance 4 is Q4).  Each named subgraph is
        # answered again on its own by the search alone: its number must be
        # at least the bound.
        cases = [(nx.grid_2d_graph(16, 16), 3), (nx.grid_2d_graph(10, 10, periodic=True), 3),
                 (nx.hypercube_graph(6), 4), (nx.hypercube_graph(7), 4),
                 (nx.hypercube_graph(8), 4),     # its orientation search: 1.6 million clauses
                 (nx.random_regular_graph(3, 256, seed=20), 3)]
        lines = [graph6(g) for g, _ in cases]
        status, rows, _, err = census(lines, "--no-summary", "--time-limit", "1e-9")
        self.assertEqual(status, 0, err)
        subgraphs = []
        for row, (_, lower) in zip(rows, cases):
            with self.subTest(graph6=row["graph6"][:20]):
                reason = re.fullmatch(r"induced subgraph ([0-9 ]+): ([34])", row["number_reason"])
                self.assertTrue(reason, row["number_reason"])
                self.assertEqual((row["number_lower"], reason.group(2)), (str(lower), str(lower)))
                n, edges = from_graph6(row["graph6"], max_vertices=256)
                keep = [int(v) for v in reason.group(1).split()]
                self.assertLessEqual(len(keep), 24 if lower == 3 else 16)
                k, sub_edges = induced(n, edges, keep)
                h = nx.Graph()
                h.add_nodes_from(range(k))
                h.add_edges_from((a - 1, b - 1) for a, b in sub_edges)
                subgraphs.append((h, lower))
        alone = answers([graph6(h) for h, _ in subgraphs], "--engine", "fresh",
                        "--no-lower-bounds")
        for (verdict, k), (h, lower) in zip(alone, subgraphs):
            self.assertEqual(verdict, "yes")
            self.assertGreaterEqual(int(k), lower, h.edges)

    @staticmethod
    def on_terminal(line, args):
        """What the census writes on standard error when that is a terminal."""
        master, slave = pty.openpty()
        try:
            subprocess.run([CENSUS] + args, input=line + "\n", stdout=subprocess.DEVNULL,
                           stderr=slave, text=True, check=True)
        finally:
            os.close(slave)
        said = b""
        try:
            while True:
                chunk = os.read(master, 4096)
                if not chunk:
                    break
                said += chunk
        except OSError:                   # EIO: the terminal's other end is closed
            pass
        os.close(master)
        return said.decode()

    def test_progress_names_each_k_it_starts(self):
        line = graph6(crown(10))          # number 5: K = 2, 3, 4 are searched and fail
        args = ["--no-summary", "--no-lower-bounds"]
        status, rows, _, err = census([line], *args, "--progress")
        self.assertEqual((status, rows[0]["representation_number"]), (0, "5"), err)
        said = [PROGRESS.fullmatch(l) for l in err.splitlines()]
        self.assertTrue(said and all(said), err)
        # The first line always goes out; later ones at most four times a second.
        self.assertEqual(err.splitlines()[0], "wordrep-census: graph 1 (%s...): trying K = 2, "
                         "number >= 2 (least)" % line[:17])
        tried = [int(s.group(3)) for s in said]
        self.assertEqual(tried, sorted(set(tried)))
        self.assertTrue(all(int(s.group(4)) == int(s.group(3)) <= 5 for s in said), err)
        # Not asked and not a terminal: no progress.
        self.assertEqual(census([line], *args)[3], "")
        # On a terminal by default: one line rewritten in place, cleared at the end.
        terminal = self.on_terminal(line, args)
        self.assertTrue(terminal.startswith("\rwordrep-census: graph 1 (%s...): trying K = 2, "
                                            "number >= 2 (least)\x1b[K" % line[:17]), terminal)
        self.assertTrue(terminal.endswith("\x1b[K\r\x1b[K"), terminal)
        self.assertNotIn("\n", terminal)
        got = []
        result = wordrep.analyse(line, program=CENSUS, progress=got.append)
        self.assertEqual(result.representation_number, 5)
        self.assertEqual(got[0], wordrep.Progress(1, 2, 2, None, "least"))
        self.assertTrue(all(p.graph == 1 and p.lower == p.trying for p in got), got)


@unittest.skipUnless(CENSUS, "WORDREP_CENSUS not set")
class Family(unittest.TestCase):
    def rows(self, graphs, *args):
        status, rows, _, err = census(graphs, "--no-summary", *args)
        self.assertEqual(status, 0, err)
        self.assertEqual([r["graph6"] for r in rows], graphs)
        # Witnesses may differ (any minimal one is an answer); whether the
        # graph is its own witness may not.
        return [(r["semi_transitive"], r["representation_number"],
                 r["witness"] == " ".join(map(str, range(1, int(r["vertices"]) + 1))))
                for r in rows]

    def test_shared_instances_answer_as_fresh_ones(self):
        # Every connected graph up to 8 vertices, then a shuffled 9-vertex slice
        # (the shared instances see the graphs in an order geng never writes).
        graphs = ["?", "@"] + [g for n in range(2, 9) for g in geng("-c", n)]
        nine = geng("-c", 9, "5/100")
        random.Random(9).shuffle(nine)
        for lines in (graphs, nine):
            shared, fresh = self.rows(lines), self.rows(lines, "--engine", "fresh")
            self.assertEqual(shared, fresh)
            # Not all alike: numbers 2 and 3 and graphs that are not representable.
            self.assertGreaterEqual(len({(s, k) for s, k, _ in shared}), 3)

    def test_words_from_shared_instances_are_checked_certificates(self):
        # The 7-vertex graphs through the shared instances, each word checked
        # here again (the census checks it too before writing the row).
        graphs = geng("-c", 7)
        status, rows, _, err = census(graphs, "--no-summary")
        self.assertEqual(status, 0, err)
        numbers = set()
        for row in rows:
            if row["semi_transitive"] != "yes":
                continue
            n, edges = from_graph6(row["graph6"])
            k = int(row["representation_number"])
            self.assertEqual(check_word(n, edges, k, parse_word(row["word"])), [], row)
            numbers.add(k)
        self.assertEqual(numbers, {1, 2, 3})


if __name__ == "__main__":
    unittest.main()
