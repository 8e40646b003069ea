"""wordrep-batch --programs: the per-program path, for checking another
./yices.  Each graph runs through tools/wordrep-one (orientcheck and, on a
semi-transitive graph, alterword, in a scratch directory of its own) under
GNU parallel; the rows have no witness column.  The list is held in memory
(this path is for lists of modest size; families go through the census)."""

import base64
import csv
import fcntl
import hashlib
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

from . import interface
from .checks import check_orientation, check_word
from .errors import EXIT_FAILED_ROWS, EXIT_INTERRUPTED, EXIT_OK, Fatal
from .formats import (ORIENTATION_HEADING, OutputError, format_orientation, format_word,
                      parse_alterword, parse_orientcheck)
from .graph import (MAX_VERTICES, GraphError, format_input, from_graph6, graph6_order,
                     graph6_text)
from .partstore import whole_records
from .progress import Progress
from .rows import PROGRAM_FIELDS, Counts

WORKER = interface.tool_path("wordrep-one")
JOURNAL_VERSION = 1


# ------------------------------------------------------------------ input

def read_graphs(path):
    try:
        f = sys.stdin if path in (None, "-") else open(path, encoding="ascii", errors="replace")
        graphs = []
        for line in f:
            s = graph6_text(line)
            if s:
                graphs.append(s)
    except OSError as e:
        raise Fatal(str(e))
    return graphs


def input_digest(graphs):
    h = hashlib.sha256()
    for g in graphs:
        h.update(g.encode("ascii", "replace") + b"\n")
    return h.hexdigest()


def new_row(g6, vertices, edges):
    """A row (a dict by field name) with the graph's fields and the rest empty."""
    row = dict.fromkeys(PROGRAM_FIELDS, "")
    row.update(graph6=g6, vertices=vertices, edges=edges)
    return row


def decode_graph(g6):
    """(n, edges), or the row of a line that cannot be run."""
    try:
        n, edges = from_graph6(g6, max_vertices=None)
        if n > MAX_VERTICES:
            raise GraphError("graph has %d vertices; alterword and orientcheck accept at most %d"
                             % (n, MAX_VERTICES))
        return (n, edges), None
    except GraphError as e:
        try:
            order = str(graph6_order(g6)[0])
        except GraphError:
            order = ""
        try:
            m = str(len(from_graph6(g6, max_vertices=None)[1]))
        except GraphError:
            m = ""
        row = new_row(g6, order, m)
        row["semi_transitive"] = "failed: %s" % e
        return None, row


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


# --------------------------------------------------------------- journal

class Journal:
    """Append-only record of finished graphs: a JSON header line, then one
    JSON line {"i": index, "row": [...]} per finished graph, the row's
    fields in PROGRAM_FIELDS order."""

    def __init__(self, path, digest, count, resume):
        self.path = path
        self.done = {}
        if os.path.exists(path) and not resume:
            raise Fatal("journal %s exists from an unfinished batch: add --resume to continue it, "
                        "or remove it to start again" % path)
        self.f = open(path, "a+")
        try:
            fcntl.flock(self.f, fcntl.LOCK_EX | fcntl.LOCK_NB)
        except OSError:
            raise Fatal("journal %s is in use by another batch" % path)
        header, good = self._read(digest, count)
        self.f.truncate(good)
        self.f.seek(0, os.SEEK_END)
        self.last_sync = time.monotonic()
        if header is None:
            self.write({"journal": JOURNAL_VERSION, "input_sha256": digest, "graphs": count})

    def _read(self, digest, count):
        """Reads the whole lines; returns (header or None, their length)."""
        header, good = None, 0
        for rec, good in whole_records(self.f):
            if header is None:
                header = rec
                if (rec.get("journal") != JOURNAL_VERSION or rec.get("input_sha256") != digest
                        or rec.get("graphs") != count):
                    raise Fatal("journal %s belongs to a different input; remove it or use "
                                "the input it was made from" % self.path)
            else:
                self.done[rec["i"]] = dict(zip(PROGRAM_FIELDS, rec["row"]))
        return header, good

    def write(self, rec):
        self.f.write(json.dumps(rec, separators=(",", ":")) + "\n")
        self.f.flush()
        now = time.monotonic()
        if now - self.last_sync > 1.0:
            os.fsync(self.f.fileno())
            self.last_sync = now

    def add(self, i, row):
        self.write({"i": i, "row": [row[f] for f in PROGRAM_FIELDS]})

    def close(self, remove):
        self.f.flush()
        os.fsync(self.f.fileno())
        self.f.close()
        if remove:
            os.unlink(self.path)


