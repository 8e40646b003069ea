#!/usr/bin/python3
"""The word and orientation checkers on hand-made cases, against a brute
force from the definition, and against the published count of connected
6-vertex graphs that are not word-representable (OEIS A290814: 1)."""

import itertools
import os
import random
import subprocess
import tempfile
import unittest

from helpers import BUFFERED, EXAMPLES, UNBUFFERED, file_size_limit, geng, run, tool
from wordrep.checks import check_orientation, check_word
from wordrep.formats import OutputError, parse_alterword, parse_orientcheck, parse_word
from wordrep.graph import from_graph6

P3 = (3, [(1, 2), (2, 3)])
K3 = (3, [(1, 2), (1, 3), (2, 3)])
E2 = (2, [])
C4 = (4, [(1, 2), (2, 3), (3, 4), (1, 4)])
K4 = (4, [(a, b) for a in range(1, 5) for b in range(a + 1, 5)])
K11 = (11, [(a, b) for a in range(1, 12) for b in range(a + 1, 12)])
W5 = (6, [(1, v) for v in range(2, 7)] + [(2, 3), (3, 4), (4, 5), (5, 6), (2, 6)])


class Words(unittest.TestCase):
    # (graph, K, word, expected problems: [] means valid)
    CASES = [
        (P3, 2, "121323", []),
        (P3, 2, "213231", []),
        (K3, 2, "123123", []),
        (K3, 1, "132", []),
        (E2, 2, "1122", []),
        (K11, 1, "123456789(10)(11)", []),
        (K11, 2, "(11)123456789(10)(11)123456789(10)", []),
        (P3, 2, "123123", ["1 and 3 alternate but are not adjacent"]),
        (P3, 2, "112233", ["1 and 2 are adjacent but do not alternate",
                           "2 and 3 are adjacent but do not alternate"]),
        (E2, 2, "1212", ["1 and 2 alternate but are not adjacent"]),
        (P3, 2, "12132", ["vertex 3 occurs 1 times, not 2"]),
        (P3, 2, "1213234", ["letter 4 is not a vertex (1..3)"]),
        (K3, 2, "12312", ["vertex 3 occurs 1 times, not 2"]),
        (K3, 3, "123123", ["vertex 1 occurs 2 times, not 3", "vertex 2 occurs 2 times, not 3",
                           "vertex 3 occurs 2 times, not 3"]),
    ]

    def test_cases(self):
        for (n, edges), k, word, want in self.CASES:
            with self.subTest(word=word, k=k):
                self.assertEqual(check_word(n, edges, k, parse_word(word)), want)

    def test_word_notation(self):
        self.assertEqual(parse_word("9(10)1(20)"), [9, 10, 1, 20])
        for bad in ["0", "(9)", "(01)", "(10", "1 2", "a", "()"]:
            with self.subTest(word=bad):
                with self.assertRaises(OutputError):
                    parse_word(bad)

    def test_brute_force_agrees_on_random_words(self):
        # A pair alternates when, deleting the other letters, no letter is
        # next to itself; counted here on the word as a string of tokens.
        rnd = random.Random(5)
        for _ in range(300):
            n = rnd.randint(2, 5)
            k = rnd.randint(1, 3)
            letters = [v for v in range(1, n + 1) for _ in range(k)]
            rnd.shuffle(letters)
            edges = []
            for x, y in itertools.combinations(range(1, n + 1), 2):
                s = "".join("x" if a == x else "y" for a in letters if a in (x, y))
                if "xx" not in s and "yy" not in s:
                    edges.append((x, y))
            self.assertEqual(check_word(n, edges, k, letters), [])
            if len(edges) < n * (n - 1) // 2:
                # Flip one pair: the word must be rejected.
                missing = next(p for p in itertools.combinations(range(1, n + 1), 2)
                               if p not in edges)
                self.assertNotEqual(check_word(n, edges + [missing], k, letters), [])


