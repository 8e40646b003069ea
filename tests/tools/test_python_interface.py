#!/usr/bin/python3
"""wordrep.census() and wordrep.analyse(), the census from Python: records
against the CSV the census program writes for the same graphs (every graph
on up to 6 vertices, every connected one on 7), the same records from every
kind of input (networkx graphs read by networkx's own graph6 reader, objects
with graph6_string(), (n, edges) pairs, bytes) and split over several
processes; answers in the graph's own labels checked from the definitions;
graphs up to the census's 256 vertices; and the errors.  The census comes
from $WORDREP_CENSUS (set by CMake); networkx is optional."""

import csv
import dataclasses
import io
import os
import subprocess
import sys
import tempfile
import unittest

from helpers import STUB_CENSUS, TOOLS, geng, stub_control
import wordrep
from wordrep.checks import check_orientation, check_word
from wordrep.formats import parse_orientation_field, parse_word
from wordrep.graph import from_graph6, to_graph6

try:
    import networkx
except ImportError:
    networkx = None

CENSUS = os.environ.get("WORDREP_CENSUS")
T257 = "~?C@" + "?" * 5483  # the empty graph on 257 vertices, one over the census's limit


def expected(row):
    """What a record must hold, read from the CSV row by field name (the
    answer in semi_transitive_K for a census of K-semi-transitive
    orientations, which gives no word)."""
    yes = row[next(f for f in row if f.startswith("semi_transitive"))] == "yes"
    n, edges = from_graph6(row["graph6"])
    assert (str(n), str(len(edges))) == (row["vertices"], row["edges"]), row
    return (row["graph6"], n, tuple(edges), yes,
            int(row["representation_number"]) if yes and row["word"] else None,
            tuple(parse_word(row["word"])) if yes and row["word"] else None,
            tuple(parse_orientation_field(row["orientation"])) if yes else None,
            None if yes else frozenset(int(v) for v in row["witness"].split()))


def fields(r):
    """A record's fields in the census's numbers."""
    r = r.numbered()
    return (r.graph6, r.n, r.edges, r.semi_transitive, r.representation_number, r.word,
            r.arcs, r.witness)


def answers(records):
    """The fields of each record but its certificates, every certificate checked:
    a census process keeps its SAT instances across the graphs, so the word
    and orientation a graph gets depend on the graphs it answered before."""
    out = []
    for r in records:
        r = r.numbered()
        if r.semi_transitive:
            assert check_word(r.n, r.edges, r.representation_number, r.word) == [], r
            assert check_orientation(r.n, r.edges, r.arcs) == [], r
        out.append((r.graph6, r.n, r.edges, r.semi_transitive, r.representation_number,
                    r.witness))
    return out


def answers_of(want):
    """answers() of records held as fields() tuples."""
    return [w[:5] + w[7:] for w in want]



def fake_census(directory, script):
    """An executable wordrep-census in directory that runs the sh script."""
    path = os.path.join(directory, "wordrep-census")
    with open(path, "w") as f:
        f.write("#!/bin/sh\n%s\n" % script)
    os.chmod(path, 0o755)
    return path

class Sage:
    """Stands for a SageMath graph: only graph6_string() is used."""

    def __init__(self, g6):
        self.g6 = g6

    def graph6_string(self):
        return self.g6


