"""Check that an orientation of a graph is semi-transitive: every edge is
oriented exactly once and nothing else, there is no directed cycle, and
there is no shortcut (an arc v0->vk with a directed path v0->v1->...->vk,
k >= 2, missing some arc vi->vj, i < j).

  check-orientation GRAPH           reads orientcheck's output on stdin
  check-orientation GRAPH ARCS      checks ARCS written "1>2 2>3 ..." or as digraph6
      --shortcut-length K           a K-semi-transitive orientation instead: no
                                    shortcut of length K or less (3 <= K <= 64),
                                    as wordrep-census --shortcut-length K gives

A shortcut of length t counts the t arcs of its path v0->...->vt.  GRAPH is
a file in the programs' input format, read as orientcheck reads it (up to
20 vertices), or "-g" and a graph6 string of up to 64 vertices, as
wordrep-census answers.  A graph with a loop (a pair i i) has no
semi-transitive orientation, as orientcheck answers.  Exit status: 0
valid, 1 invalid (reasons on stderr), 2 bad usage or input, 3 orientcheck's
output says "Not semi-transitive" (nothing to check), 4 standard output
could not be written."""

import argparse
import sys

from . import checker_cli
from .checks import check_orientation
from .formats import parse_orientation_field, parse_orientcheck
from .graph import CENSUS_MAX_VERTICES


def shortcut_length(text):
    """The value of --shortcut-length: an integer from 3 to the census's limit."""
    if not text.isdigit() or not 3 <= int(text) <= CENSUS_MAX_VERTICES:
        raise argparse.ArgumentTypeError("takes an integer from 3 to %d, not %r"
                                         % (CENSUS_MAX_VERTICES, text))
    return int(text)


def options(ap):
    ap.add_argument("--shortcut-length", metavar="K", type=shortcut_length,
                    help="check a K-semi-transitive orientation: no shortcut of length K "
                         "or less")


def read(rest):
    if len(rest) == 1:
        return parse_orientation_field(rest[0])
    if rest:
        raise checker_cli.Usage()
    arcs = parse_orientcheck(sys.stdin.buffer.read().decode("utf-8", "surrogateescape"))
    if arcs is None:
        raise checker_cli.Stop(3, "no orientation to check (Not semi-transitive)")
    return arcs


def check(graph, arcs, args):
    k = args.shortcut_length
    loops = ["line %d: vertex %d has a loop, so no orientation of the graph is semi-transitive"
             % (line, v) for v, line, _ in graph.loops]
    return (loops or check_orientation(graph.n, graph.edges, arcs, k),
            "valid %ssemi-transitive orientation of %d vertices, %d edges"
            % ("" if k is None else "%d-" % k, graph.n, len(graph.edges)))


def main():
    """The command check-orientation."""
    return checker_cli.run("check-orientation", __doc__, "[ARCS]", read, check, [options])
