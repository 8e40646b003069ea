"""alterword end to end, with a scripted solver."""

import unittest

from harness import check_normal_run, cleanup, golden, graph, run

SAT_EDGE = b"sat\n(= (A 1 1) 1)\n(= (A 1 2) 3)\n(= (A 2 1) 2)\n(= (A 2 2) 4)\n"


def model(positions, verdict=b"sat"):
    """A result file: the verdict, then one line per (letter, copy) -> position."""
    lines = [verdict]
    for (i, j), m in positions.items():
        lines.append(b"(= (A %d %d) %d)" % (i, j, m))
    return b"\n".join(lines) + b"\n"


def word_model(word, k):
    """The model that spells `word` (a list of letters) with k copies each."""
    seen, positions = {}, {}
    for p, letter in enumerate(word, 1):
        seen[letter] = seen.get(letter, 0) + 1
        positions[(letter, seen[letter])] = p
    assert all(c == k for c in seen.values())
    return model(positions)


class Benchmarks(unittest.TestCase):
    """The benchmark written for each K, byte for byte."""

    def test_golden(self):
        for name in ["uniform-edge-k2", "uniform-nonedge-k2", "uniform-empty", "uniform-single-k2"]:
            with self.subTest(name=name):
                r = run("alterword", golden(name + ".in"), default=b"sat\n(= (A 1 1) 1)\n(= (A 1 2) 2)\n(= (A 2 1) 3)\n(= (A 2 2) 4)\n")
                self.assertEqual(r.status, 0, r.stderr)
                self.assertEqual(r.benchmarks[0], golden(name + ".expect"))
                self.assertEqual((r.dir / "args1").read_text(), "-smt -e ff\n")
                cleanup(r)

    def test_negative_count_writes_the_short_benchmark(self):
        r = run("alterword", b"-3\n0 0\n", default=b"sat\n")
        self.assertEqual(r.benchmarks[0], golden("uniform-empty.expect"))
        self.assertEqual(r.stdout, b"representing word for 2:\n\n")
        cleanup(r)

    def test_line_counts_and_wide_numbers(self):
        # 3NK + 7 fixed, range and distinct lines, 4K + 3 a pair block, 2 more a non-edge.
        cases = [
            (20, [(i, i + 1) for i in range(1, 20)], 3),
            (20, [], 2),
            (12, [(i, j) for i in range(1, 13) for j in range(i + 1, 13)], 4),
            (5, [(1, 2), (2, 3), (3, 4), (4, 5), (5, 1)], 21),
        ]
        for n, edges, k in cases:
            with self.subTest(n=n, edges=len(edges), k=k):
                answers = [b"unsat\n"] * (k - 2)
                r = run("alterword", graph(n, edges), answers=answers, default=b"sat\n",
                        setup=None)
                bench = r.benchmarks[k - 2].decode()
                lines = bench.split("\n")
                self.assertEqual(lines[-1], "")
                pairs = n * (n - 1) // 2
                expected = 3 * n * k + 7 + pairs * (4 * k + 3) + 2 * (pairs - len(edges))
                self.assertEqual(len(lines) - 1, expected)
                self.assertIn("(>= %d (A %d %d))\n(= (A 1 1) 1)\n(distinct\n" % (n * k, n, k), bench)
                self.assertIn("(< (A %d %d) (A %d %d))\n" % (n - 1, k, n, k), bench)
                self.assertEqual(bench.count("(not\n"), pairs - len(edges))
                cleanup(r)

    def test_longer_old_ff_is_fully_replaced(self):
        def old_ff(d):
            (d / "ff").write_bytes(b"x" * 100000 + b"\n")
        r = run("alterword", golden("uniform-edge-k2.in"), default=SAT_EDGE, setup=old_ff)
        self.assertEqual(r.benchmarks[0], golden("uniform-edge-k2.expect"))
        self.assertEqual(r.ff(), b"")
        cleanup(r)


