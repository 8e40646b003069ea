"""The parts a census batch splits its work into.

GengSource: a family that nauty-geng generates, split by geng's own
res/mod option into PARTS parts (part i is "nauty-geng ARGS i/PARTS"; a part
whose rows are not as many as the graphs geng says it wrote fails).
ListSource: graph6 lines from a file or standard input, in parts of CHUNK
lines, read as the parts are handed out (never the whole list at once, and
never more of a line than wordrep-census reads: a longer line is passed on
cut to LINE_LIMIT + 1 bytes, so that it gets the census's own failure row).

Each source writes one line per part still to run to GNU parallel's
standard input: the part's index, and for a list a space and the part's
input in base64 (tools/wordrep-part reads it)."""

import base64
import hashlib
import os
import re
import stat
import subprocess
import threading

from .errors import Fatal
from .graph import CENSUS_MAX_VERTICES, graph6_text
from .spool import Spool

GENG = "nauty-geng"
LINE_LIMIT = 65536      # the longest line wordrep-census reads whole (census/io.h)


class GengSource:
    unit = "parts"

    def __init__(self, args, parts, max_vertices=CENSUS_MAX_VERTICES):
        if parts < 1:
            raise Fatal("--parts must be at least 1")
        if any("/" in a for a in args):
            raise Fatal("--geng: leave out res/mod and output files; --parts does the splitting")
        if len([a for a in args if not a.startswith("-")]) > 2:
            raise Fatal("--geng: give the vertex count and at most an edge range (no output file: "
                        "the census reads nauty-geng's output)")
        flags = {c for a in args if a.startswith("-") for c in a[1:].split("#")[0] if c.isalpha()}
        if flags & set("usyh"):
            raise Fatal("--geng: leave out -u, -s, -y and -h; the census reads graph6 lines")
        if any(c.isspace() for a in args for c in a):
            raise Fatal("--geng: an argument holds a blank")
        order = next((a for a in args if not a.startswith("-")), "")
        if order.isdigit() and int(order) > max_vertices:
            raise Fatal("--geng: graphs on %s vertices; wordrep-census accepts at most %d"
                        % (order, max_vertices))
        self.args, self.parts = args, parts
        self.ident = {"geng": args, "parts": parts}
        self.total = parts
        self.lock = threading.Lock()

    def check(self):
        """nauty-geng refuses bad arguments at once; a good command is
        stopped after a moment."""
        try:
            p = subprocess.Popen([GENG, "-q", "-u"] + self.args + ["0/%d" % self.parts],
                                 stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        except OSError as e:
            raise Fatal("cannot run %s: %s (Debian package \"nauty\")" % (GENG, e.strerror))
        try:
            status = p.wait(timeout=1)
        except subprocess.TimeoutExpired:
            p.kill()
            p.communicate()
            return
        err = p.stderr.read()
        p.stderr.close()
        if status != 0:
            first = next((l for l in err.splitlines() if l.strip()), "")
            raise Fatal("nauty-geng %s: %s" % (" ".join(self.args), first.replace(">E ", "")))

    def count_graphs(self, report, preexec_fn=None):
        """Counts the family's graphs in the background, for the progress
        bar: nauty-geng -u generates them without writing them, in a small
        fraction of the census's time (3 s of CPU for the 11.7 million of "-c 10"),
        at the lowest priority; report(number) once it is known.
        stop_count() ends the count early."""
        def count():
            err = self.counter.communicate()[1]
            got = re.search(r"^>Z (\d+) graphs", err, re.M)
            if self.counter.returncode == 0 and got:
                report(int(got.group(1)))

        def start():
            os.nice(19)
            if preexec_fn:
                preexec_fn()
        try:
            self.counter = subprocess.Popen([GENG, "-u"] + self.args, stdout=subprocess.DEVNULL,
                                            stderr=subprocess.PIPE, text=True, preexec_fn=start)
        except OSError:
            return                  # no count, no estimate: the run goes on
        threading.Thread(target=count, daemon=True).start()

    def stop_count(self):
        counter = getattr(self, "counter", None)
        if counter is not None and counter.poll() is None:
            counter.kill()

    def feed(self, sink, store, progress, payload):
        if any(j >= self.parts for j in store.done):
            raise Fatal("the journal belongs to a different input (it has more parts); remove it "
                        "or use the input it was made from")
        for i in range(self.parts):
            if store.is_done(i):
                progress.skip(1, store.done[i]["counts"]["graphs"])
            else:
                sink.write(b"%d\n" % i)

    def finished_part(self, i, rows, generated):
        """The units the part stands for, and a problem with its rows or
        None; generated: what the part said after "ok", nauty-geng's count
        of the graphs it wrote."""
        if not generated.isdigit():
            return 1, "the part did not say how many graphs nauty-geng wrote"
        if rows != int(generated):
            return 1, "wordrep-census wrote %d rows for the %s graphs nauty-geng wrote" % (
                rows, generated)
        return 1, None

    def part_extra(self, i):
        return {}


class ListSource:
    unit = "bytes"

    def __init__(self, path, chunk, spool_dir=None):
        """spool_dir: where a list that is no regular file (a pipe) is read
        ahead (spool.Spool), so that its size is known for the progress
        bar's estimate as soon as its writer is done; None: read as the
        parts are handed out."""
        if chunk < 1:
            raise Fatal("--chunk must be at least 1")
        self.chunk = chunk
        self.name = path if path not in (None, "-") else "standard input"
        self.lock = threading.Lock()
        self.progress = None
        try:
            self.f = open(path, "rb") if path not in (None, "-") else os.fdopen(0, "rb", closefd=False)
            st = os.fstat(self.f.fileno())
            self.total = (st.st_size - os.lseek(self.f.fileno(), 0, os.SEEK_CUR)
                          if stat.S_ISREG(st.st_mode) else None)
        except OSError as e:
            raise Fatal("cannot read %s: %s" % (self.name, e.strerror))
        if self.total is None and spool_dir is not None:
            try:
                self.f = Spool(self.f, spool_dir, self._read_to_end)
            except OSError as e:
                raise Fatal("cannot read %s ahead into the scratch directory %s: %s"
                            % (self.name, spool_dir, e.strerror))
        self.pending = {}          # index -> (lines, input bytes, sha256) of parts handed out
        self.parts = None          # known once the input is read to its end
        self.bytes_read = 0
        self.first = self._read_chunk()
        self.ident = {"list": chunk, "first_sha256": digest(self.first[0])}

    def check(self):
        pass

    def _read_to_end(self, size):
        """The spool has the whole list: its size is the progress's total."""
        with self.lock:
            self.total = size
            progress = self.progress
        if progress is not None:
            progress.set_total(size)

    def _read_line(self):
        """The next line (without its line feed, at most LINE_LIMIT + 1
        bytes: more means cut) and the input bytes it took; None at the end."""
        raw = self.f.readline(LINE_LIMIT + 1)
        if not raw:
            return None
        used = len(raw)
        if raw.endswith(b"\n"):
            return raw[:-1], used
        if len(raw) > LINE_LIMIT:               # the rest of the line is skipped
            while True:
                rest = self.f.readline(LINE_LIMIT)
                used += len(rest)
                if not rest or rest.endswith(b"\n"):
                    break
        return raw, used

    def _read_chunk(self):
        """The next CHUNK lines (graph6_text of each, a cut line as it
        is; blank lines left out) and the number of input bytes they took."""
        lines, used = [], 0
        try:
            while len(lines) < self.chunk:
                got = self._read_line()
                if got is None:
                    break
                raw, n = got
                used += n
                self.bytes_read += n
                s = graph6_text(raw) if len(raw) <= LINE_LIMIT else raw
                if s:
                    lines.append(s)
        except OSError as e:
            raise Fatal("cannot read %s: %s" % (self.name, e.strerror))
        return lines, used

    def feed(self, sink, store, progress, payload):
        """payload(index, lines): the bytes a part of these lines gets."""
        with self.lock:
            self.progress = progress
            if self.total is not None:
                progress.set_total(self.total)
        i, (lines, used) = 0, self.first
        self.first = None
        while lines or i == 0:
            sha = digest(lines)
            if store.is_done(i):
                if store.done[i].get("sha256") != sha:
                    raise Fatal("the journal belongs to a different input (part %d differs); "
                                "remove it or use the input it was made from" % i)
                progress.skip(used)
            else:
                with self.lock:
                    self.pending[i] = (len(lines), used, sha)
                sink.write(b"%d %s\n" % (i, base64.b64encode(payload(i, lines))))
            i += 1
            lines, used = self._read_chunk()
        self.parts = i
        if any(j >= i for j in store.done):
            raise Fatal("the journal belongs to a different input (it has more parts); remove it "
                        "or use the input it was made from")

    def finished_part(self, i, rows, note=""):
        with self.lock:
            lines, used, _ = self.pending.get(i, (None, 0, None))
        if lines is None:
            return 0, "a part that was not handed out"
        if rows != lines:
            return used, "wordrep-census wrote %d rows for %d graphs" % (rows, lines)
        return used, None

    def part_extra(self, i):
        with self.lock:
            return {"sha256": self.pending.pop(i)[2]}


def digest(lines):
    h = hashlib.sha256()
    for line in lines:
        h.update(line + b"\n")
    return h.hexdigest()