def brute_force_semi_transitive(n, edges, arcs, max_arcs=None):
    """From the definition: acyclic, and for every directed path
    v0 -> ... -> vk (k >= 2, k <= max_arcs when given) with the arc v0 -> vk,
    all vi -> vj (i < j)."""
    out = {v: [] for v in range(1, n + 1)}
    for a, b in arcs:
        out[a].append(b)
    aset = set(arcs)

    def paths(path):
        yield path
        for w in out[path[-1]]:
            if w in path:
                raise ValueError("cycle")
            yield from paths(path + [w])

    try:
        for v in range(1, n + 1):
            for p in paths([v]):
                if max_arcs is not None and len(p) - 1 > max_arcs:
                    continue
                if len(p) >= 3 and (p[0], p[-1]) in aset:
                    for i in range(len(p)):
                        for j in range(i + 1, len(p)):
                            if (p[i], p[j]) not in aset:
                                return False
    except ValueError:
        return False
    return True


def random_orientation(rnd, least, most, density, flips):
    """A random graph on least..most vertices (each pair an edge with
    probability density), oriented by a random order of its vertices with
    each arc then flipped with probability flips (cycles too): n, edges, arcs."""
    n = rnd.randint(least, most)
    edges = [e for e in itertools.combinations(range(1, n + 1), 2) if rnd.random() < density]
    order = list(range(1, n + 1))
    rnd.shuffle(order)
    pos = {v: i for i, v in enumerate(order)}
    arcs = [(a, b) if pos[a] < pos[b] else (b, a) for a, b in edges]
    return n, edges, [(b, a) if rnd.random() < flips else (a, b) for a, b in arcs]


def all_orientations(edges):
    for bits in itertools.product((0, 1), repeat=len(edges)):
        yield [(a, b) if x == 0 else (b, a) for (a, b), x in zip(edges, bits)]


