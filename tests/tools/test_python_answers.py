#!/usr/bin/python3
"""The Python interface's answers and mistakes: the null graph and complete
graphs (representation number 1, the word of one copy each) alike in the
census's CSV, wordrep.analyse/census and python3 -m wordrep, against the
definition (complete: every pair an edge) and a published count (every
graph of networkx's atlas, up to 7 vertices: 27 not word-representable, the
wheel W5 and the 25 connected ones of OEIS A290814 on 7 vertices plus W5
with an isolated vertex); errors="raise" | "result"; input mistakes raised
as ValueError at the call; answers from a stand-in census that are wrong
refused; SageMath graphs in their own labels; cut files refused by
read_csv; python3 -m wordrep echoing its lines and stopped by signals.  The
census comes from $WORDREP_CENSUS (set by CMake)."""

import csv
import io
import json
import os
import signal
import subprocess
import sys
import tempfile
import types
import unittest
import xml.etree.ElementTree as ElementTree

from helpers import STUB_CENSUS, TOOLS, geng, stub_control
import wordrep
from wordrep.checks import check_orientation, check_word
from wordrep.formats import OutputError
from wordrep.graph import from_graph6

try:
    import networkx
except ImportError:
    networkx = None

CENSUS = os.environ.get("WORDREP_CENSUS")


def census_rows(graphs, *options):
    """The census's own CSV rows for the graphs."""
    p = subprocess.run([CENSUS, "--no-summary"] + list(options), input="\n".join(graphs) + "\n",
                       capture_output=True, text=True)
    return list(csv.DictReader(io.StringIO(p.stdout)))


def module(args, env=None, **kw):
    """python3 -m wordrep, started (a Popen)."""
    env = dict(os.environ, PYTHONPATH=TOOLS, **(env or {}))
    return subprocess.Popen([sys.executable, "-m", "wordrep"] + args, stdin=subprocess.PIPE,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env, **kw)


@unittest.skipUnless(CENSUS, "WORDREP_CENSUS not set")
class NullAndCompleteGraphs(unittest.TestCase):
    def test_number_1_exactly_for_complete_graphs_everywhere(self):
        graphs = ["?"] + [g for n in range(1, 7) for g in geng(n)]
        rows = census_rows(graphs)
        results = list(wordrep.census(graphs, program=CENSUS))
        p = module(["--census", CENSUS])
        out, err = p.communicate("\n".join(graphs).encode() + b"\n", timeout=600)
        lines = [json.loads(line) for line in out.decode().splitlines()]
        self.assertEqual((p.returncode, err), (0, b""))
        self.assertEqual(len(rows), len(results))
        self.assertEqual(len(lines), len(results))
        for g6, row, r, line in zip(graphs, rows, results, lines):
            with self.subTest(graph6=g6):
                n, edges = (0, []) if g6 == "?" else from_graph6(g6)
                complete = len(edges) == n * (n - 1) // 2
                self.assertEqual(row["semi_transitive"] == "yes", r.semi_transitive)
                if not r.semi_transitive:
                    continue
                self.assertEqual(r.representation_number == 1, complete)
                self.assertEqual(row["representation_number"], str(r.representation_number))
                self.assertEqual(line["representation_number"], r.representation_number)
                if complete:        # one copy each; the null graph's word is empty
                    self.assertEqual(sorted(r.word), list(range(1, n + 1)))
                self.assertEqual(check_word(n, edges, r.representation_number, r.word), [])
                self.assertEqual(check_orientation(n, edges, r.arcs), [])

    def test_the_null_graph_in_every_form(self):
        want = wordrep.record(wordrep.analyse("?", program=CENSUS))
        self.assertEqual(want, {"graph6": "?", "vertices": 0, "edges": 0,
                                "semi_transitive": True, "representation_number": 1,
                                "word": "", "orientation": (), "witness": None,
                                "number_lower": 1, "number_upper": 1, "number_reason": "least"})
        forms = [(0, []), b"?", "?\n"] + ([networkx.Graph()] if networkx else [])
        for graph in forms:
            with self.subTest(graph=graph):
                self.assertEqual(wordrep.record(wordrep.analyse(graph, program=CENSUS)), want)
        jsonl = subprocess.run([CENSUS, "--no-summary", "--format", "jsonl"], input=b"?\n",
                               capture_output=True, check=True).stdout
        out, _ = module(["--census", CENSUS, "?"]).communicate(timeout=60)
        self.assertEqual(out, jsonl)
        with tempfile.NamedTemporaryFile("w", suffix=".csv") as f:
            f.write(subprocess.run([CENSUS, "--no-summary"], input="?\n", capture_output=True,
                                   text=True, check=True).stdout)
            f.flush()
            self.assertEqual(list(wordrep.read_csv(f.name)), [want])

    @unittest.skipUnless(networkx, "networkx not installed")
    def test_the_graph_atlas_runs_through(self):
        atlas = networkx.graph_atlas_g()
        results = list(wordrep.census(atlas, program=CENSUS))
        self.assertEqual(len(results), 1253)                     # OEIS A000088, 0 to 7
        self.assertEqual(sum(r.representation_number == 1 for r in results), 8)   # K0..K7
        self.assertEqual(sum(not r.semi_transitive for r in results), 1 + 25 + 1)
        self.assertEqual(results[0].n, 0)


