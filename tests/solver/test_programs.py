"""alterword and orientcheck end to end with the real yices, on the shipped
example graphs.  Words are checked by the definition of representation,
orientations by the definition of semi-transitivity, verdicts "no solution"
and "Not semi-transitive" against Z3 where Z3 is quick, and the reported
representation numbers against the table of tests/tools/examples.py.  And
benchgen's benchmark writers against what the programs write, byte for byte."""
import os
import shutil
import sys
import tempfile
import unittest

import benchgen
from solvercheck import BIN, HERE, YICES, run, z3_check
from wordrep.checks import check_orientation, check_word
from wordrep.formats import format_word, parse_orientcheck, parse_word
from wordrep.graph import format_input, parse_input

sys.path[:0] = [os.path.join(os.path.dirname(HERE), folder) for folder in ("programs", "tools")]
import harness  # noqa: E402
from examples import ALTERWORD, DIRECTORY, path  # noqa: E402
from test_alterword import word_model  # noqa: E402

# The answers of tests/tools/examples.py, which cites the literature for them.
KNOWN_K = {name: k for name, k in ALTERWORD.items() if k is not None}
# Graphs without a semi-transitive orientation (alterword would search forever).
NOT_SEMI_TRANSITIVE = {name for name, k in ALTERWORD.items() if k is None}
# Graphs small enough for Z3 to confirm the "no solution" verdicts.
Z3_CONFIRMS = {"path3", "crown5", "petersen", "prism3", "wheel6"}

# (name, n, edges, K, the word the scripted solver answers with at K): the
# solver answers "unsat" for every smaller K.
WRITER_CASES = [
    ("no vertex", 0, [], 3, []),
    ("one vertex", 1, [], 3, [1, 1, 1]),
    ("an edge", 2, [(1, 2)], 2, [1, 2, 1, 2]),
    ("an edge, K=3", 2, [(1, 2)], 3, [1, 2, 1, 2, 1, 2]),
    ("two vertices, no edge", 2, [], 3, [1, 1, 1, 2, 2, 2]),
    ("a triangle", 3, [(1, 2), (1, 3), (2, 3)], 3, [1, 2, 3] * 3),
    ("a path", 3, [(1, 2), (2, 3)], 3, [1, 2, 1, 3, 2, 1, 3, 2, 3]),
]


def graph_text(name):
    with open(path(name)) as f:
        return f.read()


def examples():
    return sorted(f[:-6] for f in os.listdir(DIRECTORY) if f.endswith(".graph"))


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
                n, edges = parse_input(text)
                adj = benchgen.symmetric(edges)
                lines = self.program("alterword", text).split("\n")
                k = KNOWN_K[name]
                expected = ["no solution for %d," % j for j in range(2, k)]
                self.assertEqual(lines[:-2], expected + ["representing word for %d:" % k])
                word = parse_word(lines[-2])
                self.assertEqual(check_word(n, edges, k, word), [])
                if name in Z3_CONFIRMS and k > 2:
                    self.assertEqual(z3_check(benchgen.uniform_word(n, adj, k - 1)), "unsat")

    def test_orientcheck(self):
        for name in examples():
            with self.subTest(name):
                text = graph_text(name)
                n, edges = parse_input(text)
                adj = benchgen.symmetric(edges)
                out = self.program("orientcheck", text)
                lines = out.split("\n")
                if name in NOT_SEMI_TRANSITIVE:
                    self.assertEqual(lines, ["Not semi-transitive", ""])
                    if name in Z3_CONFIRMS:
                        self.assertEqual(z3_check(benchgen.orientation(n, adj)), "unsat")
                    continue
                self.assertEqual(lines[0], "Semi-transitive by orientation:")
                self.assertEqual(lines[-1], "")
                arcs = parse_orientcheck(out)
                self.assertEqual(len(set(arcs)), len(lines) - 2)
                self.assertEqual(check_orientation(n, edges, arcs), [])

    def test_random_graphs(self):
        """Seeded random graphs: orientcheck's answer checked by definition or by
        Z3; for semi-transitive (so word-representable) graphs, alterword's word
        checked by definition and its last "no solution" confirmed by Z3."""
        kinds = {"semi": 0, "not": 0}
        for seed in range(24):
            n = 3 + seed % 6
            n, edges = benchgen.random_graph(n, 0.3 + 0.05 * (seed % 10), 500 + seed)
            adj = benchgen.symmetric(edges)
            text = format_input(n, edges)
            with self.subTest(seed=seed):
                report = self.program("orientcheck", text)
                lines = report.split("\n")
                if lines == ["Not semi-transitive", ""]:
                    kinds["not"] += 1
                    self.assertEqual(z3_check(benchgen.orientation(n, adj)), "unsat")
                    continue
                kinds["semi"] += 1
                arcs = parse_orientcheck(report)
                self.assertEqual(check_orientation(n, edges, arcs), [])
                out = self.program("alterword", text).split("\n")
                k = int(out[-3].split()[-1].rstrip(":"))
                self.assertEqual(out[:-3], ["no solution for %d," % j for j in range(2, k)])
                self.assertEqual(check_word(n, edges, k, parse_word(out[-2])), [])
                if k > 2:
                    self.assertEqual(z3_check(benchgen.uniform_word(n, adj, k - 1)), "unsat")
        self.assertGreater(kinds["semi"], 10)


class BenchmarkWriters(unittest.TestCase):
    """benchgen's two writers against the benchmarks the programs write, byte for
    byte: each program runs with the scripted ./yices of tests/programs, which
    keeps a copy of ff before it answers."""

    def test_uniform_word(self):
        for name, n, edges, k, word in WRITER_CASES:
            with self.subTest(name):
                # The scripted answer is a word that represents the graph.
                self.assertEqual(check_word(n, edges, k, word), [])
                answers = [b"unsat\n"] * (k - 2) + [word_model(word, k)]
                r = harness.run("alterword", format_input(n, edges).encode(), answers=answers)
                self.addCleanup(harness.cleanup, r)
                adj = benchgen.symmetric(edges)
                self.assertEqual([b.decode() for b in r.benchmarks],
                                 [benchgen.uniform_word(n, adj, j) for j in range(2, k + 1)])
                expected = "".join("no solution for %d,\n" % j for j in range(2, k))
                expected += "representing word for %d:\n%s\n" % (k, format_word(word))
                harness.check_normal_run(self, r, expected.encode())

    def test_orientation(self):
        for name, n, edges, _, _ in WRITER_CASES:
            with self.subTest(name):
                r = harness.run("orientcheck", format_input(n, edges).encode(),
                                default=b"unsat\n")
                self.addCleanup(harness.cleanup, r)
                self.assertEqual([b.decode() for b in r.benchmarks],
                                 [benchgen.orientation(n, benchgen.symmetric(edges))])
                harness.check_normal_run(self, r, b"Not semi-transitive\n")


if __name__ == "__main__":
    unittest.main()