class Orientations(unittest.TestCase):
    CASES = [
        (P3, "1>2 2>3", []),
        (P3, "2>1 2>3", []),
        (K3, "1>2 2>3 1>3", []),
        (K3, "1>2 2>3 3>1", ["directed cycle 1->2->3->1"]),
        (C4, "1>2 3>2 3>4 1>4", []),
        (C4, "1>2 2>3 3>4 1>4", ["shortcut: arc 1->4, and a directed path from 1 to 4 passes "
                                 "1 before 3, but 1->3 is not an arc"]),
        (K4, "1>2 1>3 1>4 2>3 2>4 3>4", []),
        (K4, "1>2 1>3 1>4 2>3 4>2 3>4", ["directed cycle 2->3->4->2"]),
        (P3, "1>2", ["edge 2 3 is not oriented"]),
        (P3, "1>2 2>3 1>3", ["arc 1->3 is not an edge"]),
        (P3, "1>2 2>1 2>3", ["edge 1 2 is oriented both ways"]),
        (P3, "1>2 1>2 2>3", ["arc 1->2 is listed twice"]),
    ]

    def test_cases(self):
        from wordrep.formats import parse_orientation_field
        for (n, edges), field, want in self.CASES:
            with self.subTest(field=field):
                self.assertEqual(check_orientation(n, edges, parse_orientation_field(field)), want)

    def test_agrees_with_brute_force_on_random_orientations(self):
        rnd = random.Random(7)
        seen = {True: 0, False: 0}
        for _ in range(1500):
            n, edges, arcs = random_orientation(rnd, 3, 7, density=0.5, flips=0.1)
            want = brute_force_semi_transitive(n, edges, arcs)
            got = check_orientation(n, edges, arcs) == []
            self.assertEqual(got, want, (n, arcs))
            seen[want] += 1
        self.assertGreater(min(seen.values()), 200)   # both outcomes well covered

    def test_shortcut_bound_agrees_with_brute_force_on_random_orientations(self):
        rnd = random.Random(11)
        differ = 0   # accepted with the bound, refused without it
        for _ in range(3000):
            n, edges, arcs = random_orientation(rnd, 5, 8, density=0.4, flips=0.05)
            for k in (3, 4):
                want = brute_force_semi_transitive(n, edges, arcs, max_arcs=k)
                self.assertEqual(check_orientation(n, edges, arcs, max_shortcut=k) == [], want,
                                 (n, arcs, k))
                differ += want and check_orientation(n, edges, arcs) != []
        self.assertGreater(differ, 10)   # the bound matters in some

    def test_a_shortcut_of_length_4_and_none_of_length_3(self):
        # C5 as the path 1->2->3->4->5 with the arc 1->5, and relabelled as
        # 3->1->4->2->5 with the arc 3->5: accepted with the bound 3, refused
        # with 4 and more and by the full checker; as the definition says.
        c5 = (5, [(1, 2), (2, 3), (3, 4), (4, 5), (1, 5)])
        relabelled = (5, [(1, 3), (1, 4), (2, 4), (2, 5), (3, 5)])
        arcs = [(3, 1), (1, 4), (4, 2), (2, 5), (3, 5)]
        bounded = "shortcut of length 4: arc %s, and a directed path from %s passes %s, which are " \
                  "not adjacent"
        cases = [   # graph, arcs, bound, errors
            (c5, c5[1], 3, []),
            (c5, c5[1], 4, [bounded % ("1->5", "1 to 5", "1 before 3")]),
            (c5, c5[1], 9, [bounded % ("1->5", "1 to 5", "1 before 3")]),
            (c5, c5[1], None, ["shortcut: arc 1->5, and a directed path from 1 to 5 passes 1 "
                               "before 3, but 1->3 is not an arc"]),
            (relabelled, arcs, 3, []),
            (relabelled, arcs, 4, [bounded % ("3->5", "3 to 5", "1 before 2")]),
            (relabelled, arcs, None, ["shortcut: arc 3->5, and a directed path from 3 to 5 "
                                      "passes 1 before 2, but 1->2 is not an arc"]),
        ]
        for (n, edges), arcs, bound, want in cases:
            with self.subTest(arcs=arcs, bound=bound):
                self.assertEqual(check_orientation(n, edges, arcs, max_shortcut=bound), want)
                self.assertEqual(want == [], brute_force_semi_transitive(n, edges, arcs, bound))

    def test_wheel_on_6_vertices_has_no_semi_transitive_orientation(self):
        n, edges = W5
        self.assertFalse(any(check_orientation(n, edges, a) == [] for a in all_orientations(edges)))

    def test_exactly_one_connected_6_vertex_graph_has_no_accepted_orientation(self):
        # OEIS A290814: one connected graph on 6 vertices is not word-representable.
        rejected = []
        for line in geng("-c", 6):
            n, edges = from_graph6(line)
            if not any(check_orientation(n, edges, a) == [] for a in all_orientations(edges)):
                rejected.append(line)
        self.assertEqual(len(rejected), 1)


class OutputParsers(unittest.TestCase):
    def test_alterword_output(self):
        self.assertEqual(parse_alterword("representing word for 2:\n121323\n"), (2, [1, 2, 1, 3, 2, 3]))
        self.assertEqual(parse_alterword("no solution for 2,\nrepresenting word for 3:\n(10)1\n"),
                         (3, [10, 1]))
        for bad in ["", "representing word for 3:\n12\n", "no solution for 3,\n",
                    "no solution for 2,\nno solution for 4,\nrepresenting word for 5:\n1\n",
                    "representing word for 2:\n", "representing word for 2:\n12\nextra\n",
                    "representing word for 2:\n12"]:
            with self.subTest(text=bad):
                with self.assertRaises(OutputError):
                    parse_alterword(bad)

    def test_orientcheck_output(self):
        self.assertIsNone(parse_orientcheck("Not semi-transitive\n"))
        self.assertEqual(parse_orientcheck("Semi-transitive by orientation:\n1 2\n3 2\n"),
                         [(1, 2), (3, 2)])
        self.assertEqual(parse_orientcheck("Semi-transitive by orientation:\n"), [])
        for bad in ["Not semi-transitive", "not semi-transitive\n",
                    "Semi-transitive by orientation:\n1 2 3\n", "Semi-transitive by orientation:\n1,2\n",
                    "Semi-transitive by orientation:\n1 2"]:
            with self.subTest(text=bad):
                with self.assertRaises(OutputError):
                    parse_orientcheck(bad)


