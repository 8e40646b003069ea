"""Fault injection end to end: truncated results, files and directories that
fail under the programs, a solver killed by a signal, broken pipes.

Cases test_frame.py has already (ff a directory, a dangling ff symlink, the
shell killed by a signal, standard output on /dev/full, no solver) are not
repeated here.
"""

import os
import resource
import shlex
import shutil
import signal
import stat
import subprocess
import tempfile
import threading
import unittest
from contextlib import contextmanager
from pathlib import Path

import harness
from harness import BIN, SCRIPTED_SOLVER, Run, cleanup, golden, graph, run
from reference import (PAST_END, RANGE, Reader, Stop, alterword_outcome, model,
                       orientcheck_outcome)

PROGRAMS = ["alterword", "orientcheck"]
PATH3 = graph(3, [(1, 2), (2, 3)])
EDGE = graph(2, [(1, 2)])
GATES = str(Path(__file__).resolve().parent.parent / "tools")   # gate.py
EXECUTE = ("`Execute': cannot execute program", 488)


def solver_script(body):
    return "#!/bin/sh\n" + body + "\n"


# The path on five vertices and a 2-uniform word for it, with two-digit positions.
PATH5 = graph(5, [(1, 2), (2, 3), (3, 4), (4, 5)])
PATH5_RESULT = model([1, 2, 1, 3, 2, 4, 3, 5, 4, 5])
PATH5_K3 = model([1, 2, 1, 3, 2, 4, 3, 5, 4, 5, 1, 2, 3, 4, 5])
# orientcheck's result for one edge, with weight and reachability lines among the F lines.
EDGE_RESULT = (b"sat\n(= (W 1) 10)\n(= (F 1 1) false)\n(= (R 1 2) true)\n(= (F 1 2) true)\n"
               b"(= (W 2) -3)\n(= (F 2 1) false)\n(= (R 2 1) false)\n(= (F 2 2) false)\n")


class ReferenceReader(unittest.TestCase):
    """The reference decoding above gives what the programs' own tests state."""

    def test_known_outcomes(self):
        self.assertEqual(alterword_outcome(5, [PATH5_RESULT]).stdout,
                         b"representing word for 2:\n1213243545\n")
        self.assertEqual(alterword_outcome(2, [b"sat\n(xx(A $1 2#1]  3\n(= (A 1 2)\t4 extra\n(= (A 2 1) +1\n(= (A 2 2)\n2\n"]).stdout,
                         b"representing word for 2:\n2211\n")
        self.assertEqual(alterword_outcome(2, [b"sat\n(= (A 1 1) 1)\n(= (A 1 2) 3)"]).error, PAST_END)
        self.assertEqual(alterword_outcome(2, [b"sat\n(= (A - 1) 1)\n"]).error, ("digit expected after sign", 551))
        self.assertEqual(orientcheck_outcome(2, EDGE_RESULT).stdout, b"Semi-transitive by orientation:\n1 2\n")
        self.assertEqual(orientcheck_outcome(2, b"sat\n(= (F 1 2) true)\n\n(= (F 2 1) true)\n").error, RANGE)
        self.assertEqual(orientcheck_outcome(2, b"unsat").stdout, b"Not semi-transitive\n")
        r = Reader(b"18446744073709551618#1 ")
        with self.assertRaises(Stop) as stop:
            r.read_int()
        self.assertEqual(stop.exception.code, 553)


