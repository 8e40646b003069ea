"""Where the parts of a batch go: the part files, the output assembled from
them in part order, and the journal that lets an interrupted batch resume.

A finished part's rows are written to a file of their own (PARTS/INDEX.csv),
made durable and only then recorded in the journal ({"done": INDEX, ...}).
Parts are appended to the output in order as soon as every earlier part is
there; after each, the journal records the output's size ({"emitted":
INDEX, "size": BYTES}) and the part file is removed.  On resume the output
is cut back to the recorded size, so a part appended but not yet recorded
is appended again, and a part recorded as done is never run again.

The journal is JSON lines: a header naming the engine and the input
({"journal": 2, "engine": "census", "source": {...}}, with "options" when
the census is given any), then the records above.  A last line cut off by a
crash is dropped on resume; any other line that is not such a record makes
the journal unusable (Fatal).  The batch never truncates or removes a file
it did not make: a journal path holding anything but a journal is refused,
and of the parts folder only part files are removed."""

import fcntl
import json
import os
import re
import shutil
import stat
import sys
import tempfile

from .errors import Fatal, WriteFailure
from .rows import Counts

JOURNAL_VERSION = 2
RECORD_LIMIT = 1 << 20               # no record of a journal is longer
PART_NAME = re.compile(r"[0-9]+\.(csv|tmp|rows)$")


# ------------------------------------------------------------ same files

def file_identity(path):
    """(device, inode) of an existing file, else its resolved path; for a
    file descriptor (standard input or output), (device, inode) when it is a
    regular file, else None (a terminal or a pipe is no file to protect)."""
    try:
        if isinstance(path, int):
            st = os.fstat(path)
            return (st.st_dev, st.st_ino) if stat.S_ISREG(st.st_mode) else None
        st = os.stat(path)
        return (st.st_dev, st.st_ino)
    except OSError:
        return None if isinstance(path, int) else os.path.realpath(path)


def check_distinct(files):
    """files: (description, path, file descriptor or None); the path None
    for a standard stream, the descriptor None for a named file.  Fatal when
    two are the same file: links and other spellings count as the same."""
    seen = []
    for what, path, fd in files:
        ident = file_identity(path if fd is None else fd)
        if ident is None:
            continue
        desc = "%s %s" % (what, path) if path else what
        for other, other_ident in seen:
            if ident == other_ident:
                raise Fatal("%s and %s are the same file; name different files" % (other, desc))
        seen.append((desc, ident))


# ---------------------------------------------------------------- journal

def is_count(v):
    return isinstance(v, int) and not isinstance(v, bool) and v >= 0


def valid_counts(c):
    return (isinstance(c, dict) and set(c) == {"graphs", "not", "minimal", "failures", "k"}
            and all(is_count(c[k]) for k in ("graphs", "not", "minimal", "failures"))
            and isinstance(c["k"], dict)
            and all(k.isdigit() and is_count(v) for k, v in c["k"].items()))


def valid_record(rec):
    """A "done" or "emitted" record with fields of the right types."""
    if not isinstance(rec, dict):
        return False
    if "done" in rec:
        return (set(rec) <= {"done", "bytes", "counts", "sha256"} and is_count(rec["done"])
                and is_count(rec.get("bytes")) and valid_counts(rec.get("counts"))
                and isinstance(rec.get("sha256", ""), str))
    return (set(rec) == {"emitted", "size"} and isinstance(rec["emitted"], int)
            and not isinstance(rec["emitted"], bool) and rec["emitted"] >= -1
            and is_count(rec["size"]))


def describe(header):
    """What a journal header says of its batch, for a message."""
    src = header.get("source")
    if header.get("engine") == "programs":
        what = "the programs on "
    else:
        opts = header.get("options")
        what = "the census%s on " % (" with %s" % " ".join(map(str, opts)) if opts else "")
    if isinstance(src, dict) and "geng" in src:
        return what + "nauty-geng %s in %s parts" % (" ".join(map(str, src["geng"])),
                                                   src.get("parts"))
    if isinstance(src, dict) and "list" in src:
        return what + "a list in parts of %s lines" % src["list"]
    return "made by another kind of batch"



def fsync(f):
    """Writes f's buffer and makes the file durable."""
    f.flush()
    os.fsync(f.fileno())

