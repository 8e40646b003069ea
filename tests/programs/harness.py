"""Runs alterword and orientcheck in a scratch directory with a scripted ./yices.

The scripted solver is a short shell script: on its n-th run it keeps a copy
of the benchmark as bench<n> and its arguments as args<n>, then prints the
canned result answer<n> (or the file 'default' once the numbered ones are
used up).  Tests read back what the program printed, its exit status, the
benchmarks it wrote and the state it left "ff" in.
"""

import os
import re
import shutil
import signal
import subprocess
import tempfile
from dataclasses import dataclass, field
from pathlib import Path

BIN = Path(os.environ.get("WORDREP_BIN", Path(__file__).resolve().parents[2] / "build" / "bin"))
GOLDEN = Path(__file__).resolve().parent / "golden"

SCRIPTED_SOLVER = """#!/bin/sh
n=$(cat count 2>/dev/null || echo 0); n=$((n + 1)); echo $n > count
cp ff bench$n
echo "$@" > args$n
if [ -f answer$n ]; then cat answer$n; elif [ -f default ]; then cat default; fi
"""

# The error report: "{prog}: {message} (error #{code} at {place})".
REPORT = re.compile(rb"^(?P<prog>.*?): (?P<message>.*) \(error #(?P<code>\d+) at (?P<place>[0-9a-f]+)\)\n\Z")


@dataclass
class Run:
    status: int
    stdout: bytes
    stderr: bytes
    dir: Path
    benchmarks: list = field(default_factory=list)

    def ff(self):
        """What "ff" holds after the run, or None when it is missing."""
        path = self.dir / "ff"
        return path.read_bytes() if path.is_file() else None

    def report(self, after_commands=False):
        """(message, code) of the error report.

        Fails unless standard error is exactly one report line; with
        after_commands, lines the shell or the solver wrote may come before it.
        """
        text = self.stderr
        if after_commands:
            text = b"\n".join(text.split(b"\n")[-2:])
        m = REPORT.match(text)
        if not m:
            raise AssertionError(f"not one error report line: {self.stderr!r}")
        return m.group("message").decode(), int(m.group("code"))

    def program_name(self):
        return REPORT.match(self.stderr).group("prog").decode()


def graph(n, edges=(), end=b"0 0\n"):
    """The input text of a graph."""
    text = b"%d\n" % n
    for i, j in edges:
        text += b"%d %d\n" % (i, j)
    return text + end


def run(program, stdin, answers=(), default=None, solver=SCRIPTED_SOLVER, setup=None,
        stdout=None, timeout=60, ignore_sigpipe=False, argv0=None, umask=None):
    """Runs `program` ('alterword' or 'orientcheck') on `stdin` in a fresh directory.

    answers: the solver's results for its first runs, in order; default: its
    result for every later run.  solver: the script put at ./yices (None: no
    solver at all).  setup: called with the directory before the run.
    stdout: a file object to use as standard output instead of a pipe.
    """
    work = Path(tempfile.mkdtemp(prefix="wordrep-test-"))
    if solver is not None:
        (work / "yices").write_text(solver)
        (work / "yices").chmod(0o755)
    for n, answer in enumerate(answers, 1):
        (work / f"answer{n}").write_bytes(answer)
    if default is not None:
        (work / "default").write_bytes(default)
    if setup:
        setup(work)
    exe = str(BIN / program)

    def child_setup():
        if ignore_sigpipe:
            signal.signal(signal.SIGPIPE, signal.SIG_IGN)
        if umask is not None:
            os.umask(umask)

    proc = subprocess.run([argv0 or exe], executable=exe, input=stdin, cwd=work,
                          stdout=stdout if stdout is not None else subprocess.PIPE,
                          stderr=subprocess.PIPE, timeout=timeout, preexec_fn=child_setup)
    benches = []
    n = 1
    while (work / f"bench{n}").exists():
        benches.append((work / f"bench{n}").read_bytes())
        n += 1
    return Run(proc.returncode, proc.stdout or b"", proc.stderr, work, benches)


def check_normal_run(test, r, expected_stdout):
    """A normal run: status 0, nothing on standard error, the expected answer,
    "ff" left empty and "r" gone; then the scratch directory is removed."""
    test.assertEqual((r.status, r.stderr), (0, b""))
    test.assertEqual(r.stdout, expected_stdout)
    test.assertEqual(r.ff(), b"")
    test.assertFalse((r.dir / "r").exists())
    cleanup(r)


def cleanup(result):
    shutil.rmtree(result.dir, ignore_errors=True)


def golden(name):
    return (GOLDEN / name).read_bytes()
