#!/usr/bin/python3
"""wordrep-census's orientation engines and k-semi-transitive orientations.

* the family engine (one incremental instance per order) against an instance
  per graph (--engine fresh): the same verdict, representation number and
  minimality on every connected graph up to 8 vertices and on a shuffled
  slice of the 9-vertex ones, every certificate checked independently;
* --shortcut-length 3 on the connected graphs up to 8 vertices: 1, 25, 929
  without a 3-semi-transitive orientation and 1, 10, 47 minimal ones on 6,
  7, 8 vertices (Akguen, Gent, Kitaev, Zantema, J. Integer Sequences 22
  (2019), A319492: the non-word-representable counts up to 8 vertices) and
  none up to 5, every witness on 7 and 8 vertices minimal, every
  orientation passing the bounded checker of tools/wordrep/checks.py; the
  option's errors;
* graphs holding a minimal non-word-representable graph as an induced
  subgraph, on 9 to 64 vertices: every witness minimal by the independent
  search of tests/tools/semitransitive.py.

The census comes from $WORDREP_CENSUS."""

import os
import random
import sys
import unittest

HERE = os.path.dirname(os.path.realpath(__file__))
sys.path.insert(0, HERE)

from test_census import CENSUS, Certificates, census, geng, graph_from, induced  # noqa: E402
from test_census import vertices_of  # noqa: E402
from semitransitive import find_semi_transitive  # noqa: E402
from wordrep.checks import check_orientation  # noqa: E402
from wordrep.formats import parse_orientation_field  # noqa: E402
from wordrep.graph import from_graph6, to_graph6  # noqa: E402


def answers(rows):
    """Per row: graph6, verdict, K, and whether the witness is the whole graph."""
    return [(r["graph6"], r["semi_transitive"], r["representation_number"],
             r["witness"] != "" and len(vertices_of(r["witness"])) == int(r["vertices"]))
            for r in rows]


@unittest.skipUnless(CENSUS, "WORDREP_CENSUS not set")
class FamilyEngine(Certificates):
    def compare(self, graphs):
        family = census(graphs)
        fresh = census(graphs, "--engine", "fresh")
        for status, rows, _, err in (family, fresh):
            self.assertEqual(status, 0, err)
            self.assertEqual([r["graph6"] for r in rows], graphs)
        self.assertEqual(answers(family[1]), answers(fresh[1]))
        self.assertEqual(family[3], fresh[3])  # the summaries
        # Every row: a witness that is not minimal yet not the whole graph
        # would pass the comparison.
        for row in family[1]:
            self.assert_certified(row)
        return answers(family[1])

    def test_every_connected_graph_up_to_8_vertices(self):
        for n in range(1, 9):
            with self.subTest(vertices=n):
                self.compare(geng("-c", n))

    def test_a_shuffled_slice_of_the_9_vertex_graphs(self):
        graphs = geng("-c", 9, "3/200")
        random.Random(9).shuffle(graphs)
        got = self.compare(graphs)
        # Not all alike: numbers 2 and 3, graphs that are their own witness and others.
        self.assertGreaterEqual(len({(s, k, own) for _, s, k, own in got}), 4, got)


# The minimal non-word-representable graphs on 7 vertices and W5 (graph6).
MINIMAL = ["F?z\\w", "FCqnw", "FCx}w", "FEivw", "FEnbo", "FEl~o", "FEl~w", "FUxuo", "FUxvw",
           "FUz^o", "E|fG"]


def host(pattern, n, rng):
    """pattern as an induced subgraph on n vertices: its vertices at random
    places, every other pair an edge with probability 0.15 unless both ends
    are the pattern's."""
    k, edges = from_graph6(pattern)
    place = dict(zip(range(1, k + 1), rng.sample(range(1, n + 1), k)))
    inside = set(place.values())
    out = {tuple(sorted((place[a], place[b]))) for a, b in edges}
    out |= {(a, b) for a in range(1, n + 1) for b in range(a + 1, n + 1)
            if not {a, b} <= inside and rng.random() < 0.15}
    return to_graph6(n, sorted(out))


@unittest.skipUnless(CENSUS, "WORDREP_CENSUS not set")
class Witnesses(unittest.TestCase):
    def test_graphs_holding_a_minimal_one_get_a_checked_minimal_witness(self):
        # Orders up to 24 go to the family instances, which may find the witness
        # among those of earlier graphs (heredity); 30 and 64 to instances of
        # their own.  Without the shortcuts no induced W5 settles a graph.
        rng = random.Random(14)
        for p in MINIMAL:
            self.assertIsNone(find_semi_transitive(*from_graph6(p)), p)
        for n, args in ((9, []), (16, []), (24, ["--no-shortcuts"]), (24, ["--engine", "fresh"]),
                        (30, []), (64, ["--no-shortcuts"])):
            graphs = [host(p, n, rng) for p in MINIMAL for _ in range(2 if n < 30 else 1)]
            with self.subTest(vertices=n, args=args):
                status, rows, _, err = census(graphs, "--no-words", *args)
                self.assertEqual(status, 0, err)
                self.assertEqual([r["graph6"] for r in rows], graphs)
                for r in rows:
                    self.assertEqual(r["semi_transitive"], "no", r)
                    n_, edges = from_graph6(r["graph6"], max_vertices=None)
                    w = vertices_of(r["witness"])
                    self.assertEqual(w, sorted(set(w)), r)
                    self.assertLess(len(w), n_, r)
                    self.assertIsNone(find_semi_transitive(*induced(n_, edges, w)), r)
                    for v in w:
                        rest = induced(n_, edges, [u for u in w if u != v])
                        self.assertIsNotNone(find_semi_transitive(*rest), (r, v))