class Journal:
    """The journal file: header check, records read back, records added."""

    def __init__(self, path, header, resume):
        self.path, self.header = path, header
        self.records = []                     # (line number, record)
        existed = os.path.lexists(path)
        if existed:
            self._check_regular()
        try:
            self.f = open(path, "a+b")
        except OSError as e:
            raise Fatal("cannot open the journal %s: %s" % (path, e.strerror))
        try:
            fcntl.flock(self.f, fcntl.LOCK_EX | fcntl.LOCK_NB)
        except OSError:
            self.f.close()
            raise Fatal("journal %s is in use by another batch" % path)
        found, good = self._read(existed, resume)
        try:
            self.f.truncate(good)
            self.f.seek(0, os.SEEK_END)
            if found is None:
                self.add(header)
        except OSError as e:
            raise WriteFailure(path, e)
        self.fresh = found is None

    def _check_regular(self):
        """An existing journal path must be a regular file (opening a FIFO
        would wait, a folder cannot be a journal)."""
        try:
            regular = stat.S_ISREG(os.stat(self.path).st_mode)
        except OSError as e:
            raise Fatal("cannot read the journal %s: %s" % (self.path, e.strerror))
        if not regular:
            raise self._not_a_journal()

    def _not_a_journal(self):
        return Fatal("%s is not a journal of wordrep-batch; it is left as it is: name "
                     "another --journal" % self.path)

    def _check_version(self, rec):
        if rec["journal"] == 1:
            raise Fatal("journal %s was written by an older wordrep-batch (journal version 1), "
                        "which this one cannot resume: remove it to start again" % self.path)
        if rec["journal"] != JOURNAL_VERSION:
            raise Fatal("journal %s has version %r, which this wordrep-batch does not read"
                        % (self.path, rec["journal"]))

    def _refuse(self, lineno, line, why):
        text = line.rstrip(b"\n").decode("utf-8", "replace")
        raise Fatal("%s:%d: %s: %s%s" % (self.path, lineno, why, text[:60],
                                          "..." if len(text) > 60 else ""))

    def _read(self, existed, resume):
        """Checks the header of a journal that was there and reads its
        whole records; returns (header or None for a new journal, the
        length of its whole lines)."""
        self.f.seek(0)
        first = self.f.readline(RECORD_LIMIT)
        if not existed and not first:
            return None, 0
        header, good, lineno = self._check_header(first, resume), len(first), 1
        while True:
            line = self.f.readline(RECORD_LIMIT)
            if not line.endswith(b"\n"):
                if len(line) >= RECORD_LIMIT:
                    self._refuse(lineno + 1, line, "a line too long for a journal record")
                break                           # the end, or a line cut off by a crash
            lineno += 1
            try:
                rec = json.loads(line)
            except (ValueError, RecursionError):
                rec = None
            if valid_record(rec):
                self.records.append((lineno, rec))
            else:
                self._refuse(lineno, line, "not a record of a batch journal")
            good += len(line)
        return header, good

    def _check_header(self, line, resume):
        """The header line of an existing journal: a journal's (else it is
        left as it is), of this version, resumed, of this batch."""
        try:
            rec = json.loads(line)
        except (ValueError, RecursionError):
            rec = None
        if not (line.endswith(b"\n") and isinstance(rec, dict) and "journal" in rec):
            raise self._not_a_journal()
        self._check_version(rec)      # an old one cannot be resumed: say so first
        if not resume:
            raise Fatal("journal %s exists from an unfinished batch: add --resume to continue "
                        "it, or remove it to start again" % self.path)
        if rec != self.header:
            raise Fatal("journal %s belongs to a different input (%s); remove it or use "
                        "the input it was made from" % (self.path, describe(rec)))
        return rec

    def add(self, *recs):
        """Appends the records and makes them durable (one sync for all)."""
        try:
            self.f.write(b"".join(json.dumps(r, separators=(",", ":")).encode() + b"\n"
                                  for r in recs))
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


# ------------------------------------------------------------ part store

def check_parts_dir(path, journal):
    """Before a fresh journal: the parts folder is absent, or a folder of
    part files only (left when a journal was removed by hand)."""
    if not os.path.lexists(path) or journal and os.path.exists(journal):
        return
    if not os.path.isdir(path) or os.path.islink(path):
        raise Fatal("%s is in the way of the journal's parts folder; remove it or name another "
                    "--journal" % path)
    foreign = [n for n in os.listdir(path) if not PART_NAME.match(n)]
    if foreign:
        raise Fatal("%s holds files that are not parts of a batch (%s); remove them or name "
                    "another --journal" % (path, foreign[0]))


def remove_parts(path):
    """Removes the part files of a parts folder, and the folder once empty."""
    try:
        for name in os.listdir(path):
            if PART_NAME.match(name):
                os.unlink(os.path.join(path, name))
        os.rmdir(path)
    except OSError:
        pass


