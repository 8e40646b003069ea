"""The yices command line: exact output for small benchmarks, and the one error
line with its exit status for every kind of bad input (table-driven)."""
import os
import re
import shutil
import tempfile
import unittest

import benchgen
from solvercheck import YICES, run

HERE = os.path.dirname(os.path.abspath(__file__))
DECL = ":extrafuns ((A Int Int Int) (x Int)) :extrapreds ((p Int))"

def where(text, anchor):
    """"bad.smt:LINE:COL" of the first occurrence of anchor (None: end of text)."""
    idx = len(text) if anchor is None else text.index(anchor)
    return "bad.smt:%d:%d" % (text.count("\n", 0, idx) + 1, idx - text.rfind("\n", 0, idx))


def case(name, text, anchor, message):
    return (name, text, "%s: %s" % (where(text, anchor), message))


NESTED = "(benchmark x :formula " + "(not " * 1001 + "true" + ")" * 1002

# (name, benchmark text, expected stderr line); the anchor is the text the
# position must point at.
BAD_INPUTS = [
    case("empty file", "", None, "expected '(benchmark' but found end of file"),
    case("not a benchmark", "(bench x)", "bench", "expected 'benchmark' but found 'bench'"),
    case("missing name", "(benchmark :formula true)", ":formula",
         "expected benchmark name but found ':formula'"),
    case("unclosed benchmark", "(benchmark x\n:formula true", None,
         "expected attribute or ')' but found end of file"),
    case("text after the benchmark", "(benchmark x :formula true) junk", "junk",
         "expected end of file but found 'junk'"),
    case("unknown function", "(benchmark x :formula (< (B 1) 2))", "B 1", "unknown symbol 'B'"),
    case("wrong arity", "(benchmark x %s :formula (< (A 1) 2))" % DECL, "A 1)",
         "function 'A' takes 2 arguments, found 1"),
    case("nonlinear product", "(benchmark x %s :formula (< (* x x) 2))" % DECL, "* x x",
         "multiplication of two non-constant terms is not supported"),
    case("rational numeral", "(benchmark x %s :formula (< x 1.5))" % DECL, "1.5",
         "expected integer numeral but found '1.5'"),
    case("real sort", "(benchmark x :extrafuns ((y Real)) :formula true)", "Real",
         "expected sort 'Int' but found 'Real'"),
    case("sort declarations", "(benchmark x :extrasorts (U) :formula true)", ":extrasorts",
         "sort declarations (':extrasorts') are not supported"),
    case("unbound let variable", "(benchmark x %s :formula (< ?y x))" % DECL, "?y",
         "unbound term variable '?y'"),
    case("unbound flet variable", "(benchmark x :formula (and $f true))", "$f",
         "unbound formula variable '$f'"),
    case("unterminated string", "(benchmark x :notes \"abc", "\"", "unterminated string '\"'"),
    case("unterminated user value", "(benchmark x :source { abc", "{",
         "unterminated user value '{'"),
    case("term where a formula is due", "(benchmark x %s :formula (A 1 1))" % DECL, "A 1 1",
         "expected predicate, connective or comparison but found 'A'"),
    case("formula where a term is due", "(benchmark x %s :formula (< (p 1) 2))" % DECL, "p 1",
         "expected function symbol or arithmetic operator but found 'p'"),
    case("predicate constant as term", "(benchmark x :extrapreds ((q)) :formula (< q 2))",
         "q 2", "expected integer term but found 'q'"),
    case("declared twice", "(benchmark x :extrafuns ((y Int) (y Int)) :formula true)",
         "y Int)) :", "symbol 'y' is declared twice"),
    case("numeral too large", "(benchmark x %s :formula (< x 99999999999999999999))" % DECL,
         "9999", "numeral '99999999999999999999' is too large"),
    case("unbounded arithmetic", "(benchmark x %s :formula (< (+ x 1) 3))" % DECL, "x 1",
         "unbounded integer term not supported: 'x' needs constant lower and upper bounds "
         "at the top level"),
    case("non-constant argument", "(benchmark x %s :formula (< (A x 1) 3))" % DECL, "A x",
         "application of 'A' to non-constant arguments is not supported"),
    case("too many arguments to not", "(benchmark x :formula (not true false))", "false",
         "expected ')' but found 'false'"),
    case("too few arguments to implies", "(benchmark x :formula (implies true))", "implies",
         "'implies' needs 2 arguments"),
    case("bad status", "(benchmark x :status maybe :formula true)", "maybe",
         "expected 'sat', 'unsat' or 'unknown' but found 'maybe'"),
    case("comparison with one argument", "(benchmark x %s :formula (< x))" % DECL, "< x)",
         "'<' needs at least 2 arguments"),
    case("unclosed formula", "(benchmark x :formula (and true true", None,
         "expected formula but found end of file"),
    case("unclosed term", "(benchmark x %s :formula (< x (+ x 1" % DECL, None,
         "expected integer term but found end of file"),
    case("deep nesting", NESTED, "(not true", "nesting deeper than 1000 levels"),
    case("let without binding", "(benchmark x :formula (let ?v true))", "?v",
         "expected '(' starting the let binding but found '?v'"),
    case("NUL byte inside a symbol", "(benchmark x %s :formula (< a\0b x))" % DECL, "a\0b",
         "unknown symbol 'a\\x00b'"),
    case("domain too large", "(benchmark x %s\n:formula (and (< 0 x) (< x 9223372036854775807)))"
         % DECL, "x) (<", "integer domain too large for 'x' (9223372036854775806 values)"),
    case("bounds too large", "(benchmark x %s\n:formula (and (<= 2305843009213693952 x) (<= x "
         "2305843009213693953)))" % DECL, "x) (<=", "integer bounds too large for 'x'"),
    case("order encoding too wide", "(benchmark x %s\n:formula (and (<= 0 x) (<= x 1048575) "
         "(< (* 17 x) 5)))" % DECL, "* 17 x", "integer domain too large for the order encoding"),
    case("encoding too large", "(benchmark x :extrafuns ((x Int) (y Int))\n:formula (and "
         "(<= 0 x) (<= x 4095) (<= 0 y) (<= y 4095) (= (+ x y) 8000)))", "+ x y",
         "encoding too large (more than 16777216 literals)"),
]

