"""Paths and small helpers shared by the tools' tests."""

import os
import pty
import select
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.realpath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
TOOLS = os.path.join(ROOT, "tools")
EXAMPLES = os.path.join(ROOT, "examples")
STUB = os.path.join(HERE, "stubs", "stub-program")
STUB_CENSUS = os.path.join(HERE, "stubs", "stub-census")
PYTHON = "/usr/bin/python3"
GENG = "/usr/bin/nauty-geng"
SHOWG = "/usr/bin/nauty-showg"

sys.path.insert(0, TOOLS)
sys.path.insert(0, HERE)


def tool(name):
    return os.path.join(TOOLS, name)


def run(cmd, stdin="", **kw):
    return subprocess.run(cmd, input=stdin, capture_output=True, text=True, **kw)


def program_output(program, yices, graph_text, timeout=600):
    """What alterword or orientcheck prints for the graph text, run in a
    fresh directory holding ./yices; AssertionError when the run fails."""
    with tempfile.TemporaryDirectory() as d:
        os.symlink(yices, os.path.join(d, "yices"))
        p = subprocess.run([program], input=graph_text, cwd=d, capture_output=True, text=True,
                           timeout=timeout)
    if p.returncode:
        raise AssertionError("%s failed: %s" % (program, p.stderr))
    return p.stdout


def geng(*args):
    """graph6 lines from nauty-geng."""
    p = subprocess.run([GENG, "-q"] + [str(a) for a in args], capture_output=True, text=True,
                       check=True)
    return p.stdout.split()


def run_on_terminal(cmd, env, stdin_text=None):
    """Runs cmd with standard error on a pseudo-terminal (standard input from
    stdin_text, or none); returns (status, standard output, what the terminal showed)."""
    master, slave = pty.openpty()
    p = subprocess.Popen(cmd, stdin=subprocess.DEVNULL if stdin_text is None else subprocess.PIPE,
                         stdout=subprocess.PIPE, stderr=slave, env=env, text=True)
    os.close(slave)
    if stdin_text is not None:
        p.stdin.write(stdin_text)
        p.stdin.close()
    screen = b""
    while select.select([master], [], [], 60)[0]:
        try:
            chunk = os.read(master, 4096)
        except OSError:
            break
        if not chunk:
            break
        screen += chunk
    out = p.stdout.read()
    p.stdout.close()
    p.wait()
    os.close(master)
    return p.returncode, out, screen.decode()
