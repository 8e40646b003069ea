#!/usr/bin/python3
"""wordrep-census stopped and filtered: the rows answered before SIGTERM,
SIGINT or SIGHUP kept whole (exit 128 + the signal), ordered by the rows
seen and the input taken, never by a timer; sparse6 input and --select
against nauty's own tools (nauty-copyg -s, nauty-countg); -q; the shortcut
bound at or above n - 1; the help written to a full device.

The census comes from $WORDREP_CENSUS."""

import array
import csv
import fcntl
import io
import os
import select
import signal
import subprocess
import sys
import termios
import unittest

HERE = os.path.dirname(os.path.realpath(__file__))
sys.path.insert(0, HERE)

import test_census  # noqa: E402
from wordrep.checks import check_orientation  # noqa: E402
from wordrep.formats import parse_orientation_field  # noqa: E402
from wordrep.graph import to_graph6  # noqa: E402

CENSUS = test_census.CENSUS

# A 60-vertex 3-partite graph whose word search runs for minutes, with
# --no-speedups in one SAT call of minutes: the census is inside it when the
# signal comes, and only the engine's terminate hook ends it soon.
HARD = ("{_iI?kPHD_JQHAH@zAYWQKdB?RGGHSDhkIBBARXDcDliARXPAWZg@cdzJB?JJRGA_GL@_ZHYAYRRBYWLHgdJHWORYYO@"
        "RHSc_?lgIJZAAIXZPAYR_@`dlk`ZOJQWWAWGYXOkLHDg_@YAYO?JJBPZHRILChh@_HlHJYBQPXJJX?@BW@l`?_`?hhO@"
        "BW?XR@IPI@JQ?ghHCCcK_bJR@IQAWYBZR@?GPHggKL@`@hjJPPQHRBIZJYHXQOXHPdkHL`gl?mPGYOWOPIIBOP@QOJGJ"
        "KK?`ghhKKCQBY@WGRIIA")


def nauty(*args, stdin=b""):
    return subprocess.run(["nauty-" + args[0]] + list(args[1:]), input=stdin,
                          capture_output=True, check=True, timeout=600).stdout


def census(args, stdin=b""):
    p = subprocess.run([CENSUS] + args, input=stdin, capture_output=True, timeout=600)
    return p.returncode, p.stdout, p.stderr


def default_signals():
    """In the child: the three signals at their default action, whatever the
    test runner ignores."""
    for s in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        signal.signal(s, signal.SIG_DFL)


def unread(fd):
    """The bytes written to a pipe that its reader has not taken yet."""
    n = array.array("i", [0])
    fcntl.ioctl(fd, termios.FIONREAD, n)
    return n[0]


class Interrupted(unittest.TestCase):
    # (signal, where the census is when it comes, options): waiting on its
    # input, or inside the SAT search of HARD; with a time limit far off, the
    # search watches its deadline and the stop flag at once.
    CASES = [(signal.SIGTERM, "input", []), (signal.SIGTERM, "search", []),
             (signal.SIGINT, "search", []), (signal.SIGHUP, "search", []),
             (signal.SIGHUP, "input", []), (signal.SIGTERM, "search", ["--time-limit", "3600"])]

    def test_rows_answered_are_kept(self):
        graphs = nauty("geng", "-c", "-q", "7")
        status, whole, _ = census(["-q", "--no-speedups"], graphs)
        self.assertEqual((status, whole.count(b"\n")), (0, 1 + 853))   # header, 853 graphs
        for sig, where, options in self.CASES:
            with self.subTest(signal=sig, where=where, options=options):
                p = subprocess.Popen([CENSUS, "--no-speedups"] + options, stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE, preexec_fn=default_signals)
                p.stdin.write(graphs)
                p.stdin.flush()
                got = b""
                while got.count(b"\n") < 854:       # the gate: every row so far has arrived
                    ready = select.select([p.stdout], [], [], 120)[0]   # ends a hung test only
                    self.assertTrue(ready, "the rows answered did not arrive")
                    chunk = os.read(p.stdout.fileno(), 65536)
                    self.assertTrue(chunk, "the census ended early")
                    got += chunk
                if where == "search":
                    p.stdin.write(HARD.encode() + b"\n")
                    p.stdin.flush()
                    while unread(p.stdin.fileno()):   # the gate: the census took the line
                        os.sched_yield()
                p.send_signal(sig)
                rest, err = p.communicate(timeout=120)   # ends a hung test only
                self.assertEqual(got + rest, whole)
                self.assertEqual(p.returncode, 128 + sig)
                self.assertEqual(err.decode(), "wordrep-census: stopped by signal %d after 853 "
                                               "graphs\n" % sig)


def rows_of(text):
    return list(csv.DictReader(io.StringIO(text.decode())))