# ------------------------------------------------------------------ run

def find_program(opt, name, bindir):
    if opt is None and bindir is None:
        try:
            return interface.find_program(name=name)
        except interface.CensusError as e:
            raise Fatal(str(e))
    path = os.path.abspath(opt or os.path.join(bindir, name))
    if not (os.path.isfile(path) and os.access(path, os.X_OK)):
        raise Fatal("%s not found at %s (use --bin DIR or --%s PATH)" % (name, path, name))
    return path


class ProgramsBatch:
    def __init__(self, args, graphs, journal):
        self.args, self.graphs, self.journal = args, graphs, journal
        self.total = len(graphs)
        self.rows = [None] * self.total
        self.decoded = {}
        self.jobs = []
        self.ran = 0
        self.emitted = 0
        self.interrupted = False
        self.limit = ("%g" % args.timeout) if args.timeout > 0 else "0"

    def prepare(self):
        """Rows from the journal and of lines that cannot run; the job lines."""
        done = self.journal.done if self.journal else {}
        for i, g6 in enumerate(self.graphs):
            if i in done:
                self.rows[i] = done[i]
                continue
            graph, row = decode_graph(g6)
            if row is not None:
                self.record(i, row)
                continue
            n, edges = self.decoded[i] = graph
            graph_input = base64.b64encode(format_input(n, edges).encode()).decode()
            self.jobs.append("%d\t%s\t%s\n" % (i, g6, graph_input))
        self.resumed = len(done)

    def record(self, i, row):
        self.rows[i] = row
        if self.journal:
            self.journal.add(i, row)

    def emit(self):
        while self.emitted < self.total and self.rows[self.emitted] is not None:
            self.writer.writerow(self.rows[self.emitted])
            self.emitted += 1
        self.out.flush()

    def command(self, programs, rundir):
        # --termseq: a stopped job gets TERM and 10 s to remove its directory.
        cmd = ["parallel", "--will-cite", "-q", "-j", str(self.args.jobs), "--colsep", "\t",
               "--termseq", "TERM,10000,KILL,25"]
        if self.args.sshloginfile:
            cmd += ["--sshloginfile", self.args.sshloginfile]
        return cmd + [WORKER] + programs + [self.limit, rundir, ORIENTATION_HEADING,
                                            "{1}", "{2}", "{3}"]

    def start(self, programs, rundir):
        # parallel and its jobs get a process group of their own, so that an
        # interrupt is handled here: running graphs are stopped, finished
        # ones are already in the journal.
        self.proc = subprocess.Popen(self.command(programs, rundir), stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, universal_newlines=True,
                                     start_new_session=True)

        def feed():
            try:
                for line in self.jobs:
                    self.proc.stdin.write(line)
                self.proc.stdin.close()
            except (BrokenPipeError, ValueError, OSError):
                pass
        threading.Thread(target=feed, daemon=True).start()

    def handle(self, line):
        parts = line.rstrip("\n").split("\t")
        if len(parts) != 8 or not parts[0].isdigit() or int(parts[0]) not in self.decoded:
            print("wordrep-batch: ignoring a malformed line from a worker: %r" % line[:80],
                  file=sys.stderr)
            return
        i = int(parts[0])
        if self.rows[i] is not None:
            return
        n, edges = self.decoded[i]
        self.record(i, make_row(self.graphs[i], n, edges, parts[2:], self.limit, self.args.verify))
        self.ran += 1
        self.progress.step(1, 1)
        self.emit()

    def stop(self):
        """The first TERM makes parallel start no more jobs, the second makes
        it stop the running ones, which clean up after themselves and print
        nothing."""
        try:
            os.killpg(self.proc.pid, signal.SIGTERM)
            time.sleep(0.2)
            os.killpg(self.proc.pid, signal.SIGTERM)
        except ProcessLookupError:
            pass

    def collect(self):
        """Reads the results; on an interrupt stops the jobs and still
        records the graphs that finish meanwhile."""
        def interrupt(signum, frame):
            raise KeyboardInterrupt
        old = {s: signal.signal(s, interrupt) for s in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP)}
        try:
            for line in self.proc.stdout:
                self.handle(line)
            self.proc.wait()
        except KeyboardInterrupt:
            self.interrupted = True
            for s in old:
                signal.signal(s, signal.SIG_IGN)
            self.stop()
            killer = threading.Timer(30, lambda: os.killpg(self.proc.pid, signal.SIGKILL))
            killer.start()
            try:
                for line in self.proc.stdout:
                    self.handle(line)
            except (OSError, ValueError):
                pass
            self.proc.wait()
            killer.cancel()
        finally:
            for s, h in old.items():
                signal.signal(s, h)

    def run_jobs(self, programs, tmpdir):
        # The batch's own scratch area: each graph gets a directory in it.
        rundir = tempfile.mkdtemp(prefix="wordrep-batch.", dir=tmpdir)
        self.start(programs, rundir)
        self.collect()
        # Wait for stopped jobs to finish removing their directories.
        deadline = time.monotonic() + 15
        while os.path.isdir(rundir) and os.listdir(rundir) and time.monotonic() < deadline:
            time.sleep(0.05)
        shutil.rmtree(rundir, ignore_errors=True)
        if self.interrupted:
            return
        for i, (n, edges) in self.decoded.items():
            if self.rows[i] is None:
                row = new_row(self.graphs[i], str(n), str(len(edges)))
                row["semi_transitive"] = ("failed: the worker gave no result (GNU parallel exit "
                                          "status %d)" % self.proc.returncode)
                self.record(i, row)
        self.emit()

    def summary(self, elapsed):
        counts = Counts()
        for row in self.rows:
            if row is not None:
                counts.add(row)
        lines = counts.lines("wordrep-batch", minimal=False, total=self.total)
        if self.resumed:
            lines.append("  taken from the journal: %d" % self.resumed)
        rate = self.ran / elapsed if elapsed > 0 else 0.0
        lines.append("  wall time: %.2f s, %d graphs run, %.2f graphs/s" % (elapsed, self.ran, rate))
        if self.interrupted:
            lines.append("  interrupted: %d graphs not finished" % (self.total - counts.graphs))
        print("\n".join(lines), file=sys.stderr)
        return counts


