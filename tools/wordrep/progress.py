"""The batch tool's progress bar on standard error: how far it is, the rate
in graphs per second and the estimated time left.

Progress is counted in units (graphs, parts or bytes of input, whatever the
caller knows the total of in advance); the total may be unknown for a while
(a list read from a pipe), and then the bar shows no fraction or estimate."""

import sys
import threading
import time


def _clock(seconds):
    seconds = int(seconds)
    h, rest = divmod(seconds, 3600)
    return "%d:%02d:%02d" % (h, rest // 60, rest % 60) if h else "%d:%02d" % divmod(rest, 60)


class Progress:
    WIDTH = 30

    def __init__(self, enabled, total=None, unit="graphs", stream=None):
        self.enabled = enabled
        self.total = total
        self.unit = unit
        self.stream = stream or sys.stderr
        self.done = 0            # units finished, including those taken over at the start
        self.skipped = 0         # units finished before this run
        self.graphs = 0          # graphs answered in this run
        self.t0 = time.monotonic()
        self.last = 0.0
        self.lock = threading.Lock()

    def skip(self, units):
        """Units finished by an earlier run (taken from the journal)."""
        with self.lock:
            self.done += units
            self.skipped += units

    def step(self, units, graphs):
        with self.lock:
            self.done += units
            self.graphs += graphs
        self.show()

    def set_total(self, total):
        with self.lock:
            self.total = total

    def line(self, now):
        """E.g. "[###...] 412/1000 parts  41% 52311 graphs 871.2 graphs/s ETA 1:02";
        counting graphs themselves: "[###...] 21/21 100% 45.3 graphs/s ETA 0:00"."""
        elapsed = now - self.t0
        rate = self.graphs / elapsed if elapsed > 0 else 0.0
        ran = self.done - self.skipped
        label = "" if self.unit in ("graphs", "bytes") else " " + self.unit
        count = "" if self.unit == "bytes" else "%d/%d%s " % (self.done, self.total or 0, label)
        if self.total:
            frac = min(self.done / self.total, 1.0)
            fill = int(frac * self.WIDTH)
            bar = "[%s%s] %s%3d%%" % ("#" * fill, "." * (self.WIDTH - fill), count, int(frac * 100))
            eta = _clock(elapsed * (self.total - self.done) / ran) if ran > 0 else "?"
        else:
            shown = "" if self.unit == "bytes" else " %d%s" % (self.done, label)
            bar, eta = "[%s]%s" % ("?" * self.WIDTH, shown), "?"
        graphs = "" if self.unit == "graphs" else " %d graphs" % self.graphs
        return "%s%s %.1f graphs/s ETA %s" % (bar, graphs, rate, eta)

    def show(self, force=False):
        if not self.enabled:
            return
        with self.lock:
            if not self.enabled:
                return
            now = time.monotonic()
            end = self.total is not None and self.done >= self.total
            if not force and not end and now - self.last < 0.2:
                return
            self.last = now
            self.stream.write("\r" + self.line(now) + " \x1b[K")
            self.stream.flush()

    def tick(self, interval=1.0):
        """Redraws the bar every interval seconds (time passes between
        parts too) until finish()."""
        if not self.enabled:
            return
        self.stopped = threading.Event()

        def loop():
            while not self.stopped.wait(interval):
                self.show(force=True)
        threading.Thread(target=loop, daemon=True).start()

    def clear(self):
        """Clears the bar's line (before a message); the next show() draws it again."""
        if self.enabled:
            with self.lock:
                self.stream.write("\r\x1b[K")
                self.stream.flush()

    def finish(self):
        if self.enabled:
            with self.lock:
                self.enabled = False
                if getattr(self, "stopped", None):
                    self.stopped.set()
                self.stream.write("\r\x1b[K")
                self.stream.flush()
