"""The solver on hostile benchmarks: deep nesting, deep formulas built through
let and flet bindings, huge numerals.  Each one is refused with one clear error
line and exit status 1, or solved with the right verdict; never a crash (a
negative status or 139), never a verdict printed for a refused benchmark."""
import os
import shutil
import tempfile
import unittest

from solvercheck import YICES, run, run_measured, sanitized

HERE = os.path.dirname(os.path.abspath(__file__))
CRASHES = os.path.join(HERE, "..", "fuzz", "crashes")
DEEP = "nesting deeper than 1000 levels"
TOO_HIGH = "formula nested deeper than 2001 levels with its let and flet bindings expanded"
TOO_BIG = "encoding too large (more than 16777216 literals)"
MiB = 1024  # ru_maxrss counts KiB
# Peak memory allowed to the runs below: far from the gigabytes the faults took;
# a sanitized build keeps shadow memory and freed blocks besides.
PEAK = 256 * MiB * (4 if sanitized(YICES) else 1)


def many_symbols(count, predicates):
    """count constants (or propositions), each used once: x_i in 0..1, or p_i."""
    names = ["s%d" % i for i in range(count)]
    if predicates:
        return ("(benchmark many :extrapreds (%s)\n:formula (and %s))\n"
                % (" ".join("(%s)" % n for n in names), " ".join(names)))
    return ("(benchmark many :extrafuns (%s)\n:formula (and %s))\n"
            % (" ".join("(%s Int)" % n for n in names),
               " ".join("(<= 0 %s) (<= %s 1)" % (n, n) for n in names)))


def bounded(names, top, formula):
    """A benchmark over the integer constants names, each in 0..top."""
    return ("(benchmark b :extrafuns (%s)\n:formula (and %s\n%s))\n"
            % (" ".join("(%s Int)" % n for n in names),
               " ".join("(<= 0 %s) (<= %s %d)" % (n, n, top) for n in names), formula))


def flet_chain(bindings, depth):
    """bindings flets, each nesting the previous formula `depth` iff levels deeper."""
    parts = ["(benchmark chain :extrapreds ((p)) :formula (flet ($f0 p)\n"]
    for i in range(1, bindings + 1):
        parts.append("(flet ($f%d %s$f%d%s)\n" % (i, "(iff " * depth, i - 1, " p)" * depth))
    return "".join(parts) + "$f%d" % bindings + ")" * (bindings + 1) + ")\n"


def let_chain(bindings, depth):
    """The same with let and integer terms: ?x_i = ?x_{i-1} + 0 + 0 ... nested."""
    parts = ["(benchmark chain :extrafuns ((x Int)) :formula (and (<= 0 x) (<= x 3)\n(let (?x0 x)\n"]
    for i in range(1, bindings + 1):
        parts.append("(let (?x%d %s?x%d%s)\n" % (i, "(+ 1 (~ " * depth, i - 1, "))" * depth))
    return "".join(parts) + "(= ?x%d 2)" % bindings + ")" * (bindings + 1) + "))\n"


def chain(bindings, body, formula):
    """bindings flets $a_i = body($a_{i-1}) over the proposition p, then formula
    of $a_last: each level uses the one below twice, so the formula expanded
    has 2^bindings leaves while the text grows by a line a level."""
    parts = ["(benchmark chain :extrapreds ((p) (q)) :formula (flet ($a0 p)\n"]
    for i in range(1, bindings + 1):
        parts.append("(flet ($a%d %s)\n" % (i, body.replace("X", "$a%d" % (i - 1))))
    return "".join(parts) + formula % ("$a%d" % bindings) + ")" * (bindings + 1) + ")\n"


def position(text, anchor):
    """(line, column) of the first occurrence of anchor in text, both from 1."""
    at = text.index(anchor)
    return text.count("\n", 0, at) + 1, at - text.rfind("\n", 0, at)


