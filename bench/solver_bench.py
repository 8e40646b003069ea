#!/usr/bin/env python3
"""Times the solver yices against Z3 and cvc5 (both on yices' --smt2 export of
the same benchmark file), side by side, and prints a table with ratios; then
times alterword and orientcheck end to end with yices.  Run on demand:

    bench/solver_bench.py [--build DIR] [--timeout S] [--quick] [--no-peers]
"""
import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "solver"))
import benchgen  # noqa: E402


def timed(cmd, timeout, stdin=None, cwd=None, check=True, wall_clock=False, memory=False):
    """(seconds, first stdout line, peak KiB) of a command; seconds None on time-out.
    Seconds are wall-clock seconds with wall_clock, else the child's CPU time (user +
    system, from wait4, its waited-for descendants included), which leaves out
    the benchmark's own process start-up noise; peak memory is its maximum RSS.
    The command runs in its own process group, killed whole on time-out."""
    out_file = tempfile.TemporaryFile("w+")
    # With memory, /usr/bin/time reports the peak memory of the command alone (the
    # rusage of a child forked from this big Python process counts the fork's
    # pages); without, the command runs directly so that no wrapper's start-up
    # is counted in its CPU time.
    wrap = ["/usr/bin/time", "-f", "@@%M"] if memory else []
    p = subprocess.Popen(wrap + cmd, cwd=cwd, text=True,
                         stdin=subprocess.PIPE, stdout=out_file,
                         stderr=subprocess.PIPE, start_new_session=True)
    start = time.monotonic()
    deadline = start + timeout
    if stdin:
        p.stdin.write(stdin)
    p.stdin.close()
    while True:
        pid, status, usage = os.wait4(p.pid, os.WNOHANG)
        if pid:
            break
        if time.monotonic() > deadline:
            os.killpg(p.pid, signal.SIGKILL)
            os.wait4(p.pid, 0)
            return None, "timeout", None
        time.sleep(0.001)
    wall = time.monotonic() - start
    p.returncode = os.waitstatus_to_exitcode(status)
    err = p.stderr.read()
    out_file.seek(0)
    first = out_file.readline().strip()
    peak = re.findall(r"@@(\d+)", err)
    peak = int(peak[-1]) if peak else None
    if check and p.returncode != 0:
        first = "FAILED(%d): %s" % (p.returncode, err.strip().split("\n")[0])
    if wall_clock:
        return wall, first, peak
    return usage.ru_utime + usage.ru_stime, first, peak


def cases(quick):
    out = []
    sizes = (12, 16) if quick else (12, 16, 20)
    for n in sizes:
        for seed in (1, 2):
            g = benchgen.random_graph(n, 0.3, seed)
            out.append(("orient random n=%d s=%d" % (n, seed), benchgen.orientation(
                g[0], benchgen.symmetric(g[1]))))
            g = benchgen.three_colourable(n, 0.5, seed)
            out.append(("orient 3-col n=%d s=%d" % (n, seed), benchgen.orientation(
                g[0], benchgen.symmetric(g[1]))))
    crowns = (5, 6, 7) if quick else (5, 6, 7, 8, 9, 10)
    for n in crowns:
        g = benchgen.crown(n)
        for k in (2, 3, 4, 5):
            out.append(("word crown H(%d,%d) K=%d" % (n, n, k), benchgen.uniform_word(
                g[0], benchgen.symmetric(g[1]), k)))
    g = benchgen.petersen()
    for k in (2, 3):
        out.append(("word petersen K=%d" % k, benchgen.uniform_word(
            g[0], benchgen.symmetric(g[1]), k)))
    for n, seed in ((10, 1), (12, 2), (14, 3)):
        g = benchgen.random_graph(n, 0.5, seed)
        for k in (2, 3):
            out.append(("word random n=%d s=%d K=%d" % (n, seed, k), benchgen.uniform_word(
                g[0], benchgen.symmetric(g[1]), k)))
    return out


def fmt(t):
    return "  t/o" if t is None else "%6.3f" % t