def meets(row, cond):
    """Whether a CSV row meets a --select condition, from its columns."""
    k = row["representation_number"]
    return {"yes": row["semi_transitive"] == "yes", "no": row["semi_transitive"] == "no",
            "K=2": k == "2", "K==3": k == "3", "K!=2": k not in ("", "2"),
            "K>=3": k != "" and int(k) >= 3, "K>2": k != "" and int(k) > 2,
            "K<3": k != "" and int(k) < 3, "K<=2": k != "" and int(k) <= 2}[cond]


class NautyTools(unittest.TestCase):
    def setUp(self):
        self.g6 = nauty("geng", "-q", "7") + nauty("geng", "-c", "-q", "8", "12:14")
        self.s6 = nauty("copyg", "-s", "-q", stdin=self.g6)
        self.assertTrue(all(l.startswith(b":") for l in self.s6.splitlines()))

    def test_sparse6_rows_are_the_graph6_rows(self):
        for args in ([], ["--engine", "fresh", "--format", "jsonl"], ["--shortcut-length", "3"]):
            with self.subTest(args=args):
                dense, sparse = census(["-q"] + args, self.g6), census(["-q"] + args, self.s6)
                self.assertEqual(dense[0], 0)
                self.assertEqual(sparse, dense)
        big = nauty("genrang", "-q", "-g", "-e45", "-S7", "40", "5")   # 40 vertices, 45 edges
        self.assertEqual(census(["-q"], nauty("copyg", "-s", "-q", stdin=big)), census(["-q"], big))

    def test_select_agrees_with_the_rows(self):
        rows = rows_of(census(["-q"], self.g6)[1])
        for source in (self.g6, self.s6):
            lines = source.splitlines(keepends=True)
            for cond in ("yes", "no", "K=2", "K==3", "K!=2", "K>=3", "K>2", "K<3", "K<=2"):
                with self.subTest(cond=cond, sparse=source is self.s6):
                    status, out, err = census(["-q", "--select", cond], source)
                    self.assertEqual((status, err), (0, b""))
                    want = [l for l, r in zip(lines, rows) if meets(r, cond)]
                    self.assertEqual(out, b"".join(want))
                    counted = subprocess.run(["nauty-countg", "-q"], input=out,
                                             capture_output=True, check=True).stdout
                    self.assertIn(b" %d graphs altogether" % len(want), counted)

    def test_select_failures_and_bad_conditions(self):
        status, out, err = census(["--select", "no", "-q"], b"Bw\n\nBx\nD~{\n")
        self.assertEqual((status, out), (1, b""))
        self.assertEqual(err, b"wordrep-census: standard input line 3: Bx: failed: graph6 "
                              b"padding bits are not zero\n")
        for args, message in [
                (["--select", "maybe"], "--select takes yes, no or K OP N"),
                (["--select", "K>=x"], "--select takes yes, no or K OP N"),
                (["--select", "K 3"], "--select takes yes, no or K OP N"),
                (["--select", "K="], "--select takes yes, no or K OP N"),
                (["--select", "K=3", "--no-words"], "--select K... needs representation numbers"),
                (["--select", "K=3", "--shortcut-length", "4"], "needs representation numbers"),
                (["--select", "yes", "--format", "jsonl"], "--select writes graph6 lines")]:
            with self.subTest(args=args):
                status, out, err = census(args, b"Bw\n")
                self.assertEqual((status, out), (2, b""))
                self.assertIn(message, err.decode())

    def test_q_is_no_summary(self):
        for args in (["-q"], ["--no-summary"], ["-q", "--select", "yes"]):
            with self.subTest(args=args):
                self.assertEqual(census(args, b"Bw\n")[2], b"")
        self.assertIn(b"wordrep-census: 1 graphs\n", census([], b"Bw\n")[2])


class Smaller(unittest.TestCase):
    def test_shortcut_bound_of_n_minus_1_is_no_bound(self):
        k64 = [(i, j) for j in range(2, 65) for i in range(1, j)]
        k32_32 = [(i, j) for i in range(1, 33) for j in range(33, 65)]
        for edges in (k64, k32_32):
            n, g6 = 64, to_graph6(64, edges)
            for args in (["--shortcut-length", "64"], ["--shortcut-length", "63", "--engine",
                         "fresh"], ["--shortcut-length", "64", "--no-speedups"]):
                with self.subTest(n=n, edges=len(edges), args=args):
                    status, out, _ = census(["-q"] + args, g6.encode() + b"\n")
                    row = rows_of(out)[0]
                    self.assertEqual((status, row["semi_transitive_" + args[1]]), (0, "yes"))
                    arcs = parse_orientation_field(row["orientation"], n)
                    self.assertEqual(check_orientation(n, edges, arcs, int(args[1])), [])

    def test_help_to_a_full_device(self):
        for flag, what in (("--help", "help"), ("--version", "version")):
            with self.subTest(flag=flag), open("/dev/full", "wb") as full:
                p = subprocess.run([CENSUS, flag], stdout=full, stderr=subprocess.PIPE)
                self.assertEqual((p.returncode, p.stderr.decode()),
                                 (3, "wordrep-census: cannot write the %s: No space left on "
                                     "device\n" % what))


if __name__ == "__main__":
    unittest.main()
