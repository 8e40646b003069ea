"""A pipe read ahead into a scratch file, so that its size is known once
its writer is done, not only once its last line is used.

The batch hands a list out part by part as GNU parallel takes the parts,
and parallel takes them only as fast as they run: read straight from a pipe,
the list's size (and with it the progress bar's estimate) would be known
only when the last part starts.  A Spool copies the pipe to an unlinked file
in the scratch directory as fast as the writer gives it, and serves lines
from that file, waiting for the copy where it has not got that far."""

import os
import tempfile
import threading

BLOCK = 1 << 16


class Spool:
    """Reads src (a binary file object) ahead into a scratch file in
    folder; readline() as a file's.  on_end(size) is called from the copying
    thread once src is read to its end."""

    def __init__(self, src, folder, on_end):
        fd, path = tempfile.mkstemp(prefix="wordrep-list.", dir=folder)
        try:
            self.reader = open(path, "rb")
        finally:
            os.unlink(path)
        self.src, self.fd, self.on_end = src, fd, on_end
        self.written = 0
        self.ended = False
        self.error = None
        self.ready = threading.Condition()
        threading.Thread(target=self._copy, daemon=True).start()

    def _copy(self):
        try:
            while True:
                block = self.src.read1(BLOCK) if hasattr(self.src, "read1") else \
                    self.src.read(BLOCK)
                if not block:
                    break
                view = memoryview(block)
                while view:
                    view = view[os.write(self.fd, view):]
                with self.ready:
                    self.written += len(block)
                    self.ready.notify_all()
        except OSError as e:
            self.error = e
        finally:
            with self.ready:
                self.ended = True
                self.ready.notify_all()
            os.close(self.fd)
        if self.error is None:
            self.on_end(self.written)

    def _wait(self):
        """Waits until there is something past the reading position, or the
        copy has ended; raises the copy's error."""
        with self.ready:
            while self.reader.tell() >= self.written and not self.ended:
                self.ready.wait()
        if self.error is not None:
            raise self.error

    def readline(self, limit):
        """The next line with its line feed, or at most limit bytes of it,
        or what is left at the end; b"" at the end."""
        line = b""
        while len(line) < limit and not line.endswith(b"\n"):
            self._wait()
            more = self.reader.readline(limit - len(line))
            if not more and self.ended and self.reader.tell() >= self.written:
                break
            line += more
        return line

    def close(self):
        self.reader.close()