@unittest.skipUnless(CENSUS, "WORDREP_CENSUS not set")
class Records(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.graphs = [g for n in range(1, 7) for g in geng(n)] + geng("-c", 7)
        p = subprocess.run([CENSUS, "--no-summary"], input="\n".join(cls.graphs) + "\n",
                           capture_output=True, text=True, check=True)
        cls.want = [expected(r) for r in csv.DictReader(io.StringIO(p.stdout))]

    def test_records_equal_the_csv_for_every_graph_up_to_6_and_connected_on_7(self):
        self.assertEqual(len(self.want), 1 + 2 + 4 + 11 + 34 + 156 + 853)  # A000088, A001349
        got = [fields(r) for r in wordrep.census(self.graphs, program=CENSUS)]
        self.assertEqual(got, self.want)

    def test_several_processes_give_the_same_records_in_order(self):
        for jobs in (2, 3):
            with self.subTest(jobs=jobs):
                got = answers(wordrep.census(iter(self.graphs), jobs=jobs, program=CENSUS))
                self.assertEqual(got, answers_of(self.want))

    def test_pairs_bytes_and_graph6_string_objects(self):
        some = self.graphs[::17]
        inputs = []
        for k, g6 in enumerate(some):
            kind = k % 3
            inputs.append(from_graph6(g6) if kind == 0 else
                          g6.encode() if kind == 1 else Sage(g6))
        got = answers(wordrep.census(inputs, program=CENSUS))
        self.assertEqual(got, answers_of(self.want[::17]))

    @unittest.skipUnless(networkx, "networkx not installed")
    def test_networkx_graphs_read_by_networkx(self):
        some = self.graphs[::7]
        inputs = [networkx.from_graph6_bytes(g6.encode()) for g6 in some]
        results = list(wordrep.census(inputs, jobs=2, program=CENSUS))
        self.assertEqual(answers(results), answers_of(self.want[::7]))
        for r, g in zip(results, inputs):
            self.assertEqual(r.labels, tuple(g.nodes()))
        with self.assertRaises(wordrep.CensusError) as cm:
            list(wordrep.census([networkx.complete_graph(257)], program=CENSUS))
        self.assertEqual(str(cm.exception), "graph 1 (Graph with 257 nodes and 32896 edges): "
                                            "graph has 257 vertices; wordrep-census accepts at "
                                            "most 256")

    def test_program_found_through_wordrep_bin(self):
        env = dict(os.environ, WORDREP_BIN=os.path.dirname(CENSUS))
        code = ("import wordrep; print([r.representation_number "
                "for r in wordrep.census(['Bw', 'Bg', 'E|fG'])])")  # K3: 1, W5: none
        p = subprocess.run(["/usr/bin/python3", "-c", code], env=env, capture_output=True,
                           text=True, cwd=os.path.join(os.path.dirname(__file__), "..", "..",
                                                       "tools"))
        self.assertEqual((p.returncode, p.stdout, p.stderr), (0, "[1, 2, None]\n", ""))


@unittest.skipUnless(CENSUS, "WORDREP_CENSUS not set")
class GraphErrors(unittest.TestCase):
    CASES = [
        ("Bx", "graph 2 ('Bx'): graph6 padding bits are not zero"),
        ("Bww", "graph 2 ('Bww'): graph6 string for 3 vertices must have 1 bytes after the "
                "size, not 2"),
        (";Bw", "graph 2 (';Bw'): incremental sparse6 (';') is not supported"),
        (T257, "graph 2 ('%s...'): graph has 257 vertices; wordrep-census accepts at most 256"
               % T257[:40]),
        ((257, [(1, 257)]), "graph 2 ((257, [(1, 257)])): graph has 257 vertices; wordrep-census "
                            "accepts at most 256"),
        ((3, [(1, 4)]), "graph 2 ((3, [(1, 4)])): edge 1 4: vertices must be in 1..3"),
        (2.5, "graph 2 (2.5): not a graph: expected a graph6 string, a graph with "
              "graph6_string(), a networkx graph or a pair (n, edges)"),
    ]

    def test_the_graphs_before_are_answered_then_the_bad_one_is_named(self):
        for bad, message in self.CASES:
            with self.subTest(bad=bad):
                got = []
                with self.assertRaises(wordrep.CensusError) as cm:
                    for r in wordrep.census(["Bw", bad, "Bg"], program=CENSUS):
                        got.append(r.graph6)
                self.assertEqual(got, ["Bw"])
                self.assertEqual(str(cm.exception), message)
                self.assertEqual(cm.exception.graph, message.split(": ")[0])

    def test_an_error_of_the_callers_iterable_reaches_the_caller(self):
        def graphs():
            yield "Bw"
            raise KeyError("theirs")
        with self.assertRaises(KeyError):
            list(wordrep.census(graphs(), program=CENSUS))


def numbering(labels):
    """A numbering of the labels of our own (by their text, not the
    interface's order), so that answers in labels are checked independently."""
    return {v: k for k, v in enumerate(sorted(labels, key=repr), 1)}


@unittest.skipUnless(CENSUS and networkx, "WORDREP_CENSUS not set or networkx not installed")
class Labels(unittest.TestCase):
    """Answers come in the graph's own labels: checked from the definitions
    (checks.py) after our own numbering of the labels."""

    def check_answer(self, g, r):
        number = numbering(g.nodes())
        n = g.number_of_nodes()
        edges = [(number[a], number[b]) for a, b in g.edges()]
        self.assertEqual(r.labels, tuple(g.nodes()))
        if not r.semi_transitive:
            self.assertIsInstance(r.witness, frozenset)
            self.assertLessEqual(r.witness, set(g.nodes()))
            self.assertFalse(wordrep.analyse(g.subgraph(r.witness), program=CENSUS)
                             .semi_transitive)
            self.assertIsNone(r.orientation)
            return
        self.assertEqual(check_word(n, edges, r.representation_number,
                                    [number[v] for v in r.word]), [])
        d = r.orientation
        self.assertIsInstance(d, networkx.DiGraph)
        self.assertEqual(set(d.nodes()), set(g.nodes()))
        self.assertEqual(sorted(d.edges(), key=repr), sorted(r.arcs, key=repr))
        self.assertEqual(check_orientation(n, edges, [(number[a], number[b])
                                                      for a, b in d.edges()]), [])

    def test_petersen_graph_gives_a_digraph_in_its_own_labels(self):
        g = networkx.petersen_graph()
        r = wordrep.analyse(g, program=CENSUS)
        self.assertEqual(r.representation_number, 3)    # Petersen: representation number 3
        self.check_answer(g, r)
        self.assertEqual(len(r.word), 30)

    def test_labels_of_every_kind(self):
        mixed = networkx.relabel_nodes(networkx.wheel_graph(6), {0: "hub", 1: (1, 2), 2: 2.5,
                                                                 3: frozenset({3}), 4: b"x",
                                                                 5: -7})
        grid = networkx.grid_2d_graph(3, 4)
        index = {v: k for k, v in enumerate(grid, 1)}
        grid_k = wordrep.analyse((12, [(index[a], index[b]) for a, b in grid.edges()]),
                                 program=CENSUS).representation_number
        cases = [(grid, grid_k),
                 (networkx.relabel_nodes(networkx.petersen_graph(), str), 3),
                 (mixed, None),                           # W5: its witness is all of it
                 (networkx.Graph([("a", "b"), ("c", "d")]), 2)]
        for g, k in cases:
            with self.subTest(g=list(g.nodes())):
                r = wordrep.analyse(g, program=CENSUS)
                self.assertEqual(r.representation_number, k)
                self.check_answer(g, r)
        self.assertEqual(wordrep.analyse(mixed, program=CENSUS).witness, set(mixed.nodes()))

    def test_the_same_answers_in_labels_as_in_numbers(self):
        graphs = [networkx.from_graph6_bytes(g6.encode()) for g6 in geng("-c", 6)]
        named = [networkx.relabel_nodes(g, {v: "v%d" % v for v in g}) for g in graphs]
        for g, r, rn in zip(named, wordrep.census(named, jobs=2, program=CENSUS),
                            wordrep.census(graphs, program=CENSUS)):
            self.assertEqual(answers([r]), answers([rn]))
            self.check_answer(g, r)

    def test_results_are_frozen_and_hashable(self):
        g = networkx.petersen_graph()
        r, again = (wordrep.analyse(g, program=CENSUS) for _ in range(2))
        self.assertEqual(r, again)
        self.assertEqual(hash(r), hash(again))
        self.assertEqual(len({r, again, r.numbered()}), 2)   # labels 0..9, then 1..10
        self.assertEqual(r.numbered().relabelled(range(10)), r)
        for labels in ("abcdefghi", "abcdefghia"):            # too few; not distinct
            with self.assertRaises(ValueError):
                r.relabelled(labels)
        with self.assertRaises(dataclasses.FrozenInstanceError):
            r.word = ()
        self.assertIsNot(r.orientation, r.orientation)          # each a new DiGraph
        self.assertTrue(wordrep.Result.__doc__)

    def test_without_networkx_the_orientation_is_arcs(self):
        code = ("import sys; sys.modules['networkx'] = None\n"
                "import wordrep\n"
                "r = wordrep.analyse('Bw')\n"
                "print(r.orientation == r.arcs, len(r.arcs), sorted(r.word))\n")
        p = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True,
                           env=dict(os.environ, PYTHONPATH=TOOLS,
                                    WORDREP_BIN=os.path.dirname(CENSUS)), cwd="/")
        self.assertEqual((p.returncode, p.stdout, p.stderr),
                         (0, "True 3 [1, 2, 3]\n", ""))

    def test_from_another_directory_through_wordrep_bin(self):
        code = ("import networkx as nx, wordrep\n"
                "d = wordrep.analyse(nx.petersen_graph()).orientation\n"
                "print(type(d).__name__, sorted(d.nodes()), d.number_of_edges())\n")
        with tempfile.TemporaryDirectory() as cwd:
            p = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True,
                               env=dict(os.environ, PYTHONPATH=TOOLS,
                                        WORDREP_BIN=os.path.dirname(CENSUS)), cwd=cwd)
        self.assertEqual((p.returncode, p.stdout, p.stderr),
                         (0, "DiGraph %s 15\n" % list(range(10)), ""))