def ratio(peer, mine, timeout):
    if mine is None:
        return "    -"
    if peer is None:
        return ">%.0fx" % (timeout / max(mine, 1e-3))
    return "%5.1fx" % (peer / max(mine, 1e-3))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default=os.path.join(ROOT, "build"))
    ap.add_argument("--timeout", type=float, default=60.0)
    ap.add_argument("--quick", action="store_true")
    ap.add_argument("--no-peers", action="store_true")
    args = ap.parse_args()
    bindir = os.path.join(os.path.abspath(args.build), "bin")
    yices = os.path.join(bindir, "yices")
    work = tempfile.mkdtemp()
    peers = [] if args.no_peers else [
        ("z3", lambda f: ["z3", f]),
        ("cvc5", lambda f: ["cvc5", "--lang=smt2", f])]
    print("CPU seconds (user + system) of each solver on the same benchmark; z3 and cvc5 read")
    print("yices --smt2 output; t/o = more than %g s." % args.timeout)
    print("%-28s %-6s %8s %8s %8s %8s %8s %8s" % (
        "case", "verdict", "yices s", "z3 s", "cvc5 s", "z3/yic", "cvc5/yic", "yic MiB"))
    worst_mem = 0
    try:
        for name, text in cases(args.quick):
            path = os.path.join(work, "case.smt")
            with open(path, "w") as f:
                f.write(text)
            smt2 = os.path.join(work, "case.smt2")
            with open(smt2, "w") as f:
                f.write(subprocess.run([yices, "--smt2", path], capture_output=True,
                                       text=True).stdout)
            t, verdict, _ = timed([yices, "-smt", "-e", path], args.timeout)
            _, _, mem = timed([yices, "-smt", "-e", path], args.timeout, memory=True)
            worst_mem = max(worst_mem, mem or 0)
            row = {}
            for peer, cmd in peers:
                pt, pv, _ = timed(cmd(smt2), args.timeout, check=False)
                if pt is not None and pv != verdict:
                    pv = "MISMATCH(%s)" % pv
                row[peer] = (pt, pv)
            z3 = row.get("z3", (None, ""))
            cvc = row.get("cvc5", (None, ""))
            flag = " ".join(v for _, v in row.values() if v.startswith("MISMATCH"))
            print("%-28s %-6s %8s %8s %8s %8s %8s %8.1f %s" % (
                name, verdict, fmt(t), fmt(z3[0]) if peers else "     -",
                fmt(cvc[0]) if peers else "     -",
                ratio(z3[0], t, args.timeout) if peers else "-",
                ratio(cvc[0], t, args.timeout) if peers else "-", (mem or 0) / 1024.0, flag),
                flush=True)
        print("\npeak memory of yices over all cases: %.1f MiB" % (worst_mem / 1024.0))
        print("\nend to end (alterword and orientcheck with ./yices), wall-clock seconds:")
        shutil.copy(yices, os.path.join(work, "yices"))
        examples = os.path.join(ROOT, "examples")
        runs = [("alterword", g) for g in ("petersen", "crown8", "crown9", "crown10")]
        runs += [("orientcheck", g) for g in ("petersen", "crown10", "complete20", "empty20")]
        for prog, g in runs:
            with open(os.path.join(examples, g + ".graph")) as f:
                graph = f.read()
            t, first, mem = timed([os.path.join(bindir, prog)], 600, stdin=graph, cwd=work,
                                  wall_clock=True)
            print("  %-12s %-12s %8s s   %s" % (prog, g, fmt(t), first))
        for n, seed in ((20, 1), (20, 2)):
            g = benchgen.random_graph(n, 0.3, seed)
            t, first, _ = timed([os.path.join(bindir, "orientcheck")], 600,
                                stdin=benchgen.graph_text(*g), cwd=work, wall_clock=True)
            print("  %-12s %-12s %8s s   %s" % ("orientcheck", "random%d/%d" % (n, seed),
                                                fmt(t), first))
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
