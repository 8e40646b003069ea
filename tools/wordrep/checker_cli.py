"""The command line that check-word and check-orientation share:

    PROG GRAPH [CERTIFICATE...]     GRAPH a file in the input format, or -g GRAPH6

Exit status: 0 valid, 1 invalid (one problem a line on stderr), 2 bad usage
or input, or the status a reader stops with."""

import sys

from .formats import OutputError
from .graph import GraphError, from_graph6, read_input_file


class Usage(Exception):
    """The command line is not one the checker takes."""


class Stop(Exception):
    """Nothing to check: the message goes to stderr, status is the exit status."""

    def __init__(self, status, message):
        super().__init__(message)
        self.status = status


def graph_argument(argv):
    """(n, edges, the arguments after GRAPH)."""
    if argv[:1] == ["-g"] and len(argv) >= 2:
        return from_graph6(argv[1]) + (argv[2:],)
    if argv and argv[0] not in ("-h", "--help"):
        return read_input_file(argv[0]) + (argv[1:],)
    raise Usage()


def run(prog, usage, argv, read, check):
    """read(arguments after GRAPH) gives the certificate (Usage, Stop, or a
    format error otherwise); check(n, edges, certificate) gives (problems,
    the line printed when there are none).  Returns the exit status."""
    try:
        n, edges, rest = graph_argument(argv)
        certificate = read(rest)
    except Usage:
        print(usage, file=sys.stderr)
        return 2
    except Stop as e:
        print("%s: %s" % (prog, e), file=sys.stderr)
        return e.status
    except (GraphError, OutputError, OSError, ValueError) as e:
        print("%s: %s" % (prog, e), file=sys.stderr)
        return 2
    problems, valid = check(n, edges, certificate)
    for p in problems:
        print("%s: %s" % (prog, p), file=sys.stderr)
    if problems:
        return 1
    print(valid)
    return 0
