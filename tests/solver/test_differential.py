"""Differential tests: yices against Z3 on the SMT-LIB 2 export.

Seeded random graphs of both benchmark kinds (up to 9 vertices, K up to 4) and
random formulas of the whole fragment.  Every verdict must equal Z3's, every
model must satisfy the formula according to Z3, every word must represent its
graph and every orientation must be semi-transitive by the definitions."""
import concurrent.futures
import os
import random
import unittest

import benchgen
from solvercheck import parse_model, solve, z3_check
from wordrep.checks import check_orientation, check_word

WORKERS = 2
# Seeds per suite are multiplied by this for deeper runs on demand.
SCALE = int(os.environ.get("SOLVER_DIFF_SCALE", "1"))


def word_case(seed):
    rng = random.Random(seed)
    n = rng.randint(1, 9)
    k = rng.randint(2, 4 if n <= 7 else 3)
    kind = rng.random()
    if kind < 0.1 and n >= 2:
        half = max(1, n // 2)
        n, edges = benchgen.crown(half)
    elif kind < 0.2:
        n, edges = benchgen.three_colourable(n, rng.random(), seed)
    else:
        n, edges = benchgen.random_graph(n, rng.random(), seed)
    return n, edges, k


def orient_case(seed):
    rng = random.Random(seed)
    n = rng.randint(1, 9)
    if rng.random() < 0.5:
        n, edges = benchgen.three_colourable(n, rng.random(), seed)
    else:
        n, edges = benchgen.random_graph(n, rng.random(), seed)
    return n, edges


class Fragment:
    """Random benchmarks over the whole fragment: bounded integer functions in
    arithmetic, unbounded ones compared only with variables and numerals."""

    def __init__(self, seed):
        self.rng = random.Random(seed)
        self.bounded = ["(f %d)" % i for i in range(3)] + ["c"]
        self.free = ["(h %d)" % i for i in range(2)]
        self.lets = []

    def num(self):
        return str(self.rng.randint(0, 6))

    def term(self, depth):
        r = self.rng.random()
        if depth == 0 or r < 0.3:
            return self.rng.choice(self.bounded + [self.num()] + self.lets)
        d = depth - 1
        choice = self.rng.randrange(6)
        if choice == 0:
            return "(+ %s %s)" % (self.term(d), self.term(d))
        if choice == 1:
            return "(- %s %s)" % (self.term(d), self.term(d))
        if choice == 2:
            return "(~ %s)" % self.term(d)
        if choice == 3:
            f = self.rng.randint(-2, 3)
            return "(* %s %s)" % (str(f) if f >= 0 else "(~ %d)" % -f, self.term(d))
        if choice == 4:
            return "(ite %s %s %s)" % (self.formula(d), self.term(d), self.term(d))
        return "(- %s)" % self.term(d)

    def atom(self, depth):
        op = self.rng.choice(["=", "<", "<=", ">", ">=", "distinct"])
        simple = self.rng.random() < 0.3
        if simple:
            pool = self.free + self.bounded + [self.num()]
            args = [self.rng.choice(pool) for _ in range(2)]
        else:
            args = [self.term(depth), self.term(depth)]
        if op == "distinct" and self.rng.random() < 0.5:
            args.append(self.rng.choice(self.free + self.bounded if simple else self.bounded))
        return "(%s %s)" % (op, " ".join(args))

    def formula(self, depth):
        r = self.rng.random()
        if depth == 0 or r < 0.25:
            return self.rng.choice([self.atom(1), "(p %s)" % self.num(), "q", "true"])
        d = depth - 1
        op = self.rng.randrange(9)
        if op == 0:
            return "(not %s)" % self.formula(d)
        if op in (1, 2):
            word = "and" if op == 1 else "or"
            return "(%s %s)" % (word, " ".join(self.formula(d) for _ in range(self.rng.randint(1, 3))))
        if op == 3:
            return "(implies %s %s)" % (self.formula(d), self.formula(d))
        if op == 4:
            return "(iff %s %s)" % (self.formula(d), self.formula(d))
        if op == 5:
            return "(xor %s %s)" % (self.formula(d), self.formula(d))
        if op == 6:
            return "(if_then_else %s %s %s)" % (self.formula(d), self.formula(d), self.formula(d))
        if op == 7:
            name = "?v%d" % len(self.lets)
            bound = self.term(d)
            self.lets.append(name)
            body = self.formula(d)
            self.lets.pop()
            return "(let (%s %s) %s)" % (name, bound, body)
        return "(flet ($g %s) (and $g %s))" % (self.formula(d), self.formula(d))

    def benchmark(self):
        bounds = []
        for v in self.bounded:
            lo = self.rng.randint(-3, 2)
            bounds.append("(<= %d %s) (>= %d %s)" % (lo, v, lo + self.rng.randint(0, 4), v)
                          if lo >= 0 else "(<= (~ %d) %s) (<= %s %d)" % (-lo, v, v, lo + 4))
        body = " ".join(self.formula(3) for _ in range(self.rng.randint(1, 3)))
        return ("(benchmark rnd :logic QF_UFLIA :status unknown\n"
                ":extrafuns ((f Int Int) (c Int) (h Int Int))\n:extrapreds ((p Int) (q))\n"
                ":notes \"random\" ; generated\n:assumption (and %s)\n:formula (and %s))\n"
                % (" ".join(bounds), body))


def cycle(n):
    return n, [(i, i % n + 1) for i in range(1, n + 1)]


# Highly symmetric graphs, where symmetry breaking has the most to get wrong.
SYMMETRIC = [
    ("cycle 6", cycle(6)), ("cycle 7", cycle(7)),
    ("star 1+5", (6, [(1, j) for j in range(2, 7)])),
    ("star centre last", (6, [(j, 6) for j in range(1, 6)])),
    ("K3,3", (6, [(i, j) for i in range(1, 4) for j in range(4, 7)])),
    ("octahedron", (6, [(i, j) for i in range(1, 7) for j in range(i + 1, 7) if j - i != 3])),
    ("cube", (8, [(i + 1, (i ^ b) + 1) for i in range(8) for b in (1, 2, 4) if i < i ^ b])),
    ("two triangles", (6, [(1, 2), (2, 3), (1, 3), (4, 5), (5, 6), (4, 6)])),
    ("triangle and isolated", (6, [(1, 2), (2, 3), (1, 3)])),
    ("isolated first", (5, [(2, 3), (3, 4), (4, 5)])),
    ("empty 5", (5, [])), ("complete 5", (5, [(i, j) for i in range(1, 6) for j in range(i + 1, 6)])),
    ("crown 4", benchgen.crown(4)), ("crown 3", benchgen.crown(3)),
    ("wheel 5", (6, [(1, j) for j in range(2, 7)] + [(j, j % 5 + 2) for j in range(2, 7)])),
]


class Differential(unittest.TestCase):
    def check_verdict(self, label, text, on_model):
        code, out, err = solve(text)
        self.assertEqual(code, 0, "%s: %s" % (label, err))
        lines = out.split("\n")
        self.assertEqual(lines[-1], "", label)
        verdict = lines[0]
        model = parse_model(lines[1:-1]) if verdict == "sat" else None
        if verdict == "unsat":
            self.assertEqual(lines[1:], [""], label)
        expected = z3_check(text, model)
        self.assertEqual(verdict, expected, "%s: yices says %s, z3 says %s" % (label, verdict, expected))
        if model is not None:
            on_model(model)
        return verdict

    def run_cases(self, cases):
        with concurrent.futures.ThreadPoolExecutor(WORKERS) as pool:
            return list(pool.map(lambda c: c(), cases))

    def test_uniform_word(self):
        def case(seed):
            n, edges, k = word_case(seed)
            adj = benchgen.symmetric(edges)

            def check(model):
                self.assertEqual(len(model), max(n, 1) * k if n > 0 else 1)
                pos = {(a[0], a[1]): v for _, name, a, v in model}
                word = [letter for _, letter in sorted((pos[(i, j)], i)
                                                        for i in range(1, n + 1)
                                                        for j in range(1, k + 1))]
                problems = check_word(n, edges, k, word)
                self.assertEqual(problems, [], "seed %d: %s" % (seed, problems))
            return lambda: self.check_verdict("word seed %d" % seed,
                                              benchgen.uniform_word(n, adj, k), check)
        verdicts = self.run_cases([case(s) for s in range(160 * SCALE)])
        self.assertGreater(verdicts.count("sat"), 20)
        self.assertGreater(verdicts.count("unsat"), 5)

    def test_symmetric_graphs(self):
        def case(name, n, edges, k):
            adj = benchgen.symmetric(edges)

            def check(model):
                pos = {(a[0], a[1]): v for _, _, a, v in model}
                word = [i for _, i in sorted((pos[(i, j)], i) for i in range(1, n + 1)
                                             for j in range(1, k + 1))]
                self.assertEqual(check_word(n, edges, k, word), [], name)
            return lambda: self.check_verdict("%s K=%d" % (name, k),
                                              benchgen.uniform_word(n, adj, k), check)
        cases = [case(name, g[0], g[1], k) for name, g in SYMMETRIC
                 for k in range(2, 4 if g[0] > 6 else 5)]
        verdicts = self.run_cases(cases)
        self.assertGreater(verdicts.count("unsat"), 3)
        self.assertGreater(verdicts.count("sat"), 5)

    def test_orientation(self):
        def case(seed):
            n, edges = orient_case(seed)
            adj = benchgen.symmetric(edges)

            def check(model):
                fs = [(a, v) for _, name, a, v in model if name == "F"]
                self.assertEqual(len(fs), n * n)
                arcs = {a for a, v in fs if v}
                problems = check_orientation(n, edges, arcs)
                self.assertEqual(problems, [], "seed %d: %s" % (seed, problems))
            return lambda: self.check_verdict("orient seed %d" % seed,
                                              benchgen.orientation(n, adj), check)
        verdicts = self.run_cases([case(1000 + s) for s in range(100 * SCALE)])
        self.assertGreater(verdicts.count("sat"), 10)
        self.assertGreater(verdicts.count("unsat"), 1)

    def test_fragment(self):
        def case(seed):
            text = Fragment(seed).benchmark()
            return lambda: self.check_verdict("fragment seed %d\n%s" % (seed, text), text,
                                              lambda model: None)
        verdicts = self.run_cases([case(s) for s in range(150 * SCALE)])
        self.assertGreater(verdicts.count("sat"), 10)
        self.assertGreater(verdicts.count("unsat"), 10)


if __name__ == "__main__":
    unittest.main()