def open_locked(output, fresh, journal):
    """The output file, locked for the whole run when it is a regular file
    (a second batch writing to it is refused before it changes a byte);
    fresh: made, or emptied once locked; else opened to be continued.
    Fatal when it cannot be opened, is in use, or (not fresh) is gone."""
    try:
        fd = os.open(output, (os.O_WRONLY | os.O_CREAT if fresh else os.O_RDWR) | os.O_CLOEXEC,
                     0o666)
    except FileNotFoundError:
        if fresh:
            raise Fatal("cannot open %s: No such file or directory" % output)
        raise Fatal("%s is gone, and with it the parts the journal %s records as put out: "
                    "restore the file and run the same command with --resume, or remove the "
                    "journal to start again" % (output, journal.path))
    except OSError as e:
        raise Fatal("cannot open %s: %s" % (output, e.strerror))
    out = os.fdopen(fd, "wb" if fresh else "r+b")
    if stat.S_ISREG(os.fstat(fd).st_mode):
        try:
            fcntl.flock(fd, fcntl.LOCK_EX | fcntl.LOCK_NB)
        except OSError:
            out.close()
            raise Fatal("%s is the output of another batch that is still running; name "
                        "another -o" % output)
        if fresh:
            try:
                out.truncate(0)
            except OSError as e:
                out.close()
                raise WriteFailure(output, e)
    return out


class Store:
    """Part files, the output and (with a journal) the record of both.

    output: a path, or None for standard output; journal: a path or None
    (no resume then); header: the journal's header; out_header: the line
    the output starts with (and each part file with it), b"" for none."""

    def __init__(self, output, journal, header, resume, tmpdir, out_header):
        self.output_name = output or "standard output"
        self.out_header = out_header
        self.done = {}          # index -> record of a finished part
        self.emitted = -1       # parts 0..emitted are in the output
        self.out_size = None
        self.resumed = 0
        self.journal = None
        if journal:
            self.parts_dir = journal + ".parts"
            check_parts_dir(self.parts_dir, journal)
            self.journal = Journal(journal, header, resume)
            self.own_parts_dir = False
            try:
                self._replay()
                self._make_parts_dir()
            except Fatal:
                self._drop_fresh_journal()
                raise
        else:
            self.parts_dir = tempfile.mkdtemp(prefix="wordrep-batch.", dir=tmpdir)
            self.own_parts_dir = True
        try:
            self._open_output(output)
        except (Fatal, WriteFailure):
            self._drop_fresh_journal()
            self.abandon()
            raise

    def _drop_fresh_journal(self):
        """Nothing was done: leave no journal that would ask for --resume."""
        if self.journal and self.journal.fresh:
            self.journal.close(remove=True)
            remove_parts(self.parts_dir)
        elif self.journal:
            self.journal.close(remove=False)

    def _replay(self):
        for lineno, rec in self.journal.records:
            if "done" in rec:
                self.done[rec["done"]] = rec
                continue
            i = rec["emitted"]
            if i == -1 and self.emitted == -1:           # the output's header
                pass
            elif i != self.emitted + 1:
                raise Fatal("%s:%d: part %d put out after part %d"
                            % (self.journal.path, lineno, i, self.emitted))
            elif i not in self.done:
                raise Fatal("%s:%d: part %d put out before it was recorded as done"
                            % (self.journal.path, lineno, i))
            self.emitted, self.out_size = i, rec["size"]
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
        self.out = open_locked(output, self.out_size is None, self.journal)
        if self.out_size is None:
            self._write_header()
            return
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
        self._write(self.out_header)
        self._flush()
        if self.journal:
            self.out_size = len(self.out_header)
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

    def counts(self, shortcut_length=None):
        """The finished parts' counts, of --shortcut-length K when
        shortcut_length is K (for the summary's lines)."""
        total = Counts(shortcut_length=shortcut_length)
        for rec in self.done.values():
            total.merge(Counts(rec["counts"]))
        return total

    def add_part(self, i, tmp_path, counts, extra):
        """A finished part: its rows (after out_header) are in tmp_path.
        A part that is next in order goes to the output at once, and its
        "done" record with the "emitted" one: its file need not be durable
        (should the records be lost, the part runs again)."""
        path = self.part_path(i)
        now = i == self.emitted + 1
        try:
            if self.journal and not now:
                with open(tmp_path, "rb") as f:
                    os.fsync(f.fileno())
            os.replace(tmp_path, path)
        except OSError as e:
            raise WriteFailure(path, e)
        rec = dict(extra, done=i, bytes=os.path.getsize(path), counts=counts.to_json())
        if self.journal and not now:
            self.journal.add(rec)
        self.done[i] = rec
        self.emit_ready(rec if now else None)

    def emit_ready(self, unrecorded=None):
        """Appends the parts that are next in order to the output;
        unrecorded: the first one's "done" record, not yet in the journal."""
        while self.emitted + 1 in self.done:
            i = self.emitted + 1
            path = self.part_path(i)
            with open(path, "rb") as f:
                if self.out_header:
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
                emitted = {"emitted": i, "size": self.out_size}
                self.journal.add(*([unrecorded, emitted] if unrecorded else [emitted]))
                unrecorded = None
            os.unlink(path)

    def abandon(self):
        """After a failure: part files without a journal are of no use."""
        if self.own_parts_dir:
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
        if self.own_parts_dir:
            shutil.rmtree(self.parts_dir, ignore_errors=True)
        elif complete:
            remove_parts(self.parts_dir)