@unittest.skipUnless(CENSUS, "WORDREP_CENSUS not set")
class ShortcutLength(unittest.TestCase):
    COUNTS = {1: (0, 0), 2: (0, 0), 3: (0, 0), 4: (0, 0), 5: (0, 0), 6: (1, 1), 7: (25, 10),
              8: (929, 47)}

    def test_3_semi_transitive_counts_up_to_8_vertices(self):
        for n, (refused, minimal) in self.COUNTS.items():
            with self.subTest(vertices=n):
                graphs = geng("-c", n)
                status, rows, out, err = census(graphs, "--shortcut-length", "3")
                self.assertEqual(status, 0, err)
                self.assertTrue(out.startswith("graph6,vertices,edges,semi_transitive_3,"
                                               "representation_number,word,orientation,witness,"
                                               "number_lower,number_upper,number_reason\n"))
                self.assertEqual([r["graph6"] for r in rows], graphs)
                self.assertEqual(err, "wordrep-census: %d graphs\n  not 3-semi-transitive: %d\n"
                                 "  minimal not 3-semi-transitive: %d\n  failures: 0\n"
                                 % (len(graphs), refused, minimal))
                no = [r for r in rows if r["semi_transitive_3"] == "no"]
                self.assertEqual(len(no), refused)
                self.assertEqual(sum(len(vertices_of(r["witness"])) == n for r in no), minimal)
                for r in rows:
                    self.assertEqual((r["representation_number"], r["word"]), ("", ""))
                    n_, edges = graph_from(r["graph6"])
                    if r["semi_transitive_3"] == "yes":
                        arcs = parse_orientation_field(r["orientation"])
                        self.assertEqual(check_orientation(n_, edges, arcs, max_shortcut=3), [], r)
                        self.assertEqual(r["witness"], "")
                    else:
                        self.assertEqual(r["orientation"], "")
                # On at most 8 vertices the same graphs as without the bound.
                _, plain, _, _ = census(graphs, "--no-words")
                self.assertEqual([r["semi_transitive_3"] for r in rows],
                                 [r["semi_transitive"] for r in plain])

    def test_witnesses_on_7_and_8_vertices_by_the_independent_search(self):
        # Up to 8 vertices 3-semi-transitive means semi-transitive (the counts above).
        rows = census(geng("-c", 7), "--shortcut-length", "3")[1]
        rows += census(geng("-c", 8), "--shortcut-length", "3")[1]
        for r in rows:
            if r["semi_transitive_3"] != "no":
                continue
            n, edges = graph_from(r["graph6"])
            w = vertices_of(r["witness"])
            self.assertIsNone(find_semi_transitive(*induced(n, edges, w)), r)
            for v in w:
                rest = induced(n, edges, [u for u in w if u != v])
                self.assertIsNotNone(find_semi_transitive(*rest), (r, v))

    def test_engines_agree_and_long_bounds_are_no_bound(self):
        graphs = geng("-c", 8)
        family = census(graphs, "--shortcut-length", "3")[1]
        fresh = census(graphs, "--shortcut-length", "3", "--engine", "fresh")[1]
        self.assertEqual([r["semi_transitive_3"] for r in family],
                         [r["semi_transitive_3"] for r in fresh])
        # No path on 8 vertices has more than 7 arcs.
        status, rows, _, err = census(graphs, "--shortcut-length", "7")
        self.assertEqual(status, 0, err)
        self.assertIn("  not 7-semi-transitive: 929\n", err)
        self.assertEqual([r["semi_transitive_7"] for r in rows],
                         [r["semi_transitive_3"] for r in family])

    def test_an_instance_too_large_is_a_failure_row(self):
        # K62 minus a perfect matching: about 4.4 million clauses for K = 8, 0.9 for K = 3.
        edges = [(a, b) for a in range(1, 63) for b in range(a + 1, 63)
                 if (a + 1) // 2 != (b + 1) // 2]
        g6 = to_graph6(62, edges)
        status, rows, _, err = census([g6], "--no-shortcuts", "--shortcut-length", "8")
        self.assertEqual(status, 1, err)
        self.assertEqual(rows[0]["semi_transitive_8"],
                         "failed: the orientation search would need about 4412912 clauses, more "
                         "than 1400000 (a smaller --shortcut-length keeps it smaller)")
        self.assertIn("  failures: 1\n", err)
        status, rows, _, err = census([g6], "--no-shortcuts", "--shortcut-length", "3")
        self.assertEqual((status, rows[0]["semi_transitive_3"]), (0, "yes"), err)
        arcs = parse_orientation_field(rows[0]["orientation"])
        self.assertEqual(check_orientation(62, edges, arcs, max_shortcut=3), [])

    def test_option_errors(self):
        for args in (["--shortcut-length", "2"], ["--shortcut-length", "x3"],
                     ["--shortcut-length"], ["--shortcut-length", "257"],
                     ["--engine", "other"]):
            with self.subTest(args=args):
                status, rows, out, err = census(["A_"], *args)
                self.assertEqual((status, out), (2, ""))
                option = args[0]
                expect = ("--shortcut-length takes an integer from 3 to 256"
                          if option == "--shortcut-length" else "--engine takes family or fresh")
                self.assertTrue(err.startswith("wordrep-census: " + expect + "; usage: "), err)
                self.assertEqual(err.count("\n"), 1)


if __name__ == "__main__":
    unittest.main()