class TruncatedResult(unittest.TestCase):
    """A result file cut after every byte of a valid result."""

    def check(self, program, stdin, r, want, prefix):
        if want.error is None:
            self.assertEqual((r.status, r.stderr), (0, b""))
            self.assertEqual(r.ff(), b"", "a normal run leaves ff empty")
        else:
            self.assertEqual(r.status, 42)
            self.assertEqual(r.report(), want.error)
            self.assertEqual(r.ff(), prefix, "ff keeps the result after a failure")
        self.assertEqual(r.stdout, want.stdout)

    def test_alterword(self):
        for cut in range(len(PATH5_RESULT) + 1):
            prefix = PATH5_RESULT[:cut]
            with self.subTest(prefix=prefix):
                want = alterword_outcome(5, [prefix, PATH5_K3])
                r = run("alterword", PATH5, answers=[prefix], default=PATH5_K3)
                self.check("alterword", PATH5, r, want, prefix)
                cleanup(r)

    def test_orientcheck(self):
        for cut in range(len(EDGE_RESULT) + 1):
            prefix = EDGE_RESULT[:cut]
            with self.subTest(prefix=prefix):
                want = orientcheck_outcome(2, prefix)
                r = run("orientcheck", EDGE, default=prefix)
                self.check("orientcheck", EDGE, r, want, prefix)
                cleanup(r)

    def test_outcomes_cover_every_kind(self):
        # The cuts above reach success, the end of the text and a short line.
        outcomes = {alterword_outcome(5, [PATH5_RESULT[:c], PATH5_K3]).error
                    for c in range(len(PATH5_RESULT) + 1)}
        self.assertEqual(outcomes, {None, PAST_END})
        outcomes = {orientcheck_outcome(2, EDGE_RESULT[:c]).error for c in range(len(EDGE_RESULT) + 1)}
        self.assertEqual(outcomes, {None, PAST_END, RANGE})


@contextmanager
def fake_command(name, script):
    """Puts a script called `name` first in PATH for the programs' shell."""
    bindir = Path(tempfile.mkdtemp(prefix="wordrep-bin-"))
    (bindir / name).write_text(script)
    (bindir / name).chmod(0o755)
    saved = os.environ["PATH"]
    os.environ["PATH"] = f"{bindir}:{saved}"
    try:
        yield bindir
    finally:
        os.environ["PATH"] = saved
        shutil.rmtree(bindir, ignore_errors=True)


class FilesBetweenCommands(unittest.TestCase):
    def test_ff_removed_by_the_solver_is_made_again_by_the_rename(self):
        solver = SCRIPTED_SOLVER.replace("cp ff bench$n\n", "cp ff bench$n\nrm ff\n")
        for program, stdin, answer, printed in [("alterword", EDGE, b"sat\n(= (A 1 1) 1)\n(= (A 1 2) 3)\n(= (A 2 1) 2)\n(= (A 2 2) 4)\n",
                                                 b"representing word for 2:\n1212\n"),
                                                ("orientcheck", EDGE, b"unsat\n", b"Not semi-transitive\n")]:
            with self.subTest(program=program):
                r = run(program, stdin, default=answer, solver=solver)
                self.assertEqual((r.status, r.stderr, r.stdout), (0, b"", printed))
                self.assertEqual(r.ff(), b"")
                self.assertEqual(len(r.benchmarks), 1)
                cleanup(r)

    def test_ff_removed_between_the_rename_and_the_reading(self):
        # The rename command "succeeds" but leaves no ff behind.
        with fake_command("mv", solver_script('/bin/mv "$@" && rm -f ff')):
            for program in PROGRAMS:
                with self.subTest(program=program):
                    r = run(program, PATH3, default=b"unsat\n")
                    self.assertEqual(r.status, 42)
                    self.assertEqual(r.report(),
                                     ("cannot open file `ff' for reading (No such file or directory)", 442))
                    self.assertEqual(r.stdout, b"")
                    self.assertIsNone(r.ff())
                    self.assertEqual(len(r.benchmarks), 1)
                    cleanup(r)

    def test_rename_that_does_nothing_leaves_the_benchmark(self):
        # ff still holds the benchmark: it must not be read as the verdict.
        with fake_command("mv", solver_script("exit 0")):
            for program, name in [("alterword", "uniform-edge-k2"), ("orientcheck", "orientation-edge")]:
                with self.subTest(program=program):
                    r = run(program, golden(name + ".in"), default=b"sat\n")
                    self.assertEqual(r.status, 42)
                    self.assertEqual(r.report(), EXECUTE)
                    self.assertEqual(r.stdout, b"")
                    self.assertEqual(r.ff(), golden(name + ".expect"))
                    cleanup(r)


SETPRIV = shutil.which("setpriv")