class Commands(unittest.TestCase):
    PATH3 = os.path.join(EXAMPLES, "path3.graph")

    def test_check_word_command(self):
        cases = [
            (["121323"], "", 0, "valid 2-uniform word for 3 vertices, 2 edges\n", ""),
            (["123123"], "", 1, "", "check-word: 1 and 3 alternate but are not adjacent\n"),
            ([], "no solution for 2,\nrepresenting word for 3:\n121213232313\n", 1, "",
             None),
            ([], "representing word for 2:\n121323\n", 0,
             "valid 2-uniform word for 3 vertices, 2 edges\n", ""),
            ([], "garbage\n", 2, "", None),
        ]
        for args, stdin, rc, out, err in cases:
            with self.subTest(args=args, stdin=stdin):
                cmd = [tool("check-word"), self.PATH3] + (["2"] + args if args else [])
                p = run(cmd, stdin)
                self.assertEqual(p.returncode, rc, p.stderr)
                self.assertEqual(p.stdout, out)
                if err is not None:
                    self.assertEqual(p.stderr, err)

    def test_check_orientation_command(self):
        cases = [
            (["1>2 2>3"], "", 0, "valid semi-transitive orientation of 3 vertices, 2 edges\n"),
            ([], "Semi-transitive by orientation:\n2 1\n2 3\n", 0,
             "valid semi-transitive orientation of 3 vertices, 2 edges\n"),
            ([], "Semi-transitive by orientation:\n2 1\n", 1, ""),
            ([], "Not semi-transitive\n", 3, ""),
            ([], "nonsense\n", 2, ""),
        ]
        for args, stdin, rc, out in cases:
            with self.subTest(args=args, stdin=stdin):
                p = run([tool("check-orientation"), self.PATH3] + args, stdin)
                self.assertEqual((p.returncode, p.stdout), (rc, out), p.stderr)

    def test_graph_given_as_graph6(self):
        p = run([tool("check-orientation"), "-g", "Bg", "1>2 2>3"])
        self.assertEqual(p.returncode, 0, p.stderr)
        p = run([tool("check-word"), "-g", "Bg", "2", "121323"])
        self.assertEqual(p.returncode, 0, p.stderr)

    def test_bad_graph_file(self):
        with tempfile.NamedTemporaryFile("w") as f:
            f.write("3\n1 2\n")
            f.flush()
            p = run([tool("check-word"), f.name, "2", "121323"])
            self.assertEqual(p.returncode, 2)
            self.assertEqual(p.stderr, "check-word: %s:3:1: the input ends where a number is "
                             "due (alterword and orientcheck stop: error 454, attempt to read "
                             "past end of Input)\n" % f.name)


def run_bytes(cmd, stdin=b"", **kw):
    return subprocess.run(cmd, input=stdin, capture_output=True, **kw)


