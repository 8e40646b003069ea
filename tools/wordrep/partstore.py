"""Where the parts of a census batch go: the part files, the output CSV
assembled from them in part order, and the journal that lets an interrupted
batch resume.

A finished part's CSV is written to a file of its own (PARTS/INDEX.csv),
made durable and only then recorded in the journal ({"done": INDEX, ...}).
Parts are appended to the output in order as soon as every earlier part is
there; after each, the journal records the output's size ({"emitted":
INDEX, "size": BYTES}) and the part file is removed.  On resume the output
is cut back to the recorded size, so a part appended but not yet recorded
is appended again, and a part recorded as done is never run again.

The journal is JSON lines: a header naming the input ({"journal": 2,
"engine": "census", "source": {...}}), then the records above.  A line cut
off by a crash is dropped on resume."""

import fcntl
import json
import os
import shutil
import sys
import tempfile

from .errors import Fatal, WriteFailure, fsync
from .rows import CENSUS_FIELDS, Counts

JOURNAL_VERSION = 2
HEADER = (",".join(CENSUS_FIELDS) + "\n").encode()


class Journal:
    """The journal file: header check, records read back, records added."""

    def __init__(self, path, source, resume):
        self.path = path
        self.records = []
        if os.path.exists(path) and not resume:
            raise Fatal("journal %s exists from an unfinished batch: add --resume to continue "
                        "it, or remove it to start again" % path)
        try:
            self.f = open(path, "a+")
        except OSError as e:
            raise Fatal("cannot open the journal %s: %s" % (path, e.strerror))
        try:
            fcntl.flock(self.f, fcntl.LOCK_EX | fcntl.LOCK_NB)
        except OSError:
            raise Fatal("journal %s is in use by another batch" % path)
        header, good = self._read(source)
        try:
            self.f.truncate(good)
            self.f.seek(0, os.SEEK_END)
            if header is None:
                self.add({"journal": JOURNAL_VERSION, "engine": "census", "source": source})
        except OSError as e:
            raise WriteFailure(path, e)
        self.fresh = header is None

    def _read(self, source):
        """Reads the whole lines; returns (header or None, their length)."""
        header, good = None, 0
        for rec, good in whole_records(self.f):
            if header is None:
                header = rec
                if rec != {"journal": JOURNAL_VERSION, "engine": "census", "source": source}:
                    raise Fatal("journal %s belongs to a different input (%s); remove it or use "
                                "the input it was made from" % (self.path, describe(rec)))
            else:
                self.records.append(rec)
        return header, good

    def add(self, rec):
        try:
            self.f.write(json.dumps(rec, separators=(",", ":")) + "\n")
            fsync(self.f)
        except OSError as e:
            raise WriteFailure(self.path, e)

    def close(self, remove):
        try:
            self.f.close()
        except OSError:
            pass
        if remove:
            os.unlink(self.path)


def whole_records(f):
    """The JSON records of a journal's whole lines from its start, each with
    the length in bytes of the lines up to and including it.  Stops at a line
    cut off by an interruption or one that is not JSON: what follows is redone."""
    f.seek(0)
    good = 0
    for line in f:
        if not line.endswith("\n"):
            return
        try:
            rec = json.loads(line)
        except ValueError:
            return
        good += len(line.encode())
        yield rec, good


def describe(header):
    src = header.get("source") if isinstance(header, dict) else None
    if isinstance(src, dict) and "geng" in src:
        return "nauty-geng %s in %s parts" % (" ".join(src["geng"]), src.get("parts"))
    if isinstance(src, dict) and "list" in src:
        return "a list in parts of %s lines" % src["list"]
    return "made by another kind of batch"


