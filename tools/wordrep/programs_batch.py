"""wordrep-batch --programs: the per-program path, for checking another
./yices.  It runs on the batch engine (batch.py) with ProgramsRunner: each
part of the list runs tools/wordrep-one on each of its graphs (orientcheck
and, on a semi-transitive graph, alterword, in a scratch directory of its
own), and the rows, without a witness column, are made here from the
programs' answers."""

import base64
import csv
import os
import shutil
import signal
import tempfile
import threading
import time

from .checks import check_orientation, check_word
from .errors import Fatal, WriteFailure
from .formats import (ORIENTATION_HEADING, OutputError, format_orientation, format_word,
                      parse_alterword, parse_orientcheck)
from .graph import GraphError, check_order, format_input, from_graph6, graph6_order
from .rows import COUNTED, Counts
from .schema import PROGRAM_FIELDS, Layout, printable
from .sources import LINE_LIMIT


# ------------------------------------------------------------------ input

def new_row(g6, vertices, edges):
    """A row (a dict by field name) with the graph's fields and the rest empty."""
    row = dict.fromkeys(PROGRAM_FIELDS, "")
    row.update(graph6=g6, vertices=vertices, edges=edges)
    return row


def decode_graph(line):
    """(n, edges) of a list's line (bytes), or the row of a line that cannot
    be run: the census's rows for the same faults, but for the vertex limit
    of the programs."""
    if len(line) > LINE_LIMIT:
        row = new_row(printable(line[:64]) + "...", "", "")
        row["semi_transitive"] = "failed: line longer than %d bytes" % LINE_LIMIT
        return None, row
    g6 = line.decode("latin-1")
    try:
        n, edges = from_graph6(g6, max_vertices=None)
    except GraphError as e:
        try:
            order = str(graph6_order(g6)[0])
        except GraphError:
            order = ""
        row = new_row(printable(line), order, "")
        row["semi_transitive"] = "failed: %s" % e
        return None, row
    try:
        check_order(n)
    except GraphError as e:
        row = new_row(printable(line), str(n), str(len(edges)))
        row["semi_transitive"] = "failed: %s" % e
        return None, row
    return (n, edges), None


# --------------------------------------------------------------- results

def first_line(text):
    for line in text.splitlines():
        if line.strip():
            return line.strip()
    return ""


def failure(program, status, err, limit):
    """The reason a program's run failed, for the CSV field."""
    if status == 124:
        return "failed: %s timed out after %s s" % (program, limit)
    if status >= 128 and status - 128 < 65:
        try:
            name = signal.Signals(status - 128).name
        except ValueError:
            name = "signal %d" % (status - 128)
        msg = "%s killed by %s" % (program, name)
    else:
        msg = "%s exited with status %d" % (program, status)
    detail = first_line(err)
    return "failed: " + (detail if detail else msg) + ("" if detail == "" else " [%s]" % msg)


def decode(b):
    return base64.b64decode(b).decode("utf-8", "replace") if b not in ("", "-") else ""


def orientation_fields(row, n, edges, ostat, oout, oerr, limit, verify):
    """Fills semi_transitive and orientation; returns True when alterword is due."""
    if ostat != 0:
        row["semi_transitive"] = failure("orientcheck", ostat, oerr, limit)
        return False
    try:
        arcs = parse_orientcheck(oout)
    except OutputError as e:
        row["semi_transitive"] = "failed: orientcheck: unexpected output: %s" % e
        return False
    if arcs is None:
        row["semi_transitive"] = "no"
        return False
    if verify:
        problems = check_orientation(n, edges, arcs)
        if problems:
            row["semi_transitive"] = "failed: orientation check: " + problems[0]
            return False
    row["semi_transitive"] = "yes"
    row["orientation"] = format_orientation(arcs)
    return True


def word_fields(row, n, edges, astat, aout, aerr, limit, verify):
    """Fills representation_number and word."""
    if astat == "-":
        row["representation_number"] = "failed: alterword was not run"
        return
    astat = int(astat)
    if astat != 0:
        row["representation_number"] = failure("alterword", astat, decode(aerr), limit)
        return
    try:
        k, letters = parse_alterword(decode(aout))
    except OutputError as e:
        row["representation_number"] = "failed: alterword: unexpected output: %s" % e
        return
    if verify:
        problems = check_word(n, edges, k, letters)
        if problems:
            row["representation_number"] = "failed: word check: " + problems[0]
            return
    row["representation_number"] = str(k)
    row["word"] = format_word(letters)


