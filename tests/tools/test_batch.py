#!/usr/bin/python3
"""wordrep-batch with stand-in programs (stubs/stub-program): the CSV and
its order, failures, scratch directories, interruption and resume, the
journal, the progress bar, the summary.  The mathematics is tested with the
real programs in test_batch_programs.py."""

import csv
import hashlib
import io
import json
import os
import signal
import subprocess
import tempfile
import unittest

from gate import wait_for
from helpers import STUB, geng, run_on_terminal, tool
from wordrep.graph import from_graph6

BATCH = tool("wordrep-batch")
HEADER = "graph6,vertices,edges,semi_transitive,representation_number,word,orientation\n"
T21 = "T" + "?" * 35          # the empty graph on 21 vertices


class BatchCase(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = self.tmp.name
        self.bin = os.path.join(self.dir, "bin")
        os.mkdir(self.bin)
        for p in ("alterword", "orientcheck", "yices"):
            os.symlink(STUB, os.path.join(self.bin, p))
        self.scratch = os.path.join(self.dir, "scratch")
        os.mkdir(self.scratch)
        self.log = os.path.join(self.dir, "log")
        self.control({})

    def tearDown(self):
        self.tmp.cleanup()

    def control(self, ctl):
        ctl = dict(ctl)
        ctl["log"] = self.log
        self.ctl = os.path.join(self.dir, "control.json")
        with open(self.ctl, "w") as f:
            json.dump(ctl, f)

    def env(self):
        env = dict(os.environ)
        env["STUB_CONTROL"] = self.ctl
        env.pop("WORDREP_BIN", None)
        return env

    def cmd(self, *args):
        return [BATCH, "--programs", "--bin", self.bin, "--tmpdir", self.scratch] + list(args)

    def batch(self, graphs, *args, timeout=120):
        return subprocess.run(self.cmd(*args), input="".join(g + "\n" for g in graphs),
                              capture_output=True, text=True, env=self.env(), timeout=timeout)

    def log_lines(self):
        if not os.path.exists(self.log):
            return []
        with open(self.log) as f:
            return [line.split() for line in f]

    def assertScratchEmpty(self):
        self.assertEqual(os.listdir(self.scratch), [])


def stub_row(g6):
    """The row the stubs' default answers give."""
    n, edges = from_graph6(g6)
    word = "".join(str(v) if v < 10 else "(%d)" % v for v in list(range(1, n + 1)) * 3)
    return "%s,%d,%d,yes,3,%s,%s\n" % (g6, n, len(edges), word,
                                       " ".join("%d>%d" % e for e in edges))


class Output(BatchCase):
    def test_csv_is_byte_exact(self):
        self.control({"orientcheck": {"Bw": {"out": "Not semi-transitive\n"}},
                      "alterword": {"BW": {"out": "representing word for 2:\n2(10)1\n"}}})
        p = self.batch(["Bg", "Bw", "BW"])
        self.assertEqual(p.returncode, 0, p.stderr)
        self.assertEqual(p.stdout, HEADER
                         + "Bg,3,2,yes,3,123123123,1>2 2>3\n"
                         + "Bw,3,3,no,,,\n"
                         + "BW,3,2,yes,2,2(10)1,1>3 2>3\n")
        # alterword runs only on the semi-transitive graphs
        self.assertEqual(sorted((l[0], l[2]) for l in self.log_lines()),
                         [("alterword", "BW"), ("alterword", "Bg"), ("orientcheck", "BW"),
                          ("orientcheck", "Bg"), ("orientcheck", "Bw")])
        self.assertScratchEmpty()

    def test_summary(self):
        self.control({"orientcheck": {"Bw": {"out": "Not semi-transitive\n"}},
                      "alterword": {"BW": {"out": "representing word for 2:\n121323\n"},
                                    "Bg": {"rc": 42, "err": "alterword: x (error #1 at 2)\n"}}})
        p = self.batch(["Bg", "Bw", "BW", "B?", "Bo"])
        self.assertEqual(p.returncode, 1)
        lines = p.stderr.splitlines()
        self.assertEqual(lines[:6], ["wordrep-batch: 5 graphs",
                                     "  representation number 2: 1",
                                     "  representation number 3: 2",
                                     "  not word-representable: 1",
                                     "  failures: 1",
                                     "  parts: 5 of 5 finished, 0 taken from the journal"])
        self.assertRegex(lines[6], r"^  wall time: \d+\.\d\d s, 5 graphs run, \d+\.\d\d graphs/s$")
        self.assertEqual(len(lines), 7)

    def test_rows_keep_input_order_whatever_finishes_first(self):
        graphs = geng("-c", 6)[:48]
        # The first graph waits on a gate that the last one opens once it is
        # answered: the first finishes after the last however busy the machine is.
        gate = os.path.join(self.dir, "gate")
        self.control({"orientcheck": {graphs[0]: {"wait": gate}, graphs[-1]: {"open": gate}}})
        p = self.batch(graphs, "-j", "6", "-o", os.path.join(self.dir, "out.csv"))
        self.assertEqual(p.returncode, 0, p.stderr)
        with open(os.path.join(self.dir, "out.csv")) as f:
            self.assertEqual(f.read(), HEADER + "".join(stub_row(g) for g in graphs))
        self.assertEqual(p.stdout, "")
        self.assertFalse(os.path.exists(os.path.join(self.dir, "out.csv.journal")))
        done = [l[2] for l in self.log_lines() if l[0] == "orientcheck"]
        self.assertLess(done.index(graphs[-1]), done.index(graphs[0]))   # out of order
        self.assertEqual(sorted(done), sorted(graphs))
        self.assertScratchEmpty()

    def test_input_from_file_with_graph6_header(self):
        path = os.path.join(self.dir, "in.g6")
        with open(path, "w") as f:
            f.write(">>graph6<<Bg\n\nBW\n")
        p = subprocess.run(self.cmd(path), capture_output=True, text=True, env=self.env(),
                           stdin=subprocess.DEVNULL)
        self.assertEqual(p.returncode, 0, p.stderr)
        self.assertEqual(p.stdout, HEADER + stub_row("Bg") + stub_row("BW"))

    def test_csv_reads_back_with_a_csv_reader(self):
        self.control({"alterword": {"Bg": {"rc": 42, "err": "alterword: a, b \"c\" (error #9 at 1)\n"}}})
        p = self.batch(["Bg", "BW"])
        rows = list(csv.reader(io.StringIO(p.stdout)))
        self.assertEqual([len(r) for r in rows], [7, 7, 7])
        self.assertEqual(rows[1][4], "failed: alterword: a, b \"c\" (error #9 at 1) "
                                     "[alterword exited with status 42]")

    def test_each_graph_runs_in_its_own_directory_with_yices(self):
        graphs = geng("-c", 5)
        p = self.batch(graphs, "-j", "4")
        self.assertEqual(p.returncode, 0, p.stderr)
        # The stub alterword fails unless ./yices is there and usable; both
        # programs of a graph share a directory, and no two graphs do.
        dirs = {}
        for prog, cwd, g in self.log_lines():
            self.assertEqual(os.path.dirname(os.path.dirname(cwd)), self.scratch)
            dirs.setdefault(g, set()).add(cwd)
        self.assertEqual(sorted(dirs), sorted(graphs))
        self.assertTrue(all(len(d) == 1 for d in dirs.values()))
        self.assertEqual(len(set.union(*dirs.values())), len(graphs))
        self.assertScratchEmpty()

    def test_several_machines_through_an_sshloginfile(self):
        # ":" is the local machine in GNU parallel's sshlogin syntax.
        logins = os.path.join(self.dir, "machines")
        with open(logins, "w") as f:
            f.write("2/:\n")
        graphs = geng("-c", 5)
        p = self.batch(graphs, "--sshloginfile", logins)
        self.assertEqual(p.returncode, 0, p.stderr)
        self.assertEqual(p.stdout, HEADER + "".join(stub_row(g) for g in graphs))


class Failures(BatchCase):
    # (graph6, stub control for it, options, expected row)
    CASES = [
        ("Bg", {"orientcheck": {"rc": 42, "err": "orientcheck: bad input (error #3 at 77)\n"}}, [],
         "Bg,3,2,failed: orientcheck: bad input (error #3 at 77) "
         "[orientcheck exited with status 42],,,\n"),
        ("Bg", {"orientcheck": {"rc": 42}}, [],
         "Bg,3,2,failed: orientcheck exited with status 42,,,\n"),
        ("Bg", {"orientcheck": {"rc": 139}}, [],
         "Bg,3,2,failed: orientcheck killed by SIGSEGV,,,\n"),
        ("Bg", {"orientcheck": {"out": "Semi-transitive\n"}}, [],
         "Bg,3,2,\"failed: orientcheck: unexpected output: expected \"\"Not semi-transitive\"\" or "
         "\"\"Semi-transitive by orientation:\"\", got 'Semi-transitive\\n'\",,,\n"),
        ("Bg", {"alterword": {"rc": 42, "err": "alterword: solver gave no answer (error #5 at 9)\n"}},
         [], "Bg,3,2,yes,failed: alterword: solver gave no answer (error #5 at 9) "
             "[alterword exited with status 42],,1>2 2>3\n"),
        ("Bg", {"alterword": {"out": "no solution for 2,\n"}}, [],
         "Bg,3,2,yes,\"failed: alterword: unexpected output: no line \"\"representing word for 3:\"\"\","
         ",1>2 2>3\n"),
        # A gate never opened (in its run directory): alterword hangs.  The
        # limit holds for every program: it leaves the stand-ins that do
        # answer time to start however busy the machine is.
        ("Bg", {"alterword": {"wait": "never-made"}}, ["--timeout", "10"],
         "Bg,3,2,yes,failed: alterword timed out after 10 s,,1>2 2>3\n"),
        ("Bg", {"orientcheck": {"out": "Semi-transitive by orientation:\n1 2\n3 2\n"},
                "alterword": {"out": "representing word for 2:\n123123\n"}}, ["--verify"],
         "Bg,3,2,yes,failed: word check: 1 and 3 alternate but are not adjacent,,1>2 3>2\n"),
        ("Bg", {"orientcheck": {"out": "Semi-transitive by orientation:\n1 2\n"}}, ["--verify"],
         "Bg,3,2,failed: orientation check: edge 2 3 is not oriented,,,\n"),
        ("Bg", {"orientcheck": {"out": "Semi-transitive by orientation:\n2 1\n3 2\n"},
                "alterword": {"out": "representing word for 2:\n121323\n"}}, ["--verify"],
         "Bg,3,2,yes,2,121323,2>1 3>2\n"),
        (T21, {}, [], T21 + ",21,0,failed: graph has 21 vertices; alterword and orientcheck "
                            "accept at most 20,,,\n"),
        ("Bx", {}, [], "Bx,3,,failed: graph6 padding bits are not zero,,,\n"),
        (";Bw", {}, [], ";Bw,,,failed: incremental sparse6 (';') is not supported,,,\n"),
        # The census's rows for these lines, without the witness column.
        ("\x0b", {}, [], "\\x0b,,,failed: invalid character '\\x0b' in graph6 string,,,\n"),
        ("A" * 70000, {}, [], "A" * 64 + "...,,,failed: line longer than 65536 bytes,,,\n"),
    ]

    def test_a_failing_graph_is_reported_and_the_batch_goes_on(self):
        for g6, behaviour, opts, row in self.CASES:
            with self.subTest(g6=g6, behaviour=behaviour):
                self.control({prog: {g6: s} for prog, s in behaviour.items()})
                # Complete graphs around it: the stubs' default answers are
                # right for them, so --verify passes them.
                p = self.batch(["Bw", g6, "C~"], *opts)
                self.assertEqual(p.stdout, HEADER + stub_row("Bw") + row + stub_row("C~"))
                failed = row.count("failed: ")
                self.assertIn("  failures: %d\n" % failed, p.stderr)
                self.assertEqual(p.returncode, 1 if failed else 0, p.stderr)
                self.assertScratchEmpty()

    def test_the_output_naming_the_input_is_refused(self):
        path = os.path.join(self.dir, "in.g6")
        with open(path, "w") as f:
            f.write("Bg\nBW\n")
        p = subprocess.run(self.cmd(path, "-o", path), capture_output=True, text=True,
                           env=self.env())
        self.assertEqual((p.returncode, p.stdout, p.stderr), (2, "", (
            "wordrep-batch: the input %s and the output %s are the same file; name different "
            "files\n" % (path, path))))
        with open(path) as f:
            self.assertEqual(f.read(), "Bg\nBW\n")
        self.assertEqual(self.log_lines(), [])

    def test_programs_are_looked_up_in_one_order(self):
        # --PROGRAM PATH, else --bin DIR, else $WORDREP_BIN, else build/bin of the checkout.
        missing = os.path.join(self.dir, "none")
        cases = [
            ([], {"WORDREP_BIN": self.bin}, None),
            (["--bin", self.bin], {"WORDREP_BIN": missing}, None),
            (["--bin", missing, "--alterword", os.path.join(self.bin, "alterword"),
              "--orientcheck", os.path.join(self.bin, "orientcheck"),
              "--yices", os.path.join(self.bin, "yices")], {}, None),
            (["--bin", self.bin, "--yices", missing], {},
             "yices not found at %s (use --bin DIR or --yices PATH)" % missing),
            ([], {"WORDREP_BIN": missing},
             "alterword not found at %s/alterword (use --bin DIR or --alterword PATH)" % missing),
        ]
        for args, env, message in cases:
            with self.subTest(args=args, env=env):
                cmd = [BATCH, "--programs", "--tmpdir", self.scratch] + args
                p = subprocess.run(cmd, input="Bg\n", capture_output=True, text=True,
                                   env=dict(self.env(), **env))
                if message is None:
                    self.assertEqual((p.returncode, p.stdout), (0, HEADER + stub_row("Bg")),
                                     p.stderr)
                else:
                    self.assertEqual((p.returncode, p.stdout, p.stderr),
                                     (2, "", "wordrep-batch: %s\n" % message))

    def test_missing_program_is_refused_before_starting(self):
        os.unlink(os.path.join(self.bin, "yices"))
        p = self.batch(["Bg"])
        self.assertEqual(p.returncode, 2)
        self.assertEqual(p.stdout, "")
        self.assertEqual(p.stderr, "wordrep-batch: yices not found at %s/yices "
                                   "(use --bin DIR or --yices PATH)\n" % self.bin)


    def test_a_timeout_that_is_no_number_of_seconds_is_refused(self):
        out = os.path.join(self.dir, "out.csv")
        for value, shown in (("nan", "nan"), ("-1", "-1.0"), ("inf", "inf"), ("-0.5", "-0.5")):
            with self.subTest(value=value):
                p = self.batch(["Bg"], "--timeout", value, "-o", out)
                self.assertEqual((p.returncode, p.stdout, p.stderr), (2, "", (
                    "wordrep-batch: --timeout takes the seconds each program may run, 0 or more "
                    "(0: no limit), not %s\n" % shown)))
                self.assertFalse(os.path.exists(out) or os.path.exists(out + ".journal"))
        self.assertEqual(self.log_lines(), [])
        p = self.batch(["Bg"], "--timeout", "0")
        self.assertEqual((p.returncode, p.stdout), (0, HEADER + stub_row("Bg")), p.stderr)


class Resume(BatchCase):
    def start(self, graphs, *args):
        path = os.path.join(self.dir, "in.g6")
        with open(path, "w") as f:
            f.write("".join(g + "\n" for g in graphs))
        return subprocess.Popen(self.cmd(path, *args), stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, text=True, env=self.env(),
                                start_new_session=True)

    def journal_done(self, path):
        """The parts (with --chunk 1, the graphs) the journal records as done."""
        with open(path) as f:
            recs = [json.loads(line) for line in f if line.endswith("\n")]
        return {r["done"] for r in recs[1:] if "done" in r}

    def interrupted_then_resumed(self, sig):
        graphs = geng("-c", 6)[:40]
        out = os.path.join(self.dir, "out.csv")
        journal = out + ".journal"
        # The first ten graphs run; the rest wait at a gate, shut until the
        # batch has been interrupted with three of them waiting.
        gate, waiting = os.path.join(self.dir, "gate"), os.path.join(self.dir, "waiting")
        os.mkdir(waiting)
        self.control({"orientcheck": {g: {"wait": gate} for g in graphs[10:]},
                      "waiting": waiting})
        p = self.start(graphs, "-j", "3", "-o", out)
        wait_for(lambda: os.path.exists(journal) and len(self.journal_done(journal)) == 10
                 and len(os.listdir(waiting)) == 3, [self.dir, waiting])
        os.killpg(p.pid, sig)       # as a Ctrl-C on a terminal reaches the foreground group
        _, err = p.communicate(timeout=60)
        self.assertEqual(p.returncode, 130, err)
        self.assertIn("run the same command with --resume", err)
        done = self.journal_done(journal)
        self.assertLess(len(done), len(graphs))
        self.assertScratchEmpty()
        first = self.log_lines()
        self.assertTrue({graphs[i] for i in done} <= {l[2] for l in first if l[0] == "alterword"})
        open(gate, "w").close()

        p = self.start(graphs, "-j", "3", "-o", out, "--resume")
        _, err = p.communicate(timeout=120)
        self.assertEqual(p.returncode, 0, err)
        with open(out) as f:
            self.assertEqual(f.read(), HEADER + "".join(stub_row(g) for g in graphs))
        self.assertFalse(os.path.exists(journal))
        self.assertIn("  parts: %d of %d finished, %d taken from the journal\n"
                      % (len(graphs), len(graphs), len(done)), err)
        self.assertIn("%d graphs run" % (len(graphs) - len(done)), err)
        # Nothing recorded was run again, and everything else was run once.
        second = self.log_lines()[len(first):]
        for prog in ("orientcheck", "alterword"):
            again = sorted(l[2] for l in second if l[0] == prog)
            self.assertEqual(again, sorted(g for i, g in enumerate(graphs) if i not in done))
        self.assertScratchEmpty()

    def test_interrupt_and_resume(self):
        self.interrupted_then_resumed(signal.SIGINT)

    def test_terminate_and_resume(self):
        self.interrupted_then_resumed(signal.SIGTERM)

    def test_journal_is_not_overwritten_without_resume(self):
        out = os.path.join(self.dir, "out.csv")
        header = json.dumps({"journal": 2, "engine": "programs",
                             "source": {"list": 1, "first_sha256": "0"}}) + "\n"
        # (what the journal path holds, the refusal)
        cases = [
            (header, "journal %s.journal exists from an unfinished batch: add --resume to "
                     "continue it, or remove it to start again" % out),
            ("{}\n", "%s.journal is not a journal of wordrep-batch; it is left as it is: name "
                     "another --journal" % out),
        ]
        for text, message in cases:
            with self.subTest(text=text):
                with open(out + ".journal", "w") as f:
                    f.write(text)
                p = self.batch(["Bg"], "-o", out)
                self.assertEqual((p.returncode, p.stdout, p.stderr),
                                 (2, "", "wordrep-batch: %s\n" % message))
                with open(out + ".journal") as f:
                    self.assertEqual(f.read(), text)
                self.assertEqual(self.log_lines(), [])

    def test_journal_of_another_input_is_refused(self):
        out = os.path.join(self.dir, "out.csv")
        self.control({"orientcheck": {"BW": {"wait": "never-made"}}})   # BW hangs
        p = self.start(["Bg", "BW"], "-o", out, "-j", "1")
        wait_for(lambda: os.path.exists(out + ".journal") and self.journal_done(out + ".journal"),
                 [self.dir])
        os.killpg(p.pid, signal.SIGINT)
        p.communicate(timeout=60)
        q = self.batch(["Bw", "BW"], "-o", out, "--resume")
        self.assertEqual(q.returncode, 2)
        self.assertIn("belongs to a different input", q.stderr)

    def unfinished(self, graphs, done, out):
        """The journal and output of a batch over graphs (--chunk 1) that
        finished the graphs of done (indexes) and put out none: written here
        as the batch writes them."""
        journal = out + ".journal"
        os.makedirs(journal + ".parts")
        first = hashlib.sha256((graphs[0] + "\n").encode()).hexdigest()
        recs = [{"journal": 2, "engine": "programs", "source": {"list": 1, "first_sha256": first}},
                {"emitted": -1, "size": len(HEADER)}]
        for i in done:
            row = stub_row(graphs[i])
            with open(os.path.join(journal + ".parts", "%d.csv" % i), "w") as f:
                f.write(HEADER + row)
            recs.append({"done": i, "bytes": len(HEADER + row),
                         "sha256": hashlib.sha256((graphs[i] + "\n").encode()).hexdigest(),
                         "counts": {"graphs": 1, "not": 0, "minimal": 0, "failures": 0,
                                    "k": {"3": 1}}})
        with open(out, "w") as f:
            f.write(HEADER)
        with open(journal, "w") as f:
            f.write("".join(json.dumps(r) + "\n" for r in recs))
        return journal

    def test_cut_off_journal_line_is_run_again(self):
        graphs = ["Bg", "BW", "Bw"]
        out = os.path.join(self.dir, "out.csv")
        journal = self.unfinished(graphs, [1], out)
        with open(journal, "a") as f:
            f.write('{"done": 0, "bytes": 40, "sha')      # cut off by a crash
        p = self.batch(graphs, "-o", out, "--resume")
        self.assertEqual(p.returncode, 0, p.stderr)
        with open(out) as f:
            self.assertEqual(f.read(), HEADER + "".join(stub_row(g) for g in graphs))
        self.assertEqual(sorted(l[2] for l in self.log_lines() if l[0] == "orientcheck"),
                         ["Bg", "Bw"])
        self.assertEqual(sorted(os.listdir(self.dir)), ["bin", "control.json", "log", "out.csv",
                                                        "scratch"])

    def test_journal_of_the_old_per_program_batch_is_refused(self):
        out = os.path.join(self.dir, "out.csv")
        old = json.dumps({"journal": 1, "input_sha256": "0" * 64, "graphs": 1}) + "\n" + \
            json.dumps({"i": 0, "row": stub_row("Bg").rstrip("\n").split(",")}) + "\n"
        with open(out + ".journal", "w") as f:
            f.write(old)
        # Without --resume too: not told to add --resume, which would be refused.
        for args in (["--resume"], []):
            with self.subTest(args=args):
                p = self.batch(["Bg"], "-o", out, *args)
                self.assertEqual((p.returncode, p.stdout, p.stderr), (2, "", (
                    "wordrep-batch: journal %s.journal was written by an older wordrep-batch "
                    "(journal version 1), which this one cannot resume: remove it to start "
                    "again\n" % out)))
                with open(out + ".journal") as f:
                    self.assertEqual(f.read(), old)
                self.assertFalse(os.path.exists(out))
                self.assertEqual(self.log_lines(), [])

    def test_resume_needs_a_journal(self):
        p = self.batch(["Bg"], "--resume")
        self.assertEqual((p.returncode, p.stdout), (2, ""))
        self.assertEqual(p.stderr, "wordrep-batch: --resume needs -o FILE\n")


class Progress(BatchCase):
    def test_bar_on_a_terminal_only(self):
        graphs = geng("-c", 5)
        status, out, text = run_on_terminal(self.cmd(), self.env(),
                                            "".join(g + "\n" for g in graphs))
        self.assertEqual(status, 0)
        self.assertEqual(out, HEADER + "".join(stub_row(g) for g in graphs))
        self.assertRegex(text, r"\r\[#{30}\] 100% 21 graphs [0-9.]+ graphs/s ETA 0:00")
        self.assertRegex(text, r"\r\[[.?]{30}\] ")        # the bar before any graph
        self.assertIn("wordrep-batch: 21 graphs", text)
        q = self.batch(graphs)
        self.assertNotIn("\r", q.stderr)
        self.assertNotIn("ETA", q.stderr)


if __name__ == "__main__":
    unittest.main()
