"""Convert between graph6 (nauty's format) and the input format of alterword
and orientcheck.

  graph6-convert to-input [FILE]          one graph6 line -> input format on stdout
  graph6-convert to-input --dir DIR [--force] [FILE]
                                          every graph6 line -> DIR/1.graph, DIR/2.graph, ...
                                          (refused when one exists, unless --force)
  graph6-convert to-graph6 [FILE...]      input-format files (or stdin) -> one graph6 line each
  graph6-convert to-digraph6 [CSV]        a census CSV -> the orientation of every
                                          semi-transitive row as one digraph6 line
  graph6-convert from-digraph6 [FILE]     digraph6 lines (orientations) -> CSV with the
                                          columns graph6,vertices,orientation (the
                                          graph6 of the underlying graph)

FILE "-" or none is standard input.  The input format is read exactly as
alterword and orientcheck read it: a text they stop on is refused with its
position and the error number they stop with; a pair i i (a loop) is
refused, since graph6 has no loops.  to-digraph6 reads the orientation
column in either format of the census ("i>j" arcs or digraph6); it skips
rows without an orientation (not semi-transitive); a failed row, or an
orientation that does not orient exactly the row's graph, is reported on
stderr with its line number and the rest goes on (exit 1).  from-digraph6
does the same with lines that are not digraph6 or not an orientation (a
loop, or an edge given both directions).  Graphs with more than 20
vertices are refused when converting to the input format (the limit of
alterword and orientcheck), census rows of more than 256 (the census's).

--dir never writes over its input (the same file by device and inode:
links count), and without --force over a file that exists; nothing is
written then.

Errors are one line: "FILE:LINE: message" (FILE:LINE:COL for the input
format).  Exit status: 0 done, 1 bad input, or standard output or a file
that cannot be written (message on stderr), 2 bad usage (also a --dir
file that is the input or, without --force, exists)."""

import csv
import os
import sys

from . import cli, digraph6
from .errors import Fatal
from .partstore import check_distinct
from .formats import OutputError, format_orientation, parse_orientation_field
from .graph import (CENSUS_MAX_VERTICES, GraphError, format_input,
                           from_graph6, graph6_text, parse_input, to_graph6)
from .schema import failure

PROG = "graph6-convert"


class Failure(Exception):
    """Ends the conversion with exit status 1 and this message."""


class Refusal(Exception):
    """A command line that would overwrite its input or an earlier run's
    files: exit status 2, nothing written."""


def check_targets(paths, source, force):
    """Refusal when a file to write is the input (device and inode: links
    count) or, without force, exists."""
    for path in paths:
        try:
            check_distinct([("the input", None if source in (None, "-") else source,
                             0 if source in (None, "-") else None), ("the output", path, None)])
        except Fatal as e:
            raise Refusal(e)
    old = next((p for p in paths if os.path.lexists(p)), None)
    if old is not None and not force:
        raise Refusal("%s exists (an earlier run's?): add --force to overwrite it, or name "
                      "another --dir" % old)


def graph6_lines(path):
    """(line number, graph6 text) of the lines of a file that hold one."""
    with cli.open_binary(path) as f:
        for lineno, line in enumerate(f, 1):
            s = graph6_text(line)
            if s:
                yield lineno, s


def to_input(args):
    name = cli.input_name(args.file)
    graphs = []
    for lineno, s in graph6_lines(args.file):
        try:
            graphs.append(from_graph6(s))
        except GraphError as e:
            raise Failure("%s:%d: %s" % (name, lineno, e))
    if args.dir:
        paths = [os.path.join(args.dir, "%d.graph" % k) for k in range(1, len(graphs) + 1)]
        check_targets(paths, args.file, args.force)
        os.makedirs(args.dir, exist_ok=True)
        for path, (n, edges) in zip(paths, graphs):
            with open(path, "w") as out:
                out.write(format_input(n, edges))
        return 0
    if args.force:
        raise Refusal("--force is for --dir: standard output is never in the way")
    if len(graphs) != 1:
        raise Failure("%s: %d graphs on input; write them to files with --dir DIR"
                      % (name, len(graphs)))
    sys.stdout.write(format_input(*graphs[0]))
    return 0