def make_row(g6, n, edges, worker_fields, limit, verify):
    """The CSV row from the worker's fields."""
    ostat, oout, oerr, astat, aout, aerr = worker_fields
    row = new_row(g6, str(n), str(len(edges)))
    if orientation_fields(row, n, edges, int(ostat), decode(oout), decode(oerr), limit, verify):
        word_fields(row, n, edges, astat, aout, aerr, limit, verify)
    return row


def well_formed(fields, k, ran):
    """wordrep-one's fields for graph k: index, graph6, the statuses and
    outputs of both programs when it ran, else the index and "-"."""
    if fields[0] != str(k):
        return False
    if not ran:
        return fields[1:] == ["-"]
    return (len(fields) == 8 and fields[2].isdigit()
            and (fields[5] == "-" or fields[5].isdigit()))


# ---------------------------------------------------------------- runner

class ProgramsRunner:
    """Each part runs the programs on each of its graphs (see batch.py for
    what a runner is).  programs: the paths of alterword, orientcheck and
    yices; timeout: seconds per program, 0 for none; verify: check every
    orientation and word."""

    engine = "programs"
    minimal = False
    options = None
    shortcut_length = None
    out_header = (",".join(PROGRAM_FIELDS) + "\n").encode()

    def __init__(self, programs, timeout, verify):
        self.programs, self.verify = programs, verify
        self.limit = ("%g" % timeout) if timeout > 0 else "0"
        self.lines = {}              # part index -> its lines, each with decode_graph()'s
                                     # answer, until the part is finished
        self.lock = threading.Lock()
        self.rundir = None

    def prepare(self, tmpdir):
        # The batch's own scratch area: each graph gets a directory in it.
        try:
            self.rundir = tempfile.mkdtemp(prefix="wordrep-batch.", dir=tmpdir)
        except OSError as e:
            raise Fatal("cannot make a scratch directory in %s: %s" % (tmpdir, e.strerror))

    def cleanup(self):
        if self.rundir is None:
            return
        # Stopped graphs remove their directories themselves: wait for them.
        deadline = time.monotonic() + 15
        while os.path.isdir(self.rundir) and os.listdir(self.rundir) \
                and time.monotonic() < deadline:
            time.sleep(0.05)
        shutil.rmtree(self.rundir, ignore_errors=True)

    def part_args(self, source):
        return ["programs"] + self.programs + [self.limit, self.rundir, ORIENTATION_HEADING]

    def payload(self, i, lines):
        """A line per graph: "GRAPH6 INPUT" (the programs' input in base64),
        or "- -" for a line that is not run."""
        decoded = [(line,) + decode_graph(line) for line in lines]
        with self.lock:
            self.lines[i] = decoded
        out = []
        for line, graph, _ in decoded:
            if graph is None:
                out.append(b"- -\n")
            else:
                out.append(line + b" " + base64.b64encode(format_input(*graph).encode()) + b"\n")
        return b"".join(out)

    def finish(self, i, path):
        """The part's rows from wordrep-one's lines, one per graph in order
        ("K\t-" for a line that was not run)."""
        with self.lock:
            lines = self.lines.pop(i, None)
        with open(path, encoding="utf-8", errors="replace") as f:
            results = [line.rstrip("\n").split("\t") for line in f]
        if lines is None:
            return path, Counts(), "a part that was not handed out"
        if len(results) != len(lines):
            return path, Counts(), "wordrep-one gave %d answers for %d graphs" % (
                len(results), len(lines))
        rows = []
        for k, ((line, graph, row), fields) in enumerate(zip(lines, results)):
            if not well_formed(fields, k, graph is not None):
                return path, Counts(), "wordrep-one's answer %d is malformed" % k
            if graph is not None:
                row = make_row(line.decode("ascii"), *graph, fields[2:], self.limit, self.verify)
            rows.append(row)
        return self.write_rows(path, rows)

    def write_rows(self, path, rows):
        out = os.path.splitext(path)[0] + ".rows"
        counts, layout = Counts(), Layout(witness=False)
        try:
            with open(out, "w", newline="") as f:
                writer = csv.DictWriter(f, PROGRAM_FIELDS, lineterminator="\n")
                writer.writeheader()
                for row in rows:
                    writer.writerow(row)
                    counts.add(layout.from_csv(row, COUNTED))
        except OSError as e:
            raise WriteFailure(out, e)
        return out, counts, None