class Store:
    """Part files, the output and (with a journal) the record of both.

    output: a path, or None for standard output; journal: a path or None
    (no resume then); source: what the journal's header says of the input."""

    def __init__(self, output, journal, source, resume, tmpdir):
        self.output_name = output or "standard output"
        self.journal = Journal(journal, source, resume) if journal else None
        self.done = {}          # index -> record of a finished part
        self.emitted = -1       # parts 0..emitted are in the output
        self.out_size = None
        self.resumed = 0
        if self.journal:
            self.parts_dir = journal + ".parts"
            self._replay()
            self._make_parts_dir()
        else:
            self.parts_dir = tempfile.mkdtemp(prefix="wordrep-batch.", dir=tmpdir)
        try:
            self._open_output(output)
        except (Fatal, WriteFailure):
            if self.journal and self.journal.fresh:
                # Nothing was done: leave no journal that would ask for --resume.
                self.journal.close(remove=True)
                shutil.rmtree(self.parts_dir, ignore_errors=True)
            self.abandon()
            raise

    def _replay(self):
        for rec in self.journal.records:
            if "done" in rec:
                self.done[rec["done"]] = rec
            elif "emitted" in rec:
                self.emitted, self.out_size = rec["emitted"], rec["size"]
        # A part recorded as done but not yet in the output needs its file.
        for i in [i for i in self.done if i > self.emitted]:
            path = self.part_path(i)
            if not os.path.isfile(path) or os.path.getsize(path) != self.done[i]["bytes"]:
                del self.done[i]
        self.resumed = len(self.done)

    def _make_parts_dir(self):
        try:
            os.makedirs(self.parts_dir, exist_ok=True)
        except OSError as e:
            raise Fatal("cannot make the directory %s: %s" % (self.parts_dir, e.strerror))

    def _open_output(self, output):
        if output is None:
            self.out = sys.stdout.buffer
            self._write_header()
            return
        try:
            if self.out_size is None:
                self.out = open(output, "wb")
                self._write_header()
                return
            self.out = open(output, "r+b")
        except OSError as e:
            raise Fatal("cannot open %s: %s" % (output, e.strerror))
        size = os.fstat(self.out.fileno()).st_size
        if size < self.out_size:
            raise Fatal("%s has %d bytes but the journal %s records %d: it was changed since; "
                        "remove the journal to start again" % (output, size, self.journal.path,
                                                               self.out_size))
        try:
            self.out.truncate(self.out_size)
            self.out.seek(self.out_size)
        except OSError as e:
            raise WriteFailure(output, e)

    def _write_header(self):
        self._write(HEADER)
        self._flush()
        if self.journal:
            self.out_size = len(HEADER)
            self.journal.add({"emitted": -1, "size": self.out_size})

    def _write(self, data):
        try:
            self.out.write(data)
        except OSError as e:
            raise WriteFailure(self.output_name, e)

    def _flush(self):
        try:
            if self.journal:
                fsync(self.out)
            else:
                self.out.flush()
        except OSError as e:
            raise WriteFailure(self.output_name, e)

    def part_path(self, i, suffix=".csv"):
        return os.path.join(self.parts_dir, "%d%s" % (i, suffix))

    def is_done(self, i):
        return i in self.done

    def counts(self):
        total = Counts()
        for rec in self.done.values():
            total.merge(Counts(rec["counts"]))
        return total

    def add_part(self, i, tmp_path, counts, extra):
        """A finished part: its CSV (header first) is in tmp_path."""
        path = self.part_path(i)
        try:
            if self.journal:
                with open(tmp_path, "rb") as f:
                    os.fsync(f.fileno())
            os.replace(tmp_path, path)
        except OSError as e:
            raise WriteFailure(path, e)
        rec = dict(extra, done=i, bytes=os.path.getsize(path), counts=counts.to_json())
        if self.journal:
            self.journal.add(rec)
        self.done[i] = rec
        self.emit_ready()

    def emit_ready(self):
        """Appends the parts that are next in order to the output."""
        while self.emitted + 1 in self.done:
            i = self.emitted + 1
            path = self.part_path(i)
            with open(path, "rb") as f:
                f.readline()                  # the part's own header
                while True:
                    block = f.read(1 << 20)
                    if not block:
                        break
                    self._write(block)
            self._flush()
            self.emitted = i
            if self.journal:
                self.out_size = self.out.tell()
                self.journal.add({"emitted": i, "size": self.out_size})
            os.unlink(path)

    def abandon(self):
        """After a failure: part files without a journal are of no use."""
        if not self.journal:
            shutil.rmtree(self.parts_dir, ignore_errors=True)

    def close(self, complete):
        """Closes the output; a complete batch leaves no journal or parts."""
        if self.out is not sys.stdout.buffer:
            try:
                self.out.close()
            except OSError as e:
                raise WriteFailure(self.output_name, e)
        if self.journal:
            self.journal.close(remove=complete)
        if complete or not self.journal:
            shutil.rmtree(self.parts_dir, ignore_errors=True)
