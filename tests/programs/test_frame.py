"""The frame both programs share: graph input, the error report, the round trip."""

import fcntl
import os
import platform
import select
import shutil
import signal
import stat
import subprocess
import tempfile
import time
import unittest
from pathlib import Path

from harness import BIN, cleanup, golden, graph, run

PATH3 = b"3\n1 2\n2 3\n0 0\n"
PROGRAMS = ["alterword", "orientcheck"]


def solver_script(body):
    return "#!/bin/sh\n" + body + "\n"


def first_benchmark(stdin):
    """The first benchmark alterword writes for `stdin` (the solver answers sat)."""
    r = run("alterword", stdin, default=b"sat\n")
    cleanup(r)
    return r.benchmarks[0] if r.benchmarks else None


class GraphInput(unittest.TestCase):
    def test_inputs_read_as_the_path_on_three_vertices(self):
        expected = first_benchmark(PATH3)
        self.assertIn(b"(not\n", expected)
        cases = {
            "carriage return line ends": b"3\r\n1 2\r\n2 3\r\n0 0\r\n",
            "no final line end": b"3\n1 2\n2 3\n0 0",
            "blank lines, blanks and tabs": b"\n\n  3\n\t1 \t 2\n\n 2 3\n0 0\n",
            "pair split over two lines": b"3\n1\n2 ignored\n2 3\n0 0\n",
            "text after the numbers": b"3 1 3\n1 2 extra\n2 3 1 3\n0 0 1 3\n",
            "notations": b"$3\n+1 16#2\n2#10 $3\n0 0\n",
            "number ended by letters": b"3abc\n1 2xyz\n2 3\n0 0\n",
            "repeated edge, either order": b"3\n1 2\n2 1\n2 3\n3 2\n0 0\n",
            "vertices above the count": b"3\n1 2\n4 20\n2 3\n0 0\n",
            "terminating pair 0 7": b"3\n1 2\n2 3\n0 7\n1 3\n",
            "terminating pair -5 3": b"3\n1 2\n2 3\n-5 3\n",
            "lines after the end ignored": b"3\n1 2\n2 3\n0 0\n1 3\nnot even numbers\n",
        }
        for name, text in cases.items():
            with self.subTest(name):
                self.assertEqual(first_benchmark(text), expected)

    def test_counts_without_vertices(self):
        short = golden("uniform-empty.expect")
        for text in [b"0\n0 0\n", b"-9223372036854775808\n0 0\n", b"0x1F\n0 0\n", b"-4\n3 5\n0 0\n"]:
            with self.subTest(text=text):
                self.assertEqual(first_benchmark(text), short)

    def test_bad_inputs(self):
        cases = [
            (b"", "attempt to read past end of Input", 454),
            (b"  \n\n\t\n", "attempt to read past end of Input", 454),
            (b"3\n1 2\n", "attempt to read past end of Input", 454),
            (b"3\n1 2\n0", "attempt to read past end of Input", 454),
            (b"21\n0 0\n", "value out of range", 300),
            (b"3\n1 21\n0 0\n", "value out of range", 300),
            (b"3\n21 1\n0 0\n", "value out of range", 300),
            (b"3\n1 0\n0 0\n", "value out of range", 300),
            (b"3\n2 -1\n0 0\n", "value out of range", 300),
            (b"x\n", "sign or digit expected", 552),
            (b"3\n\r\n1 2\n0 0\n", "sign or digit expected", 552),
            (b"3\n1 2\n0 x\n", "sign or digit expected", 552),
            (b"+ 5\n", "digit expected after sign", 551),
            (b"-\n", "digit expected after sign", 551),
            (b"9223372036854775808\n", "overflow while reading integer", 553),
            (b"-9223372036854775809\n", "overflow while reading integer", 553),
            (b"18446744073709551616\n", "overflow while reading integer", 553),
            (b"$g\n", "digit expected after `$' in integer constant", 557),
            (b"8#9\n", "digit expected after `#' in integer constant", 558),
            (b"$1#1\n", "only one base specifier allowed in integer constant", 559),
            (b"2#1#1\n", "only one base specifier allowed in integer constant", 559),
            (b"1#0\n", "base out of range (2 .. 36)", 560),
            (b"37#0\n", "base out of range (2 .. 36)", 560),
        ]
        for program in PROGRAMS:
            for text, message, code in cases:
                with self.subTest(program=program, input=text):
                    r = run(program, text)
                    self.assertEqual(r.status, 42)
                    self.assertEqual(r.report(), (message, code))
                    self.assertEqual(r.stdout, b"")
                    self.assertIsNone(r.ff(), "no file is touched before the graph is read")
                    cleanup(r)

    def test_report_names_the_program_as_invoked(self):
        r = run("orientcheck", b"21\n", argv0="my-orientcheck")
        self.assertEqual(r.program_name(), "my-orientcheck")
        self.assertTrue(r.stderr.startswith(b"my-orientcheck: value out of range (error #300 at "))
        cleanup(r)