class CommandLines(unittest.TestCase):
    """Graph files read as the programs read them, bytes that are not
    UTF-8, an unwritable standard output, and the usual options."""

    def test_cases(self):
        with tempfile.TemporaryDirectory() as d:
            def graph(name, data):
                path = os.path.join(d, name)
                with open(path, "wb") as f:
                    f.write(data)
                return path
            split = graph("split", b"3\n1\n2\n2 3 and a comment \xff\n0 0")
            bare0 = graph("bare0", b"3\n1 2\n2 3\n0\n")
            binary = graph("binary", b"3\n1 2\n\xff\xfe\n0 0\n")
            loop = graph("loop", b"3\n1 2\n2 3\n3 3\n0 0\n")
            dash = graph("-x", b"3\n1 2\n2 3\n0 0\n")
            valid_o = b"valid semi-transitive orientation of 3 vertices, 2 edges\n"
            valid_w = b"valid 2-uniform word for 3 vertices, 2 edges\n"
            cases = [
                # (tool, arguments, stdin, status, stdout, stderr)
                ("check-orientation", [split, "1>2 2>3"], b"", 0, valid_o, b""),
                ("check-orientation", [split, "&BP?"], b"", 0, valid_o, b""),
                ("check-word", [split, "2", "121323"], b"", 0, valid_w, b""),
                ("check-orientation", [bare0, "1>2 2>3"], b"", 2, b"",
                 b"check-orientation: %s:5:1: the input ends where a number is due (alterword "
                 b"and orientcheck stop: error 454, attempt to read past end of Input)\n"
                 % bare0.encode()),
                ("check-word", [binary, "2", "121323"], b"", 2, b"",
                 b"check-word: %s:3:1: '\\xff' where a number is due (alterword and "
                 b"orientcheck stop: error 552, sign or digit expected)\n" % binary.encode()),
                ("check-orientation", [loop, "1>2 2>3"], b"", 1, b"",
                 b"check-orientation: line 4: vertex 3 has a loop, so no orientation of the "
                 b"graph is semi-transitive\n"),
                ("check-word", [loop, "2", "121323"], b"", 0, valid_w, b""),
                ("check-orientation", [split], b"Semi-transitive by orientation:\n\xff\n", 2,
                 b"", b"check-orientation: bad arc line '\\xff'\n"),
                ("check-orientation", [split, b"1>2 \xff>3"], b"", 2, b"",
                 b"check-orientation: bad arc '\\xff>3' in orientation field\n"),
                ("check-word", [split, b"2", b"12\xfe1323"], b"", 2, b"",
                 b"check-word: bad letter in word at position 2: '\\xfe1323'\n"),
                ("check-word", [split, b"\xe92", b"121323"], b"", 2, b"",
                 b"check-word: K must be a whole number, not '\\xe92'\n"),
                ("check-word", [split], b"representing word for 2:\n12\xff\n", 2, b"",
                 b"check-word: bad letter in word at position 2: '\\xff'\n"),
                ("check-orientation", ["--", dash, "1>2 2>3"], b"", 0, valid_o, b""),
                ("check-word", [split, "two", "121323"], b"", 2, b"",
                 b"check-word: K must be a whole number, not 'two'\n"),
                ("check-word", ["--version"], b"", 0, b"check-word 1.0.0\n", b""),
                ("check-orientation", ["--version"], b"", 0, b"check-orientation 1.0.0\n", b""),
            ]
            for name, args, stdin, status, out, err in cases:
                with self.subTest(tool=name, args=args):
                    p = run_bytes([tool(name)] + args, stdin)
                    self.assertEqual((p.returncode, p.stdout, p.stderr), (status, out, err))

    def test_help_names_every_exit_status(self):
        for name, statuses in (("check-word", "0 valid, 1 invalid"),
                               ("check-orientation", "3 orientcheck's")):
            p = run([tool(name), "--help"])
            self.assertEqual((p.returncode, p.stderr), (0, ""))
            self.assertTrue(p.stdout.startswith("usage: %s " % name), p.stdout)
            self.assertIn(statuses, " ".join(p.stdout.split()))
            self.assertIn("4 standard output could not be written", " ".join(p.stdout.split()))

    @unittest.skipUnless(os.path.exists("/dev/full"), "no /dev/full")
    def test_a_verdict_that_cannot_be_written_is_no_success(self):
        # (standard output, its size limit, environment, the reason): a file
        # that fills up cuts the verdict short, also when Python's standard
        # output is unbuffered (the write is then cut without an error).
        cases = [("/dev/full", None, BUFFERED, "No space left on device"),
                 ("file", 3, BUFFERED, "File too large"),
                 ("file", 3, UNBUFFERED, "File too large")]
        for args in ([tool("check-orientation"), "-g", "Bg", "1>2 2>3"],
                     [tool("check-word"), "-g", "Bg", "2", "121323"]):
            for target, limit, env, reason in cases:
                with self.subTest(args=args[0], target=target, env=env):
                    with (open(target, "w") if target == "/dev/full"
                          else tempfile.TemporaryFile("w")) as out:
                        p = subprocess.run(args, stdout=out, stderr=subprocess.PIPE, text=True,
                                           env=dict(os.environ, **env),
                                           preexec_fn=limit and file_size_limit(limit))
                    self.assertEqual((p.returncode, p.stderr),
                                     (4, "%s: cannot write standard output: %s\n"
                                      % (os.path.basename(args[0]), reason)))


if __name__ == "__main__":
    unittest.main()
