#!/usr/bin/python3
"""The example graphs are the graphs their names say (compared with nauty's
own constructions up to isomorphism, or by their defining properties), and
the independent search of semitransitive.py gives the word-representability
stated for them in tests/tools/examples.py (and in the README)."""

import itertools
import os
import subprocess
import unittest

from helpers import EXAMPLES, run, tool
from semitransitive import find_semi_transitive
from wordrep.checks import check_orientation
from examples import TABLE
from wordrep.graph import from_graph6, read_input_file, to_graph6

GENSPECIAL = "/usr/bin/nauty-genspecialg"
LABELG = "/usr/bin/nauty-labelg"

# file, nauty-genspecialg construction (None: checked by properties below),
# word-representable: from the one table of the examples, tests/tools/examples.py
EXAMPLES_TABLE = [(e.name, e.construction, e.representation_number is not None) for e in TABLE]


def load(name):
    return read_input_file(os.path.join(EXAMPLES, name + ".graph"))


def canonical(g6):
    p = subprocess.run([LABELG, "-q"], input=g6 + "\n", capture_output=True, text=True, check=True)
    return p.stdout.strip()


def adjacency(n, edges):
    adj = {v: set() for v in range(1, n + 1)}
    for a, b in edges:
        adj[a].add(b)
        adj[b].add(a)
    return adj


def strongly_regular(n, edges):
    """(k, lambda, mu) if the graph is strongly regular, else None."""
    adj = adjacency(n, edges)
    ks = {len(adj[v]) for v in adj}
    if len(ks) != 1:
        return None
    lam, mu = set(), set()
    for x, y in itertools.combinations(adj, 2):
        (lam if y in adj[x] else mu).add(len(adj[x] & adj[y]))
    if len(lam) != 1 or len(mu) != 1:
        return None
    return ks.pop(), lam.pop(), mu.pop()


class Examples(unittest.TestCase):
    def test_every_file_is_listed(self):
        files = sorted(f[:-len(".graph")] for f in os.listdir(EXAMPLES) if f.endswith(".graph"))
        self.assertEqual(files, sorted(name for name, _, _ in EXAMPLES_TABLE))

    def test_files_are_in_the_plain_input_format(self):
        # One "i j" line per edge, i < j, sorted, closed by "0 0": what
        # graph6-convert writes, byte for byte.
        for name, _, _ in EXAMPLES_TABLE:
            with self.subTest(name=name):
                with open(os.path.join(EXAMPLES, name + ".graph")) as f:
                    text = f.read()
                g6 = run([tool("graph6-convert"), "to-graph6"], text).stdout
                back = run([tool("graph6-convert"), "to-input"], g6).stdout
                self.assertEqual(back, text)

    def test_same_graphs_as_nautys_constructions(self):
        for name, construction, _ in EXAMPLES_TABLE:
            if construction is None:
                continue
            with self.subTest(name=name):
                p = subprocess.run([GENSPECIAL, "-g", "-q", construction], capture_output=True,
                                   text=True, check=True)
                self.assertEqual(canonical(to_graph6(*load(name))), canonical(p.stdout.strip()))

    def test_crowns_by_definition(self):
        # u1..un = 1..n, v1..vn = n+1..2n, ui ~ vj exactly when i != j.
        for n in range(5, 11):
            with self.subTest(n=n):
                want = [(i, n + j) for i in range(1, n + 1) for j in range(1, n + 1) if i != j]
                self.assertEqual(load("crown%d" % n), (2 * n, sorted(want)))

    def test_wheel(self):
        n, edges = load("wheel6")
        adj = adjacency(n, edges)
        hubs = [v for v in adj if len(adj[v]) == n - 1]
        self.assertEqual(len(hubs), 1)
        rim = [v for v in adj if v != hubs[0]]
        # The rim is a 5-cycle: 2-regular and connected.
        self.assertTrue(all(len(adj[v] - {hubs[0]}) == 2 for v in rim))
        seen, todo = set(), [rim[0]]
        while todo:
            v = todo.pop()
            if v not in seen:
                seen.add(v)
                todo.extend(adj[v] - {hubs[0]})
        self.assertEqual(len(seen), 5)

    def test_shrikhande(self):
        n, edges = load("shrikhande")
        self.assertEqual(n, 16)
        self.assertEqual(strongly_regular(n, edges), (6, 2, 2))
        # Unlike the 4x4 rook's graph (the other srg(16,6,2,2)), every
        # neighbourhood is a 6-cycle, not two triangles.
        adj = adjacency(n, edges)
        for v in adj:
            nb = adj[v]
            self.assertTrue(all(len(adj[w] & nb) == 2 for w in nb))
            self.assertEqual(sum(1 for x, y in itertools.combinations(nb, 2)
                                 if y in adj[x]), 6)
            triangles = sum(1 for x, y, z in itertools.combinations(nb, 3)
                            if y in adj[x] and z in adj[x] and z in adj[y])
            self.assertEqual(triangles, 0)

    def test_clebsch(self):
        # The Clebsch graph is the only srg(16,5,0,2).
        n, edges = load("clebsch")
        self.assertEqual(n, 16)
        self.assertEqual(strongly_regular(n, edges), (5, 0, 2))

    def test_word_representability_by_independent_search(self):
        for name, _, representable in EXAMPLES_TABLE:
            with self.subTest(name=name):
                n, edges = load(name)
                found = find_semi_transitive(n, edges)
                self.assertEqual(found is not None, representable)
                if found is not None:
                    self.assertEqual(check_orientation(n, edges, found), [])


if __name__ == "__main__":
    unittest.main()