class Search(unittest.TestCase):
    """The search over K and the decoding of the model into the word."""

    def test_outputs(self):
        edge = golden("uniform-edge-k2.in")
        cases = [
            ("sat at once", edge, [SAT_EDGE], b"representing word for 2:\n1212\n"),
            ("sat without final line end", edge, [SAT_EDGE[:-1]], b"representing word for 2:\n1212\n"),
            ("sat at K = 4", edge, [b"unsat\n", b"unknown\n", word_model([1, 2] * 4, 4)],
             b"no solution for 2,\nno solution for 3,\nrepresenting word for 4:\n12121212\n"),
            ("verdicts not exactly sat", edge,
             [b"SAT\n", b"sat \n", b"sat\r\n", b"\nsat\n", b" sat\n", b"(error \"x\")\n", word_model([2, 1] * 8, 8)],
             b"".join(b"no solution for %d,\n" % k for k in range(2, 8)) + b"representing word for 8:\n" + b"21" * 8 + b"\n"),
            ("model lines in any order, later lines ignored", edge,
             [b"sat\n(= (A 2 2) 4)\n(= (A 2 1) 2)\n(= (A 1 2) 3)\n(= (A 1 1) 1)\n(= (A 1 1) 9)\ngarbage\n"],
             b"representing word for 2:\n1212\n"),
            ("letters 9, 10, 11", graph(11, [(9, 10), (10, 11)]),
             [word_model([1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11] * 2, 2)],
             b"representing word for 2:\n123456789(10)(11)123456789(10)(11)\n"),
            ("position held twice, position held by none", edge,
             [model({(1, 1): 1, (1, 2): 1, (2, 1): 2, (2, 2): 4})], b"representing word for 2:\n1122\n"),
            ("other notations and characters are decoded", edge,
             [b"sat\n(xx(A $1 2#1]  3\n(= (A 1 2)\t4 extra\n(= (A 2 1) +1\n(= (A 2 2)\n2\n"],
             b"representing word for 2:\n2211\n"),
            ("copies beyond K and letters beyond N are stored, never printed", edge,
             [b"sat\n(= (A 1 1) 1)\n(= (A 1 3) 2)\n(= (A 3 1) 3)\n(= (A 2 2) 4)\n"],
             b"representing word for 2:\n12\n"),
            ("one vertex", b"1\n0 0\n", [b"sat\n(= (A 1 1) 1)\n(= (A 1 2) 2)\n"], b"representing word for 2:\n11\n"),
            ("no vertex", b"0\n0 0\n", [b"sat\n"], b"representing word for 2:\n\n"),
        ]
        for name, stdin, answers, expected in cases:
            with self.subTest(name):
                check_normal_run(self, run("alterword", stdin, answers=answers), expected)

    def test_negative_counts_of_any_size_read_no_model_line(self):
        # A count of 0 or less gives no model line and an empty word, however
        # large N * K would be; the result holds the verdict alone, so a model
        # line read would stop the run.
        cases = [
            (-1, 2),
            (-9223372036854775807, 2),
            (-9223372036854775808, 2),
            (-4611686018427387905, 2),
            (-4611686018427387904, 3),
            (-3074457345618258603, 3),
            (-2305843009213693952, 4),
        ]
        for n, k in cases:
            with self.subTest(n=n, k=k):
                answers = [b"unsat\n"] * (k - 2) + [b"sat\n"]
                expected = b"".join(b"no solution for %d,\n" % c for c in range(2, k))
                expected += b"representing word for %d:\n\n" % k
                r = run("alterword", b"%d\n0 0\n" % n, answers=answers)
                self.assertEqual(len(r.benchmarks), k - 1)
                check_normal_run(self, r, expected)

    def test_failures_after_the_verdict(self):
        edge = golden("uniform-edge-k2.in")
        cases = [
            ("short result", [b"sat\n(= (A 1 1) 1)\n(= (A 1 2) 3)\n"], "attempt to read past end of file `ff'", 454),
            ("short result without final line end", [b"sat\n(= (A 1 1) 1)\n(= (A 1 2) 3)"], "attempt to read past end of file `ff'", 454),
            ("verdict alone", [b"sat"], "attempt to read past end of file `ff'", 454),
            ("letter outside 1..20", [b"sat\n(= (A 21 1) 1)\n"], "value out of range", 300),
            ("copy 0", [b"sat\n(= (A 1 0) 1)\n"], "value out of range", 300),
            ("text where a number is due", [b"sat\n(= (A x 1) 1)\n"], "sign or digit expected", 552),
            ("lone sign", [b"sat\n(= (A - 1) 1)\n"], "digit expected after sign", 551),
            ("position overflows", [b"sat\n(= (A 1 1) 99999999999999999999)\n"], "overflow while reading integer", 553),
        ]
        for name, answers, message, code in cases:
            with self.subTest(name):
                r = run("alterword", edge, answers=answers)
                self.assertEqual(r.status, 42)
                self.assertEqual(r.report(), (message, code))
                self.assertEqual(r.stdout, b"representing word for 2:\n")
                self.assertEqual(r.ff(), answers[0], "ff keeps the result after a failure")
                cleanup(r)

    def test_k_of_21_and_more(self):
        # A copy number above 20 in the model stops at that line; a model
        # without one stops when the scan reaches copy 21.
        unsat = [b"unsat\n"] * 19
        for name, last, word in [("copy 21 in the model", b"sat\n(= (A 1 21) 1)\n", b""),
                                 ("copies up to 20 only", b"sat\n" + b"(= (A 1 1) 1)\n" * 21, b"1")]:
            with self.subTest(name):
                r = run("alterword", b"1\n0 0\n", answers=unsat + [last])
                self.assertEqual(r.status, 42)
                self.assertEqual(r.report(), ("value out of range", 300))
                self.assertTrue(r.stdout.endswith(b"no solution for 20,\nrepresenting word for 21:\n" + word))
                self.assertEqual(len(r.benchmarks), 20)
                self.assertIn(b"(>= 21 (A 1 21))\n", r.benchmarks[-1])
                cleanup(r)


if __name__ == "__main__":
    unittest.main()