class RoundTrip(unittest.TestCase):
    def test_failures_of_files_and_commands(self):
        def ff_directory(d):
            (d / "ff").mkdir()

        def ff_dangling(d):
            (d / "ff").symlink_to(d / "missing" / "ff")

        cases = [
            ("ff is a directory", ff_directory, None, "cannot open directory `ff'", 401, False),
            ("ff cannot be created", ff_dangling, None,
             "cannot open file `ff' for writing (No such file or directory)", 443, False),
            ("no solver", None, False, "attempt to read past end of file `ff'", 454, True),
            ("solver not executable", lambda d: (d / "yices").write_text("echo sat\n"), False,
             "attempt to read past end of file `ff'", 454, True),
            ("solver prints nothing", None, solver_script("exit 0"),
             "attempt to read past end of file `ff'", 454, False),
            ("ff removed and rename fails", None, solver_script("rm -f ff r"),
             "cannot open file `ff' for reading (No such file or directory)", 442, True),
            ("result is a directory", None, solver_script("rm -f ff r; mkdir r"),
             "error when reading from file `ff' (Is a directory)", 464, False),
            ("shell ended by a signal", None, solver_script("kill -KILL $PPID"),
             "`Execute': cannot execute program", 488, False),
        ]
        for program in PROGRAMS:
            for name, setup, solver, message, code, shell_speaks in cases:
                with self.subTest(program=program, case=name):
                    kwargs = {"setup": setup}
                    if solver is False:
                        kwargs["solver"] = None
                    elif solver is not None:
                        kwargs["solver"] = solver
                    r = run(program, PATH3, **kwargs)
                    self.assertEqual(r.status, 42)
                    self.assertEqual(r.report(after_commands=shell_speaks), (message, code))
                    self.assertEqual(r.stdout, b"", "no verdict is made up")
                    cleanup(r)

    def test_ff_keeps_what_it_held_when_the_shell_dies(self):
        r = run("alterword", PATH3, solver=solver_script("cp ff copy; kill -KILL $PPID"))
        self.assertEqual(r.status, 42)
        self.assertEqual(r.ff(), (r.dir / "copy").read_bytes())
        self.assertTrue(r.ff().startswith(b"(benchmark test.smt\n"))
        cleanup(r)

    def test_ff_is_left_empty_and_made_with_the_umask(self):
        for program, answer in [("alterword", b"sat\n(= (A 1 1) 1)\n(= (A 1 2) 2)\n"), ("orientcheck", b"unsat\n")]:
            for umask, mode in [(0o022, 0o644), (0o077, 0o600), (0o000, 0o666)]:
                with self.subTest(program=program, umask=oct(umask)):
                    r = run(program, b"1\n0 0\n", default=answer, umask=umask)
                    self.assertEqual(r.status, 0, r.stderr)
                    self.assertEqual(r.ff(), b"")
                    self.assertEqual(stat.S_IMODE(os.stat(r.dir / "ff").st_mode), mode)
                    self.assertFalse((r.dir / "r").exists())
                    cleanup(r)

    def test_standard_output_failures(self):
        for program, answer in [("alterword", b"unsat\n"), ("orientcheck", b"unsat\n")]:
            with self.subTest(program=program, out="/dev/full"):
                with open("/dev/full", "wb") as full:
                    r = run(program, PATH3, default=answer, stdout=full)
                self.assertEqual(r.status, 42)
                self.assertEqual(r.report(), ("error when writing to Output", 466))
                self.assertEqual(len(r.benchmarks), 1, "stops at the first line it writes")
                cleanup(r)
            with self.subTest(program=program, out="closed pipe, broken-pipe signal ignored"):
                rfd, wfd = os.pipe()
                os.close(rfd)
                with os.fdopen(wfd, "wb") as broken:
                    r = run(program, PATH3, default=answer, stdout=broken, ignore_sigpipe=True)
                self.assertEqual(r.status, 42)
                self.assertEqual(r.report(), ("error when writing to Output", 466))
                cleanup(r)

    def test_first_line_empty_but_result_not_empty(self):
        # Only a result without a single byte stops the run; an empty first
        # line is a verdict like any other.
        r = run("orientcheck", b"0\n0 0\n", default=b"\n")
        self.assertEqual((r.status, r.stdout), (0, b"Semi-transitive by orientation:\n"))
        cleanup(r)
        r = run("alterword", b"0\n0 0\n", answers=[b"\n\n", b"sat\n"])
        self.assertEqual((r.status, r.stdout), (0, b"no solution for 2,\nrepresenting word for 3:\n\n"))
        cleanup(r)


