"""python3 -m wordrep: answer graph6 lines as JSON lines.

usage: python3 -m wordrep [--shortcut-length K] [--jobs N] [--census PATH] [--version]
                          [GRAPH6 ...]

Answers each graph6 string given as an argument, or else each line of
standard input (lines holding no graph are skipped), through wordrep-census,
and writes one JSON object per graph, in order:

  {"graph6": "Bw", "vertices": 3, "edges": 3, "semi_transitive": true,
   "representation_number": 1, "word": "123", "orientation": [[1, 2], [1, 3], [2, 3]],
   "witness": null}

numbers as numbers, the word as a string in the census's notation (letters
from 10 on as "(10)"), the orientation as arcs [i, j] for i -> j, the witness
(a minimal non-word-representable induced subgraph) as its vertices; null
where a field does not apply: the JSON lines of wordrep-census --format
jsonl.  With --shortcut-length K the census answers for K-semi-transitive
orientations: "semi_transitive" is then "semi_transitive_K", and there is
no word.  A graph that cannot be answered gets a row as the census writes
one, "failed: REASON" in its "semi_transitive" field, and a line on
standard error.

Each line shows the graph6 text given ("~??@" stays "~??@").  On SIGTERM,
SIGINT or SIGHUP the census processes are stopped, the lines of the graphs
they had answered are written whole, and the exit status is 128 + the
signal (a second signal ends at once).

Exit status: 0 every graph answered; 1 some graphs got a failure row;
2 bad usage, or the census program missing or refusing the options; 3 the
run stopped before every graph had its line (the census ended without
answering, or standard output could not be written or was closed);
128 + N ended by signal N."""

import argparse
import collections
import os
import signal
import sys
import threading

from . import cli
from .graph import GraphError, graph6_order, graph6_text
from .interface import CensusError, _check_options, _Stream, find_program
from .schema import Layout, failure

PROG = "python3 -m wordrep"
SIGNALS = (signal.SIGTERM, signal.SIGINT, signal.SIGHUP)


def _lines(args, stdin):
    """The graph6 texts to answer: the arguments, else stdin's lines with a graph."""
    if args:
        yield from args
        return
    for line in stdin:
        if graph6_text(line):
            yield line


def _shown(text):
    if isinstance(text, bytes):
        text = text.decode("ascii", "backslashreplace")
    return graph6_text(text)


def failed_row(text, reason, layout):
    """The record of a graph that could not be answered, as the census writes one."""
    try:
        n = graph6_order(text.decode("ascii", "replace") if isinstance(text, bytes) else text)[0]
    except GraphError:
        n = None
    failed = reason if reason.startswith("failed") else "failed: " + reason
    return {"graph6": _shown(text), "vertices": n, layout.verdict: failed}


def _answered(record, n, edges, labels, shortcut_length):
    """The census's record of a graph, ValueError for a failure."""
    failed = failure(record)
    if failed:
        raise ValueError(failed)
    return record


def _stop_on_signals(stream, caught):
    """In the main thread, SIGTERM, SIGINT and SIGHUP stop the stream (its
    answered rows still come) and are kept in caught; a second one raises
    KeyboardInterrupt."""
    if threading.current_thread() is not threading.main_thread():
        return

    def handler(signum, frame):
        if caught:
            raise KeyboardInterrupt
        caught.append(signum)
        stream.terminate()
    for s in SIGNALS:
        signal.signal(s, handler)


def answer(texts, out, err, jobs=1, program=None, shortcut_length=None, time_limit=None):
    """Write the JSON line of every graph6 text; returns the exit status
    (128 + N when signal N stopped the run)."""
    _check_options(jobs, shortcut_length, time_limit=time_limit)
    stream = _Stream(find_program(program), jobs, shortcut_length, keep_going=True,
                     answer=_answered, time_limit=time_limit)
    layout = Layout(shortcut_length)
    sent = collections.deque()

    def remembered():
        for text in texts:
            sent.append(text)
            yield text
    failed, caught = False, []
    _stop_on_signals(stream, caught)
    results = stream.results(remembered())
    try:
        for result in results:
            text = sent.popleft()
            if isinstance(result, CensusError):
                failed = True
                print("wordrep: %s" % result, file=err)
                result = failed_row(text, result.reason, layout)
            else:
                result = dict(result, graph6=_shown(text))     # the line as given
            out.write(layout.json_line(result))
            out.flush()
    except CensusError:
        if not caught:
            raise                       # else: a census stopped by the signal
    finally:
        results.close()
    if caught:
        return 128 + caught[0]
    return 1 if failed else 0


def main(argv=None):
    doc = __doc__.split("\n\n")
    ap = argparse.ArgumentParser(prog=PROG, description="\n\n".join(doc[2:]),
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("graphs", nargs="*", metavar="GRAPH6",
                    help="graph6 strings (default: the lines of standard input)")
    ap.add_argument("--shortcut-length", type=int, metavar="K",
                    help="passed on to wordrep-census")
    ap.add_argument("--time-limit", type=float, metavar="SECONDS",
                    help="passed on to wordrep-census: the number as bounds when it ends the search")
    ap.add_argument("--jobs", type=int, default=1, metavar="N",
                    help="census processes (default 1); the lines stay in input order")
    ap.add_argument("--census", metavar="PATH",
                    help="the census program (default: found as wordrep.find_program finds it)")
    cli.version_option(ap)
    args = ap.parse_args(argv)
    cli.buffered_stdout()
    try:
        _check_options(args.jobs, args.shortcut_length, time_limit=args.time_limit)
    except ValueError as e:
        ap.error(str(e))
    try:
        status = answer(_lines(args.graphs, sys.stdin.buffer), sys.stdout, sys.stderr,
                        args.jobs, args.census, args.shortcut_length, args.time_limit)
        if status > 128:          # a thread may still be reading stdin: end without it
            sys.stdout.flush()
            sys.stderr.flush()
            os._exit(status)
        return status
    except CensusError as e:
        print("wordrep: %s" % e, file=sys.stderr)
        return 2 if e.graph is None else 3
    except BrokenPipeError:        # the reader stopped reading: nothing to say
        cli.silence_stdout()
        return 3
    except OSError as e:
        cli.output_failed("wordrep", e)
        return 3
    except KeyboardInterrupt:
        return 130


if __name__ == "__main__":
    sys.exit(main())