@unittest.skipUnless(CENSUS, "WORDREP_CENSUS not set")
class Errors(unittest.TestCase):
    # an input, the reason it cannot be answered (None: it can)
    CASES = [
        ("Bw", None),
        ("Bx", "graph6 padding bits are not zero"),
        ((3, [(1, 5)]), "edge 1 5: vertices must be in 1..3"),
        ([(1, 2), (2, 3)], "a plain edge list: give a pair (n, edges) or a networkx graph"),
        ([(1, 2), (2, 3), (3, 1)], "a plain edge list: give a pair (n, edges) or a networkx "
                                   "graph"),
        ((1, 2, 3), "not a graph: expected a graph6 string, a graph with graph6_string(), a "
                    "networkx graph or a pair (n, edges)"),
        ("?", None),
        ("Bg", None),
    ]

    def cases(self):
        cases = list(self.CASES)
        if networkx:
            cases += [(networkx.Graph([("a", "b"), ("b", "b")]),
                       "loop at vertex 'b': loops are not allowed"),
                      (networkx.DiGraph([(1, 2)]), "directed graph; give an undirected one")]
        return cases

    def test_errors_result_gives_each_failure_as_a_result_and_goes_on(self):
        cases = self.cases()
        results = list(wordrep.census([g for g, _ in cases], program=CENSUS, errors="result"))
        self.assertEqual([r.failure for r in results], [why for _, why in cases])
        for r, (g, why) in zip(results, cases):
            self.assertEqual(r.semi_transitive is None, why is not None)
            if why is not None:
                self.assertEqual(wordrep.record(r)["semi_transitive"], "failed: " + why)
                self.assertEqual(wordrep.analyse(g, program=CENSUS, errors="result"), r)

    def test_input_mistakes_are_value_errors_naming_the_graph(self):
        for position, (graph, why) in enumerate(self.cases(), 1):
            if why is None:
                continue
            with self.subTest(graph=graph):
                with self.assertRaises(ValueError) as cm:
                    wordrep.analyse(graph, program=CENSUS)
                self.assertIsInstance(cm.exception, wordrep.CensusError)
                self.assertEqual(cm.exception.reason, why)
                got = []
                with self.assertRaises(wordrep.InputError):
                    for r in wordrep.census(["Bw", graph], program=CENSUS):
                        got.append(r.graph6)
                self.assertEqual(got, ["Bw"])

    def test_bad_options_raise_at_the_call(self):
        for kw in ({"shortcut_length": 2}, {"shortcut_length": 257}, {"shortcut_length": True},
                   {"shortcut_length": "3"}, {"errors": "ignore"}):
            with self.subTest(kw=kw):
                with self.assertRaises(ValueError):
                    wordrep.census(iter(()), program=CENSUS, **kw)     # not iterated
                with self.assertRaises(ValueError):
                    wordrep.analyse("Bw", program=CENSUS, **kw)
        r = wordrep.analyse("Bw", program=CENSUS, shortcut_length=64)
        self.assertEqual((r.semi_transitive, r.shortcut_length), (True, 64))


class WrongAnswers(unittest.TestCase):
    """A census whose word or orientation is wrong is refused, whatever
    errors= says: the stand-in gives the triangle Bw a word or arcs."""
    TRIANGLE = {"semi_transitive": "yes", "representation_number": "1", "word": "123",
                "orientation": "1>2 1>3 2>3", "witness": ""}
    CASES = [
        ({"representation_number": "2", "word": "121323"},
         "the census's word 121323 does not represent the graph: 1 and 3 are adjacent but do "
         "not alternate"),
        ({"orientation": "1>2 2>3"},
         "the census's orientation is not semi-transitive: edge 1 3 is not oriented"),
        ({"orientation": "1>2 2>3 3>1"},
         "the census's orientation is not semi-transitive: directed cycle 1->2->3->1"),
    ]

    def test_a_wrong_certificate_raises_census_error(self):
        for change, reason in self.CASES:
            with self.subTest(change=change):
                stub_control(self, {"rows": {"Bw": dict(self.TRIANGLE, **change)}})
                for errors in ("raise", "result"):
                    got = []
                    with self.assertRaises(wordrep.CensusError) as cm:
                        for r in wordrep.census(["A_", "Bw", "A_"], program=STUB_CENSUS,
                                                errors=errors):
                            got.append(r.graph6)
                    self.assertEqual(got, ["A_"])
                    self.assertEqual(str(cm.exception), "graph 2 ('Bw'): " + reason)
        stub_control(self, {"rows": {"Bw": self.TRIANGLE}})
        self.assertEqual(wordrep.analyse("Bw", program=STUB_CENSUS).word, (1, 2, 3))

    def test_a_failed_row_is_a_result_with_errors_result(self):
        stub_control(self, {"rows": {"Bg": {"semi_transitive": "failed: out of memory"}}})
        results = list(wordrep.census(["A_", "Bg", "A_"], program=STUB_CENSUS, errors="result"))
        self.assertEqual([(r.graph6, r.n, r.failure) for r in results],
                         [("A_", 2, None), ("Bg", 3, "failed: out of memory"), ("A_", 2, None)])


