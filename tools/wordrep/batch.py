"""The engine of wordrep-batch: the parts run through GNU parallel
(tools/wordrep-part on each), their output comes back on parallel's
standard output, framed, is turned into rows by the runner, and goes to the
part store (partstore.Store), which puts the output together in part order
and keeps the journal.

A runner says what a part runs: CensusRunner (here) runs wordrep-census on
the part, whose output is the rows; programs_batch.ProgramsRunner runs
alterword and orientcheck on each graph of the part and makes the rows from
their answers.  A runner has

  engine, minimal    the journal's engine name; whether rows have a witness
  shortcut_length    K of the census's --shortcut-length K, else None
  out_header         the line the output starts with (b"" for none)
  options            what the journal records of the runner's settings
  part_args(source)  wordrep-part's arguments after the batch's tag
  payload(i, lines)  the input of part i of a list
  finish(i, path)    (rows file, Counts, problem) of part i's output in path
  prepare(tmpdir), cleanup()   before and after the parts run"""

import ctypes
import os
import secrets
import shutil
import signal
import subprocess
import sys
import threading
import time

from .cli import silence_stdout
from .errors import (EXIT_FAILED_ROWS, EXIT_INTERRUPTED, EXIT_OK, EXIT_PARTS, EXIT_WRITE,
                     Fatal, WriteFailure)
from .partstore import JOURNAL_VERSION, Store, check_distinct
from .programs import ProgramNotFound, find_program, tool_path
from .progress import Progress
from .rows import count_rows
from .schema import Layout

PART_SCRIPT = tool_path("wordrep-part")


def die_with_parent():
    """In the child: GNU parallel gets SIGTERM when the batch dies, even by
    SIGKILL, so that it starts no more parts."""
    try:
        ctypes.CDLL(None, use_errno=True).prctl(1, signal.SIGTERM)   # PR_SET_PDEATHSIG
    except (OSError, AttributeError):
        pass


class Part:
    """A part's CSV as it comes back, written to a file of its own."""

    def __init__(self, index, path):
        self.index, self.path = index, path
        self.f = open(path, "wb")

    def discard(self):
        try:
            self.f.close()
        except OSError:
            pass          # a cut-off part: what it held does not matter
        os.unlink(self.path)


class CensusRunner:
    """Each part is one run of wordrep-census, given options (a list) that
    say the format (fmt) and shortcut_length (--shortcut-length K, whose
    rows have the column semi_transitive_K)."""

    engine = "census"
    minimal = True

    def __init__(self, census, options, fmt, shortcut_length=None):
        self.census, self.options, self.format = census, options, fmt
        self.shortcut_length = shortcut_length
        self.layout = Layout(shortcut_length)
        self.out_header = self.layout.header().encode() if fmt == "csv" else b""

    def part_args(self, source):
        if "geng" in source.ident:
            return ["geng", str(source.parts), " ".join(source.args), self.census] + self.options
        return ["list", self.census] + self.options

    def payload(self, i, lines):
        return b"".join(line + b"\n" for line in lines)

    def finish(self, i, path):
        with open(path, encoding="utf-8", errors="replace", newline="") as f:
            counts, problem = count_rows(f, self.format, self.layout)
        return path, counts, problem

    def prepare(self, tmpdir):
        pass

    def cleanup(self):
        pass