# (name, benchmark text, exact standard output)
GOOD_INPUTS = [
    ("uniform word, one edge, K=2", benchgen.uniform_word(2, {(1, 2), (2, 1)}, 2),
     "sat\n(= (A 1 1) 1)\n(= (A 1 2) 3)\n(= (A 2 1) 2)\n(= (A 2 2) 4)\n"),
    ("uniform word, no vertex", benchgen.uniform_word(0, set(), 2), "sat\n(= (A 1 1) 1)\n"),
    ("uniform word, one vertex, K=3", benchgen.uniform_word(1, set(), 3),
     "sat\n(= (A 1 1) 1)\n(= (A 1 2) 2)\n(= (A 1 3) 3)\n"),
    ("orientation, one vertex", benchgen.orientation(1, set()),
     "sat\n(= (F 1 1) false)\n(= (W 1) 0)\n(= (R 1 1) false)\n"),
    ("orientation with a loop", benchgen.orientation(1, {(1, 1)}), "unsat\n"),
    ("negative value", "(benchmark t :extrafuns ((x Int)) :formula (and (< x (~ 2)) (> x (~ 4))))",
     "sat\n(= x -3)\n"),
    ("comments, notes and user attributes",
     "; head\n(benchmark t :source { any \\} text } :notes \"n\" :logic QF_UFLIA :status sat\n"
     ":myattr { v } :extrapreds ((p)) :assumption p ; tail\n :formula (not (not p)))",
     "sat\n(= p true)\n"),
]


