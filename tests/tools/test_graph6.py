#!/usr/bin/python3
"""graph6 decoding and encoding against nauty, the programs' input format,
and the graph6-convert command."""

import os
import subprocess
import tempfile
import unittest

from helpers import BUFFERED, SHOWG, UNBUFFERED, file_size_limit, geng, run, tool
from wordrep.graph import GraphError, from_graph6, parse_input, to_graph6

CONVERT = tool("graph6-convert")


def showg_edges(lines):
    """Edge lists of graph6 lines as nauty-showg prints them (0-based)."""
    p = subprocess.run([SHOWG, "-e", "-l0"], input="\n".join(lines) + "\n",
                       capture_output=True, text=True, check=True)
    graphs = []
    for block in p.stdout.split("Graph ")[1:]:
        body = block.split("\n", 1)[1].split()
        n, m = int(body[0]), int(body[1])
        nums = list(map(int, body[2:]))
        assert len(nums) == 2 * m
        graphs.append((n, sorted((min(a, b) + 1, max(a, b) + 1)
                                 for a, b in zip(nums[0::2], nums[1::2]))))
    return graphs


class Graph6AgainstNauty(unittest.TestCase):
    def test_every_graph_up_to_7_vertices_decodes_as_showg_reads_it(self):
        for n in range(1, 8):
            lines = geng(n)
            self.assertEqual(len(lines), [1, 2, 4, 11, 34, 156, 1044][n - 1])  # OEIS A000088
            expected = showg_edges(lines)
            for line, want in zip(lines, expected):
                self.assertEqual(from_graph6(line), want, line)

    def test_encoding_reproduces_geng_output(self):
        for n in range(1, 8):
            for line in geng(n):
                self.assertEqual(to_graph6(*from_graph6(line)), line)

    def test_twenty_vertices_round_trip_through_nauty(self):
        # K20, a path and the empty graph on 20 vertices: encode, let showg read.
        cases = [(20, [(i, j) for i in range(1, 21) for j in range(i + 1, 21)]),
                 (20, [(i, i + 1) for i in range(1, 20)]),
                 (20, [])]
        lines = [to_graph6(n, e) for n, e in cases]
        self.assertEqual(showg_edges(lines), [(n, sorted(e)) for n, e in cases])


class Graph6Cases(unittest.TestCase):
    GOOD = [
        ("@", (1, [])),
        ("A_", (2, [(1, 2)])),
        ("A?", (2, [])),
        ("Bw", (3, [(1, 2), (1, 3), (2, 3)])),
        ("Bg", (3, [(1, 2), (2, 3)])),
        ("BW", (3, [(1, 3), (2, 3)])),
        (">>graph6<<Bw", (3, [(1, 2), (1, 3), (2, 3)])),
        ("Bw\n", (3, [(1, 2), (1, 3), (2, 3)])),
    ]
    BAD = [
        ("", "empty"),
        ("?", "no vertices"),
        ("Bww", "must have 1 bytes"),
        ("B", "must have 1 bytes"),
        ("Bx", "padding"),
        (";Bw", "incremental sparse6"),
        (":AN", "loop at vertex 1"),
        ("&Bw", "digraph6"),
        ("B\x7f", "invalid character"),
        ("T" + "?" * 35, "21 vertices; alterword and orientcheck accept at most 20"),
        ("~??~" + "?" * 1000, "63 vertices"),
        ("~?B", "truncated"),
        ("~~", "truncated"),
    ]

    def test_good(self):
        for line, want in self.GOOD:
            with self.subTest(line=line):
                self.assertEqual(from_graph6(line), want)

    def test_bad(self):
        for line, msg in self.BAD:
            with self.subTest(line=line):
                with self.assertRaises(GraphError) as cm:
                    from_graph6(line)
                self.assertIn(msg, str(cm.exception))


class InputFormat(unittest.TestCase):
    """The table of input texts with the programs' outcomes is in the shared
    vectors (test_formats.py); here the reports of a refused text."""

    def test_refusals_name_the_position_and_the_programs_error(self):
        for text, where, message in [
                ("3\n1 2\n0\n", (4, 1), "the input ends where a number is due "
                 "(alterword and orientcheck stop: error 454, attempt to read past end of Input)"),
                ("3\n1 x\n", (2, 3), "'x' where a number is due (alterword and orientcheck "
                 "stop: error 552, sign or digit expected)"),
                ("3\n1 21\n0 0\n", (2, 3), "vertex 21 is not in 1..20 (alterword and "
                 "orientcheck stop: error 300, value out of range)"),
                ("3\n1 2\n3 3\n0 0\n", (3, 1), "pair 3 3 is a loop: alterword ignores it, "
                 "orientcheck answers Not semi-transitive, and a graph here has none")]:
            with self.subTest(text=text):
                with self.assertRaises(GraphError) as cm:
                    parse_input(text)
                self.assertEqual((cm.exception.line, cm.exception.col), where)
                self.assertEqual(cm.exception.located("g"), "g:%d:%d: %s" % (where + (message,)))


