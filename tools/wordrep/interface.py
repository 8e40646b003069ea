"""The census from Python.

    import wordrep
    for r in wordrep.census(["Bw", (4, [(1, 2), (2, 3), (3, 4)]), networkx_graph]):
        print(r.n, r.representation_number, r.word, r.orientation, r.witness)

census() takes any iterable of graphs and yields one Result per graph, in
order, streaming them through the program wordrep-census (one process, or
`jobs` processes fed round-robin, their rows merged back in order).  A
graph is a graph6 string, anything with a graph6_string() method (SageMath),
a networkx graph (vertex k is the k-th node of G.nodes(), recorded in
Result.labels) or a pair (n, edges) with vertices 1..n.  The census writes
its rows in blocks, so results come in bursts and all of them once the
input ends.  Anything that stops a graph from being answered raises
CensusError naming the graph (its position in the input, counted from 1,
and its graph6 text or type) and the reason, after the results of the
graphs before it."""

import csv
import queue
import subprocess
import tempfile
import threading
from dataclasses import dataclass

from . import programs
from .formats import OutputError, parse_orientation_field, parse_word
from .graph import MAX_VERTICES, GraphError, from_graph6, graph6_order, normalise, to_graph6
from .rows import CENSUS_FIELDS, row_failed

PROGRAM = "wordrep-census"


class CensusError(Exception):
    """A graph could not be answered (graph names it, None when the fault is
    not one graph's, e.g. a missing census program); reason says why."""

    def __init__(self, graph, reason):
        self.graph = graph
        self.reason = reason
        super().__init__(reason if graph is None else "%s: %s" % (graph, reason))


@dataclass(frozen=True)
class Result:
    graph6: str
    n: int
    edges: list                   # (i, j), i < j, vertices 1..n
    semi_transitive: bool
    representation_number: int    # None when not word-representable
    word: list                    # letters 1..n; None when not word-representable
    orientation: list             # arcs (i, j) for i -> j; None when not semi-transitive
    witness: list                 # vertices of a minimal non-representable induced
                                  # subgraph; None when word-representable
    labels: tuple = None          # a networkx graph's nodes: vertex k is labels[k - 1]


def census_program(program=None):
    """The census program: the argument, else where programs.find_program
    looks for wordrep-census; CensusError when there is none."""
    try:
        return programs.find_program(PROGRAM, program)
    except programs.ProgramNotFound as e:
        raise CensusError(None, "census program %s not found or not executable (build it, "
                                "pass program=PATH or set WORDREP_BIN)" % e.path)


def _name(position, graph):
    if isinstance(graph, (str, bytes)):
        text = graph.decode("ascii", "replace") if isinstance(graph, bytes) else graph
        text = text.strip()
        return "graph %d (%r)" % (position, text[:40] + ("..." if len(text) > 40 else ""))
    text = str(graph)
    return "graph %d (%s)" % (position, text[:60] + ("..." if len(text) > 60 else ""))


def _from_networkx(g):
    if g.is_directed() if hasattr(g, "is_directed") else False:
        raise GraphError("directed graph; give an undirected one")
    labels = tuple(g.nodes())
    index = {v: k + 1 for k, v in enumerate(labels)}
    n, edges = normalise(len(labels), [(index[a], index[b]) for a, b, *_ in g.edges()])
    return n, edges, labels


def _check_order(n):
    if n < 1:
        raise GraphError("graph has no vertices")
    if n > MAX_VERTICES:
        raise GraphError("graph has %d vertices; the census takes at most %d"
                         % (n, MAX_VERTICES))


def _graph6(text):
    _check_order(graph6_order(text)[0])
    return from_graph6(text, max_vertices=None)


def as_graph(graph):
    """(n, edges, labels) of one input graph; GraphError when it is none."""
    if isinstance(graph, bytes):
        graph = graph.decode("ascii", "replace")
    if isinstance(graph, str):
        n, edges = _graph6(graph)
        labels = None
    elif hasattr(graph, "graph6_string"):
        n, edges = _graph6(graph.graph6_string())
        labels = None
    elif hasattr(graph, "nodes") and hasattr(graph, "edges"):
        n, edges, labels = _from_networkx(graph)
    elif isinstance(graph, (tuple, list)) and len(graph) == 2 and isinstance(graph[0], int):
        n, edges = normalise(graph[0], [tuple(e) for e in graph[1]])
        labels = None
    else:
        raise GraphError("not a graph: expected a graph6 string, a graph with graph6_string(), "
                         "a networkx graph or a pair (n, edges)")
    _check_order(n)
    return n, edges, labels