class Sage:
    """Stands for a SageMath graph: vertices and edges in its own labels,
    and a graph6_string() that numbers them otherwise (SageMath sorts)."""

    def __init__(self, vertices, edges, sort_argument=True):
        self._vertices, self._edges, self.sort_argument = vertices, edges, sort_argument

    def vertices(self, **kw):
        if kw and not self.sort_argument:
            raise TypeError("vertices() got an unexpected keyword argument 'sort'")
        return list(self._vertices)

    def edges(self, **kw):
        if kw and not self.sort_argument:
            raise TypeError("edges() got an unexpected keyword argument 'labels'")
        return [(a, b) if kw else (a, b, None) for a, b in self._edges]

    def is_directed(self):
        return False

    def graph6_string(self):
        return "Bw"            # a triangle: what a reader of graph6 alone would answer


@unittest.skipUnless(CENSUS, "WORDREP_CENSUS not set")
class SageGraphs(unittest.TestCase):
    def test_sage_graphs_keep_their_labels(self):
        for sort_argument in (True, False):
            with self.subTest(sort_argument=sort_argument):
                g = Sage(["z", "x", "y"], [("x", "y"), ("y", "z")], sort_argument)
                r = wordrep.analyse(g, program=CENSUS)
                self.assertEqual((r.labels, r.n, r.edges, r.representation_number),
                                 (("z", "x", "y"), 3, ((1, 3), (2, 3)), 2))
                number = {"x": 1, "y": 2, "z": 3}      # our own numbering: the path x-y-z
                self.assertEqual(check_word(3, [(1, 2), (2, 3)], 2,
                                            [number[v] for v in r.word]), [])
                self.assertEqual(check_orientation(3, [(1, 2), (2, 3)],
                                                   [(number[a], number[b]) for a, b in r.arcs]),
                                 [])
        loop = Sage([1, 2], [(1, 1)])
        with self.assertRaises(ValueError):
            wordrep.analyse(loop, program=CENSUS)


class CutFiles(unittest.TestCase):
    HEADER = ("graph6,vertices,edges,semi_transitive,representation_number,word,orientation,"
              "witness\n")
    JSON = ('{"graph6": "Bg", "vertices": 3, "edges": 2, "semi_transitive": true, '
            '"representation_number": 2, "word": "121323", "orientation": [[1, 2], [2, 3]], '
            '"witness": null}\n')
    # a file, the line read_csv names in its refusal (None: read whole)
    CASES = [
        (HEADER + "Bg,3,2,yes,2,121323,1>2 2>3,\n", None),
        (HEADER + "Bg,3,2,yes,2,121323,1>2 2>3,\nF|fJ?,7,12,no,,,,1 2 3 4", 3),
        (HEADER + "Bg,3,2,yes,2,121323,1>2 2", 2),
        (HEADER[:-1], 1),
        (JSON + JSON, None),
        (JSON + JSON[:-1], 2),
        (JSON[:70], 1),
    ]

    def test_a_last_line_without_its_line_feed_is_refused(self):
        for text, line in self.CASES:
            with self.subTest(text=text[-30:]):
                with tempfile.NamedTemporaryFile("w", suffix=".csv") as f:
                    f.write(text)
                    f.flush()
                    if line is None:
                        rows = wordrep.read_csv(f.name)
                        self.assertIsInstance(rows, types.GeneratorType)
                        self.assertEqual([r["word"] for r in rows], ["121323"] * text.count("\n")
                                         if text.startswith("{") else ["121323"])
                        continue
                    with self.assertRaises(OutputError) as cm:
                        list(wordrep.read_csv(f.name))
                    self.assertEqual(str(cm.exception), "%s:%d: the last line has no line "
                                     "feed: the file is cut short" % (f.name, line))

    def test_a_missing_file_raises_at_the_call(self):
        with tempfile.TemporaryDirectory() as d:
            with self.assertRaises(FileNotFoundError):
                wordrep.read_csv(os.path.join(d, "none.csv"))           # not iterated


