"""Check every row of census files against its graph.

  check-census FILE...

FILE is what wordrep-census or wordrep-batch wrote: CSV or JSON lines, the
orientation as "i>j" arcs or digraph6, of semi-transitive orientations or
(semi_transitive_K) of K-semi-transitive ones.  Each row's graph is read
from its graph6 field (up to 64 vertices, as the census answers), and the
row must fit it: the counts of vertices and edges, every word and
orientation (checked from the definitions), no word or orientation for a
graph called not semi-transitive, and a witness of distinct vertices whose
induced subgraph, when it has at most 10 vertices, has no semi-transitive
orientation (an independent search) and, without a bound K, loses that
with any one vertex removed (minimal).  Rows whose step failed ("failed:
...") are the census's own failures: they are counted, not checked.

Each bad row gets one line per problem on standard error, "FILE:LINE:
GRAPH6: problem"; a row that cannot be read at all ends the reading of its
file with its line named.  The totals go to standard output.  Exit status:
0 every row fits, 1 some row does not (or cannot be read), 2 bad usage or
a file that cannot be opened, 4 standard output could not be written."""

import argparse
import csv
import sys

from . import cli
from .formats import OutputError
from .records import read_csv
from .rowcheck import check_row
from .schema import failure

PROG = "check-census"
EXIT_OUTPUT = 4


def row_lines(path):
    """The line number of each row of the file, in the order read_csv gives
    the rows: JSON lines one a line, CSV rows as the csv module splits them
    (the header and blank lines are no rows)."""
    with open(path, newline="", encoding="utf-8", errors="surrogateescape") as f:
        if f.read(1) == "{":
            f.seek(0)
            for number, _ in enumerate(f, 1):
                yield number
            return
        f.seek(0)
        reader = csv.reader(f)
        next(reader, None)
        for fields in reader:
            if fields:
                yield reader.line_num


def check_file(path, totals):
    """Checks the rows of one file, reporting each bad one; adds to totals
    (rows, failed, bad)."""
    lines = row_lines(path)
    rows = None
    while True:
        try:
            rows = rows or iter(read_csv(path))
            row = next(rows, None)
        except (OutputError, UnicodeDecodeError) as e:
            print("%s: %s (the rest of %s is not read)" % (PROG, e, path), file=sys.stderr)
            totals["rows"] += 1
            totals["bad"] += 1
            return
        if row is None:
            return
        line = next(lines, "?")
        totals["rows"] += 1
        if failure(row) is not None:
            totals["failed"] += 1
            continue
        problems = check_row(row)
        for p in problems:
            print("%s:%s: %s: %s" % (path, line, row["graph6"], p), file=sys.stderr)
        totals["bad"] += bool(problems)


def main():
    """The command check-census."""
    cli.buffered_stdout()
    ap = argparse.ArgumentParser(prog=PROG, description=__doc__.split("\n\n")[0],
                                 epilog="\n\n".join(__doc__.split("\n\n")[1:]),
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    cli.version_option(ap)
    ap.add_argument("files", nargs="+", metavar="FILE", help="a census CSV or JSON lines file")
    args = ap.parse_args()
    totals = {"rows": 0, "failed": 0, "bad": 0}
    for path in args.files:
        try:
            check_file(path, totals)
        except OSError as e:
            print("%s: %s" % (PROG, cli.os_error(e)), file=sys.stderr)
            return 2
    try:
        print("%d rows: %d fit their graphs, %d bad, %d failed in the census"
              % (totals["rows"], totals["rows"] - totals["failed"] - totals["bad"],
                 totals["bad"], totals["failed"]))
    except OSError as e:
        cli.output_failed(PROG, e)
        return EXIT_OUTPUT
    if not cli.flush_stdout(PROG):
        return EXIT_OUTPUT
    return 1 if totals["bad"] else 0