class UnwritableDirectory(unittest.TestCase):
    """The programs started from a directory they cannot write to."""

    def run_in(self, program, stdin, prepare, as_user=True, remove_cwd=False):
        work = Path(tempfile.mkdtemp(prefix="wordrep-test-"))
        (work / "yices").write_text(SCRIPTED_SOLVER)
        (work / "yices").chmod(0o755)
        (work / "default").write_bytes(b"unsat\n")
        prepare(work)
        argv = [str(BIN / program)]
        if as_user and os.geteuid() == 0:
            argv = [SETPRIV, "--reuid=nobody", "--regid=nogroup", "--clear-groups"] + argv

        def child_setup():
            if remove_cwd:
                shutil.rmtree(os.getcwd())

        proc = subprocess.run(argv, input=stdin, cwd=work, capture_output=True, timeout=60,
                              preexec_fn=child_setup)
        return Run(proc.returncode, proc.stdout, proc.stderr, work)

    def tearDown(self):
        for d in getattr(self, "dirs", []):
            d.chmod(0o755)
            shutil.rmtree(d, ignore_errors=True)

    def keep(self, r):
        self.dirs = getattr(self, "dirs", []) + [r.dir]

    @unittest.skipIf(os.geteuid() == 0 and SETPRIV is None, "as root this needs setpriv")
    def test_no_ff_yet(self):
        for program in PROGRAMS:
            with self.subTest(program=program):
                r = self.run_in(program, PATH3, lambda d: d.chmod(0o555))
                self.keep(r)
                self.assertEqual(r.status, 42)
                self.assertEqual(r.report(), ("cannot open file `ff' for writing (Permission denied)", 443))
                self.assertEqual(r.stdout, b"")
                self.assertIsNone(r.ff())
                self.assertFalse((r.dir / "count").exists(), "no command is run")

    @unittest.skipIf(os.geteuid() == 0 and SETPRIV is None, "as root this needs setpriv")
    def test_ff_not_writable(self):
        def prepare(d):
            (d / "ff").write_bytes(b"old contents\n")
            (d / "ff").chmod(0o444)
            d.chmod(0o555)
        for program in PROGRAMS:
            with self.subTest(program=program):
                r = self.run_in(program, PATH3, prepare)
                self.keep(r)
                self.assertEqual(r.status, 42)
                self.assertEqual(r.report(), ("cannot open file `ff' for writing (Permission denied)", 443))
                self.assertEqual(r.stdout, b"")
                self.assertEqual(r.ff(), b"old contents\n", "ff is not touched")

    @unittest.skipIf(os.geteuid() == 0 and SETPRIV is None, "as root this needs setpriv")
    def test_ff_writable_but_r_cannot_be_created(self):
        # The benchmark reaches ff, the shell cannot create r: no result
        # replaces the benchmark, which must not be taken for a verdict (it
        # used to make alterword search without end).
        def prepare(d):
            (d / "ff").write_bytes(b"")
            (d / "ff").chmod(0o666)
            d.chmod(0o555)
        for program, name in [("alterword", "uniform-edge-k2"), ("orientcheck", "orientation-edge")]:
            with self.subTest(program=program):
                r = self.run_in(program, golden(name + ".in"), prepare)
                self.keep(r)
                self.assertEqual(r.status, 42)
                self.assertEqual(r.report(after_commands=True), EXECUTE)
                self.assertIn(b"cannot create r", r.stderr)
                self.assertEqual(r.stdout, b"")
                self.assertEqual(r.ff(), golden(name + ".expect"))

    def test_working_directory_removed(self):
        for program in PROGRAMS:
            with self.subTest(program=program):
                r = self.run_in(program, PATH3, lambda d: None, as_user=False, remove_cwd=True)
                self.assertEqual(r.status, 42)
                self.assertEqual(r.report(), ("cannot open file `ff' for writing (No such file or directory)", 443))
                self.assertEqual(r.stdout, b"")
                self.assertFalse(r.dir.exists())


def killed_solver(sig):
    """The scripted solver, killing itself with `sig` once its answer is out."""
    return SCRIPTED_SOLVER + f"kill -{sig} $$\necho never printed\n"


