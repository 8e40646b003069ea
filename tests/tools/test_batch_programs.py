#!/usr/bin/python3
"""wordrep-batch with the real alterword, orientcheck and yices, on every
connected graph with 6 and 7 vertices, checked against published counts:

  connected graphs (OEIS A001349): 112 on 6 vertices, 853 on 7;
  not word-representable (OEIS A290814): 1 on 6 vertices, 25 on 7;
  representation number 2 (A319489) and 3 (A319490) on 7 vertices: 788 and
  39, where A319489 leaves out the complete graph (number 1, which alterword,
  starting at K = 2, reports as 2): alterword reports 2 for 789 graphs.

Every word is checked for uniformity and alternation, every orientation for
acyclicity and shortcuts, and every graph said to be not semi-transitive
by an independent search (semitransitive.py).  Also: interruption and
resume with the real programs, and failing graphs.

The programs come from $WORDREP_ALTERWORD, $WORDREP_ORIENTCHECK and
$WORDREP_YICES (set by CMake)."""

import csv
import io
import json
import os
import signal
import subprocess
import tempfile
import unittest

from gate import wait_for_file
from helpers import EXAMPLES, HERE, geng, tool
from semitransitive import find_semi_transitive
from wordrep.checks import check_orientation, check_word
from wordrep.formats import parse_orientation_field, parse_word
from wordrep.graph import from_graph6

BATCH = tool("wordrep-batch")
HEADER = ["graph6", "vertices", "edges", "semi_transitive", "representation_number", "word",
          "orientation"]
GATED_SOLVER = os.path.join(HERE, "stubs", "gated-solver")
PROGRAMS = {p: os.environ.get("WORDREP_" + p.upper()) for p in ("alterword", "orientcheck", "yices")}


def program_args():
    return ["--alterword", PROGRAMS["alterword"], "--orientcheck", PROGRAMS["orientcheck"],
            "--yices", PROGRAMS["yices"]]


