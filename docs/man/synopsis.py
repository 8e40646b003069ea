#!/usr/bin/python3
"""Runs COMMAND ARGS... and writes its output with argparse's usage
paragraph in the form help2man makes a SYNOPSIS of: "Usage: PROG ...", one
line per form, every further form as "  or: PROG ...".  The exit status is
the command's.

    synopsis.py COMMAND [ARGS...]
"""

import os
import subprocess
import sys


def synopsis(text, prog):
    """The text with its leading "usage: " paragraph rewritten."""
    if not text.startswith("usage: "):
        return text
    head, sep, rest = text.partition("\n\n")
    forms = []
    for line in head[len("usage: "):].split("\n"):
        if not forms or line.strip().startswith(prog + " "):
            forms.append(line.strip())
        else:
            forms[-1] += " " + line.strip()
    lines = ["Usage: " + forms[0]] + ["  or: " + f for f in forms[1:]]
    return "\n".join(lines) + sep + rest


def main():
    p = subprocess.run(sys.argv[1:], stdout=subprocess.PIPE, text=True)
    sys.stdout.write(synopsis(p.stdout, os.path.basename(sys.argv[1])))
    return p.returncode


if __name__ == "__main__":
    sys.exit(main())
