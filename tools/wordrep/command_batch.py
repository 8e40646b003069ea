"""Answer word-representability for every graph of a family or a list.

By default the work goes to wordrep-census, split into parts that run
through GNU parallel on all cores and on the machines of an
--sshloginfile: with --geng "ARGS" the family nauty-geng generates, split
by nauty-geng's own res/mod into --parts parts; otherwise graph6 or sparse6
lines (one per line, e.g. from nauty-geng; a sparse6 graph's row names it
in graph6) from FILE or standard input, in parts of --chunk lines.  The CSV has the header

  graph6,vertices,edges,semi_transitive,representation_number,word,orientation,witness

and one row per graph, the parts in order (for a list: one row per line
that is not blank, in input order; blanks are spaces, tabs, carriage
returns).  semi_transitive is "yes" or "no"; representation_number the
smallest K, 1 for complete graphs (with --programs alterword's, which is
never 1; empty when the graph is not word-representable); word in
alterword's notation; orientation the arcs "i>j" separated by spaces;
witness, for a graph that is not word-representable, the vertices of a
minimal induced subgraph that is not (all of them when the graph itself is
minimal).  A step that fails holds "failed: " and the reason, the fields
after it are empty: a line longer than 65536 bytes, or a graph on more
than 256 vertices (the census's limit; a --geng family over it is refused
before it starts).  --format jsonl writes the census's JSON lines instead
of the CSV, --shortcut-length K is passed on to the census (which then
answers for K-semi-transitive orientations: semi_transitive_K for
semi_transitive, no representation number or word, and its summary
counts the graphs that are not K-semi-transitive), and
--orientation-format digraph6 has the census write each orientation as
one digraph6 string.  A summary goes to standard error (-q leaves it out).

-o - writes to standard output, as without -o.  With -o FILE every
finished part is recorded in a journal (FILE.journal
unless --journal says otherwise, its parts in JOURNAL.parts); after an
interruption, the same command with --resume runs only the parts that had
not finished.  The journal is removed once the batch is complete.  The
input, the output, the journal and its parts folder must be four different
files, and a --journal path holding anything but a journal of the batch is
refused: the batch never truncates or removes a file it did not make.  The
output is locked for the whole run: a second batch writing to it is
refused.  Each --geng part's rows are counted against nauty-geng's own
count; a part whose census dropped or repeated a row fails.  -j 0 (GNU
parallel's "as many as possible") is refused.

--programs runs orientcheck and, on a semi-transitive graph, alterword on
each graph instead (for checking another ./yices), with the CSV of old (no
witness column), on the same parts and journal (--chunk 1 by default:
every graph a part).  alterword and orientcheck accept at most 20
vertices.  Journals of the per-program path of old (version 1) are refused:
remove them to start again.

Exit status: 0 every graph answered, 1 some rows failed, 2 unusable command
line, input or journal, 3 the output, the journal or a part could not be
written (full disk; resumable), 4 some parts did not complete (resumable),
130 interrupted."""

import math
import os
import re
import shlex
import sys

from . import batch, cli
from .errors import EXIT_INTERRUPTED, EXIT_USAGE, Fatal
from .programs_batch import ProgramsRunner
from .sources import GengSource, ListSource

PROG = "wordrep-batch"
DEFAULT_PARTS = 100
DEFAULT_CHUNK = 5000            # lines per part for the census, 1 with --programs
CENSUS_ONLY = ("geng", "parts", "shortcut_length", "time_limit", "format", "orientation_format",
               "census")
PROGRAMS_ONLY = ("alterword", "orientcheck", "yices", "timeout", "verify")


def warn(msg):
    print("%s: %s" % (PROG, msg), file=sys.stderr)


def parser():
    ap = cli.parser(PROG, __doc__)
    cli.version_option(ap)
    ap.add_argument("input", nargs="?", help="graph6 file (default: standard input; "
                                             "-- before a name that starts with -)")
    ap.add_argument("-o", "--output", help="write the CSV (or JSON lines) to this file (default, "
                                           "or \"-\": standard output)")
    ap.add_argument("--journal", help="record of finished work (default: OUTPUT.journal with -o)")
    ap.add_argument("--resume", action="store_true", help="continue an interrupted batch")
    ap.add_argument("-j", "--jobs", default="100%",
                    help="parallel jobs per machine, as GNU parallel's -j (default: one per core)")
    ap.add_argument("--sshloginfile", help="run on the machines listed here (GNU parallel)")
    ap.add_argument("--bin", help="directory of the programs (default: $WORDREP_BIN, else beside "
                                  "the package: build/bin of the checkout or PREFIX/bin of the "
                                  "installation, else PATH)")
    ap.add_argument("--tmpdir", default=os.environ.get("TMPDIR", "/tmp"),
                    help="scratch directories (default: $TMPDIR or /tmp)")
    ap.add_argument("--progress", dest="progress", action="store_true", default=None,
                    help="show a progress bar (default: when standard error is a terminal)")
    ap.add_argument("--no-progress", dest="progress", action="store_false")
    ap.add_argument("-q", "--no-summary", dest="summary", action="store_false",
                    help="no summary of the counts on standard error (messages stay)")
    c = ap.add_argument_group("the census (default)")
    c.add_argument("--geng", metavar="ARGS",
                   help="the family nauty-geng generates with these arguments, e.g. \"-c 10\"")
    c.add_argument("--parts", type=int, help="parts of a --geng family (default %d)" % DEFAULT_PARTS)
    c.add_argument("--chunk", type=int, metavar="LINES",
                   help="lines of a list per part (default %d, 1 with --programs)" % DEFAULT_CHUNK)
    c.add_argument("--census", help="wordrep-census to run (default: BIN/wordrep-census)")
    c.add_argument("--shortcut-length", type=int, metavar="K",
                   help="passed on to wordrep-census")
    c.add_argument("--time-limit", metavar="SECONDS",
                   help="passed on to wordrep-census: the word search of each graph stops after "
                        "SECONDS, its number given as bounds")
    c.add_argument("--format", choices=("csv", "jsonl"),
                   help="the census's output format, passed on (default csv)")
    c.add_argument("--orientation-format", choices=("arcs", "digraph6"),
                   help="the orientation column's format, passed on (default arcs)")
    p = ap.add_argument_group("one graph at a time (--programs)")
    p.add_argument("--programs", action="store_true",
                   help="run orientcheck and alterword on each graph instead of the census")
    p.add_argument("--alterword")
    p.add_argument("--orientcheck")
    p.add_argument("--yices")
    p.add_argument("--timeout", type=float,
                   help="seconds each program may run on one graph, 0 for no limit (default 3600)")
    p.add_argument("--verify", action="store_true", default=None,
                   help="check every orientation and word; a bad one counts as a failure")
    return ap


