"""Paths and small helpers shared by the tools' tests."""

import os
import subprocess
import sys

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


def geng(*args):
    """graph6 lines from nauty-geng."""
    p = subprocess.run([GENG, "-q"] + [str(a) for a in args], capture_output=True, text=True,
                       check=True)
    return p.stdout.split()