def _ints(field):
    return [int(t) for t in field.split()]


def make_result(row, n, edges, labels):
    """The Result of a census row; ValueError for a row that is no answer."""
    if row_failed(row):
        raise ValueError(next(row[f] for f in CENSUS_FIELDS if row[f].startswith("failed")))
    yes = row["semi_transitive"] == "yes"
    if not yes and row["semi_transitive"] != "no":
        raise ValueError("semi_transitive is %r" % row["semi_transitive"])
    word = row["word"]
    return Result(graph6=row["graph6"], n=n, edges=edges, semi_transitive=yes,
                  representation_number=int(row["representation_number"]) if yes else None,
                  word=parse_word(word) if yes else None,
                  orientation=parse_orientation_field(row["orientation"]) if yes else None,
                  witness=None if yes else _ints(row["witness"]), labels=labels)


def census(graphs, jobs=1, program=None):
    """Yield a Result for every graph of the iterable, in order (see the
    module's description).  The census program is found at once (see
    census_program), the graphs are read as the results are taken."""
    if not isinstance(jobs, int) or jobs < 1:
        raise ValueError("jobs must be a positive integer, not %r" % (jobs,))
    return _Stream(census_program(program), jobs).results(graphs)


class _Stream:
    """Census processes, a thread feeding them the graphs round-robin and
    one thread per process reading its rows, so that no pipe ever blocks
    whatever order the rows are taken in."""

    def __init__(self, program, jobs):
        self.program = program
        self.jobs = jobs
        self.procs = []
        self.items = queue.Queue()      # what was sent, in input order
        self.rows = [queue.Queue() for _ in range(jobs)]
        self.stopped = False

    def start(self):
        for _ in range(self.jobs):
            err = tempfile.TemporaryFile("w+")
            try:
                p = subprocess.Popen([self.program, "--no-summary"], stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=err, text=True)
            except OSError as e:
                err.close()
                raise CensusError(None, "cannot run %s: %s" % (self.program, e))
            p.errfile = err
            self.procs.append(p)
        for k, p in enumerate(self.procs):
            threading.Thread(target=self.read, args=(p, self.rows[k]), daemon=True).start()

    @staticmethod
    def read(proc, rows):
        try:
            reader = csv.DictReader(proc.stdout)
            if reader.fieldnames == CENSUS_FIELDS:
                for row in reader:
                    rows.put(row)
        except (OSError, ValueError):
            pass
        rows.put(None)

    def feed(self, graphs):
        sent = 0
        try:
            for position, graph in enumerate(graphs, 1):
                if self.stopped:
                    return
                name = _name(position, graph)
                try:
                    n, edges, labels = as_graph(graph)
                except GraphError as e:
                    self.items.put(("error", CensusError(name, str(e))))
                    return
                k = sent % self.jobs
                g6 = to_graph6(n, edges)
                self.items.put(("graph", name, k, g6, (n, edges, labels)))
                sent += 1
                self.procs[k].stdin.write(g6 + "\n")
                self.procs[k].stdin.flush()
        except OSError:          # a census died: its reader reports the graph it left
            pass
        except BaseException as e:        # the caller's iterable failed: theirs to see
            self.items.put(("raise", e))
        finally:
            for p in self.procs:
                try:
                    p.stdin.close()
                except OSError:
                    pass
            self.items.put(("end",))

    def ended(self, name, k):
        p = self.procs[k]
        status = p.wait()
        p.errfile.seek(0)
        said = " ".join(p.errfile.read().split())[:300]
        return CensusError(name, "the census ended without answering (exit status %d%s)"
                           % (status, ": " + said if said else ""))

    def results(self, graphs):
        self.start()
        feeder = threading.Thread(target=self.feed, args=(graphs,), daemon=True)
        feeder.start()
        try:
            while True:
                item = self.items.get()
                if item[0] == "end":
                    return
                if item[0] != "graph":
                    raise item[1]
                _, name, k, g6, (n, edges, labels) = item
                row = self.rows[k].get()
                if row is None:
                    raise self.ended(name, k)
                if row["graph6"] != g6:
                    raise CensusError(name, "the census answered for %r instead" % row["graph6"])
                try:
                    result = make_result(row, n, edges, labels)
                except (ValueError, OutputError) as e:
                    raise CensusError(name, str(e)) from None
                yield result
        finally:
            self.stop(feeder)

    def stop(self, feeder):
        self.stopped = True
        for p in self.procs:
            if p.poll() is None:
                p.kill()
        for p in self.procs:
            p.wait()
            p.stdout.close()
            p.errfile.close()
        feeder.join(timeout=1)