class Batch:
    SHOWN_FAILURES = 10

    def __init__(self, source, store, runner, progress, jobs, sshloginfile, warn):
        self.source, self.store, self.runner = source, store, runner
        self.progress, self.jobs, self.sshloginfile = progress, jobs, sshloginfile
        self.warn = warn
        self.tag = secrets.token_hex(8).encode()
        self.failed = {}            # index -> why the part did not complete
        self.feed_error = None
        self.interrupted = False
        self.proc = None

    # ------------------------------------------------------------ parallel

    def command(self):
        cmd = ["parallel", "--will-cite", "--pipe", "-N1", "-q", "-j", str(self.jobs),
               "--termseq", "TERM,10000,KILL,25"]
        if self.sshloginfile:
            cmd += ["--sshloginfile", self.sshloginfile]
        return cmd + [PART_SCRIPT, self.tag.decode()] + self.runner.part_args(self.source)

    def start(self):
        # parallel and its jobs get a session of their own, so that an
        # interrupt is handled here: running parts are stopped, finished
        # ones are already recorded.
        self.proc = subprocess.Popen(self.command(), stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     start_new_session=True, preexec_fn=die_with_parent)
        threading.Thread(target=self.feed, daemon=True).start()

    def feed(self):
        try:
            self.source.feed(self.proc.stdin, self.store, self.progress, self.runner.payload)
            if self.progress.total is None:
                self.progress.set_total(self.source.bytes_read)
        except Fatal as e:
            self.feed_error = e
            self.stop()
        except (BrokenPipeError, ValueError, OSError):
            pass
        finally:
            try:
                self.proc.stdin.close()
            except OSError:
                pass

    def signal_group(self, sig):
        try:
            os.killpg(self.proc.pid, sig)
        except (ProcessLookupError, PermissionError):
            pass

    def stop(self, wait=False):
        """Stops parallel: the first TERM makes it start no more parts, the
        second stops the running ones.  wait=False (an interrupt, input
        refused while feeding): returns at once, a KILL follows after 30 s,
        and parts that end meanwhile are still read.  wait=True (after a
        write failure): stops reading and waits for the end, a KILL after
        15 s."""
        if self.proc is None or wait and self.proc.poll() is not None:
            return
        if wait:
            try:
                self.proc.stdout.close()
            except OSError:
                pass
        self.signal_group(signal.SIGTERM)
        again = threading.Timer(0.2, self.signal_group, (signal.SIGTERM,))
        again.start()
        if not wait:
            killer = threading.Timer(30, self.signal_group, (signal.SIGKILL,))
            killer.daemon = True
            killer.start()
            return
        again.join()
        try:
            self.proc.wait(timeout=15)
        except subprocess.TimeoutExpired:
            self.signal_group(signal.SIGKILL)

    def on_signal(self, signum, frame):
        if not self.interrupted:
            self.interrupted = True
            self.stop()

    # -------------------------------------------------------- the output

    def read(self):
        """Reads parallel's output to its end, part by part."""
        part = None
        begin, end = b"#wordrep-part " + self.tag + b" ", b"#wordrep-end " + self.tag + b" "
        for line in self.proc.stdout:
            if line.startswith(begin):
                if part:
                    part.discard()
                index = int(line[len(begin):])
                path = self.store.part_path(index, ".tmp")
                try:
                    part = Part(index, path)
                except OSError as e:
                    raise WriteFailure(path, e)
            elif line.startswith(end):
                fields = line[len(end):].rstrip(b"\n").decode("utf-8", "replace").split(" ", 2)
                if part and part.index == int(fields[0]):
                    self.finish_part(part, fields[1] == "ok", " ".join(fields[2:]))
                part = None
            elif part:
                try:
                    part.f.write(line)
                except OSError as e:
                    raise WriteFailure(part.path, e)
        if part:
            part.discard()
        self.proc.wait()

    def finish_part(self, part, ok, reason):
        try:
            part.f.close()
        except OSError as e:
            raise WriteFailure(part.path, e)
        if ok and self.feed_error is None:
            rows, counts, problem = self.runner.finish(part.index, part.path)
            units, problem2 = self.source.finished_part(part.index, counts.graphs, reason)
            reason = problem or problem2
            if reason is None:
                if rows != part.path:
                    os.unlink(part.path)
                self.store.add_part(part.index, rows, counts, self.source.part_extra(part.index))
                self.progress.step(units, counts.graphs)
                return
            if rows != part.path:
                os.unlink(rows)
        os.unlink(part.path)
        if self.feed_error is None:
            self.failed[part.index] = reason
            if len(self.failed) <= self.SHOWN_FAILURES:
                self.progress.clear()
                more = (" (further failed parts are not shown)"
                        if len(self.failed) == self.SHOWN_FAILURES else "")
                self.warn("part %d failed: %s%s" % (part.index, reason, more))


# ------------------------------------------------------------------ run

def program(name, args, given):
    """A program of the batch (see programs.find_program); Fatal when missing."""
    try:
        return find_program(name, given, args.bin)
    except ProgramNotFound as e:
        option = "--census" if name == "wordrep-census" else "--" + name
        raise Fatal("%s (use --bin DIR or %s PATH)" % (e, option))


def check_census_options(census, options):
    """The census is run once on no input, so that options it refuses stop
    the batch before it starts."""
    if not options:
        return
    p = subprocess.run([census, "--no-summary"] + options, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True,
                       errors="replace")
    if p.returncode not in (0, 1):
        first = next((l for l in p.stderr.splitlines() if l.strip()), "exit status %d"
                     % p.returncode)
        raise Fatal("%s %s: %s" % (census, " ".join(options), first))


def check_files(args, journal):
    """Refuses to start when the input, the output, the journal and the
    journal's parts folder are not four different files."""
    stdin = args.input in (None, "-")
    files = [("the input", None if stdin else args.input, 0 if stdin else None),
             ("the output", args.output, None if args.output else 1)]
    if args.geng is not None:
        files = files[1:]
    if journal:
        files += [("the journal", journal, None),
                  ("the journal's parts folder", journal + ".parts", None)]
    check_distinct(files)