@unittest.skipUnless(CENSUS and networkx, "WORDREP_CENSUS not set or networkx missing")
class Display(unittest.TestCase):
    """Notebook display and drawings to memory: the SVG and the HTML parse,
    and say what the Result says."""

    def test_svg_and_html(self):
        wheel = networkx.relabel_nodes(networkx.wheel_graph(6), dict(enumerate("<hub>")))
        for g, marked in ((networkx.path_graph(["a", "b", "c"]), 0), (wheel, 6)):
            with self.subTest(nodes=list(g.nodes())):
                r = wordrep.analyse(g, program=CENSUS)
                svg = ElementTree.fromstring(r._repr_svg_())
                nodes = [e for e in svg.iter() if "node" in e.get("class", "").split()]
                self.assertEqual(sorted(e.get("id") for e in nodes),
                                 sorted("v%d" % k for k in range(1, r.n + 1)))
                self.assertEqual(sum("witness" in e.get("class") for e in nodes), marked)
                table = ElementTree.fromstring(r._repr_html_())
                fields = {tr.find("th").text: tr.find("td").text for tr in table}
                self.assertEqual(fields["vertices"], str(r.n))
                self.assertEqual(fields["semi-transitive"], "yes" if r.semi_transitive else "no")
                if r.witness is not None:
                    self.assertEqual(sorted(fields["witness"].split()), sorted(map(str, g)))
                else:
                    self.assertEqual(fields["word"].split(), list(r.word))
        failed = next(wordrep.census(["Bx"], program=CENSUS, errors="result"))
        self.assertIsNone(failed._repr_svg_())
        self.assertEqual(ElementTree.fromstring(failed._repr_html_())[1][1].text,
                         "graph6 padding bits are not zero")

    def test_draw_to_memory_and_to_file_like_objects(self):
        r = wordrep.analyse("E|fG", program=CENSUS)
        with tempfile.TemporaryDirectory() as d:
            path = os.path.join(d, "w5.svg")
            wordrep.draw(r, path)
            with open(path, "rb") as f:
                on_disk = f.read()
        self.assertEqual(wordrep.draw(r), on_disk)
        binary, text = io.BytesIO(), io.StringIO()
        self.assertIsNone(wordrep.draw(r, binary))
        self.assertIsNone(wordrep.draw(r, text))
        self.assertEqual((binary.getvalue(), text.getvalue()), (on_disk, on_disk.decode()))
        self.assertEqual(wordrep.draw(r, fmt="png")[:8], b"\x89PNG\r\n\x1a\n")
        with self.assertRaises(wordrep.DrawError):
            wordrep.draw(r, io.StringIO(), fmt="pdf")


class Module(unittest.TestCase):
    def test_lines_are_echoed_as_given(self):
        if not CENSUS:
            self.skipTest("WORDREP_CENSUS not set")
        lines = ["~??@", "~??Bw", "?"]                 # 1 and 3 vertices, long headers
        rows = census_rows(lines)
        out, err = module(["--census", CENSUS] + lines).communicate(timeout=60)
        got = [json.loads(line) for line in out.decode().splitlines()]
        self.assertEqual(err, b"")
        self.assertEqual([o["graph6"] for o in got], [r["graph6"] for r in rows])
        self.assertEqual([o["graph6"] for o in got], lines)

    def test_a_signal_writes_the_rows_answered_and_exits_128_plus_it(self):
        graphs = ["A_", "B?", "Bg", "Bw"]
        expected = subprocess.run([STUB_CENSUS, "--no-summary", "--format", "jsonl"],
                                  input=b"A_\nB?\n", capture_output=True, check=True).stdout
        for sig, by_stdin in ((signal.SIGTERM, False), (signal.SIGHUP, True),
                              (signal.SIGINT, False)):
            with self.subTest(signal=sig.name, stdin=by_stdin), \
                    tempfile.TemporaryDirectory() as d:
                # the stand-in writes out A_ and B?, then waits before Bg for ever
                stub_control(self, {"wait": {"Bg": os.path.join(d, "never")}})
                p = module(["--census", STUB_CENSUS] + ([] if by_stdin else graphs))
                if by_stdin:       # stdin stays open: the feeder waits for more
                    p.stdin.write("".join(g + "\n" for g in graphs).encode())
                    p.stdin.flush()
                first = p.stdout.readline() + p.stdout.readline()      # the gate: both out
                p.send_signal(sig)
                rest, err = p.communicate(timeout=60)
                self.assertEqual((first + rest, p.returncode), (expected, 128 + sig), err)


if __name__ == "__main__":
    unittest.main()
