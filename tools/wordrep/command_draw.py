"""Draw a graph with its answer through Graphviz (SVG, PDF or PNG).

  wordrep-draw -g GRAPH6 -o OUT.svg           a graph6 string (up to 256 vertices)
  wordrep-draw FILE -o OUT.svg                a file in the programs' input format ("-": stdin),
                                              read as alterword and orientcheck read it
      --csv CSV       take the answer from the census CSV row of this graph
                      (default: run wordrep-census on it); the row is checked
                      against the graph first (as check-census does) and
                      refused when it does not fit
      --alterword OUT, --orientcheck OUT
                      take the answer from what the programs printed for the graph
                      (files; "-": stdin), either or both; every certificate is
                      checked, the witness of a graph that is not semi-transitive
                      comes from the census
      --census PATH   the census program (default $WORDREP_BIN/wordrep-census, then
                      beside the package: build/bin of the checkout or PREFIX/bin
                      of the installation, then PATH)
  wordrep-draw --batch CSV --dir DIR [--format svg] [--force]
                      every row of a census CSV -> DIR/1.svg, DIR/2.svg, ... (data rows);
                      refused when one of them exists, unless --force

The census CSV's orientation column may hold arcs "i>j" or digraph6 (the
census's --orientation-format digraph6).

A semi-transitive graph is drawn with its orientation in layers (sources on
top, every arc pointing down) and the representation number and word in the
caption; a graph that is not word-representable with its witness
highlighted and its edges routed around the other vertices.  The format
comes from -T/--format or OUT's extension; "-o -" writes to standard output
(svg unless -T says otherwise); a name that begins with "-" is written
-o=-x.svg or --output=-x.svg.  A drawing is written whole or not at all: to
a temporary file in OUT's folder, renamed to OUT once complete, so that a
full disk leaves no cut-off file.  An output that is one of the inputs
(the same file by device and inode: links count) is refused, and so is,
without --force, a --batch drawing that exists; nothing is written then.
A dense graph (over 200 edges) is drawn with its vertices on a circle and
straight edges, which Graphviz's own layouts would take minutes on.
Errors are one line ("FILE:LINE:COL:
message" where there is a position).  Exit status: 0 done, 1 a graph could
not be drawn or written (message on stderr; --batch goes on with the other
rows), 2 bad usage (an output that is an input, a drawing in the way)."""

import csv
import os
import sys

from . import cli, interface
from .errors import Fatal
from .partstore import check_distinct
from .drawing import FORMATS, DrawError, draw
from .formats import OutputError
from .graph import (CENSUS_MAX_VERTICES, GraphError, from_graph6,
                           parse_input, to_graph6)
from .program_answer import AnswerError, from_programs
from .records import record
from .rowcheck import check_row
from .schema import Layout

PROG = "wordrep-draw"


class Failure(Exception):
    pass


class Refusal(Exception):
    """A command line that would overwrite an input or an earlier drawing (status 2)."""


def check_not_input(output, inputs):
    """Refusal when the output is one of the inputs (same device and inode:
    links and other spellings count); "-" is a standard stream."""
    out = ("the output", None if output == "-" else output, 1 if output == "-" else None)
    for path in inputs:
        if path is not None:
            try:
                check_distinct([("the input", None if path == "-" else path,
                                 0 if path == "-" else None), out])
            except Fatal as e:
                raise Refusal(e)


def check_fresh(paths, force):
    """Refusal when a drawing would replace a file of an earlier run and force is off."""
    old = next((p for p in paths if os.path.lexists(p)), None)
    if old is not None and not force:
        raise Refusal("%s exists (an earlier run's?): add --force to overwrite it, or name "
                      "another --dir" % old)


def row_result(row):
    """The Result of a census row, once the row is checked against its
    graph (rowcheck): a row that does not fit it is refused, not drawn."""
    n, edges = from_graph6(row["graph6"], CENSUS_MAX_VERTICES)
    try:
        result = interface.make_result(Layout.of_names(list(row)).from_csv(row), n, edges, None)
    except (ValueError, OutputError) as e:
        raise Failure("row of %s: %s" % (row["graph6"], e))
    said = {name: int(row[name]) if row[name].isdigit() else row[name]
            for name in ("vertices", "edges")}
    problems = check_row(dict(record(result), **said))
    if problems:
        raise Failure("row of %s does not fit its graph: %s" % (row["graph6"],
                                                                 "; ".join(problems)))
    return result


def census_rows(path):
    f = sys.stdin if path == "-" else open(path, newline="")
    f.reconfigure(encoding="utf-8", errors="surrogateescape")
    reader = csv.DictReader(f)
    layout = Layout.of_names(reader.fieldnames)
    if layout is None or "witness" not in layout.names or layout.shortcut_length is not None:
        raise Failure("%s is not a census CSV (header %s)"
                      % (path, ",".join(reader.fieldnames or [])))
    return reader


