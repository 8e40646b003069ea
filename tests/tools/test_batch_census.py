#!/usr/bin/python3
"""wordrep-batch on the census engine, with the stand-in stubs/stub-census:
parts and their order, the summary, interruption and resume, the journal,
a full disk, the progress bar, bad command lines (the files a batch may
not touch, and its input lines, in test_batch_files.py).  The expected CSV is
always what one run of the stand-in over the same graphs writes; the
mathematics is tested with the real census in test_batch_families.py."""

import base64
import fcntl
import json
import os
import shutil
import signal
import subprocess
import tempfile
import unittest

from gate import GateTimeout, wait_for
from helpers import (BUFFERED, GENG, STUB_CENSUS, UNBUFFERED, file_size_limit, geng,
                     run_on_terminal, tool)

BATCH = tool("wordrep-batch")
HEADER = "graph6,vertices,edges,semi_transitive,representation_number,word,orientation,witness\n"
RESUME_HINT = ": free some space and run the same command with --resume to go on\n"


class CensusCase(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = self.tmp.name
        self.log = os.path.join(self.dir, "log")
        self.out = os.path.join(self.dir, "out.csv")
        self.scratch = os.path.join(self.dir, "scratch")
        os.mkdir(self.scratch)
        self.control({})

    def tearDown(self):
        self.tmp.cleanup()

    def control(self, ctl, log=True):
        ctl = dict(ctl, log=self.log) if log else dict(ctl)
        self.ctl = os.path.join(self.dir, "control.json")
        with open(self.ctl, "w") as f:
            json.dump(ctl, f)

    def env(self):
        return dict(os.environ, STUB_CONTROL=self.ctl)

    def cmd(self, *args):
        return [BATCH, "--census", STUB_CENSUS, "--no-progress", "--tmpdir", self.scratch] + list(args)

    def write_input(self, graphs, name="in.g6"):
        path = os.path.join(self.dir, name)
        with open(path, "w") as f:
            f.write("".join(g + "\n" for g in graphs))
        return path

    def batch(self, *args, stdin="", **kw):
        return subprocess.run(self.cmd(*args), input=stdin, capture_output=True, text=True,
                              env=self.env(), timeout=300, **kw)

    def start(self, *args):
        return subprocess.Popen(self.cmd(*args), stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                stdin=subprocess.DEVNULL, text=True, env=self.env())

    def one_run(self, text, *options):
        """The CSV of one stand-in run over the graphs of text."""
        env = dict(os.environ)
        env.pop("STUB_CONTROL", None)
        return subprocess.run([STUB_CENSUS, "--no-summary"] + list(options), input=text,
                              capture_output=True, text=True, env=env).stdout

    def read(self, path):
        with open(path) as f:
            return f.read()

    def runs(self):
        """The stand-in's finished runs, each the list of graphs it answered."""
        if not os.path.exists(self.log):
            return []
        with open(self.log) as f:
            return [line.split() for line in f]

    def journal_records(self, path=None):
        with open(path or self.out + ".journal") as f:
            return [json.loads(line) for line in f if line.endswith("\n")]

    def done_parts(self):
        return {r["done"] for r in self.journal_records()[1:] if "done" in r}

    def unfinished_journal(self, *args):
        """A batch whose part with graph BW fails: its journal stays."""
        self.control({"exit": {"BW": 7}})
        p = self.batch("-o", self.out, *args)
        self.assertEqual(p.returncode, 4, p.stderr)
        self.assertIn("wordrep-batch: part ", p.stderr)
        self.assertIn(" failed: wordrep-census exited with status 7: wordrep-census: stand-in "
                      "told to stop at BW\n", p.stderr)
        self.assertTrue(p.stderr.endswith("; run the same command with --resume to go on\n"))
        self.control({})
        with open(self.out + ".journal") as f:
            return f.read()

    def assertNothingLeft(self):
        """No journal, part files or scratch directories after a complete batch."""
        self.assertEqual([n for n in os.listdir(self.dir) if n.startswith("out.csv.")], [])
        self.assertEqual(os.listdir(self.scratch), [])


def geng_parts(args, parts):
    """The lines of every part of a family, in part order."""
    return "".join(subprocess.run([GENG, "-q"] + args + ["%d/%d" % (i, parts)],
                                  capture_output=True, text=True, check=True).stdout
                   for i in range(parts))


class Parts(CensusCase):
    def test_lists_in_parts_give_the_rows_of_one_run_in_input_order(self):
        graphs = geng("-c", 6)[:40]
        # The first part waits on a gate that the last part opens once it is
        # answered: the first part finishes last however busy the machine is.
        gate = os.path.join(self.dir, "gate")
        first_last = {"wait": {graphs[0]: gate}, "open": {graphs[-1]: gate}}
        machines = os.path.join(self.dir, "machines")
        with open(machines, "w") as f:
            f.write("2/:\n")            # ":" is this machine in GNU parallel's sshlogin syntax
        # (input text, options, stand-in control)
        cases = [
            ("".join(g + "\n" for g in graphs), ["--chunk", "7", "-j", "3"], first_last),
            (">>graph6<<Bg\n\n  BW  \n\nBw\n", ["--chunk", "2"], {}),
            ("".join(g + "\n" for g in graphs[:5]), ["--chunk", "100"], {}),
            ("".join(g + "\n" for g in graphs[:9]), ["--chunk", "2", "--sshloginfile", machines], {}),
            ("#wordrep-end 0 ok\nBg\n#wordrep-part 1\n", ["--chunk", "1"], {}),
            ("", [], {}),
        ]
        for text, opts, ctl in cases:
            with self.subTest(text=text[:20], opts=opts):
                self.control(ctl)
                open(self.log, "w").close()
                if os.path.exists(gate):
                    os.unlink(gate)
                path = self.write_input(text.splitlines())
                p = self.batch(path, "-o", self.out, *opts)
                failed = "failed:" in self.one_run(text)
                self.assertEqual(p.returncode, 1 if failed else 0, p.stderr)
                self.assertEqual(self.read(self.out), self.one_run(text))
                self.assertEqual(p.stdout, "")
                self.assertNothingLeft()
                if os.path.exists(gate):
                    os.unlink(gate)
                q = self.batch(*opts, stdin=text)          # standard input to standard output
                self.assertEqual((q.returncode, q.stdout), (p.returncode, self.one_run(text)))
        # The first case's parts did finish out of order.
        self.control(first_last)
        open(self.log, "w").close()
        if os.path.exists(gate):
            os.unlink(gate)
        self.batch(self.write_input(graphs), "--chunk", "7", "-j", "3")
        firsts = [run[0] for run in self.runs()]
        self.assertEqual(sorted(firsts), sorted(graphs[0::7]))
        self.assertLess(firsts.index(graphs[35]), firsts.index(graphs[0]))

    def test_geng_parts_are_nautys_res_mod_in_order(self):
        for args, parts in ((["-c", "6"], 7), (["5"], 1), (["-c", "5", "4:5"], 3)):
            with self.subTest(args=args, parts=parts):
                p = self.batch("--geng", " ".join(args), "--parts", str(parts), "-o", self.out)
                self.assertEqual(p.returncode, 0, p.stderr)
                got = self.read(self.out)
                self.assertEqual(got, self.one_run(geng_parts(args, parts)))
                # The same graphs as the whole family in one run.
                whole = self.one_run(subprocess.run([GENG, "-q"] + args, capture_output=True,
                                                    text=True).stdout)
                self.assertEqual(sorted(got.splitlines()), sorted(whole.splitlines()))
                self.assertIn("  parts: %d of %d finished, 0 taken from the journal\n"
                              % (parts, parts), p.stderr)
                self.assertNothingLeft()


class Summary(CensusCase):
    def test_counts(self):
        # Each graph's answer is set here; the summary must count exactly these.
        rows = {
            "Bg": {"semi_transitive": "yes", "representation_number": "2"},
            "BW": {"semi_transitive": "yes", "representation_number": "3"},
            "Bw": {"semi_transitive": "yes", "representation_number": "3"},
            "B?": {"semi_transitive": "yes", "representation_number": "7"},
            "Bo": {"semi_transitive": "no", "representation_number": "", "witness": "1 2 3"},
            "C~": {"semi_transitive": "no", "representation_number": "", "witness": "1 2 3"},
            "CF": {"semi_transitive": "no", "representation_number": "", "witness": "1 2 3 4"},
            "CU": {"semi_transitive": "yes", "representation_number": "failed: no K"},
        }
        self.control({"rows": rows})
        p = self.batch("--chunk", "3", stdin="".join(g + "\n" for g in rows))
        self.assertEqual(p.returncode, 1)
        lines = p.stderr.splitlines()
        self.assertEqual(lines[:-1], ["wordrep-batch: 8 graphs",
                                      "  representation number 2: 1",
                                      "  representation number 3: 2",
                                      "  representation number 7: 1",
                                      "  not word-representable: 3",
                                      "  minimal non-word-representable: 2",
                                      "  failures: 1",
                                      "  parts: 3 of 3 finished, 0 taken from the journal"])
        self.assertRegex(lines[-1], r"^  wall time: \d+\.\d\d s, 8 graphs run, \d+\.\d\d graphs/s$")
        quiet = self.batch("-q", "--chunk", "3", stdin="".join(g + "\n" for g in rows))
        self.assertEqual((quiet.returncode, quiet.stdout, quiet.stderr), (1, p.stdout, ""))


class Resume(CensusCase):
    def killed_then_resumed(self, sig):
        graphs = geng("-c", 6)[:60]
        path = self.write_input(graphs)
        # Parts 0-2 run; from part 3 on every graph waits at a gate, shut until
        # the batch is stopped with two parts waiting at it.  Every run holds
        # a shared lock on `running` while it lives.
        gate, waiting = os.path.join(self.dir, "gate"), os.path.join(self.dir, "waiting")
        running = os.path.join(self.dir, "running")
        os.mkdir(waiting)
        self.control({"wait": {g: gate for g in graphs[15:]}, "waiting": waiting,
                      "running": running})
        p = self.start(path, "--chunk", "5", "-j", "2", "-o", self.out)
        wait_for(lambda: os.path.exists(self.out + ".journal") and len(self.done_parts()) == 3
                 and len(os.listdir(waiting)) == 2, [self.dir, waiting])
        p.send_signal(sig)
        _, err = p.communicate(timeout=60)
        self.assertEqual(p.returncode, 130 if sig == signal.SIGTERM else -signal.SIGKILL, err)
        if sig == signal.SIGTERM:
            self.assertEqual(err.splitlines()[-1], "wordrep-batch: interrupted; run the same "
                                                   "command with --resume to go on")
        done = self.done_parts()
        self.assertEqual(done, {0, 1, 2})
        # Parts a killed batch left running go on once the gate opens: wait
        # for every run to end (its lock with it).
        open(gate, "w").close()
        with open(running) as f:
            fcntl.flock(f, fcntl.LOCK_EX)
        before = len(self.runs())

        q = self.start(path, "--chunk", "5", "-j", "2", "-o", self.out, "--resume")
        _, err = q.communicate(timeout=120)
        self.assertEqual(q.returncode, 0, err)
        self.assertEqual(self.read(self.out), self.one_run("".join(g + "\n" for g in graphs)))
        self.assertIn("  parts: 12 of 12 finished, %d taken from the journal\n" % len(done), err)
        self.assertIn(", %d graphs run," % (60 - 5 * len(done)), err)
        self.assertNothingLeft()
        # Finished parts were not run again; every other part was.
        again = sorted(run[0] for run in self.runs()[before:])
        self.assertEqual(again, sorted(graphs[5 * i] for i in range(12) if i not in done))

    def test_terminated_and_resumed(self):
        self.killed_then_resumed(signal.SIGTERM)

    def test_killed_and_resumed(self):
        self.killed_then_resumed(signal.SIGKILL)

    def test_a_failed_part_runs_again_on_resume(self):
        text = "Bg\nBw\nBW\nC~\nCF\n"
        path = self.write_input(text.split())
        for options in ([], ["--shortcut-length", "3"], ["--format", "jsonl", "--shortcut-length", "4"]):
            with self.subTest(options=options):
                self.unfinished_journal(path, "--chunk", "2", *options)
                before = len(self.runs())
                p = self.batch(path, "-o", self.out, "--chunk", "2", "--resume", *options)
                self.assertEqual(p.returncode, 0, p.stderr)
                self.assertEqual(self.read(self.out), self.one_run(text, *options))
                # (with options, a first run on no input checks them)
                self.assertEqual([r for r in self.runs()[before:] if r], [["BW", "C~"]])
                # The summary counts the journal's parts and the new one alike.
                own = subprocess.run([STUB_CENSUS] + options, input=text, capture_output=True,
                                     text=True).stderr
                self.assertEqual(p.stderr.splitlines()[:-2],
                                 own.replace("wordrep-census", "wordrep-batch").splitlines())
                self.assertIn("  parts: 3 of 3 finished, 2 taken from the journal\n", p.stderr)
                self.assertNothingLeft()

    def test_journal_of_other_input_is_refused(self):
        g6 = self.write_input(["Bg", "BW", "Bw", "C~", "CF", "CU"])
        # (the unfinished batch, the resume it must refuse, the reason)
        other = "belongs to a different input \\(.+\\)"
        cases = [
            ([g6, "--chunk", "2"], [self.write_input(["Bg", "Bw"], "a"), "--chunk", "2"], other),
            ([g6, "--chunk", "2"], [g6, "--chunk", "3"], other),
            ([g6, "--chunk", "2"], ["--geng", "-c 3", "--parts", "2"], other),
            (["--geng", "-c 4", "--parts", "2"], ["--geng", "-c 5", "--parts", "2"], other),
            (["--geng", "-c 4", "--parts", "2"], ["--geng", "-c 4", "--parts", "3"], other),
            ([g6, "--chunk", "2"], [self.write_input(["Bg", "BW", "Bw", "C~", "CU", "CF"], "b"),
                                    "--chunk", "2"], "belongs to a different input \\(part 2 differs\\)"),
            ([g6, "--chunk", "2"], [self.write_input(["Bg", "BW", "Bw", "C~"], "c"),
                                    "--chunk", "2"], "belongs to a different input \\(it has more parts\\)"),
        ]
        for first, second, reason in cases:
            with self.subTest(first=first, second=second):
                if first[0] == "--geng":
                    self.control({"exit": {"C~": 7}})
                    self.assertEqual(self.batch("-o", self.out, *first).returncode, 4)
                    journal = self.read(self.out + ".journal")
                else:
                    journal = self.unfinished_journal(*first)
                self.control({})
                output = self.read(self.out)
                p = self.batch("-o", self.out, "--resume", *second)
                self.assertEqual(p.returncode, 2)
                self.assertRegex(p.stderr, r"^wordrep-batch: (the )?journal (\S+ )?%s; remove it or use "
                                           r"the input it was made from\n$" % reason)
                if "differs" not in reason and "more" not in reason:
                    self.assertEqual((self.read(self.out + ".journal"), self.read(self.out)),
                                     (journal, output))
                q = self.batch("-o", self.out, *first)          # no --resume: refused too
                self.assertEqual(q.returncode, 2)
                self.assertIn("exists from an unfinished batch: add --resume", q.stderr)
                os.unlink(self.out + ".journal")
                shutil.rmtree(self.out + ".journal.parts")


class DiskFull(CensusCase):
    def wait_until(self, done, p):
        """Waits until done() holds, woken by changes in the test's folder."""
        try:
            wait_for(lambda: done() or p.poll() is not None, [self.dir], timeout=240)
        except GateTimeout:
            pass
        self.assertTrue(done(), "the batch ended before the condition held")

    def test_a_file_that_cannot_be_written_ends_the_batch_resumably(self):
        # (graphs, chunk, the file that reaches the size limit first, gated):
        # rows of about 57 bytes against journal records of about 190 bytes
        # per part.  (GNU parallel checks its own disk with files of 8193
        # bytes.)  In the gated case the first part waits on a gate file that
        # is made once every other part is recorded, so the output fills up
        # only when they are all recorded: the resume has only to put them out.
        limit = 8200
        gate = os.path.join(self.dir, "gate")
        cases = [(200, "25", self.out, True), (60, "1", self.out + ".journal", False)]
        for count, chunk, victim, gated in cases:
            with self.subTest(chunk=chunk, victim=victim):
                for leftover in (self.out + ".journal", self.out + ".journal.parts", gate):
                    shutil.rmtree(leftover, ignore_errors=True)
                    if os.path.isfile(leftover):
                        os.unlink(leftover)
                graphs = geng("-c", 7)[:count]
                path = self.write_input(graphs)
                self.control({"wait": {graphs[0]: gate}} if gated else {}, log=False)
                p = subprocess.Popen(self.cmd(path, "--chunk", chunk, "-j", "2", "-o", self.out),
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                                     env=self.env(), preexec_fn=file_size_limit(limit))
                if gated:
                    self.wait_until(lambda: os.path.exists(self.out + ".journal")
                                    and self.done_parts() == set(range(1, 8)), p)
                    open(gate, "w").close()
                _, err = p.communicate(timeout=300)
                self.assertEqual(p.returncode, 3, err)
                self.assertEqual(err, "wordrep-batch: cannot write %s: File too large%s"
                                 % (victim, RESUME_HINT))
                self.assertEqual(os.path.getsize(victim), limit)
                if gated:
                    self.assertEqual(self.done_parts(), set(range(8)))
                q = self.batch(path, "--chunk", chunk, "-o", self.out, "--resume")
                self.assertEqual(q.returncode, 0, q.stderr)
                self.assertEqual(self.read(self.out), self.one_run("".join(g + "\n" for g in graphs)))
                self.assertNothingLeft()

    def test_standard_output_on_a_full_device(self):
        # (standard output, its size limit, environment, the reason): two
        # parts of 8.6 kB of rows each, the second going out in one write that
        # a file filling up cuts short, with Python's standard output buffered
        # or not.  (GNU parallel's own files stay below the limit.)
        text = "".join(g + "\n" for g in geng("-c", 7)[:300])
        cut = os.path.join(self.dir, "cut.csv")
        cases = [("/dev/full", None, BUFFERED, "No space left on device"),
                 ("/dev/full", None, UNBUFFERED, "No space left on device"),
                 (cut, 12000, BUFFERED, "File too large"),
                 (cut, 12000, UNBUFFERED, "File too large")]
        for target, limit, env, reason in cases:
            with self.subTest(target=target, env=env):
                with open(target, "w") as out:
                    p = subprocess.run(self.cmd("--chunk", "150"), input=text, stdout=out,
                                       stderr=subprocess.PIPE, text=True,
                                       env=dict(self.env(), **env),
                                       preexec_fn=limit and file_size_limit(limit))
                self.assertEqual((p.returncode, p.stderr),
                                 (3, "wordrep-batch: cannot write standard output: %s\n" % reason))
                self.assertEqual(os.listdir(self.scratch), [])


class PassedOn(CensusCase):
    def test_format_and_shortcut_length_reach_every_part(self):
        graphs = geng("-c", 6)[:30] + ["Bx"]
        text = "".join(g + "\n" for g in graphs)
        args_log = os.path.join(self.dir, "args")
        csv_run = self.batch("--chunk", "7", stdin=text)
        # (options, the census's options in each part, the output's first line)
        cases = [
            (["--format", "jsonl"], ["--no-summary", "--format", "jsonl"], "{"),
            (["--shortcut-length", "4"], ["--no-summary", "--shortcut-length", "4"], "graph6,"),
            (["--format", "csv", "--shortcut-length", "3"],          # the default left out
             ["--no-summary", "--shortcut-length", "3"], "graph6,"),
            (["--format", "jsonl", "--shortcut-length", "5"],
             ["--no-summary", "--shortcut-length", "5", "--format", "jsonl"], "{"),
            (["--time-limit", "2.5", "--format", "jsonl"],
             ["--no-summary", "--time-limit", "2.5", "--format", "jsonl"], "{"),
        ]
        for opts, census_args, first in cases:
            for source in (["--chunk", "7"], ["--geng", "-c 5", "--parts", "3"]):
                with self.subTest(opts=opts, source=source):
                    self.control({"args": args_log})
                    if os.path.exists(args_log):
                        os.unlink(args_log)
                    given = text if source[0] == "--chunk" else geng_parts(["-c", "5"], 3)
                    p = self.batch(*source, *opts, "-o", self.out, stdin=given)
                    self.assertEqual(p.returncode, 1 if "Bx" in given else 0, p.stderr)
                    whole = subprocess.run([STUB_CENSUS] + census_args, input=given,
                                           capture_output=True, text=True).stdout
                    self.assertEqual(self.read(self.out), whole)
                    self.assertTrue(whole.startswith(first))
                    with open(args_log) as f:
                        runs = [json.loads(line) for line in f]
                    # One check of the options before the start, then every part.
                    self.assertEqual(runs, [census_args] * (len(runs)))
                    self.assertEqual(len(runs), 1 + (5 if source[0] == "--chunk" else 3))
                    # The summary is the census's own for these options.
                    own = subprocess.run([STUB_CENSUS] + census_args[1:], input=given,
                                         capture_output=True, text=True).stderr
                    self.assertEqual(p.stderr.splitlines()[:-2],
                                     own.replace("wordrep-census", "wordrep-batch").splitlines())
                    if source[0] == "--chunk" and "--shortcut-length" not in opts:
                        self.assertEqual(p.stderr.splitlines()[:-1], csv_run.stderr.splitlines()[:-1])
                    self.assertNothingLeft()

    def test_a_journal_of_other_census_options_is_refused(self):
        g6 = self.write_input(["Bg", "BW", "Bw", "C~", "CF", "CU"])
        self.unfinished_journal(g6, "--chunk", "2", "--format", "jsonl")
        for opts in ([], ["--format", "csv"], ["--format", "jsonl", "--shortcut-length", "3"]):
            with self.subTest(opts=opts):
                p = self.batch(g6, "--chunk", "2", "-o", self.out, "--resume", *opts)
                self.assertEqual((p.returncode, p.stderr), (2, (
                    "wordrep-batch: journal %s.journal belongs to a different input (the census "
                    "with --format jsonl on a list in parts of 2 lines); remove it or use the "
                    "input it was made from\n" % self.out)))
        p = self.batch(g6, "--chunk", "2", "-o", self.out, "--resume", "--format", "jsonl")
        self.assertEqual(p.returncode, 0, p.stderr)
        self.assertEqual(self.read(self.out), subprocess.run(
            [STUB_CENSUS, "--format", "jsonl"], input="Bg\nBW\nBw\nC~\nCF\nCU\n",
            capture_output=True, text=True).stdout)


class CommandLine(CensusCase):
    def test_bad_command_lines_are_refused_before_starting(self):
        g6 = self.write_input(["Bg"])
        folder = os.path.join(self.dir, "folder")
        os.mkdir(folder)
        cases = [
            ([g6, "-o", folder], "cannot open %s: Is a directory" % folder),
            ([g6, "--geng", "-c 5"], "give either a FILE or --geng, not both"),
            (["--parts", "3"], "--parts is for --geng; a list is split with --chunk"),
            (["--geng", "-c 5", "--chunk", "3"],
             "--chunk is for a list; a --geng family is split with --parts"),
            (["--verify"], "--verify needs --programs"),
            (["--timeout", "5"], "--timeout needs --programs"),
            (["--programs", "--geng", "-c 5"], "--geng is for the census, not --programs"),
            (["--geng", "-c 5 0/3"],
             "--geng: leave out res/mod and output files; --parts does the splitting"),
            (["--geng", "-c 5", "--parts", "0"], "--parts must be at least 1"),
            (["--geng", "-c 5 4:6 out.g6"], "--geng: give the vertex count and at most an edge "
                                            "range (no output file: the census reads "
                                            "nauty-geng's output)"),
            (["--geng", "-cu 5"], "--geng: leave out -u, -s, -y and -h; the census reads graph6 lines"),
            (["--geng", "-d1 -s 5"],
             "--geng: leave out -u, -s, -y and -h; the census reads graph6 lines"),
            ([g6, "--chunk", "0"], "--chunk must be at least 1"),
            (["--geng", "-c 5 -Z"], "nauty-geng -c 5 -Z: Usage: geng [-cCmtfkbd#D#] "
                                    "[-uygsnh] [-lvq] [-x#X#] n [mine[:maxe]] [res/mod] [file]"),
            ([os.path.join(self.dir, "missing.g6")],
             "cannot read %s/missing.g6: No such file or directory" % self.dir),
            ([g6, "--census", os.path.join(self.dir, "none")],
             "wordrep-census not found at %s/none (use --bin DIR or --census PATH)" % self.dir),
            ([g6, "--resume"], "--resume needs -o FILE"),
            ([g6, "--journal", os.path.join(self.dir, "j")],
             "--journal needs -o FILE (the output is put together in that file)"),
            (["--geng", "-c 257"],
             "--geng: graphs on 257 vertices; wordrep-census accepts at most 256"),
            (["--geng", "-c -d2 300 0:90", "--parts", "3"],
             "--geng: graphs on 300 vertices; wordrep-census accepts at most 256"),
            ([g6, "-o", self.out, "-j", "0"], "-j 0 would start as many jobs as GNU parallel "
                                              "can; give a number, or leave -j out for one per core"),
            ([g6, "-o", self.out, "-j", "0%"], "-j 0% would start as many jobs as GNU parallel "
                                               "can; give a number, or leave -j out for one per core"),
            ([g6, "-o", self.out, "-j", "abc"],
             "-j takes a number of jobs per machine (N, +N, -N or N%), not 'abc'"),
            ([g6, "-o", self.out, "--sshloginfile", os.path.join(self.dir, "missing")],
             "cannot read the --sshloginfile %s/missing: No such file or directory" % self.dir),
            ([g6, "--format", "xml"], None),
            ([g6, "--programs", "--format", "jsonl"], "--format is for the census, not --programs"),
            ([g6, "--programs", "--shortcut-length", "3"],
             "--shortcut-length is for the census, not --programs"),
            ([g6, "--programs", "--time-limit", "3"],
             "--time-limit is for the census, not --programs"),
        ]
        for args, message in cases:
            with self.subTest(args=args):
                p = self.batch(*args)
                if message is None:          # refused by argparse, with its usage first
                    self.assertEqual((p.returncode, p.stdout), (2, ""))
                    self.assertTrue(p.stderr.startswith("usage: wordrep-batch "), p.stderr)
                    continue
                self.assertEqual((p.returncode, p.stdout, p.stderr),
                                 (2, "", "wordrep-batch: %s\n" % message))
        self.assertEqual(self.runs(), [])
        # Nothing left that a later run would take for an unfinished batch.
        self.assertEqual(sorted(os.listdir(self.dir)), ["control.json", "folder", "in.g6", "scratch"])
        self.assertEqual(os.listdir(self.scratch), [])

    def test_help_version_and_the_end_of_options(self):
        from wordrep import __version__
        for name in ("wordrep-batch", "wordrep-part", "wordrep-one"):
            with self.subTest(tool=name):
                p = subprocess.run([tool(name), "--help"], capture_output=True, text=True)
                self.assertEqual((p.returncode, p.stderr), (0, ""))
                self.assertTrue(p.stdout.startswith("usage: %s " % name), p.stdout)
                self.assertIn("Exit status:", p.stdout)
                p = subprocess.run([tool(name), "--version"], capture_output=True, text=True)
                self.assertEqual((p.returncode, p.stdout, p.stderr),
                                 (0, "%s %s\n" % (name, __version__), ""))
                p = subprocess.run([tool(name), "--", "x"], capture_output=True, text=True,
                                   stdin=subprocess.DEVNULL)
                self.assertEqual((p.returncode, p.stdout), (2, ""))
        # "--" before a file whose name starts with "-".
        with open(os.path.join(self.dir, "-in.g6"), "w") as f:
            f.write("Bg\nBw\n")
        p = subprocess.run(self.cmd("--", "-in.g6"), capture_output=True, text=True,
                           env=self.env(), cwd=self.dir)
        self.assertEqual((p.returncode, p.stdout), (0, self.one_run("Bg\nBw\n")), p.stderr)
        # "-o -" is standard output, not a file named "-"; "-o ./-" is that file.
        for out, stdout in (("-", self.one_run("Bg\nBw\n")), ("./-", "")):
            with self.subTest(output=out):
                p = subprocess.run(self.cmd("-o", out, "--", "-in.g6"), capture_output=True,
                                   text=True, env=self.env(), cwd=self.dir)
                self.assertEqual((p.returncode, p.stdout), (0, stdout), p.stderr)
                self.assertEqual(os.path.exists(os.path.join(self.dir, "-")), out == "./-")
        with open(os.path.join(self.dir, "-")) as f:
            self.assertEqual(f.read(), self.one_run("Bg\nBw\n"))
        payload = "0 " + base64.b64encode(b"Bg\n").decode() + "\n"
        p = subprocess.run([tool("wordrep-part"), "--", "T", "list", STUB_CENSUS], input=payload,
                           capture_output=True, text=True)
        self.assertEqual((p.returncode, p.stdout),
                         (0, "\n#wordrep-part T 0\n" + self.one_run("Bg\n") + "#wordrep-end T 0 ok\n"))


class ProgressBar(CensusCase):
    def on_terminal(self, *args):
        return run_on_terminal([a for a in self.cmd(*args) if a != "--no-progress"], self.env())

    def test_bar_with_rate_and_time_left_on_a_terminal_only(self):
        g6 = self.write_input(geng("-c", 5))
        # (options, the bar once everything is done)
        cases = [
            (["--geng", "-c 5", "--parts", "4"],
             r"\r\[#{30}\] 4/4 parts 100% 21 graphs [0-9.]+ graphs/s ETA 0:00 "),
            ([g6, "--chunk", "5"], r"\r\[#{30}\] 100% 21 graphs [0-9.]+ graphs/s ETA 0:00 "),
        ]
        for args, final in cases:
            with self.subTest(args=args):
                status, out, screen = self.on_terminal(*args)
                self.assertEqual(status, 0, screen)
                self.assertEqual(out.count("\n"), 22)
                self.assertRegex(screen, final)
                self.assertRegex(screen, r"\r\[[.?]{30}\] ")        # the bar before any part
                self.assertIn("wordrep-batch: 21 graphs", screen)
                p = self.batch(*[a for a in args if a != "--no-progress"])
                self.assertNotIn("\r", p.stderr)


if __name__ == "__main__":
    unittest.main()