@unittest.skipUnless(CENSUS, "WORDREP_CENSUS not set")
class LargeGraphs(unittest.TestCase):
    """Up to the census's 256 vertices: from 63 on graph6 has a four-byte size."""

    def test_graphs_of_62_to_64_vertices(self):
        for n in (62, 63, 64):
            path = (n, [(v, v + 1) for v in range(1, n)])
            cycle = (n, path[1] + [(1, n)])
            # W5 on 1..6 and a path through the other vertices: W5 is the witness.
            wheel = (n, [(1, v) for v in range(2, 7)] + [(v, v + 1) for v in range(2, 6)]
                     + [(2, 6)] + [(v, v + 1) for v in range(7, n)])
            for g, k in ((path, 2), (cycle, 2), (wheel, None)):
                with self.subTest(n=n, edges=len(g[1])):
                    r = wordrep.analyse(g, program=CENSUS)
                    self.assertEqual((r.n, r.representation_number), (n, k))
                    self.assertEqual(from_graph6(r.graph6, max_vertices=None),
                                     (n, sorted(g[1])))
                    if k:
                        self.assertEqual(check_word(n, g[1], k, list(r.word)), [])
                        self.assertEqual(check_orientation(n, g[1], list(r.arcs)), [])
                    else:
                        self.assertEqual(r.witness, set(range(1, 7)))

    @unittest.skipUnless(networkx, "networkx not installed")
    def test_networkx_graphs_on_64_vertices_in_their_own_labels(self):
        # Grids have representation number 3; K_{32,32} is a comparability
        # graph (number 2); W5 with an edge to each of 58 more vertices is not
        # representable, W5 the witness.
        wheel = networkx.wheel_graph(6)
        wheel.add_edges_from(((v % 5 + 1, "x%d" % v) for v in range(58)))
        cases = [(networkx.grid_2d_graph(8, 8), 3),
                 (networkx.complete_bipartite_graph(32, 32), 2), (wheel, None)]
        for g, k in cases:
            with self.subTest(g=str(g)):
                self.assertEqual(g.number_of_nodes(), 64)
                r = wordrep.analyse(g, program=CENSUS)
                self.assertEqual(r.representation_number, k)
                Labels.check_answer(self, g, r)
        self.assertEqual(r.witness, set(range(6)))

    @unittest.skipUnless(networkx, "networkx not installed")
    def test_a_networkx_graph_on_256_vertices_in_its_own_labels(self):
        # W5 with an edge to each of 250 more vertices: W5 is the witness.
        wheel = networkx.wheel_graph(6)
        wheel.add_edges_from(((v % 5 + 1, "x%d" % v) for v in range(250)))
        self.assertEqual(wheel.number_of_nodes(), 256)
        r = wordrep.analyse(wheel, program=CENSUS)
        self.assertEqual((r.n, r.semi_transitive, r.representation_number), (256, False, None))
        Labels.check_answer(self, wheel, r)
        self.assertEqual(r.witness, set(range(6)))

    @unittest.skipUnless(networkx, "networkx not installed")
    def test_graph6_of_63_to_256_vertices_is_networkx_s(self):
        for n in (63, 64, 255, 256):
            g = networkx.gnp_random_graph(n, 0.1, seed=n)
            want = networkx.to_graph6_bytes(g, header=False).decode().strip()
            self.assertEqual(to_graph6(n, [(a + 1, b + 1) for a, b in g.edges()]), want)