WHEEL6 = graph(6, [(1, 2), (1, 3), (1, 4), (1, 5), (1, 6), (2, 3), (3, 4), (4, 5), (5, 6), (6, 2)])
SETPRIV = shutil.which("setpriv")
FLOCK_SYSCALL = {"x86_64": 73, "aarch64": 32}


class SharedDirectory(unittest.TestCase):
    """Runs started at once in one directory, where "ff" and "r" are shared names."""

    # Answers by the benchmark it is given (uniform word, the wheel's
    # orientation, any other orientation), slowly, so that the runs overlap.
    SOLVER = """#!/bin/sh
sleep 0.03
if grep -q '^:extrafuns ((A Int Int Int))$' ff; then cat word.result
elif grep -q '^(implies (F 6 6) ' ff; then echo unsat
else cat orientation.result
fi
sleep 0.03
"""
    # The path 1-2-3: the word 121323 and the orientation 2->1, 2->3.
    WORD = b"sat\n(= (A 1 1) 1)\n(= (A 2 1) 2)\n(= (A 1 2) 3)\n(= (A 3 1) 4)\n(= (A 2 2) 5)\n(= (A 3 2) 6)\n"
    ORIENTATION = b"sat\n" + b"".join(
        b"(= (F %d %d) %s)\n" % (i, j, b"true" if (i, j) in [(2, 1), (2, 3)] else b"false")
        for i in range(1, 4) for j in range(1, 4))
    RUNS = [
        ("orientcheck", WHEEL6, b"Not semi-transitive\n"),
        ("orientcheck", PATH3, b"Semi-transitive by orientation:\n2 1\n2 3\n"),
        ("alterword", PATH3, b"representing word for 2:\n121323\n"),
    ]

    def scratch(self):
        work = Path(tempfile.mkdtemp(prefix="wordrep-test-"))
        (work / "yices").write_text(self.SOLVER)
        (work / "yices").chmod(0o755)
        (work / "word.result").write_bytes(self.WORD)
        (work / "orientation.result").write_bytes(self.ORIENTATION)
        return work

    def test_concurrent_runs_each_give_the_lone_answer(self):
        for attempt in range(12):
            work = self.scratch()
            procs = []
            for n, (program, stdin, _) in enumerate(self.RUNS):
                (work / f"input{n}").write_bytes(stdin)
                with open(work / f"input{n}", "rb") as text:
                    procs.append(subprocess.Popen([str(BIN / program)], cwd=work, stdin=text,
                                                  stdout=subprocess.PIPE, stderr=subprocess.PIPE))
            outcomes = [proc.communicate(timeout=120) + (proc.returncode,) for proc in procs]
            for (program, _, answer), (out, err, status) in zip(self.RUNS, outcomes):
                with self.subTest(attempt=attempt, program=program, answer=answer):
                    self.assertEqual((status, out, err), (0, answer, b""))
            self.assertEqual((work / "ff").read_bytes(), b"")
            self.assertFalse((work / "r").exists())
            shutil.rmtree(work)

    @unittest.skipUnless(platform.machine() in FLOCK_SYSCALL, "flock's system call number unknown here")
    def test_a_run_waits_while_its_directory_is_locked(self):
        # The test holds the lock on the directory itself; the run reads its
        # graph, then blocks in flock(2) before it touches "ff", and goes on
        # once the lock is released.
        for program, stdin, answer in self.RUNS:
            with self.subTest(program=program):
                work = self.scratch()
                held = os.open(work, os.O_RDONLY | os.O_DIRECTORY)
                fcntl.flock(held, fcntl.LOCK_EX)
                proc = subprocess.Popen([str(BIN / program)], cwd=work, stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, stderr=subprocess.PIPE)
                proc.stdin.write(stdin)
                proc.stdin.close()
                while proc.poll() is None and not self.in_flock(proc.pid):
                    time.sleep(0.01)
                self.assertIsNone(proc.poll(), "the run did not wait for the lock")
                self.assertFalse((work / "ff").exists(), "ff is touched only under the lock")
                os.close(held)
                out, err = proc.stdout.read(), proc.stderr.read()
                self.assertEqual((proc.wait(timeout=60), out, err), (0, answer, b""))
                self.assertEqual((work / "ff").read_bytes(), b"")
                shutil.rmtree(work)

    # A solver that says it started (its pid on the FIFO "started"), then
    # waits until the test opens the gate (a line on the FIFO "gate").
    GATED = """#!/bin/sh
echo $$ > started
read line < gate
""" + SOLVER.split("\n", 2)[2]

    @unittest.skipUnless(platform.machine() in FLOCK_SYSCALL, "flock's system call number unknown here")
    def test_a_killed_runs_solver_keeps_the_directory_until_it_ends(self):
        # The first run is killed while its solver runs; the solver's shell
        # goes on.  A second run started then waits in flock(2) until that
        # solver has ended, then runs alone and gives the lone answer.
        for program, stdin, answer in self.RUNS[1:]:
            with self.subTest(program=program):
                work = self.scratch()
                (work / "yices").write_text(self.GATED)
                os.mkfifo(work / "started")
                os.mkfifo(work / "gate")
                # Both ends held by the test: a solver's echo never blocks, and
                # the read end is ready exactly when a solver has started.
                started = os.open(work / "started", os.O_RDONLY | os.O_NONBLOCK)
                keep = os.open(work / "started", os.O_WRONLY)
                self.procs, self.solvers = [], []
                try:
                    self.killed_then_second_run(work, program, stdin, answer, started)
                finally:
                    self.release(work)
                    os.close(started)
                    os.close(keep)
                shutil.rmtree(work)

    def release(self, work):
        """After a failure: the runs and the solvers still waiting killed."""
        for proc in self.procs:
            if proc.poll() is None:
                proc.kill()
                proc.wait()
        for pid in self.solvers:
            try:
                if os.readlink("/proc/%d/cwd" % pid) == str(work):
                    os.kill(pid, signal.SIGKILL)
            except OSError:  # ended already
                pass

    def killed_then_second_run(self, work, program, stdin, answer, started):
        first = subprocess.Popen([str(BIN / program)], cwd=work, stdin=subprocess.PIPE,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.procs.append(first)
        first.stdin.write(stdin)
        first.stdin.close()
        self.assertTrue(self.solver_started(started, first))
        benchmark = (work / "ff").read_bytes()
        first.kill()
        first.wait(timeout=60)
        second = subprocess.Popen([str(BIN / program)], cwd=work, stdin=subprocess.PIPE,
                                  stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.procs.append(second)
        second.stdin.write(stdin)
        second.stdin.close()
        # Either the second run blocks on the lock, or (the fault) its solver starts.
        while not self.in_flock(second.pid):
            self.assertFalse(self.solver_started(started, second, wait=0.01),
                             "the second run went on while the killed run's solver ran")
            self.assertIsNone(second.poll(), "the second run ended without waiting")
        self.assertEqual((work / "ff").read_bytes(), benchmark, "ff untouched by the second run")
        self.open_gate(work)  # the killed run's solver ends: the second run's starts
        self.assertTrue(self.solver_started(started, second))
        self.open_gate(work)
        out, err = second.stdout.read(), second.stderr.read()
        self.assertEqual((second.wait(timeout=60), out, err), (0, answer, b""))
        self.assertEqual((work / "ff").read_bytes(), b"")
        self.assertFalse((work / "r").exists())

    @staticmethod
    def open_gate(work):
        """Lets the solver waiting on the gate go on."""
        with open(work / "gate", "w") as gate:
            gate.write("go\n")

    def solver_started(self, fifo, proc, wait=None):
        """Whether a solver wrote its start line (its pid) on the FIFO: waits
        for it (as long as proc runs, or at most `wait` seconds)."""
        while True:
            ready, _, _ = select.select([fifo], [], [], wait if wait is not None else 0.5)
            if ready:
                pids = os.read(fifo, 4096).split()
                self.solvers += [int(pid) for pid in pids]
                return bool(pids)
            if wait is not None or proc.poll() is not None:
                return False

    @staticmethod
    def in_flock(pid):
        """Whether process `pid` is blocked in the flock system call."""
        try:
            call = (Path("/proc") / str(pid) / "syscall").read_text().split()
        except OSError:
            return False
        return bool(call) and call[0] == str(FLOCK_SYSCALL[platform.machine()])

    @unittest.skipIf(os.geteuid() == 0 and SETPRIV is None, "as root this needs setpriv")
    def test_directory_that_cannot_be_read_is_run_in_as_before(self):
        # Write and search permission only: the run goes without the lock.
        for program, stdin, answer in self.RUNS:
            with self.subTest(program=program):
                work = self.scratch()
                work.chmod(0o333)
                argv = [str(BIN / program)]
                if os.geteuid() == 0:
                    argv = [SETPRIV, "--reuid=nobody", "--regid=nogroup", "--clear-groups"] + argv
                proc = subprocess.run(argv, input=stdin, cwd=work, capture_output=True, timeout=60)
                work.chmod(0o755)
                self.assertEqual((proc.returncode, proc.stdout, proc.stderr), (0, answer, b""))
                self.assertEqual((work / "ff").read_bytes(), b"")
                shutil.rmtree(work)


if __name__ == "__main__":
    unittest.main()
