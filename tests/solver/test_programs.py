"""alterword and orientcheck end to end with the real yices, on the shipped
example graphs.  Words are checked by the definition of representation,
orientations by the definition of semi-transitivity, verdicts "no solution"
and "Not semi-transitive" against Z3 where Z3 is quick, and the reported
representation numbers against the literature."""
import os
import shutil
import tempfile
import unittest

import benchgen
from solvercheck import BIN, YICES, run, semi_transitive, z3_check

EXAMPLES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "examples")

# Representation numbers known from the literature: crown graphs H(n,n) need
# ceil(n/2) copies for n >= 5 (3 for n = 5), the Petersen graph and the
# triangular prism 3, paths, complete and edgeless graphs 2 (the search starts at 2).
KNOWN_K = {"path3": 2, "crown5": 3, "crown6": 3, "crown7": 4, "crown8": 4, "crown9": 5,
           "crown10": 5, "petersen": 3, "prism3": 3, "complete20": 2, "empty20": 2}
# Graphs without a semi-transitive orientation (alterword would search forever).
NOT_SEMI_TRANSITIVE = {"wheel6", "clebsch", "shrikhande"}
# Graphs small enough for Z3 to confirm the "no solution" verdicts.
Z3_CONFIRMS = {"path3", "crown5", "petersen", "prism3", "wheel6"}


def graph_text(name):
    with open(os.path.join(EXAMPLES, name + ".graph")) as f:
        return f.read()


def examples():
    return sorted(f[:-6] for f in os.listdir(EXAMPLES) if f.endswith(".graph"))


class Programs(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()
        shutil.copy(YICES, os.path.join(self.dir, "yices"))

    def tearDown(self):
        shutil.rmtree(self.dir)

    def program(self, name, graph_text):
        code, out, err = run([os.path.join(BIN, name)], cwd=self.dir, stdin=graph_text)
        self.assertEqual((code, err), (0, ""), name)
        with open(os.path.join(self.dir, "ff")) as f:
            self.assertEqual(f.read(), "")
        return out

    def test_example_list(self):
        self.assertEqual(set(examples()), set(KNOWN_K) | NOT_SEMI_TRANSITIVE)

    def test_alterword(self):
        for name in examples():
            if name in NOT_SEMI_TRANSITIVE:
                continue
            with self.subTest(name):
                text = graph_text(name)
                n, edges = benchgen.read_graph(text)
                adj = benchgen.symmetric(edges)
                lines = self.program("alterword", text).split("\n")
                k = KNOWN_K[name]
                expected = ["no solution for %d," % j for j in range(2, k)]
                self.assertEqual(lines[:-2], expected + ["representing word for %d:" % k])
                word = benchgen.parse_word(lines[-2])
                self.assertIsNone(benchgen.word_represents(word, n, adj, k))
                if name in Z3_CONFIRMS and k > 2:
                    self.assertEqual(z3_check(benchgen.uniform_word(n, adj, k - 1)), "unsat")

    def test_orientcheck(self):
        for name in examples():
            with self.subTest(name):
                text = graph_text(name)
                n, edges = benchgen.read_graph(text)
                adj = benchgen.symmetric(edges)
                lines = self.program("orientcheck", text).split("\n")
                if name in NOT_SEMI_TRANSITIVE:
                    self.assertEqual(lines, ["Not semi-transitive", ""])
                    if name in Z3_CONFIRMS:
                        self.assertEqual(z3_check(benchgen.orientation(n, adj)), "unsat")
                    continue
                self.assertEqual(lines[0], "Semi-transitive by orientation:")
                self.assertEqual(lines[-1], "")
                arcs = {tuple(int(x) for x in line.split()) for line in lines[1:-1]}
                self.assertEqual(len(arcs), len(lines) - 2)
                self.assertIsNone(semi_transitive(n, adj, arcs))

    def test_random_graphs(self):
        """Seeded random graphs: orientcheck's answer checked by definition or by
        Z3; for semi-transitive (so word-representable) graphs, alterword's word
        checked by definition and its last "no solution" confirmed by Z3."""
        kinds = {"semi": 0, "not": 0}
        for seed in range(24):
            n = 3 + seed % 6
            n, edges = benchgen.random_graph(n, 0.3 + 0.05 * (seed % 10), 500 + seed)
            adj = benchgen.symmetric(edges)
            text = benchgen.graph_text(n, edges)
            with self.subTest(seed=seed):
                lines = self.program("orientcheck", text).split("\n")
                if lines == ["Not semi-transitive", ""]:
                    kinds["not"] += 1
                    self.assertEqual(z3_check(benchgen.orientation(n, adj)), "unsat")
                    continue
                kinds["semi"] += 1
                arcs = {tuple(int(x) for x in line.split()) for line in lines[1:-1]}
                self.assertIsNone(semi_transitive(n, adj, arcs))
                out = self.program("alterword", text).split("\n")
                k = int(out[-3].split()[-1].rstrip(":"))
                self.assertEqual(out[:-3], ["no solution for %d," % j for j in range(2, k)])
                self.assertIsNone(benchgen.word_represents(benchgen.parse_word(out[-2]), n, adj, k))
                if k > 2:
                    self.assertEqual(z3_check(benchgen.uniform_word(n, adj, k - 1)), "unsat")
        self.assertGreater(kinds["semi"], 10)


if __name__ == "__main__":
    unittest.main()
