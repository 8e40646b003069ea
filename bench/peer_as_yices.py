#!/usr/bin/env python3
"""Puts another SMT solver at ./yices: translates the SMT-LIB 1.2 benchmark
with the project's yices --smt2, runs z3 or cvc5 on it and prints the verdict
and the model lines in the shapes alterword and orientcheck read.

    ln -s /path/to/peer_as_yices.py ./yices      # then run alterword / orientcheck
    PEER=cvc5 YICES_SMT2=/path/to/build/bin/yices ./yices -smt -e ff
"""
import os
import re
import subprocess
import sys

HERE = os.path.dirname(os.path.realpath(__file__))
TRANSLATOR = os.environ.get("YICES_SMT2", os.path.join(HERE, "..", "build", "bin", "yices"))
PEERS = {"z3": ["z3", "-in"], "cvc5": ["cvc5", "--lang=smt2"]}


def tokens(text):
    return re.findall(r"\(|\)|[^\s()]+", text)


def parse(toks, i):
    """One s-expression from position i: (value, next position)."""
    if toks[i] == "(":
        out, i = [], i + 1
        while toks[i] != ")":
            item, i = parse(toks, i)
            out.append(item)
        return out, i + 1
    return toks[i], i + 1


def show(value):
    if isinstance(value, list):  # (- 3)
        return "-" + show(value[1]) if value[0] == "-" and len(value) == 2 else "?"
    return value


def main(argv):
    path = argv[-1]
    smt2 = subprocess.run([TRANSLATOR, "--smt2", path], capture_output=True, text=True)
    if smt2.returncode != 0:
        sys.stderr.write(smt2.stderr)
        return smt2.returncode
    peer = PEERS[os.environ.get("PEER", "z3")]
    out = subprocess.run(peer, input=smt2.stdout, capture_output=True, text=True).stdout
    toks = tokens(out)
    if not toks or toks[0] not in ("sat", "unsat"):
        print(toks[0] if toks else "unknown")
        return 0
    print(toks[0])
    if toks[0] == "sat" and len(toks) > 1 and "-e" in argv:
        values, _ = parse(toks, 1)
        for term, value in values:
            name = term if isinstance(term, str) else "(" + " ".join(show(t) for t in term) + ")"
            print("(= %s %s)" % (name, show(value)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