def make_store(args, source, runner, journal, tmpdir):
    if args.journal and not args.output:
        raise Fatal("--journal needs -o FILE (the output is put together in that file)")
    if args.resume and not journal:
        raise Fatal("--resume needs -o FILE")
    header = {"journal": JOURNAL_VERSION, "engine": runner.engine, "source": source.ident}
    if runner.options:
        header["options"] = runner.options
    check_files(args, journal)
    return Store(args.output, journal, header, args.resume, tmpdir, runner.out_header)


def run(args, source, runner, prog, warn):
    """Runs the batch; returns the exit status."""
    t0 = time.monotonic()
    if shutil.which("parallel") is None:
        raise Fatal("GNU parallel is not installed (Debian package \"parallel\")")
    source.check()
    journal = args.journal or (args.output + ".journal" if args.output else None)
    tmpdir = os.path.abspath(args.tmpdir)
    if not os.path.isdir(tmpdir):
        raise Fatal("scratch directory %s does not exist" % tmpdir)
    runner.prepare(tmpdir)
    batch = None
    try:
        store = make_store(args, source, runner, journal, tmpdir)
        enabled = sys.stderr.isatty() if args.progress is None else args.progress
        progress = Progress(enabled, source.total, source.unit)
        if enabled and hasattr(source, "count_graphs"):
            source.count_graphs(progress.set_graphs, die_with_parent)
        batch = Batch(source, store, runner, progress, args.jobs, args.sshloginfile, warn)
        complete = run_parts(batch)
    except WriteFailure as e:
        if batch:
            batch.stop(wait=True)
            batch.store.abandon()
            batch.progress.finish()
        if not args.output:
            settle_stdout()
        where = (": free some space and run the same command with --resume to go on"
                 if journal else "")
        warn("%s%s" % (e, where))
        return EXIT_WRITE
    finally:
        runner.cleanup()
        getattr(source, "stop_count", lambda: None)()
    if batch.feed_error is not None:
        raise batch.feed_error
    counts = store.counts(runner.shortcut_length)
    if getattr(args, "summary", True):
        summary(prog, counts, store, progress, source, runner, time.monotonic() - t0)
    return outcome(batch, counts, store, source, journal, complete, warn)


def settle_stdout():
    """After a write failure: what is left in standard output's buffer is
    written if it can be, else dropped, so that the exit does not fail
    again with a traceback."""
    try:
        sys.stdout.flush()
    except OSError:
        silence_stdout()


def run_parts(batch):
    """Runs every part still to run; returns whether the output is complete."""
    handler = batch.on_signal
    old = {s: signal.signal(s, handler) for s in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP)}
    try:
        batch.progress.show(force=True)
        batch.progress.tick()
        batch.store.emit_ready()        # parts a stopped batch finished but did not put out
        batch.start()
        batch.read()
        complete = batch.feed_error is None and batch.store.emitted + 1 == batch.source.parts
        batch.store.close(complete)
    finally:
        for s, h in old.items():
            signal.signal(s, h)
    batch.progress.finish()
    return complete


def summary(prog, counts, store, progress, source, runner, elapsed):
    """Writes the summary: the counts of the finished parts, the parts, the time."""
    lines = counts.lines(prog, minimal=runner.minimal)
    finished = len(store.done)
    parts = source.parts if source.parts is not None else "?"
    lines.append("  parts: %d of %s finished, %d taken from the journal"
                 % (finished, parts, store.resumed))
    rate = progress.graphs / elapsed if elapsed > 0 else 0.0
    lines.append("  wall time: %.2f s, %d graphs run, %.2f graphs/s"
                 % (elapsed, progress.graphs, rate))
    print("\n".join(lines), file=sys.stderr)


def outcome(batch, counts, store, source, journal, complete, warn):
    """The exit status, with what is left to do said when the output is not complete."""
    if complete:
        return EXIT_FAILED_ROWS if counts.failures else EXIT_OK
    again = ("run the same command with --resume to go on" if journal else
             "the CSV stops before part %d; run with -o FILE to be able to resume"
             % (store.emitted + 1))
    if batch.interrupted:
        warn("interrupted; %s" % again)
        return EXIT_INTERRUPTED
    missing = (source.parts or 0) - len(store.done)
    warn("%d parts did not complete (GNU parallel exit status %d); %s"
         % (missing, batch.proc.returncode, again))
    return EXIT_PARTS
