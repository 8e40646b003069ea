"""Shared helpers of the solver tests: running yices and z3 and reading models.
Importing it puts tools/ on sys.path, for the checkers, formats and graph
reader of tools/wordrep."""
import os
import re
import resource
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
TOOLS = os.path.join(os.path.dirname(os.path.dirname(HERE)), "tools")
sys.path.insert(0, TOOLS)
BIN = os.environ.get("WORDREP_BIN", os.path.join(HERE, "..", "..", "build", "bin"))
YICES = os.path.join(BIN, "yices")
Z3 = os.environ.get("Z3", "/usr/bin/z3")
MODEL_LINE = re.compile(r"^\(= (\(([A-Za-z_][\w.']*)((?: -?\d+)*)\)|[A-Za-z_][\w.']*) (true|false|-?\d+)\)$")


def run(args, cwd=None, stdin=None, timeout=600):
    p = subprocess.run(args, cwd=cwd, input=stdin, capture_output=True, text=True,
                       timeout=timeout)
    return p.returncode, p.stdout, p.stderr


def sanitized(program):
    """True for a program built with AddressSanitizer (which reserves terabytes
    of address space for its shadow memory)."""
    try:
        with open(program, "rb") as f:
            return b"__asan_init" in f.read()
    except OSError:
        return False


def run_measured(args, cwd=None, address_space=4 << 30, cpu_seconds=300):
    """(status, stdout, stderr, peak resident KiB) of a command, its address space
    capped unless it is sanitized (a safety net: a runaway run fails its
    allocation instead of taking the machine's memory) and its processor time
    capped (a hang guard: a runaway run ends by SIGXCPU, a failing status)."""
    def cap():
        if not sanitized(args[0]):
            resource.setrlimit(resource.RLIMIT_AS, (address_space, address_space))
        resource.setrlimit(resource.RLIMIT_CPU, (cpu_seconds, cpu_seconds))

    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        p = subprocess.Popen(args, cwd=cwd, stdout=out, stderr=err, preexec_fn=cap)
        _, status, usage = os.wait4(p.pid, 0)
        p.returncode = os.waitstatus_to_exitcode(status)
        out.seek(0)
        err.seek(0)
        return (p.returncode, out.read().decode("latin-1"), err.read().decode("latin-1"),
                usage.ru_maxrss)


def solve(text, flags=("-smt", "-e")):
    """Runs yices on the benchmark text: (status, stdout, stderr)."""
    with tempfile.NamedTemporaryFile("w", suffix=".smt", delete=False) as f:
        f.write(text)
    try:
        return run([YICES, *flags, f.name])
    finally:
        os.unlink(f.name)


def parse_model(lines):
    """Model lines to a list of (term text, name, args, value)."""
    out = []
    for line in lines:
        m = MODEL_LINE.match(line)
        if not m:
            raise AssertionError("bad model line %r" % line)
        name = m.group(2) or m.group(1)
        args = tuple(int(x) for x in (m.group(3) or "").split())
        v = m.group(4)
        value = True if v == "true" else False if v == "false" else int(v)
        out.append((m.group(1), name, args, value))
    return out


def smt2_value(value):
    if value is True:
        return "true"
    if value is False:
        return "false"
    return str(value) if value >= 0 else "(- %d)" % -value


def z3_check(text, model=None):
    """Z3's verdict on yices' SMT-LIB 2 export, with the model's equalities
    asserted as well when a model is given."""
    code, smt2, err = solve(text, ("--smt2",))
    if code != 0:
        raise AssertionError("--smt2 failed: " + err)
    body = [l for l in smt2.splitlines() if not l.startswith("(get-value")]
    checks = [i for i, l in enumerate(body) if l == "(check-sat)"]
    if model is not None:
        eqs = ["(assert (= %s %s))" % (term, smt2_value(v)) for term, _, _, v in model]
        body[checks[0]:checks[0]] = eqs
    code, out, err = run([Z3, "-in"], stdin="\n".join(body) + "\n")
    return out.split("\n")[0].strip()