@unittest.skipUnless(all(PROGRAMS.values()), "WORDREP_ALTERWORD, _ORIENTCHECK, _YICES not set")
class Families(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = self.tmp.name
        self.scratch = os.path.join(self.dir, "scratch")
        os.mkdir(self.scratch)

    def tearDown(self):
        self.tmp.cleanup()

    def batch_cmd(self, *args):
        return [BATCH, "--programs", "--tmpdir", self.scratch, "--no-progress"] + program_args() + list(args)

    def write_input(self, graphs):
        path = os.path.join(self.dir, "in.g6")
        with open(path, "w") as f:
            f.write("".join(g + "\n" for g in graphs))
        return path

    def run_batch(self, graphs, *args):
        p = subprocess.run(self.batch_cmd(self.write_input(graphs), *args),
                           capture_output=True, text=True, stdin=subprocess.DEVNULL)
        return p

    def check_rows(self, graphs, text):
        """Check every row against the graph it names; return the counts."""
        rows = list(csv.reader(io.StringIO(text)))
        self.assertEqual(rows[0], HEADER)
        rows = rows[1:]
        self.assertEqual([r[0] for r in rows], graphs)      # one row each, input order
        counts = {"not": 0}
        for g6, vertices, nedges, semi, number, word, orientation in rows:
            n, edges = from_graph6(g6)
            self.assertEqual((vertices, nedges), (str(n), str(len(edges))), g6)
            if semi == "no":
                self.assertEqual((number, word, orientation), ("", "", ""), g6)
                self.assertIsNone(find_semi_transitive(n, edges), g6)
                counts["not"] += 1
                continue
            self.assertEqual(semi, "yes", g6)
            self.assertEqual(check_orientation(n, edges, parse_orientation_field(orientation)),
                             [], g6)
            self.assertRegex(number, r"^[1-9][0-9]*$", g6)
            k = int(number)
            self.assertGreaterEqual(k, 2)
            self.assertEqual(check_word(n, edges, k, parse_word(word)), [], g6)
            counts[k] = counts.get(k, 0) + 1
        return counts

    def family(self, n, total, expected):
        graphs = geng("-c", n)
        self.assertEqual(len(graphs), total)           # OEIS A001349
        out = os.path.join(self.dir, "out.csv")
        p = self.run_batch(graphs, "-o", out)
        self.assertEqual(p.returncode, 0, p.stderr)
        self.assertEqual(os.listdir(self.scratch), [])
        with open(out) as f:
            counts = self.check_rows(graphs, f.read())
        self.assertEqual(counts, expected)
        for k in sorted(c for c in expected if c != "not"):
            self.assertIn("  representation number %d: %d\n" % (k, expected[k]), p.stderr)
        self.assertIn("  not word-representable: %d\n  failures: 0\n" % expected["not"], p.stderr)
        return graphs, out

    def test_connected_graphs_on_6_vertices(self):
        graphs = geng("-c", 6)
        self.assertEqual(len(graphs), 112)
        p = self.run_batch(graphs)
        self.assertEqual(p.returncode, 0, p.stderr)
        counts = self.check_rows(graphs, p.stdout)
        self.assertEqual(counts["not"], 1)                  # A290814(6)
        self.assertEqual(sum(v for k, v in counts.items() if k != "not"), 111)
        # The one that is not word-representable is the wheel on 6 vertices.
        row = next(r for r in csv.reader(io.StringIO(p.stdout)) if r[3] == "no")
        wheel = subprocess.run([tool("graph6-convert"), "to-graph6",
                                os.path.join(EXAMPLES, "wheel6.graph")],
                               capture_output=True, text=True).stdout.strip()
        canon = [subprocess.run(["/usr/bin/nauty-labelg", "-q"], input=g + "\n",
                                capture_output=True, text=True).stdout for g in (row[0], wheel)]
        self.assertEqual(canon[0], canon[1])

    def test_connected_graphs_on_7_vertices(self):
        self.family(7, 853, {"not": 25, 2: 789, 3: 39})

    def test_resume_after_interruption_repeats_and_loses_nothing(self):
        graphs = geng("-c", 6)
        full = self.run_batch(graphs)
        self.assertEqual(full.returncode, 0, full.stderr)
        out = os.path.join(self.dir, "out.csv")
        journal = out + ".journal"
        # From its 30th call on, ./yices announces itself and waits at a gate
        # that opens only after the interrupt: the batch is stopped half-way
        # however fast the machine is.
        announce, gate = os.path.join(self.dir, "announce"), os.path.join(self.dir, "gate")
        control = os.path.join(self.dir, "gated.json")
        with open(control, "w") as f:
            json.dump({"solver": PROGRAMS["yices"], "count": os.path.join(self.dir, "calls"),
                       "after": 30, "announce": announce, "gate": gate}, f)
        cmd = self.batch_cmd(self.write_input(graphs), "-o", out)
        gated = [GATED_SOLVER if a == PROGRAMS["yices"] else a for a in cmd]
        p = subprocess.Popen(gated, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                             start_new_session=True, env=dict(os.environ, GATED_SOLVER=control))
        try:
            wait_for_file(announce, timeout=300)
        finally:
            os.killpg(p.pid, signal.SIGINT)
            _, err = p.communicate(timeout=120)
            open(gate, "w").close()         # lets a solver the interrupt left behind end
        self.assertEqual(p.returncode, 130, err)
        self.assertEqual(os.listdir(self.scratch), [])
        with open(journal) as f:
            records = [json.loads(line) for line in f if line.endswith("\n")][1:]
        done = [r["done"] for r in records if "done" in r]       # --chunk 1: graphs
        self.assertEqual(len(done), len(set(done)))
        self.assertLess(len(done), len(graphs))
        p = subprocess.run(cmd + ["--resume"], capture_output=True, text=True)
        self.assertEqual(p.returncode, 0, p.stderr)
        self.assertIn("  parts: %d of %d finished, %d taken from the journal\n"
                      % (len(graphs), len(graphs), len(done)), p.stderr)
        self.assertIn(", %d graphs run," % (len(graphs) - len(done)), p.stderr)
        with open(out) as f:
            self.assertEqual(f.read(), full.stdout)
        self.assertFalse(os.path.exists(journal))

    def test_failing_graphs_are_reported_and_the_batch_goes_on(self):
        good = geng("-c", 5)[:4]
        graphs = good[:2] + ["T" + "?" * 35] + good[2:]
        p = self.run_batch(graphs)
        self.assertEqual(p.returncode, 1, p.stderr)
        rows = list(csv.reader(io.StringIO(p.stdout)))[1:]
        self.assertEqual([r[0] for r in rows], graphs)
        self.assertEqual(rows[2], ["T" + "?" * 35, "21", "0", "failed: graph has 21 vertices; "
                                   "alterword and orientcheck accept at most 20", "", "", ""])
        self.check_rows(good, "\n".join(",".join(r) for r in [HEADER] + rows[:2] + rows[3:]) + "\n")
        self.assertIn("  failures: 1\n", p.stderr)

        # A solver that answers nothing: both programs fail with status 42.
        broken = os.path.join(self.dir, "yices")
        with open(broken, "w") as f:
            f.write("#!/bin/sh\nexit 0\n")
        os.chmod(broken, 0o755)
        cmd = [a if a != PROGRAMS["yices"] else broken for a in self.batch_cmd(self.write_input(good))]
        p = subprocess.run(cmd, capture_output=True, text=True)
        self.assertEqual(p.returncode, 1, p.stderr)
        rows = list(csv.reader(io.StringIO(p.stdout)))[1:]
        self.assertEqual([r[0] for r in rows], good)
        for r in rows:
            # The message starts with the program's name as it was called.
            self.assertRegex(r[3], r"^failed: (\S*/)?orientcheck: .+ \(error #\d+ at .+\) "
                                   r"\[orientcheck exited with status 42\]$")
            self.assertEqual(r[4:], ["", "", ""])
        self.assertIn("  failures: %d\n" % len(good), p.stderr)
        self.assertEqual(os.listdir(self.scratch), [])


if __name__ == "__main__":
    unittest.main()