class ConvertCommand(unittest.TestCase):
    def test_to_input_is_byte_exact(self):
        p = run([CONVERT, "to-input"], "BW\n")
        self.assertEqual((p.returncode, p.stdout, p.stderr), (0, "3\n1 3\n2 3\n0 0\n", ""))

    def test_to_input_empty_graph(self):
        p = run([CONVERT, "to-input"], to_graph6(20, []) + "\n")
        self.assertEqual((p.returncode, p.stdout), (0, "20\n0 0\n"))

    def test_to_graph6_of_the_path(self):
        p = run([CONVERT, "to-graph6"], "3\n1 2\n2 3\n0 0\n")
        self.assertEqual((p.returncode, p.stdout, p.stderr), (0, "Bg\n", ""))

    def test_refuses_more_than_20_vertices(self):
        p = run([CONVERT, "to-input"], "T" + "?" * 35 + "\n")
        self.assertEqual(p.returncode, 1)
        self.assertEqual(p.stdout, "")
        self.assertEqual(p.stderr, "graph6-convert: stdin:1: graph has 21 vertices; "
                                   "alterword and orientcheck accept at most 20\n")

    def test_several_graphs_need_a_directory(self):
        lines = geng(4)
        p = run([CONVERT, "to-input"], "\n".join(lines) + "\n")
        self.assertEqual(p.returncode, 1)
        self.assertIn("11 graphs on input", p.stderr)
        with tempfile.TemporaryDirectory() as d:
            p = run([CONVERT, "to-input", "--dir", d], "\n".join(lines) + "\n")
            self.assertEqual(p.returncode, 0, p.stderr)
            files = sorted(os.listdir(d), key=lambda f: int(f.split(".")[0]))
            self.assertEqual(files, ["%d.graph" % k for k in range(1, 12)])
            back = run([CONVERT, "to-graph6"] + [os.path.join(d, f) for f in files])
            self.assertEqual(back.stdout.split(), lines)

    def test_dir_never_writes_over_its_input_nor_without_force_an_earlier_file(self):
        with tempfile.TemporaryDirectory() as d:
            listing = os.path.join(d, "1.graph")           # the list, named as a graph file
            with open(listing, "w") as f:
                f.write("Bg\nBW\n")
            os.mkdir(os.path.join(d, "old"))
            with open(os.path.join(d, "old", "2.graph"), "w") as f:
                f.write("an earlier run's\n")
            os.symlink(listing, os.path.join(d, "linked"))
            same = "the input %s and the output %s are the same file; name different files"
            # (arguments, refusal)
            cases = [
                (["--dir", d, listing], same % (listing, listing)),
                (["--dir", d, "--force", listing], same % (listing, listing)),
                (["--dir", d, os.path.join(d, "linked")],
                 same % (os.path.join(d, "linked"), listing)),
                (["--dir", os.path.join(d, "old"), listing],
                 "%s/old/2.graph exists (an earlier run's?): add --force to overwrite it, or "
                 "name another --dir" % d),
                ([listing, "--force"], "--force is for --dir: standard output is never in "
                                       "the way"),
            ]
            for args, message in cases:
                with self.subTest(args=args):
                    p = run([CONVERT, "to-input"] + args)
                    self.assertEqual((p.returncode, p.stdout, p.stderr),
                                     (2, "", "graph6-convert: %s\n" % message))
                    self.assertEqual(sorted(os.listdir(d)), ["1.graph", "linked", "old"])
                    self.assertEqual(os.listdir(os.path.join(d, "old")), ["2.graph"])
                    with open(listing) as f:
                        self.assertEqual(f.read(), "Bg\nBW\n")
            p = run([CONVERT, "to-input", "--dir", os.path.join(d, "old"), "--force", listing])
            self.assertEqual((p.returncode, p.stderr), (0, ""))
            with open(os.path.join(d, "old", "2.graph")) as f:
                self.assertEqual(f.read(), "3\n1 3\n2 3\n0 0\n")

    def test_bad_input_file_is_named(self):
        with tempfile.NamedTemporaryFile("w", suffix=".graph") as f:
            f.write("3\n1 21\n0 0\n")
            f.flush()
            p = run([CONVERT, "to-graph6", f.name])
            self.assertEqual(p.returncode, 1)
            self.assertEqual(p.stderr, "graph6-convert: %s:2:3: vertex 21 is not in 1..20 "
                             "(alterword and orientcheck stop: error 300, value out of range)\n"
                             % f.name)


