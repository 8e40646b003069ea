"""Paths and small helpers shared by the tools' tests."""

import json
import os
import pty
import resource
import select
import signal
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


# Python's standard output buffered (the default) or not (python3 -u): in
# both, a write that a full disk cuts short must be reported, not taken as whole.
BUFFERED, UNBUFFERED = {"PYTHONUNBUFFERED": ""}, {"PYTHONUNBUFFERED": "1"}


def file_size_limit(limit):
    """A preexec_fn: the child's files stop at limit bytes, as on a full
    disk (the write that crosses it is cut short, the next fails with
    EFBIG); SIGXFSZ is ignored so that the failure is an error, not a kill."""
    def preexec():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit))
    return preexec


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


def settled(rows):
    """The census rows (dicts of CSV text, or JSON lines' objects) without
    their word and orientation, each of which is checked first: a census
    process keeps its SAT instances across graphs, so the certificates a
    graph gets depend on the graphs answered before it, the answers do not.
    Rows of --shortcut-length K (semi_transitive_K) have their orientations
    checked for shortcuts of length K or less only."""
    from wordrep.checks import check_orientation, check_word
    from wordrep.formats import parse_orientation_field, parse_word
    from wordrep.graph import from_graph6
    out = []
    for row in rows:
        bound = [f for f in row if f.startswith("semi_transitive_")]
        max_shortcut = int(bound[0][len("semi_transitive_"):]) if bound else None
        word, orientation = row.get("word"), row.get("orientation")
        if word or orientation:
            n, edges = from_graph6(row["graph6"], None)
        if word:
            k = int(row["representation_number"])
            assert check_word(n, edges, k, parse_word(word)) == [], row
        if isinstance(orientation, list):
            arcs = [tuple(a) for a in orientation]
        elif orientation and not orientation.startswith("failed"):
            arcs = parse_orientation_field(orientation, n)
        else:
            arcs = None
        if arcs is not None:
            assert check_orientation(n, edges, arcs, max_shortcut) == [], row
        out.append({k: v for k, v in row.items() if k not in ("word", "orientation")})
    return out


def stub_control(test, control):
    """Points the stand-in census ($STUB_CONTROL, see stubs/stub-census) at a
    control file holding control, for the rest of the test."""
    f = tempfile.NamedTemporaryFile("w", suffix=".json", delete=False)
    json.dump(control, f)
    f.close()
    test.addCleanup(os.unlink, f.name)
    os.environ["STUB_CONTROL"] = f.name
    test.addCleanup(os.environ.pop, "STUB_CONTROL", None)