def run(args, warn):
    """The per-program batch; returns the exit status."""
    t0 = time.monotonic()
    graphs = read_graphs(args.input)
    programs = [find_program(getattr(args, p), p, args.bin)
                for p in ("alterword", "orientcheck", "yices")]
    if shutil.which("parallel") is None:
        raise Fatal("GNU parallel is not installed (Debian package \"parallel\")")
    tmpdir = os.path.abspath(args.tmpdir)
    if not os.path.isdir(tmpdir):
        raise Fatal("scratch directory %s does not exist" % tmpdir)
    journal_path = args.journal or (args.output + ".journal" if args.output else None)
    if args.resume and not journal_path:
        raise Fatal("--resume needs -o FILE or --journal FILE")
    journal = Journal(journal_path, input_digest(graphs), len(graphs), args.resume) \
        if journal_path else None
    batch = ProgramsBatch(args, graphs, journal)
    batch.prepare()
    batch.out = open(args.output, "w", newline="") if args.output else sys.stdout
    batch.writer = csv.DictWriter(batch.out, PROGRAM_FIELDS, lineterminator="\n")
    batch.writer.writeheader()
    enabled = sys.stderr.isatty() if args.progress is None else args.progress
    batch.progress = Progress(enabled, batch.total, "graphs")
    batch.progress.skip(batch.total - len(batch.jobs))
    batch.emit()
    batch.progress.show(force=True)
    if batch.jobs:
        batch.run_jobs(programs, tmpdir)
    batch.progress.finish()
    if batch.out is not sys.stdout:
        batch.out.close()
    if journal:
        journal.close(remove=not batch.interrupted)
    counts = batch.summary(time.monotonic() - t0)
    if batch.interrupted:
        warn("interrupted; finished graphs are in %s: run the same command with --resume to go on"
             % journal_path if journal else
             "interrupted; run with -o FILE (or --journal FILE) to be able to resume")
        return EXIT_INTERRUPTED
    return EXIT_FAILED_ROWS if counts.failures else EXIT_OK