class CommandLine(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()

    def tearDown(self):
        shutil.rmtree(self.dir)

    def yices(self, text, *flags):
        with open(os.path.join(self.dir, "bad.smt"), "w") as f:
            f.write(text)
        return run([YICES, *(flags or ("-smt", "-e")), "bad.smt"], cwd=self.dir)

    def test_bad_inputs(self):
        for name, text, line in BAD_INPUTS:
            with self.subTest(name):
                code, out, err = self.yices(text)
                self.assertEqual((code, out, err), (1, "", line + "\n"))

    def test_good_inputs(self):
        for name, text, expected in GOOD_INPUTS:
            with self.subTest(name):
                code, out, err = self.yices(text)
                self.assertEqual((code, out, err), (0, expected, ""))

    def test_verdict_only_without_e(self):
        code, out, err = self.yices(benchgen.uniform_word(2, {(1, 2), (2, 1)}, 2), "-smt")
        self.assertEqual((code, out, err), (0, "sat\n", ""))

    def test_flags(self):
        usage = "; usage: yices -smt [-e] FILE | yices --smt2 FILE\n"
        table = [
            ([], "yices: no benchmark file given" + usage),
            (["-smt", "-x", "f"], "yices: unknown option '-x'" + usage),
            (["-e", "f"], "yices: expected -smt or --smt2" + usage),
            (["-smt", "a", "b"], "yices: more than one file ('a' and 'b')" + usage),
            (["-smt", "-e", "missing.smt"],
             "missing.smt: cannot read file: No such file or directory\n"),
            (["-smt", "-e", "."], ".: cannot read file: Is a directory\n"),
        ]
        for args, line in table:
            with self.subTest(args):
                self.assertEqual(run([YICES, *args], cwd=self.dir), (1, "", line))

    def test_help_version_and_end_of_options(self):
        with open(os.path.join(HERE, "..", "..", "CMakeLists.txt")) as f:
            version = re.search(r"project\(wordrep VERSION (\S+)", f.read()).group(1)
        self.assertEqual(run([YICES, "--version"]), (0, "yices %s\n" % version, ""))
        for flag in ("--help", "-h"):
            code, out, err = run([YICES, flag, "-x"])
            self.assertEqual((code, err), (0, ""))
            lines = out.split("\n")
            self.assertEqual(lines[:5], [
                "yices - SMT-LIB 1.2 solver for the benchmarks of alterword and orientcheck", "",
                "Usage: yices -smt [-e] FILE", "  or:  yices --smt2 FILE", ""])
            listed = lines[lines.index("Options:") + 1:]
            for option in ("-smt", "-e", "--smt2", "--no-symmetry", "--no-implied", "--stats",
                           "--help", "--version", "--"):
                self.assertTrue([l for l in listed if re.match(r"  (-h, )?%s  +\S" % option, l)],
                                option)
        # After --, a file whose name begins with a dash.
        with open(os.path.join(self.dir, "-p.smt"), "w") as f:
            f.write("(benchmark t :extrapreds ((p)) :formula p)")
        self.assertEqual(run([YICES, "-smt", "-e", "--", "-p.smt"], cwd=self.dir),
                         (0, "sat\n(= p true)\n", ""))
        self.assertEqual(run([YICES, "-smt", "--", "-h"], cwd=self.dir),
                         (1, "", "-h: cannot read file: No such file or directory\n"))

    def test_smt2_export(self):
        text = ("(benchmark t :extrafuns ((A Int Int) (x Int)) :extrapreds ((p Int))\n"
                ":formula (and (p 1) (distinct (A 1) x) (< (- x (* 2 (A 1))) (~ 1))\n"
                "(implies (p 1) (iff (p 2) (xor (p 1) (p 3))))\n"
                "(<= (ite (p 2) x 3) 4) (if_then_else (p 1) (>= x 0) (= x 1))))")
        expected = (
            "(set-option :produce-models true)\n(set-logic QF_UFLIA)\n"
            "(declare-fun A (Int) Int)\n(declare-fun x () Int)\n"
            "(declare-fun p (Int) Bool)\n"
            "(assert (and (p 1) (distinct (A 1) x) (< (+ x (- (* 2 (A 1)))) (- 1)) "
            "(=> (p 1) (= (p 2) (xor (p 1) (p 3)))) (<= (ite (p 2) x 3) 4) "
            "(ite (p 1) (<= 0 x) (= x 1))))\n"
            "(check-sat)\n(get-value ((p 1) (A 1) x (p 2) (p 3)))\n")
        self.assertEqual(self.yices(text, "--smt2"), (0, expected, ""))


if __name__ == "__main__":
    unittest.main()