@unittest.skipUnless(CENSUS, "WORDREP_CENSUS not set")
class InputErrors(unittest.TestCase):
    """What is not a graph raises CensusError naming it: nothing is dropped."""
    CASES = [
        ((3, [(1.5, 2), (2, 3)]), "edge (1.5, 2): vertex 1.5 is not an integer"),
        ((3, [(1, 2.0)]), "edge (1, 2.0): vertex 2.0 is not an integer"),
        ((3, [("1", "2")]), "edge ('1', '2'): vertex '1' is not an integer"),
        ((3, [(True, 2)]), "edge (True, 2): vertex True is not an integer"),
        ((3, [(1, 2, 3)]), "edge (1, 2, 3) is not a pair of vertices"),
        ((3, [(1,)]), "edge (1,) is not a pair of vertices"),
        ((3, [5]), "edge 5 is not a pair of vertices"),
        ((3, ["12"]), "edge '12' is not a pair of vertices"),
        ((3, 5), "edges 5 are not an iterable of pairs"),
        ((3, "12"), "edges '12' are not an iterable of pairs"),
        ((3.0, [(1, 2)]), "number of vertices 3.0 is not an integer"),
        ((True, []), "number of vertices True is not an integer"),
        (("3", []), "number of vertices '3' is not an integer"),
        ((3, [(1, 1)]), "edge 1 1: loops are not allowed"),
        ((3, [(0, 1)]), "edge 0 1: vertices must be in 1..3"),
        ((257, []), "graph has 257 vertices; wordrep-census accepts at most 256"),
        ((1, 2, 3), "not a graph: expected a graph6 string, a graph with graph6_string(), "
                    "a networkx graph or a pair (n, edges)"),
    ]
    NETWORKX_CASES = [
        ("loop", "loop at vertex 'a': loops are not allowed"),
        ("directed", "directed graph; give an undirected one"),
    ]

    def check(self, bad, reason):
        got = []
        with self.assertRaises(wordrep.CensusError) as cm:
            for r in wordrep.census(["Bw", bad, "Bg"], program=CENSUS):
                got.append(r.graph6)
        self.assertEqual(got, ["Bw"])
        self.assertEqual(cm.exception.reason, reason)
        self.assertTrue(cm.exception.graph.startswith("graph 2 ("), cm.exception.graph)
        with self.assertRaises(wordrep.CensusError) as cm:
            wordrep.analyse(bad, program=CENSUS)
        self.assertEqual(cm.exception.reason, reason)

    def test_pairs(self):
        for bad, reason in self.CASES:
            with self.subTest(bad=bad):
                self.check(bad, reason)

    def test_integers_of_other_types_are_integers(self):
        class Small(int):
            pass
        r = wordrep.analyse((Small(3), [(Small(1), Small(2)), [2, 3]]), program=CENSUS)
        self.assertEqual((r.n, r.edges, r.labels), (3, ((1, 2), (2, 3)), (1, 2, 3)))
        self.assertEqual(check_word(3, r.edges, r.representation_number, list(r.word)), [])

    @unittest.skipUnless(networkx, "networkx not installed")
    def test_networkx_graphs(self):
        graphs = {"loop": networkx.Graph([("a", "b"), ("a", "a")]),
                  "directed": networkx.DiGraph([(1, 2)])}
        for kind, reason in self.NETWORKX_CASES:
            with self.subTest(kind=kind):
                self.check(graphs[kind], reason)

    def test_one_graph_is_not_an_iterable_of_graphs(self):
        wrong = ["Bw", b"Bw"] + ([networkx.path_graph(3)] if networkx else [])
        for graphs in wrong:
            with self.subTest(graphs=graphs):
                with self.assertRaises(TypeError):
                    wordrep.census(graphs, program=CENSUS)

    def test_bad_options(self):
        for kw in ({"jobs": 0}, {"jobs": True}, {"jobs": 1.0}, {"shortcut_length": "3"},
                   {"shortcut_length": 2.0}, {"shortcut_length": True}):
            with self.subTest(kw=kw):
                with self.assertRaises(ValueError):
                    wordrep.census(["Bw"], program=CENSUS, **kw)


