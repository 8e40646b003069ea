#!/usr/bin/python3
"""wordrep.census(), the census from Python: its records against the CSV
the census program writes for the same graphs (every graph on up to 6
vertices, every connected one on 7), the same records from every kind of
input (networkx graphs read by networkx's own graph6 reader, objects with
graph6_string(), (n, edges) pairs, bytes) and split over several processes,
and its errors.  The census comes from $WORDREP_CENSUS (set by CMake);
networkx is optional."""

import csv
import io
import json
import os
import subprocess
import tempfile
import unittest

from helpers import STUB_CENSUS, geng
import wordrep
from wordrep.checks import check_orientation, check_word
from wordrep.formats import parse_orientation_field, parse_word
from wordrep.graph import from_graph6

try:
    import networkx
except ImportError:
    networkx = None

CENSUS = os.environ.get("WORDREP_CENSUS")
T21 = "T" + "?" * 35          # the empty graph on 21 vertices


def expected(row):
    """What a record must hold, read from the CSV row by field name."""
    yes = row["semi_transitive"] == "yes"
    n, edges = from_graph6(row["graph6"])
    assert (str(n), str(len(edges))) == (row["vertices"], row["edges"]), row
    return (row["graph6"], n, edges, yes,
            int(row["representation_number"]) if yes else None,
            parse_word(row["word"]) if yes else None,
            parse_orientation_field(row["orientation"]) if yes else None,
            None if yes else [int(v) for v in row["witness"].split()])


def fields(r):
    return (r.graph6, r.n, r.edges, r.semi_transitive, r.representation_number, r.word,
            r.orientation, r.witness)


def answers(records):
    """The fields of each record but its certificates, every certificate checked:
    a census process keeps its SAT instances across the graphs, so the word
    and orientation a graph gets depend on the graphs it answered before."""
    out = []
    for r in records:
        if r.semi_transitive:
            assert check_word(r.n, r.edges, r.representation_number, r.word) == [], r
            assert check_orientation(r.n, r.edges, r.orientation) == [], r
        out.append((r.graph6, r.n, r.edges, r.semi_transitive, r.representation_number,
                    r.witness))
    return out


def answers_of(want):
    """answers() of records held as fields() tuples."""
    return [w[:5] + w[7:] for w in want]


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
            list(wordrep.census([networkx.complete_graph(21)], program=CENSUS))
        self.assertEqual(str(cm.exception), "graph 1 (Graph with 21 nodes and 210 edges): "
                                            "graph has 21 vertices; the census takes at most 20")

    def test_program_found_through_wordrep_bin(self):
        env = dict(os.environ, WORDREP_BIN=os.path.dirname(CENSUS))
        code = ("import wordrep; print([r.representation_number "
                "for r in wordrep.census(['Bw', 'Bg', 'E|fG'])])")  # W5: none
        p = subprocess.run(["/usr/bin/python3", "-c", code], env=env, capture_output=True,
                           text=True, cwd=os.path.join(os.path.dirname(__file__), "..", "..",
                                                       "tools"))
        self.assertEqual((p.returncode, p.stdout, p.stderr), (0, "[2, 2, None]\n", ""))


@unittest.skipUnless(CENSUS, "WORDREP_CENSUS not set")
class GraphErrors(unittest.TestCase):
    CASES = [
        ("Bx", "graph 2 ('Bx'): graph6 padding bits are not zero"),
        ("Bww", "graph 2 ('Bww'): graph6 string for 3 vertices must have 1 bytes after the "
                "size, not 2"),
        (":Bw", "graph 2 (':Bw'): sparse6 is not supported (only graph6)"),
        (T21, "graph 2 ('%s'): graph has 21 vertices; the census takes at most 20" % T21),
        ((21, [(1, 21)]), "graph 2 ((21, [(1, 21)])): graph has 21 vertices; the census "
                          "takes at most 20"),
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
        f = tempfile.NamedTemporaryFile("w", suffix=".json", delete=False)
        json.dump(control, f)
        f.close()
        self.addCleanup(os.unlink, f.name)
        os.environ["STUB_CONTROL"] = f.name
        self.addCleanup(os.environ.pop, "STUB_CONTROL", None)

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
                    list(wordrep.census(["Bw", "BW", "Bg", "B?"], jobs=jobs,
                                        program=STUB_CENSUS))
                self.assertTrue(str(cm.exception).startswith(
                    "graph 3 ('Bg'): the census ended without answering (exit status 3"),
                    str(cm.exception))

    def test_jobs_must_be_positive(self):
        with self.assertRaises(ValueError):
            wordrep.census(["Bw"], jobs=0, program=STUB_CENSUS)


if __name__ == "__main__":
    unittest.main()