class Limits(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()

    def tearDown(self):
        shutil.rmtree(self.dir)

    def yices(self, text):
        with open(os.path.join(self.dir, "t.smt"), "w") as f:
            f.write(text)
        return run([YICES, "-smt", "-e", "t.smt"], cwd=self.dir, timeout=120)

    def refused(self, text, message):
        code, out, err = self.yices(text)
        self.assertEqual((code, out), (1, ""), err[:300])
        self.assertEqual(err.count("\n"), 1, "one error line")
        self.assertRegex(err, r"^t\.smt:\d+:\d+: ")
        self.assertIn(message, err)
        return err

    def test_fifty_thousand_nested_connectives(self):
        for name, text in [
            ("not", "(benchmark d :formula " + "(not " * 50000 + "true" + ")" * 50001),
            ("and/or", "(benchmark d :extrapreds ((p)) :formula " + "(and p (or p " * 25000 + "p" + "))" * 25000 + ")"),
            ("unclosed", "(benchmark d :formula " + "(not " * 50000),
        ]:
            with self.subTest(name):
                self.refused(text, DEEP)
        self.refused("(benchmark d :formula " + "(" * 50000,
                     "t.smt:1:24: expected connective, comparison or predicate but found '('")

    def test_fifty_thousand_nested_terms(self):
        text = ("(benchmark d :extrafuns ((x Int)) :formula (< " + "(+ 1 " * 50000 + "x" + ")" * 50000 + " 3))")
        self.refused(text, DEEP)
        text = ("(benchmark d :extrafuns ((x Int)) :formula (< " + "(ite true " * 50000 + "x" + " 1)" * 50000 + " 3))")
        self.refused(text, DEEP)

    def test_deep_formulas_through_bindings(self):
        # The text stays within 1000 levels; the formula it builds does not.
        self.refused(flet_chain(200, 400), TOO_HIGH)
        self.refused(let_chain(100, 300), TOO_HIGH)
        with open(os.path.join(CRASHES, "solver-flet-chain-stack-overflow.smt")) as f:
            self.refused(f.read(), TOO_HIGH)

    def test_deep_but_allowed_formulas_are_solved(self):
        # 10 bindings of 100 iff levels: p iff p iff ... 1000 times is p.
        self.assertEqual(self.yices(flet_chain(10, 100)), (0, "sat\n(= p true)\n", ""))
        # 11 x 91 = 1001 levels, an odd count: the formula is true whatever p is.
        code, out, err = self.yices(flet_chain(11, 91))
        self.assertEqual((code, err), (0, ""))
        self.assertIn(out, ["sat\n(= p true)\n", "sat\n(= p false)\n"])
        # 999 nested (not ...) is not p; 998 levels of binary minus build a
        # formula nearly 2000 high, still within the limit: y - (y - ...(y - x)) = x.
        self.assertEqual(self.yices("(benchmark d :extrapreds ((p)) :formula (and p " + "(not " * 999 + "p" + ")" * 999 + "))"),
                         (0, "unsat\n", ""))
        minus = "(- y " * 998 + "x" + ")" * 998
        code, out, err = self.yices("(benchmark m :extrafuns ((x Int) (y Int)) :formula (and (<= 0 x) (<= x 1) "
                                    "(<= 0 y) (<= y 1) (= %s 1)))" % minus)
        self.assertEqual((code, err), (0, ""))
        self.assertIn("(= x 1)\n", out)
        self.assertTrue(out.startswith("sat\n"))

    def test_huge_numerals(self):
        decl = "(benchmark h :extrafuns ((x Int)) :formula "
        self.refused(decl + "(< x 9223372036854775808))", "numeral '9223372036854775808' is too large")
        self.refused(decl + "(< x 99999999999999999999))", "numeral '99999999999999999999' is too large")
        err = self.refused(decl + "(< x " + "9" * 100000 + "))", "is too large")
        self.assertLess(len(err), 200, "the numeral is quoted shortened")
        self.refused(decl + "(and (< 0 x) (< x 9223372036854775807)))", "integer domain too large for 'x'")
        self.refused(decl + "(and (<= 0 x) (<= x 3) (< (+ x 9223372036854775807 1) 0)))", "overflow")
        self.refused(decl + "(and (<= 0 x) (<= x 3) (< (* 9223372036854775807 2 x) 0)))", "overflow")
        # The largest numeral reads, but bounds beyond a quarter of the 64-bit range are refused.
        text = decl + "(and (<= 9223372036854775806 x) (<= x 9223372036854775807)))"
        at = text.index("x) (<= x") + 1
        self.assertEqual(self.refused(text, "bounds"),
                         "t.smt:1:%d: integer bounds too large for 'x'\n" % at)
        self.assertEqual(self.yices(decl + "(and (<= 2305843009213693950 x) (<= x 2305843009213693951)"
                                    " (distinct x 2305843009213693950)))"),
                         (0, "sat\n(= x 2305843009213693951)\n", ""))

    def measured(self, text, **limits):
        with open(os.path.join(self.dir, "t.smt"), "w") as f:
            f.write(text)
        return run_measured([YICES, "-smt", "-e", "t.smt"], cwd=self.dir, **limits)

    def test_memory_grows_with_the_formula(self):
        # Every value below follows from the formula: each s_i is free in 0..1
        # (or a proposition asserted true).
        for name, text, values in [
            ("100,000 integer constants", many_symbols(100000, False), {"0", "1"}),
            ("100,000 propositions", many_symbols(100000, True), {"true"}),
        ]:
            with self.subTest(name):
                code, out, err, peak = self.measured(text)
                self.assertEqual((code, err), (0, ""))
                lines = out.split("\n")
                self.assertEqual(lines[0], "sat")
                self.assertEqual(lines[1:-1], ["(= s%d %s)" % (i, line.split()[-1][:-1])
                                               for i, line in enumerate(lines[1:-1])])
                self.assertEqual(len(lines), 100002)
                self.assertLessEqual({line.split()[-1][:-1] for line in lines[1:-1]}, values)
                self.assertLess(peak, PEAK, "peak resident memory in KiB")

    def test_encoding_size_is_bounded(self):
        # Small texts whose encoding would take gigabytes are refused at the
        # term at fault before the memory is taken.
        names = ["x%d" % i for i in range(3000)]
        for name, text, anchor, message in [
            ("sum of two wide terms", bounded(["x", "y"], 4095, "(= (+ x y) 8000)"),
             "(+ x y)", TOO_BIG),
            ("sum of many terms", bounded(names[:200], 100, "(= (+ %s) 7)" % " ".join(names[:200])),
             "(+ x0", TOO_BIG),
            ("distinct over 3000 terms", bounded(names, 1, "(distinct %s)" % " ".join(names)),
             "(distinct", TOO_BIG),
            ("transitivity of a huge permutation",
             "(benchmark p :extrafuns (%s)\n:formula (and %s (distinct %s)))\n"
             % (" ".join("(%s Int)" % n for n in names),
                " ".join("(<= 1 %s) (<= %s 3000)" % (n, n) for n in names), " ".join(names)),
             "(distinct", TOO_BIG),
        ]:
            with self.subTest(name):
                code, out, err, peak = self.measured(text)
                line = text.count("\n", 0, text.index(anchor)) + 1
                col = text.index(anchor) - text.rfind("\n", 0, text.index(anchor))
                self.assertEqual((code, out, err),
                                 (1, "", "t.smt:%d:%d: %s\n" % (line, col + 1, message)))
                self.assertLess(peak, PEAK, "peak resident memory in KiB")

    def test_small_hostile_benchmarks_end_at_once_within_a_gibibyte(self):
        # Each one once took gigabytes: integer terms of millions of values,
        # refused from their bounds before their encoding is built (at the term
        # where the estimate passes the limit, here the first wide variable);
        # formulas shared through flet 32 levels deep, 2^32 leaves expanded,
        # solved with the sharing kept.
        wide = ["x", "y", "z"]
        apps = "(benchmark a :extrafuns ((A Int Int Int))\n:formula (and %s\n%s))\n" % (
            " ".join("(<= 0 (A %s)) (<= (A %s) 4194303)" % (a, a) for a in ["1 2", "2 1", "3 3"]),
            "(= (+ (A 1 2) (A 2 1) (A 3 3)) 12582909)")
        for name, text, answer in [
            ("sum over 4M values", bounded(wide[:2], 4194303, "(= (+ x y) 8000000)"), ("x)", TOO_BIG)),
            ("multiple by 10^12", bounded(["x"], 4194303, "(= (* 1000000000000 x) 5)"),
             ("x)", TOO_BIG)),
            ("multiple by 2^62", bounded(["x"], 4194303, "(= (* 4611686018427387904 x) 5)"),
             ("x)", TOO_BIG)),
            ("distinct sums", bounded(wide, 4000000, "(distinct (+ x y) (+ y z) (+ x z))"),
             ("x)", TOO_BIG)),
            ("sum of applications", apps, ("A 1 2)", TOO_BIG)),
            ("sum of two terms of 3001 values, each one encodable",
             bounded(wide[:2], 3000, "(= (+ x y) 5)"), ("+ x y", TOO_BIG)),
            ("and of the level below twice", chain(32, "(and X X)", "(and (not q) %s)"), "sat\n(= p true)\n(= q false)\n"),
            ("or, negated", chain(32, "(or X X)", "(and (not q) (not %s))"), "sat\n(= p false)\n(= q false)\n"),
            ("or in a clause", chain(32, "(or X X)", "(and (not p) (or q %s))"),
             "sat\n(= p false)\n(= q true)\n"),
            ("implication from an or", chain(32, "(or X X)", "(and p (implies %s q))"),
             "sat\n(= p true)\n(= q true)\n"),
            ("implication to an and", chain(32, "(and X (and X q))", "(and (not q) (implies p %s))"),
             "sat\n(= p false)\n(= q false)\n"),
            ("iff of the level below", chain(32, "(iff X (not (not X)))", "(and (not q) (not p) %s)"),
             "sat\n(= p false)\n(= q false)\n"),
            ("and, 900 levels", chain(900, "(and X X)", "(and (not q) (not %s))"), "sat\n(= p false)\n(= q false)\n"),
        ]:
            with self.subTest(name):
                code, out, err, peak = self.measured(text, address_space=1 << 30, cpu_seconds=60)
                if isinstance(answer, str):
                    self.assertEqual((code, out, err), (0, answer, ""))
                else:
                    anchor, message = answer
                    self.assertEqual((code, out, err),
                                     (1, "", "t.smt:%d:%d: %s\n" % (*position(text, anchor), message)))
                self.assertLess(peak, PEAK, "peak resident memory in KiB")

    def test_values_at_the_ends_of_the_64_bit_range(self):
        # Numerals up to 2^63-1 next to small variables: each either solved
        # (the answer follows from the formula) or refused at the term whose
        # values leave the 64-bit range; never a wrong verdict or a hang.
        big = "9223372036854775807"
        for name, formula, answer in [
            ("sum just inside the range", "(and (<= (~ 3) x) (<= x 0) (= (+ x %s) 9223372036854775806))"
             % big, "sat\n(= x -1)\n"),
            ("comparison with the largest numeral", "(and (<= 0 x) (<= x 3) (or (= x 1) (<= %s x)))"
             % big, "sat\n(= x 1)\n"),
            ("sum beyond the range", "(and (<= 0 x) (<= x 1) (< (+ x %s) 0))" % big,
             ("(+ x", "integer bounds too large for the order encoding")),
            ("multiple beyond the range", "(and (<= 4 x) (<= x 4) (not (= (* 4611686018427387904 x) 0)))",
             ("(* 46", "integer bounds too large for the order encoding")),
            ("if-then-else over the whole range",
             "(and (<= 0 x) (<= x 3) (< x (ite p %s (~ %s))))" % (big, big),
             ("(ite", "integer domain too large for the order encoding")),
        ]:
            with self.subTest(name):
                text = "(benchmark b :extrafuns ((x Int)) :extrapreds ((p)) :formula %s)" % formula
                if isinstance(answer, str):
                    self.assertEqual(self.yices(text), (0, answer, ""))
                else:
                    anchor, message = answer
                    col = text.index(anchor) + 2
                    self.assertEqual(self.yices(text), (1, "", "t.smt:1:%d: %s\n" % (col, message)))

    def test_tokens_spanning_lines_are_quoted_on_one_line(self):
        err = self.refused('(benchmark x :notes "a\nb" :formula (and "two\nlines" true))',
                           "expected formula but found")
        self.assertEqual(err, "t.smt:2:18: expected formula but found '\"two...'\n")
        err = self.refused("(benchmark x :formula {user\nvalue})", "expected formula")
        self.assertEqual(err, "t.smt:1:23: expected formula but found '{user...'\n")


if __name__ == "__main__":
    unittest.main()