def census_help():
    if not CENSUS:
        return ""
    p = subprocess.run([CENSUS, "--help"], capture_output=True, text=True)
    return p.stdout + p.stderr


@unittest.skipUnless("--shortcut-length" in census_help(),
                     "wordrep-census has no --shortcut-length")
class ShortcutLength(unittest.TestCase):
    def test_results_equal_the_census_rows_with_the_option(self):
        graphs = geng("-c", 6)
        accepted = 0
        with self.assertRaises(ValueError):       # at the call: the census takes 3 to 256
            wordrep.census(graphs, program=CENSUS, shortcut_length=2)
        for k in (3, 4, 5):
            with self.subTest(k=k):
                p = subprocess.run([CENSUS, "--no-summary", "--shortcut-length", str(k)],
                                   input="\n".join(graphs) + "\n", capture_output=True,
                                   text=True)
                if p.returncode == 2:
                    with self.assertRaises(wordrep.CensusError) as cm:
                        list(wordrep.census(graphs, program=CENSUS, shortcut_length=k))
                    self.assertIsNone(cm.exception.graph)
                    continue
                self.assertEqual(p.returncode, 0, p.stderr)
                accepted += 1
                rows = list(csv.DictReader(io.StringIO(p.stdout)))
                self.assertIn("semi_transitive_%d" % k, rows[0])
                results = list(wordrep.census(graphs, program=CENSUS, shortcut_length=k))
                self.assertEqual([fields(r) for r in results], [expected(r) for r in rows])
                self.assertEqual({r.shortcut_length for r in results}, {k})
                with tempfile.NamedTemporaryFile("w", suffix=".csv") as f:
                    f.write(p.stdout)
                    f.flush()
                    self.assertEqual(list(wordrep.read_csv(f.name)),
                                     [wordrep.record(r) for r in results])
        self.assertGreater(accepted, 0)


