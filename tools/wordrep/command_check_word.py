"""Check that a word represents a graph: every vertex occurs exactly K times,
and two vertices alternate in the word exactly when they are adjacent.

  check-word GRAPH              reads alterword's output on stdin
  check-word GRAPH K WORD       checks WORD (alterword's letter notation) for K

GRAPH is a file in the programs' input format, read as alterword reads it
(up to 20 vertices; a pair i i, a loop, is not looked at, as alterword does
not), or "-g" and a graph6 string of up to 64 vertices, as wordrep-census
answers.  Exit status: 0 valid, 1 invalid (reasons on stderr), 2
bad usage or input, 4 standard output could not be written."""

import sys

from . import checker_cli
from .checks import check_word
from .formats import parse_alterword, parse_word, quoted


def read(rest):
    if len(rest) == 2:
        if not rest[0].isdigit():
            raise ValueError("K must be a whole number, not %s" % quoted(rest[0]))
        return int(rest[0]), parse_word(rest[1])
    if not rest:
        return parse_alterword(sys.stdin.buffer.read().decode("utf-8", "surrogateescape"))
    raise checker_cli.Usage()


def check(graph, certificate, _args):
    k, letters = certificate
    return (check_word(graph.n, graph.edges, k, letters),
            "valid %d-uniform word for %d vertices, %d edges" % (k, graph.n, len(graph.edges)))


def main():
    """The command check-word."""
    return checker_cli.run("check-word", __doc__, "[K WORD]", read, check)
