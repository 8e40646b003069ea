"""orientcheck end to end, with a scripted solver."""

import unittest

from harness import check_normal_run, cleanup, golden, graph, run

HEADING = b"Semi-transitive by orientation:\n"
EXAMPLE = (b"sat\n(= (F 1 1) false)\n(= (F 1 2) false)\n(= (W 1) 0)\n(= (F 2 1) true)\n"
           b"(= (R 2 1) true)\n(= (F 2 2) false)\n")


def f_lines(n, arcs, extra=b""):
    """A result: "sat", then one F line for every ordered pair, true on `arcs`."""
    lines = [b"sat"]
    for i in range(1, n + 1):
        for j in range(1, n + 1):
            lines.append(b"(= (F %d %d) %s)" % (i, j, b"true" if (i, j) in arcs else b"false"))
    return b"\n".join(lines) + b"\n" + extra


class Benchmark(unittest.TestCase):
    def test_golden(self):
        for name in ["orientation-single", "orientation-edge"]:
            with self.subTest(name):
                r = run("orientcheck", golden(name + ".in"), default=b"unsat\n")
                self.assertEqual(r.status, 0, r.stderr)
                self.assertEqual(r.benchmarks, [golden(name + ".expect")])
                self.assertEqual((r.dir / "args1").read_text(), "-smt -e ff\n")
                cleanup(r)

    def test_sizes(self):
        # 6 + N^2 (6 + N + N^2) lines.
        cases = [
            (20, [], 170406, 6576794),
            (20, [(i, j) for i in range(1, 21) for j in range(i + 1, 21)], 170406, None),
            (3, [(1, 2), (2, 3)], 168, None),
            (0, [], 6, None),
            (-2, [], 6, None),
        ]
        for n, edges, lines, size in cases:
            with self.subTest(n=n, edges=len(edges)):
                r = run("orientcheck", graph(n, edges), default=b"unsat\n")
                bench = r.benchmarks[0]
                self.assertEqual(bench.count(b"\n"), lines)
                self.assertTrue(bench.endswith(b"\n))\n"))
                if size is not None:
                    self.assertEqual(len(bench), size)
                cleanup(r)

    def test_pieces_of_lines(self):
        r = run("orientcheck", graph(12, [(3, 12), (12, 3), (7, 7)]), default=b"unsat\n")
        bench = r.benchmarks[0]
        for line in [b"(or (F 3 12) (F 12 3))\n", b"(or (F 12 3) (F 3 12))\n",
                     b"(or (F 7 7) (F 7 7))\n", b"(not (F 1 12)) (not (F 12 1))\n",
                     b"(implies (F 12 3) (> (W 12) (W 3)))\n",
                     b"(and (R 12 3) (F 12 3))\n", b"(and (R 12 3) (F 1 3)(R 1 12))\n",
                     b"(and (R 12 3) (F 12 11)(R 3 11))\n", b"(and (R 12 3) (F 10 11)(R 10 12)(R 3 11))\n",
                     b"(and (F 12 10) (R 10 3))\n", b") (F 12 3))\n"]:
            self.assertIn(line, bench)
        self.assertNotIn(b"(not (F 7 7))", bench, "a loop is an edge of its own")
        cleanup(r)