class SolverKilled(unittest.TestCase):
    """The solver alone killed by a signal: the shell exits with 128 + n, the
    run goes on with what ff holds."""

    SIGNALS = ["KILL", "TERM", "SEGV", "ABRT", "HUP"]

    def test_after_its_answer(self):
        for sig in self.SIGNALS:
            with self.subTest(signal=sig, program="orientcheck"):
                r = run("orientcheck", EDGE, default=EDGE_RESULT, solver=killed_solver(sig))
                self.assertEqual((r.status, r.stdout), (0, b"Semi-transitive by orientation:\n1 2\n"))
                self.assertNotIn(b"error #", r.stderr)
                self.assertEqual(r.ff(), b"")
                cleanup(r)
            with self.subTest(signal=sig, program="alterword"):
                r = run("alterword", PATH5, answers=[b"unsat\n"], default=PATH5_K3, solver=killed_solver(sig))
                want = alterword_outcome(5, [b"unsat\n", PATH5_K3])
                self.assertEqual(want.stdout, b"no solution for 2,\nrepresenting word for 3:\n121324354512345\n")
                self.assertEqual((r.status, r.stdout), (0, want.stdout))
                self.assertNotIn(b"error #", r.stderr)
                self.assertEqual(len(r.benchmarks), 2)
                cleanup(r)

    def test_before_its_answer(self):
        # Killed before a single byte: the result is empty, no solver answered.
        solver = SCRIPTED_SOLVER.replace("if [ -f answer$n ]", "kill -TERM $$\nif [ -f answer$n ]")
        for program in PROGRAMS:
            with self.subTest(program=program):
                r = run(program, PATH3, default=b"unsat\n", solver=solver)
                self.assertEqual(r.status, 42)
                self.assertEqual(r.report(after_commands=True), PAST_END)
                self.assertEqual(r.stdout, b"")
                self.assertEqual(r.ff(), b"")
                cleanup(r)

    def test_in_the_middle_of_its_answer(self):
        # What it printed before it died is the result, decoded by the rules.
        for cut in [4, 20, 41, 60, len(PATH5_RESULT) - 1]:
            prefix = PATH5_RESULT[:cut]
            with self.subTest(program="alterword", cut=cut):
                r = run("alterword", PATH5, answers=[prefix], default=PATH5_K3, solver=killed_solver("KILL"))
                want = alterword_outcome(5, [prefix, PATH5_K3])
                self.assertEqual(r.stdout, want.stdout)
                if want.error is None:
                    self.assertEqual(r.status, 0)
                else:
                    self.assertEqual((r.status, r.report(after_commands=True)), (42, want.error))
                    self.assertEqual(r.ff(), prefix)
                cleanup(r)
        for cut in [3, 30, 60, len(EDGE_RESULT) - 1]:
            prefix = EDGE_RESULT[:cut]
            with self.subTest(program="orientcheck", cut=cut):
                r = run("orientcheck", EDGE, default=prefix, solver=killed_solver("SEGV"))
                want = orientcheck_outcome(2, prefix)
                self.assertEqual(r.stdout, want.stdout)
                if want.error is None:
                    self.assertEqual(r.status, 0)
                else:
                    self.assertEqual((r.status, r.report(after_commands=True)), (42, want.error))
                    self.assertEqual(r.ff(), prefix)
                cleanup(r)