def check_options(args):
    wrong = PROGRAMS_ONLY if not args.programs else CENSUS_ONLY
    given = [o for o in wrong if getattr(args, o) is not None]
    if given:
        raise Fatal("--%s %s" % (given[0].replace("_", "-"),
                                 "needs --programs" if not args.programs
                                 else "is for the census, not --programs"))
    if args.geng is not None and args.input is not None:
        raise Fatal("give either a FILE or --geng, not both")
    if args.geng is None and args.parts is not None:
        raise Fatal("--parts is for --geng; a list is split with --chunk")
    if args.geng is not None and args.chunk is not None:
        raise Fatal("--chunk is for a list; a --geng family is split with --parts")
    check_parallel_options(args)
    if args.timeout is not None and not (math.isfinite(args.timeout) and args.timeout >= 0):
        raise Fatal("--timeout takes the seconds each program may run, 0 or more (0: no "
                    "limit), not %s" % args.timeout)


def check_parallel_options(args):
    """What the batch passes to GNU parallel: a number of jobs it reads as
    such, never 0 (as many as possible: thousands of sleeping jobs), and an
    --sshloginfile that can be read (parallel's "." and ".." are its own)."""
    jobs = re.fullmatch(r"([+-]?)([0-9]+)(%?)", args.jobs)
    if not jobs:
        raise Fatal("-j takes a number of jobs per machine (N, +N, -N or N%%), not %r" % args.jobs)
    if not jobs.group(1) and int(jobs.group(2)) == 0:
        raise Fatal("-j %s would start as many jobs as GNU parallel can; give a number, "
                    "or leave -j out for one per core" % args.jobs)
    if args.sshloginfile is not None and args.sshloginfile not in (".", ".."):
        try:
            with open(args.sshloginfile, "rb"):
                pass
        except OSError as e:
            raise Fatal("cannot read the --sshloginfile %s: %s" % (args.sshloginfile, e.strerror))


def census_options(args):
    """The options the census is given in every part; a default spelled
    out is left out, so that the journal of a batch run with it is the
    journal of the same batch run without it."""
    options = []
    if args.shortcut_length is not None:
        options += ["--shortcut-length", str(args.shortcut_length)]
    if args.time_limit is not None:
        options += ["--time-limit", args.time_limit]
    if args.format not in (None, "csv"):
        options += ["--format", args.format]
    if args.orientation_format not in (None, "arcs"):
        options += ["--orientation-format", args.orientation_format]
    return options


def source(args):
    """Where the graphs come from: a --geng family or a list."""
    if args.geng is not None:
        try:
            geng_args = shlex.split(args.geng)
        except ValueError as e:
            raise Fatal("--geng: %s" % e)
        return GengSource(geng_args, DEFAULT_PARTS if args.parts is None else args.parts)
    chunk = args.chunk if args.chunk is not None else 1 if args.programs else DEFAULT_CHUNK
    return ListSource(args.input, chunk, spool_dir=args.tmpdir)


def runner(args):
    """What each part runs: the programs (--programs) or the census."""
    if args.programs:
        programs = [batch.program(p, args, getattr(args, p))
                    for p in ("alterword", "orientcheck", "yices")]
        return ProgramsRunner(programs, 3600 if args.timeout is None else args.timeout,
                              bool(args.verify))
    census = batch.program("wordrep-census", args, args.census)
    options = census_options(args)
    batch.check_census_options(census, options)
    return batch.CensusRunner(census, options, args.format or "csv", args.shortcut_length)


def main():
    cli.buffered_stdout()
    args = parser().parse_args()
    if args.output == "-":          # standard output, as without -o (a file "-": -o ./-)
        args.output = None
    try:
        check_options(args)
        run = runner(args)
        return batch.run(args, source(args), run, PROG, warn)
    except Fatal as e:
        warn(str(e))
        return EXIT_USAGE
    except KeyboardInterrupt:          # before the work began
        warn("interrupted")
        return EXIT_INTERRUPTED