def read_bytes(path):
    with cli.open_binary(path) as f:
        return f.read()


def read_graph(path):
    """The graph of a file in the programs' input format."""
    try:
        return parse_input(read_bytes(path))
    except GraphError as e:
        raise Failure(e.located(cli.input_name(path)))


def programs_result(args, n, edges):
    def witness_of(n, edges):
        return next(iter(interface.census([(n, edges)], program=args.census)))
    texts = [None if p is None else read_bytes(p).decode("utf-8", "surrogateescape")
             for p in (args.alterword, args.orientcheck)]
    try:
        return from_programs(n, edges, *texts, witness_of=witness_of)
    except AnswerError as e:
        raise Failure(e)


def one(args):
    if (args.graph6 is None) == (args.file is None):
        raise Failure("give either -g GRAPH6 or a FILE in the input format")
    stdin_users = [args.file, args.alterword, args.orientcheck].count("-")
    if stdin_users > 1:
        raise Failure("standard input (\"-\") can be read for one input only")
    if args.csv and (args.alterword or args.orientcheck):
        raise Failure("take the answer from --csv or from the programs' output, not both")
    check_not_input(args.output, [args.file, args.csv, args.alterword, args.orientcheck])
    if args.graph6 is not None:
        n, edges = from_graph6(args.graph6, CENSUS_MAX_VERTICES, null=True)
    else:
        n, edges = read_graph(args.file)
    if args.alterword or args.orientcheck:
        result = programs_result(args, n, edges)
    elif args.csv:
        g6 = to_graph6(n, edges)
        row = next((r for r in census_rows(args.csv) if r["graph6"] == g6), None)
        if row is None:
            raise Failure("no row for %s in %s" % (g6, args.csv))
        result = row_result(row)
    else:
        result = next(iter(interface.census([(n, edges)], program=args.census)))
    draw(result, args.output, args.format)
    return 0


def batch(args):
    fmt = args.format or "svg"
    rows = list(census_rows(args.batch))
    paths = [os.path.join(args.dir, "%d.%s" % (k, fmt)) for k in range(1, len(rows) + 1)]
    for path in paths:
        check_not_input(path, [args.batch])
    check_fresh(paths, args.force)
    os.makedirs(args.dir, exist_ok=True)
    bad = 0
    for k, (row, path) in enumerate(zip(rows, paths), 1):
        try:
            draw(row_result(row), path, fmt)
        except (Failure, GraphError, DrawError) as e:
            print("%s: row %d: %s" % (PROG, k, e), file=sys.stderr)
            bad += 1
    return 1 if bad else 0


def main():
    cli.buffered_stdout()
    ap = cli.parser(PROG, __doc__)
    ap.add_argument("file", nargs="?", help="graph in the programs' input format (\"-\": stdin)")
    ap.add_argument("-g", "--graph6", help="the graph as a graph6 string")
    cli.version_option(ap)
    ap.add_argument("-o", "--output", help="the drawing (format from the extension; "
                                           "\"-\": standard output)")
    ap.add_argument("--csv", help="take the answer from the row of this census CSV")
    ap.add_argument("--alterword", metavar="OUT", help="take the answer from alterword's output")
    ap.add_argument("--orientcheck", metavar="OUT",
                    help="take the answer from orientcheck's output")
    ap.add_argument("--census", help="the census program")
    ap.add_argument("-T", "--format", choices=FORMATS, help="svg, pdf or png")
    ap.add_argument("--batch", metavar="CSV", help="draw every row of this census CSV")
    ap.add_argument("--dir", help="where --batch puts its drawings")
    ap.add_argument("--force", action="store_true",
                    help="let --batch overwrite drawings of an earlier run in DIR")
    args = ap.parse_args()
    if args.batch and not args.dir or args.dir and not args.batch:
        ap.error("--batch CSV and --dir DIR go together")
    if args.batch and any((args.file, args.graph6, args.csv, args.alterword, args.orientcheck,
                           args.output)):
        ap.error("--batch CSV --dir DIR takes the graphs and answers from the CSV alone")
    if not args.batch and not args.output:
        ap.error("-o OUT is required")
    if args.force and not args.batch:
        ap.error("--force is for --batch: -o OUT is always overwritten")
    try:
        return batch(args) if args.batch else one(args)
    except Refusal as e:
        print("%s: %s" % (PROG, e), file=sys.stderr)
        return 2
    except OSError as e:
        print("%s: %s" % (PROG, cli.os_error(e)), file=sys.stderr)
        return 1
    except (Failure, GraphError, DrawError, interface.CensusError) as e:
        print("%s: %s" % (PROG, e), file=sys.stderr)
        return 1