class BrokenPipe(unittest.TestCase):
    """Standard output a pipe whose reader has gone."""

    def run_reading(self, program, stdin, lines, ignore_sigpipe, **kwargs):
        """Runs with a reader that takes `lines` lines of the output, then closes
        the pipe; the solver waits for the close before answering again."""
        rfd, wfd = os.pipe()
        box = {}
        started = threading.Event()

        def setup(d):
            box["dir"] = d
            started.set()

        got = []

        def reader():
            with os.fdopen(rfd, "rb", buffering=0) as pipe:
                data = b""
                while data.count(b"\n") < lines:
                    chunk = pipe.read(1)
                    if not chunk:
                        break
                    data += chunk
                got.append(data)
            started.wait()
            (box["dir"] / "closed").write_text("")

        t = threading.Thread(target=reader)
        t.start()
        with os.fdopen(wfd, "wb") as out:
            r = run(program, stdin, stdout=out, setup=setup, ignore_sigpipe=ignore_sigpipe, **kwargs)
        t.join()
        r.stdout = got[0]
        return r

    # Before its second answer, waits at a gate (tests/tools/gate.py) until
    # the reader has closed the pipe and made the file "closed".
    WAITING_SOLVER = SCRIPTED_SOLVER.replace(
        "cp ff bench$n\n",
        "cp ff bench$n\nif [ $n -ge 2 ]; then /usr/bin/python3 -B -c 'import sys; "
        "sys.path.insert(0, sys.argv[1]); from gate import wait_for_file; "
        "wait_for_file(\"closed\")' %s; fi\n" % shlex.quote(GATES))

    def test_sigpipe_default_kills_without_a_report(self):
        for program, answer in [("alterword", b"unsat\n"), ("orientcheck", b"unsat\n")]:
            with self.subTest(program=program, after="nothing read"):
                rfd, wfd = os.pipe()
                os.close(rfd)
                with os.fdopen(wfd, "wb") as broken:
                    r = run(program, PATH3, default=answer, stdout=broken)
                self.assertEqual(r.status, -signal.SIGPIPE)
                self.assertEqual(r.stderr, b"", "no report")
                self.assertEqual(r.ff(), answer, "ff keeps the result it held")
                self.assertEqual(len(r.benchmarks), 1)
                cleanup(r)
        with self.subTest(program="alterword", after="one line read"):
            r = self.run_reading("alterword", PATH3, 1, False, answers=[b"unsat\n", b"unknown\n"],
                                 default=b"unsat\n", solver=self.WAITING_SOLVER)
            self.assertEqual(r.stdout, b"no solution for 2,\n")
            self.assertEqual(r.status, -signal.SIGPIPE)
            self.assertEqual(r.stderr, b"")
            self.assertEqual(r.ff(), b"unknown\n")
            self.assertEqual(len(r.benchmarks), 2)
            cleanup(r)

    def test_sigpipe_ignored_reports_the_failed_write(self):
        r = self.run_reading("alterword", PATH3, 1, True, answers=[b"unsat\n", b"unknown\n"],
                             default=b"unsat\n", solver=self.WAITING_SOLVER)
        self.assertEqual(r.stdout, b"no solution for 2,\n")
        self.assertEqual(r.status, 42)
        # Every statement of the programs' output fits one atomic pipe write,
        # so nothing of the failed one was written: 466, never 467.
        self.assertEqual(r.report(), ("error when writing to Output", 466))
        self.assertEqual(r.ff(), b"unknown\n")
        self.assertEqual(len(r.benchmarks), 2)
        cleanup(r)


class FileSizeLimit(unittest.TestCase):
    """ff on a file system with no room: the file size limit cuts the benchmark."""

    def test_benchmark_cut_by_the_limit(self):
        def limit():
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            resource.setrlimit(resource.RLIMIT_FSIZE, (200, 200))

        for program, name in [("alterword", "uniform-edge-k2"), ("orientcheck", "orientation-edge")]:
            with self.subTest(program=program):
                work = Path(tempfile.mkdtemp(prefix="wordrep-test-"))
                (work / "yices").write_text(SCRIPTED_SOLVER)
                (work / "yices").chmod(0o755)
                proc = subprocess.run([str(BIN / program)], input=golden(name + ".in"), cwd=work,
                                      capture_output=True, timeout=60, preexec_fn=limit)
                r = Run(proc.returncode, proc.stdout, proc.stderr, work)
                self.assertEqual(r.status, 42)
                self.assertEqual(r.report(), ("error when writing to file `ff' (File too large)", 466))
                self.assertEqual(r.stdout, b"")
                self.assertEqual(r.ff(), golden(name + ".expect")[:200])
                self.assertFalse((work / "count").exists(), "no command is run")
                cleanup(r)


if __name__ == "__main__":
    unittest.main()