class Verdict(unittest.TestCase):
    def test_outputs(self):
        edge = golden("orientation-edge.in")
        cases = [
            ("unsat", edge, b"unsat\n", b"Not semi-transitive\n"),
            ("unsat, no final line end", edge, b"unsat", b"Not semi-transitive\n"),
            ("the example result", edge, EXAMPLE, HEADING + b"2 1\n"),
            ("unsat and a blank is satisfiable", edge, EXAMPLE.replace(b"sat", b"unsat ", 1), HEADING + b"2 1\n"),
            ("unsat and a carriage return is satisfiable", edge, EXAMPLE.replace(b"sat", b"unsat\r", 1), HEADING + b"2 1\n"),
            ("empty first line is satisfiable", edge, EXAMPLE.replace(b"sat", b"", 1), HEADING + b"2 1\n"),
            ("arcs in the order of the result", graph(3, [(1, 2), (2, 3)]),
             b"sat\n(= (F 3 2) true)\n(= (F 1 1) false)\n(= (F 2 1) true)\n" + b"(= (F 1 1) false)\n" * 6,
             HEADING + b"3 2\n2 1\n"),
            ("two-digit vertices", graph(12, [(3, 12)]),
             b"sat\n(= (F 12 3) true)\n(= (F 3 12) true)\n(= (F 10 20) true)\n(= (F 11 11) false)\n"
             + b"(= (F 1 1) false)\n" * 140,
             HEADING + b"12 3\n3 12\n10 20\n"),
            ("F lines beyond N^2 are not read", edge, f_lines(2, {(1, 2)}, b"(= (F 2 1) true)\nx\n"), HEADING + b"1 2\n"),
            ("no vertex: heading alone", b"0\n0 0\n", b"sat\n", HEADING),
            ("negative count: heading alone", b"-3\n0 0\n", b"sat\n", HEADING),
            ("a byte from 0x80 up counts its code minus that of 0", graph(1), b"sat\n(= (F \xc3 2) true)\n",
             HEADING + b"147 2\n"),
            ("high byte as the second digit of i", graph(1), b"sat\n(= (F 1\xff 2) true)\n", HEADING + b"217 2\n"),
            ("high bytes as both digits of j", graph(1), b"sat\n(= (F 3 \x80\x80) true)\n", HEADING + b"3 880\n"),
            ("any character but t is false", edge, b"sat\n(= (F 1 2) T)\n(= (F 2 1) x)\n(= (F 1 1) tru)\n(= (F 2 2) f)\n",
             HEADING + b"1 1\n"),
        ]
        for name, stdin, answer, expected in cases:
            with self.subTest(name):
                check_normal_run(self, run("orientcheck", stdin, default=answer), expected)

    def test_failures_of_the_scan(self):
        edge = golden("orientation-edge.in")
        cases = [
            ("fewer F lines than needed", b"sat\n(= (F 1 1) false)\n(= (F 1 2) true)\n(= (W 1) 0)\n",
             b"1 2\n", "attempt to read past end of file `ff'", 454),
            ("fewer F lines, no final line end", b"sat\n(= (F 1 1) false)\n(= (F 1 2) true)",
             b"1 2\n", "attempt to read past end of file `ff'", 454),
            ("verdict alone", b"sat\n", b"", "attempt to read past end of file `ff'", 454),
            ("empty line before the last F line", b"sat\n(= (F 1 2) true)\n\n(= (F 2 1) true)\n",
             b"1 2\n", "value out of range", 300),
            ("four characters before the last F line", b"sat\n(= (\n(= (F 2 1) true)\n",
             b"", "value out of range", 300),
            ("F line ends after the second number", b"sat\n(= (F 1 2)\n", b"", "value out of range", 300),
            ("F line ends before the second number", b"sat\n(= (F 1\n", b"", "value out of range", 300),
        ]
        for name, answer, printed, message, code in cases:
            with self.subTest(name):
                r = run("orientcheck", edge, default=answer)
                self.assertEqual(r.status, 42)
                self.assertEqual(r.report(), (message, code))
                self.assertEqual(r.stdout, HEADING + printed)
                self.assertEqual(r.ff(), answer, "ff keeps the result after a failure")
                cleanup(r)

    def test_solver_killed_by_a_signal_is_no_failure(self):
        # The shell reports the solver's death as exit status 137; only what
        # "ff" holds counts.
        solver = "#!/bin/sh\necho unsat\nkill -KILL $$\n"
        r = run("orientcheck", golden("orientation-edge.in"), solver=solver)
        self.assertEqual((r.status, r.stdout), (0, b"Not semi-transitive\n"))
        self.assertEqual(r.ff(), b"")
        cleanup(r)


if __name__ == "__main__":
    unittest.main()
