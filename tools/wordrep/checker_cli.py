"""The command line that check-word and check-orientation share:

    PROG GRAPH [CERTIFICATE...]     GRAPH a file in the programs' input format
    PROG -g GRAPH6 [CERTIFICATE...]

The input format is read exactly as alterword and orientcheck read it, up
to their 20 vertices, which that format fixes; a graph6 string may have as
many vertices as wordrep-census answers (graph.CENSUS_MAX_VERTICES).
Exit status: 0 valid, 1 invalid (one problem a line on stderr), 2 bad usage
or input, 4 standard output could not be written, or the status a reader
stops with."""

import sys

from . import cli
from .formats import OutputError
from .graph import CENSUS_MAX_VERTICES, GraphError, ProgramInput, from_graph6, read_program_input

EXIT_OUTPUT = 4   # the verdict could not be written


class Usage(Exception):
    """The command line is not one the checker takes."""


class Stop(Exception):
    """Nothing to check: the message goes to stderr, status is the exit status."""

    def __init__(self, status, message):
        super().__init__(message)
        self.status = status


def read_graph(path, graph6):
    """The ProgramInput of a graph file or a graph6 string (which has no
    loops, and up to the census's number of vertices)."""
    if graph6 is not None:
        n, edges = from_graph6(graph6, CENSUS_MAX_VERTICES)
        return ProgramInput(n, tuple((a, b, 0, 0) for a, b in edges))
    with open(path, "rb") as f:
        data = f.read()
    try:
        return read_program_input(data)
    except GraphError as e:
        raise GraphError(e.located(path)) from None


def parser(prog, doc, certificate, options=()):
    """The argparse parser: -g, --version, the options (functions that add
    their own to the parser), GRAPH and the certificate arguments (a help
    text)."""
    usage = ("%(prog)s [-h] [--version] [--] GRAPH " + certificate
             + "\n       %(prog)s [-h] [--version] -g GRAPH6 [--] " + certificate)
    ap = cli.parser(prog, doc, usage=usage)
    cli.version_option(ap)
    ap.add_argument("-g", "--graph6", metavar="GRAPH6",
                    help="the graph as a graph6 string (up to %d vertices)" % CENSUS_MAX_VERTICES)
    for add in options:
        add(ap)
    ap.add_argument("args", nargs="*", metavar="ARGUMENTS",
                    help="the graph file (unless -g), then the certificate %s; without "
                         "it the program's output on standard input" % certificate)
    return ap


def run(prog, doc, certificate, read, check, options=()):
    """read(arguments after GRAPH) gives the certificate (Usage, Stop, or a
    format error otherwise); check(graph, certificate, the parsed
    arguments) gives (problems, the line printed when there are none),
    graph a ProgramInput; options as parser() takes them.  Returns the exit
    status."""
    cli.buffered_stdout()
    ap = parser(prog, doc, certificate, options)
    args = ap.parse_args()
    rest = args.args
    if args.graph6 is None:
        if not rest:
            ap.error("give a GRAPH file or -g GRAPH6")
        path, rest = rest[0], rest[1:]
    try:
        graph = read_graph(None if args.graph6 is not None else path, args.graph6)
        cert = read(rest)
    except Usage:
        ap.error("wrong number of certificate arguments")
    except Stop as e:
        print("%s: %s" % (prog, e), file=sys.stderr)
        return e.status
    except OSError as e:
        print("%s: %s" % (prog, cli.os_error(e)), file=sys.stderr)
        return 2
    except (GraphError, OutputError, ValueError) as e:
        print("%s: %s" % (prog, e), file=sys.stderr)
        return 2
    problems, valid = check(graph, cert, args)
    for p in problems:
        print("%s: %s" % (prog, p), file=sys.stderr)
    if problems:
        return 1
    try:
        print(valid)
    except OSError as e:
        cli.output_failed(prog, e)
        return EXIT_OUTPUT
    return 0 if cli.flush_stdout(prog) else EXIT_OUTPUT