def to_g6(args):
    for src in args.files or ["-"]:
        with cli.open_binary(src) as f:
            data = f.read()
        try:
            n, edges = parse_input(data)
        except GraphError as e:
            raise Failure(e.located(cli.input_name(src)))
        print(to_graph6(n, edges))
    return 0


def row_digraph6(row):
    """The digraph6 line of a census row's orientation, None when the row
    has none; GraphError when it cannot be trusted."""
    if failure(row):
        raise GraphError("row failed, no orientation")
    if row.get("semi_transitive") == "no":
        return None
    if row.get("semi_transitive") != "yes":
        raise GraphError("semi_transitive is %r, not yes or no" % row.get("semi_transitive"))
    n, edges = from_graph6(row.get("graph6") or "", CENSUS_MAX_VERTICES)
    try:
        arcs = parse_orientation_field(row.get("orientation") or "", n)
    except OutputError as e:
        raise GraphError(str(e))
    line = digraph6.encode(n, arcs)      # refuses an arc outside 1..n
    if digraph6.orientation_edges(n, arcs) != edges or len(arcs) != len(edges):
        raise GraphError("the orientation does not orient exactly the edges of %s"
                         % row["graph6"])
    return line


def to_d6(args):
    name = cli.input_name(args.file)
    f = sys.stdin if args.file in (None, "-") else open(args.file, newline="")
    f.reconfigure(encoding="utf-8", errors="surrogateescape")
    reader = csv.DictReader(f)
    missing = [c for c in ("graph6", "semi_transitive", "orientation")
               if c not in (reader.fieldnames or [])]
    if missing:
        raise Failure("%s:1: not a census CSV: no column %s" % (name, ", ".join(missing)))
    bad = 0
    for row in reader:
        try:
            line = row_digraph6(row)
        except GraphError as e:
            sys.stdout.flush()
            print("%s: %s:%d: %s" % (PROG, name, reader.line_num, e), file=sys.stderr)
            bad += 1
            continue
        if line is not None:
            print(line)
    return 1 if bad else 0


def from_d6(args):
    name = cli.input_name(args.file)
    out = csv.writer(sys.stdout, lineterminator="\n")
    out.writerow(["graph6", "vertices", "orientation"])
    bad = 0
    with cli.open_binary(args.file) as f:
        for lineno, line in enumerate(f, 1):
            if not line.strip():
                continue
            try:
                n, arcs = digraph6.decode(line)
                g6 = to_graph6(n, digraph6.orientation_edges(n, arcs))
            except GraphError as e:
                sys.stdout.flush()
                print("%s: %s:%d: %s" % (PROG, name, lineno, e), file=sys.stderr)
                bad += 1
                continue
            out.writerow([g6, n, format_orientation(arcs)])
    return 1 if bad else 0


def main():
    cli.buffered_stdout()
    ap = cli.parser(PROG, __doc__)
    cli.version_option(ap)
    sub = ap.add_subparsers(dest="cmd", required=True)
    a = sub.add_parser("to-input", help="graph6 -> input format")
    a.add_argument("--dir", help="write each graph to DIR/<number>.graph")
    a.add_argument("--force", action="store_true",
                   help="let --dir overwrite the files of an earlier run")
    a.add_argument("file", nargs="?")
    b = sub.add_parser("to-graph6", help="input format -> graph6")
    b.add_argument("files", nargs="*")
    c = sub.add_parser("to-digraph6", help="census CSV -> digraph6 of each orientation")
    c.add_argument("file", nargs="?")
    d = sub.add_parser("from-digraph6", help="digraph6 orientations -> CSV")
    d.add_argument("file", nargs="?")
    args = ap.parse_args()
    run = {"to-input": to_input, "to-graph6": to_g6, "to-digraph6": to_d6,
           "from-digraph6": from_d6}[args.cmd]
    try:
        status = run(args)
    except Failure as e:
        status = 1
        print("%s: %s" % (PROG, e), file=sys.stderr)
    except Refusal as e:
        print("%s: %s" % (PROG, e), file=sys.stderr)
        return 2
    except OSError as e:
        if e.filename is None:       # standard output
            cli.output_failed(PROG, e)
        else:
            print("%s: %s" % (PROG, cli.os_error(e)), file=sys.stderr)
        return 1
    return status if cli.flush_stdout(PROG) else 1