class ConvertHostileInput(unittest.TestCase):
    """Bytes that are not UTF-8, texts the programs read in their own way,
    an unwritable standard output, and the usual options: one line and the
    documented status, never a traceback."""

    HEAD = b"graph6,vertices,edges,semi_transitive,representation_number,word,orientation,witness\n"

    def test_cases(self):
        with tempfile.TemporaryDirectory() as d:
            dash = os.path.join(d, "-g.graph")
            with open(dash, "wb") as f:
                f.write(b"3\n1\n2 \xff\n2 3\n0 0")
            cases = [
                # (arguments, stdin, status, stdout, stderr)
                (["to-input"], b"Bg\n\xff\xfe\n", 1, b"",
                 b"graph6-convert: stdin:2: invalid character '\\xff' in graph6 string\n"),
                (["to-graph6"], b"3\n1 2\n\xff 2 3\n0 0\n", 1, b"",
                 b"graph6-convert: stdin:3:1: '\\xff' where a number is due (alterword and "
                 b"orientcheck stop: error 552, sign or digit expected)\n"),
                (["to-graph6"], b"3\n1\n2\n2 3 \xff\n0 0\n", 0, b"Bg\n", b""),
                (["to-graph6"], b"3\n1 2\n2 3\n0\n", 1, b"",
                 b"graph6-convert: stdin:5:1: the input ends where a number is due (alterword "
                 b"and orientcheck stop: error 454, attempt to read past end of Input)\n"),
                (["to-graph6", "--", dash], b"", 0, b"Bg\n", b""),
                (["from-digraph6"], b"&BP?\n&B\xff?\n", 1,
                 b"graph6,vertices,orientation\nBg,3,1>2 2>3\n",
                 b"graph6-convert: stdin:2: invalid character '\\xff' in digraph6 string\n"),
                (["to-digraph6"], self.HEAD + b"B\xffg,3,2,yes,2,121323,1>2 2>3,\n"
                 + b"Bg,3,2,yes,2,121323,&BP?,\n", 1, b"&BP?\n",
                 b"graph6-convert: stdin:2: invalid character '\\xff' in graph6 string\n"),
                (["to-digraph6"], self.HEAD + b"Bg,3,2,yes,2,121323,&CP??,\n", 1, b"",
                 b"graph6-convert: stdin:2: the digraph6 orientation has 4 vertices, "
                 b"the graph 3\n"),
                (["--version"], b"", 0, b"graph6-convert 1.0.0\n", b""),
            ]
            for args, stdin, status, out, err in cases:
                with self.subTest(args=args, stdin=stdin):
                    p = subprocess.run([CONVERT] + args, input=stdin, capture_output=True)
                    self.assertEqual((p.returncode, p.stdout, p.stderr), (status, out, err))

    def test_help_before_anything(self):
        p = run([CONVERT, "--help"])
        self.assertEqual((p.returncode, p.stderr), (0, ""))
        self.assertTrue(p.stdout.startswith("usage: graph6-convert "), p.stdout)
        self.assertIn("Exit status: 0 done, 1 bad input", " ".join(p.stdout.split()))

    @unittest.skipUnless(os.path.exists("/dev/full"), "no /dev/full")
    def test_standard_output_that_cannot_be_written(self):
        for args, stdin in ((["to-input"], "Bg\n"), (["to-graph6"], "3\n1 2\n0 0\n"),
                            (["from-digraph6"], "&BP?\n")):
            with self.subTest(args=args):
                with open("/dev/full", "w") as full:
                    p = subprocess.run([CONVERT] + args, input=stdin, stdout=full,
                                       stderr=subprocess.PIPE, text=True)
                self.assertEqual((p.returncode, p.stderr),
                                 (1, "graph6-convert: cannot write standard output: "
                                     "No space left on device\n"))
            # A file that fills up part-way through a line (also with
            # Python's standard output unbuffered, where the write is cut
            # short without an error of its own).
            for env in (BUFFERED, UNBUFFERED):
                with self.subTest(args=args, env=env), tempfile.TemporaryFile("w") as out:
                    p = subprocess.run([CONVERT] + args, input=stdin, stdout=out,
                                       stderr=subprocess.PIPE, text=True,
                                       env=dict(os.environ, **env), preexec_fn=file_size_limit(2))
                    self.assertEqual((p.returncode, p.stderr),
                                     (1, "graph6-convert: cannot write standard output: "
                                         "File too large\n"))


if __name__ == "__main__":
    unittest.main()
