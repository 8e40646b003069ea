#!/usr/bin/env python3
"""Writes the two benchmark kinds exactly as alterword and orientcheck write them,
plus graph helpers (crown, Petersen, seeded random, 3-colourable).  Graph files
are read, and words and orientations checked, by tools/wordrep.

    benchgen.py word GRAPHFILE K      uniform-word benchmark on stdout
    benchgen.py orient GRAPHFILE      orientation benchmark on stdout
    benchgen.py graph crown N | petersen | random N P SEED | col3 N P SEED
"""
import random
import sys

import solvercheck  # noqa: F401  (puts tools/ on sys.path)
from wordrep.graph import format_input, read_input_file


def uniform_word(n, adj, k):
    """The uniform-word benchmark for n vertices, adjacency set adj, k copies."""
    nk = n * k
    out = ["(benchmark test.smt", ":extrafuns ((A Int Int Int))", ":formula (and"]
    for i in range(1, n + 1):
        for j in range(1, k + 1):
            out.append("(< 0 (A %d %d))" % (i, j))
            out.append("(>= %d (A %d %d))" % (nk, i, j))
    out.append("(= (A 1 1) 1)")
    out.append("(distinct")
    for i in range(1, n + 1):
        for j in range(1, k + 1):
            out.append("(A %d %d)" % (i, j))
    out.append(")")
    for i in range(1, n):
        for j in range(i + 1, n + 1):
            edge = (i, j) in adj
            if not edge:
                out.append("(not")
            out += ["(or", "(and", "(= 1 (A 1 1))"]
            out += ["(< (A %d %d) (A %d %d))" % (i, p, j, p) for p in range(1, k + 1)]
            out += ["(< (A %d %d) (A %d %d))" % (j, p, i, p + 1) for p in range(1, k)]
            out.append(") (and")
            out += ["(< (A %d %d) (A %d %d))" % (j, p, i, p) for p in range(1, k + 1)]
            out += ["(< (A %d %d) (A %d %d))" % (i, p, j, p + 1) for p in range(1, k)]
            out.append("))")
            if not edge:
                out.append(")")
    out.append("))")
    return "".join(line + "\n" for line in out)


def orientation(n, adj):
    """The orientation benchmark for n vertices and adjacency set adj."""
    out = ["(benchmark test.smt", ":extrapreds ((F Int Int))", ":extrapreds ((R Int Int))",
           ":extrafuns ((W Int Int))", ":formula (and"]
    for i in range(1, n + 1):
        for j in range(1, n + 1):
            out.append("(implies (F %d %d) (> (W %d) (W %d)))" % (i, j, i, j))
            if (i, j) in adj:
                out.append("(or (F %d %d) (F %d %d))" % (i, j, j, i))
            else:
                out.append("(not (F %d %d)) (not (F %d %d))" % (i, j, j, i))
            out.append("(iff (R %d %d) (or (F %d %d)" % (i, j, i, j))
            out += ["(and (F %d %d) (R %d %d))" % (i, k, k, j) for k in range(1, n + 1)]
            out.append("))")
            out.append("(implies (or")
            for k in range(1, n + 1):
                for m in range(1, n + 1):
                    line = "(and (R %d %d) (F %d %d)" % (i, j, k, m)
                    if k != i:
                        line += "(R %d %d)" % (k, i)
                    if j != m:
                        line += "(R %d %d)" % (j, m)
                    out.append(line + ")")
            out.append(") (F %d %d))" % (i, j))
    out.append("))")
    return "".join(line + "\n" for line in out)


def symmetric(edges):
    adj = set()
    for a, b in edges:
        adj.add((a, b))
        adj.add((b, a))
    return adj


def graph_text(n, edges):
    """The programs' input text of the graph."""
    return format_input(n, edges)


def crown(n):
    """H(n,n): u1..un are 1..n, v1..vn are n+1..2n, ui ~ vj exactly when i != j."""
    return 2 * n, [(i, n + j) for i in range(1, n + 1) for j in range(1, n + 1) if i != j]


def petersen():
    outer = [(i, i % 5 + 1) for i in range(1, 6)]
    spokes = [(i, i + 5) for i in range(1, 6)]
    inner = [(6 + i, 6 + (i + 2) % 5) for i in range(5)]
    return 10, outer + spokes + inner


def random_graph(n, p, seed):
    rng = random.Random(seed)
    return n, [(i, j) for i in range(1, n + 1) for j in range(i + 1, n + 1) if rng.random() < p]


def three_colourable(n, p, seed):
    """Random graph whose edges join vertices of different colour classes only."""
    rng = random.Random(seed)
    colour = [rng.randrange(3) for _ in range(n + 1)]
    return n, [(i, j) for i in range(1, n + 1) for j in range(i + 1, n + 1)
               if colour[i] != colour[j] and rng.random() < p]


def main(argv):
    if argv[1] == "word":
        n, edges = read_input_file(argv[2])
        sys.stdout.write(uniform_word(n, symmetric(edges), int(argv[3])))
    elif argv[1] == "orient":
        n, edges = read_input_file(argv[2])
        sys.stdout.write(orientation(n, symmetric(edges)))
    elif argv[1] == "graph":
        kind = argv[2]
        if kind == "crown":
            g = crown(int(argv[3]))
        elif kind == "petersen":
            g = petersen()
        elif kind == "random":
            g = random_graph(int(argv[3]), float(argv[4]), int(argv[5]))
        else:
            g = three_colourable(int(argv[3]), float(argv[4]), int(argv[5]))
        sys.stdout.write(graph_text(*g))
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
