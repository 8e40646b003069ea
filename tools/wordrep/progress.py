"""The batch tool's progress bar on standard error: how far it is, the rate
in graphs per second and the estimated time left.

Progress is counted in units (graphs, parts or bytes of input, whatever the
caller knows the total of in advance); the total may be unknown for a while
(a list read from a pipe), and then the bar shows no fraction or estimate.

Parts are no measure of the work left: nauty-geng's parts are very uneven
(for "-c 10" in 1000 parts from 0 to 246,795 graphs, the first fifth of the
parts holding more than half of them), and a rate of parts would
overestimate the time left several times over.  So once the caller knows
the number of graphs in all (set_graphs; nauty-geng counts a family
quickly), the fraction and the estimate count graphs; until then, for parts,
the estimate is "?"."""

import sys
import threading
import time


def _clock(seconds):
    seconds = int(seconds)
    h, rest = divmod(seconds, 3600)
    return "%d:%02d:%02d" % (h, rest // 60, rest % 60) if h else "%d:%02d" % divmod(rest, 60)


class Progress:
    WIDTH = 30

    def __init__(self, enabled, total=None, unit="graphs", stream=None, clock=time.monotonic):
        self.enabled = enabled
        self.total = total
        self.unit = unit
        self.stream = stream or sys.stderr
        self.clock = clock
        self.done = 0            # units finished, including those taken over at the start
        self.skipped = 0         # units finished before this run
        self.graphs = 0          # graphs answered in this run
        self.graphs_before = 0   # graphs answered by an earlier run
        self.graphs_total = None  # graphs in all, once known
        self.t0 = clock()
        self.last = 0.0
        self.lock = threading.Lock()

    def skip(self, units, graphs=0):
        """Units finished by an earlier run (taken from the journal), and
        the graphs they held."""
        with self.lock:
            self.done += units
            self.skipped += units
            self.graphs_before += graphs

    def step(self, units, graphs):
        with self.lock:
            self.done += units
            self.graphs += graphs
        self.show()

    def set_total(self, total):
        with self.lock:
            self.total = total

    def set_graphs(self, total):
        """The number of graphs of the whole run, earlier runs' included."""
        with self.lock:
            self.graphs_total = total

    def measure(self):
        """(done, total, done in this run) in the measure of the estimate:
        graphs once their total is known, else the units, but not parts
        before the last one is done (None then, as when the total is not
        known)."""
        if self.graphs_total is not None:
            graphs = self.graphs_before + self.graphs
            return graphs, max(self.graphs_total, graphs), self.graphs
        if not self.total or self.unit == "parts" and self.done < self.total:
            return None
        return self.done, self.total, self.done - self.skipped

    def eta(self, now):
        """The seconds left by the rate of this run, None when not known."""
        measure = self.measure()
        if measure is None or measure[2] <= 0:
            return None
        done, total, ran = measure
        return (now - self.t0) * max(total - done, 0) / ran

    def line(self, now):
        """E.g. "[###...] 412/1000 parts  41% 52311 graphs 871.2 graphs/s ETA 1:02";
        counting graphs themselves: "[###...] 21/21 100% 45.3 graphs/s ETA 0:00"."""
        elapsed = now - self.t0
        rate = self.graphs / elapsed if elapsed > 0 else 0.0
        label = "" if self.unit in ("graphs", "bytes") else " " + self.unit
        count = "" if self.unit == "bytes" else "%d/%d%s " % (self.done, self.total or 0, label)
        if self.total:
            measure = self.measure()
            done, total = (self.done, self.total) if measure is None else measure[:2]
            frac = min(done / total, 1.0) if total else 1.0
            fill = int(frac * self.WIDTH)
            bar = "[%s%s] %s%3d%%" % ("#" * fill, "." * (self.WIDTH - fill), count, int(frac * 100))
            left = self.eta(now)
            eta = "?" if left is None else _clock(left)
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
            now = self.clock()
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