class Imports(unittest.TestCase):
    def test_the_package_does_not_import_networkx(self):
        # Every tool imports wordrep; networkx comes only with an orientation.
        p = subprocess.run([sys.executable, "-c", "import sys, wordrep; "
                            "print(sorted(m for m in sys.modules if m.startswith('networkx')))"],
                           capture_output=True, text=True, env=dict(os.environ, PYTHONPATH=TOOLS))
        self.assertEqual((p.returncode, p.stdout, p.stderr), (0, "[]\n", ""))


class ProgramErrors(unittest.TestCase):
    def test_missing_program(self):
        with tempfile.TemporaryDirectory() as d:
            path = os.path.join(d, "wordrep-census")
            for kw, env in [({"program": path}, {}), ({}, {"WORDREP_BIN": d})]:
                with self.subTest(kw=kw, env=env):
                    old = os.environ.copy()
                    os.environ.update(env)
                    try:
                        with self.assertRaises(wordrep.CensusError) as cm:
                            wordrep.census(["Bw"], **kw)
                    finally:
                        os.environ.clear()
                        os.environ.update(old)
                    self.assertIsNone(cm.exception.graph)
                    self.assertEqual(str(cm.exception),
                                     "census program %s not found or not executable (build "
                                     "it, pass program=PATH or set WORDREP_BIN)" % path)

    def stub(self, control):
        stub_control(self, control)

    def test_a_failed_row_is_an_error_naming_the_graph(self):
        self.stub({"rows": {"Bg": {"semi_transitive": "failed: out of memory"}}})
        got = []
        with self.assertRaises(wordrep.CensusError) as cm:
            for r in wordrep.census(["Bw", "Bg", "BW"], program=STUB_CENSUS):
                got.append(r.graph6)
        self.assertEqual(got, ["Bw"])
        self.assertEqual(str(cm.exception), "graph 2 ('Bg'): failed: out of memory")

    def test_a_census_that_dies_is_an_error_naming_the_graph_it_left(self):
        self.stub({"exit": {"Bg": 3}})
        for jobs in (1, 2):
            with self.subTest(jobs=jobs):
                with self.assertRaises(wordrep.CensusError) as cm:
                    list(wordrep.census(["Bw", "A_", "Bg", "B?"], jobs=jobs,
                                        program=STUB_CENSUS))
                self.assertTrue(str(cm.exception).startswith(
                    "graph 3 ('Bg'): the census ended without answering (exit status 3"),
                    str(cm.exception))

    def test_a_census_refusing_the_options_is_no_graphs_fault(self):
        with tempfile.TemporaryDirectory() as d:
            fake = fake_census(d, "echo \"wordrep-census: unknown option '$4'\" >&2\nexit 2")
            with self.assertRaises(wordrep.CensusError) as cm:
                list(wordrep.census(["Bw", "Bg"], program=fake, shortcut_length=3))
        self.assertIsNone(cm.exception.graph)
        self.assertEqual(str(cm.exception), "wordrep-census refused its command line "
                         "--no-summary --format jsonl --shortcut-length 3: wordrep-census: "
                         "unknown option "
                         "'--shortcut-length'")

    def test_a_census_writing_another_header_is_no_graphs_fault(self):
        with tempfile.TemporaryDirectory() as d:
            fake = fake_census(d, "cat > /dev/null\necho graph6,answer")
            with self.assertRaises(wordrep.CensusError) as cm:
                list(wordrep.census(["Bw", "Bg"], program=fake))
        self.assertIsNone(cm.exception.graph)
        self.assertEqual(str(cm.exception), "wordrep-census wrote 'graph6,answer', not a JSON "
                         "line of the fields %s" % ",".join(wordrep.schema.CENSUS_FIELDS))

    def test_jobs_must_be_positive(self):
        with self.assertRaises(ValueError):
            wordrep.census(["Bw"], jobs=0, program=STUB_CENSUS)


if __name__ == "__main__":
    unittest.main()
