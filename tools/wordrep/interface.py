"""The census from Python: analyse() for one graph, census() for many.

    import networkx as nx, wordrep
    r = wordrep.analyse(nx.petersen_graph())
    r.representation_number, r.word, r.orientation, r.witness   # in the graph's labels
    for r in wordrep.census(["Bw", (4, [(1, 2), (2, 3), (3, 4)]), nx.wheel_graph(6)]):
        print(r.n, r.representation_number, r.arcs, r.witness)

census() takes any iterable of graphs and yields one Result (see records)
per graph, in order, streaming them through the program wordrep-census (one
process, or `jobs` processes fed round-robin, their rows merged back in
order).  A graph is a graph6 string, anything with a graph6_string() method
(SageMath), a networkx graph (any hashable labels; vertex k of the census is
the k-th node of G.nodes()) or a pair (n, edges) with vertices 1..n, on 1 to
64 vertices (wordrep-census's limit).  The census writes its rows in
blocks, so results come in bursts and all of them once the input ends.
Anything that stops a graph from being answered raises CensusError naming
the graph (its position in the input, counted from 1, and its graph6 text or
type) and the reason, after the results of the graphs before it."""

import collections
import json
import numbers
import queue
import re
import subprocess
import tempfile
import threading

from . import programs
from .formats import OutputError
from .graph import CENSUS_MAX_VERTICES, GraphError, check_order, from_graph6, graph6_order, normalise, to_graph6
from .records import Result, record_result
from .schema import Layout

PROGRAM = "wordrep-census"
EXIT_USAGE = 2             # wordrep-census's status for a command line it refuses

__all__ = ["CensusError", "Progress", "Result", "analyse", "census", "find_program",
           "make_result"]

Progress = collections.namedtuple("Progress", "graph trying lower upper reason")
Progress.__doc__ = """Where the census's word search of one graph stands: ``graph`` its
position in the input (1 for the first), ``trying`` the K it now tries,
``lower`` and ``upper`` the bounds on the representation number so far
(``upper`` None before a word), ``reason`` why the number is at least
``lower`` (as in the census's ``number_reason``).

Examples
--------
>>> import networkx as nx, wordrep
>>> seen = []
>>> wordrep.analyse(nx.petersen_graph(), progress=seen.append).representation_number
3
>>> seen[0]
Progress(graph=1, trying=2, lower=2, upper=None, reason='least')
"""

# A progress line of wordrep-census --progress (not on a terminal).
_PROGRESS = re.compile(r"wordrep-census: graph ([0-9]+) \(.*\): trying K = ([0-9]+), "
                       r"number >= ([0-9]+) \((.*)\)(?:, <= ([0-9]+))?")


class CensusError(Exception):
    """A graph could not be answered.

    Attributes
    ----------
    graph : str or None
        Names the graph: "graph K (TEXT)", K its position in the input from
        1; None when the fault is not one graph's (a missing census program,
        a command line the census refuses).
    reason : str
        Why, in one line.

    Examples
    --------
    >>> import wordrep
    >>> try:
    ...     wordrep.analyse("Bx")
    ... except wordrep.CensusError as e:
    ...     print(e.graph, "|", e.reason)
    graph 1 ('Bx') | graph6 padding bits are not zero
    """

    def __init__(self, graph, reason):
        self.graph = graph
        self.reason = reason
        super().__init__(reason if graph is None else "%s: %s" % (graph, reason))


def find_program(program=None):
    """Find the census program ``wordrep-census``.

    Parameters
    ----------
    program : str, optional
        A path to use instead of looking.

    Returns
    -------
    str
        The absolute path of ``program`` when given; else of
        ``wordrep-census`` in ``$WORDREP_BIN`` when that is set (and only
        there), else beside this package (``build/bin`` of the checkout it
        lies in, ``PREFIX/bin`` of the prefix it is installed under), else
        on ``PATH``.

    Raises
    ------
    CensusError
        When it is not found or not executable (``graph`` is None).

    Examples
    --------
    >>> import os, wordrep
    >>> path = wordrep.find_program()
    >>> os.path.basename(path), os.access(path, os.X_OK)
    ('wordrep-census', True)
    >>> try:
    ...     wordrep.find_program("/nowhere/wordrep-census")
    ... except wordrep.CensusError as e:
    ...     print(e.graph, "|", e.reason)
    None | census program /nowhere/wordrep-census not found or not executable (build it, pass program=PATH or set WORDREP_BIN)
    """
    try:
        return programs.find_program(PROGRAM, program)
    except programs.ProgramNotFound as e:
        what = ("%s not found or not executable" % e.path if e.path
                else "%s not found %s" % (PROGRAM, e.where))
        raise CensusError(None, "census program %s (build it, pass program=PATH or set "
                                "WORDREP_BIN)" % what)


def _name(position, graph):
    if isinstance(graph, (str, bytes)):
        text = graph.decode("ascii", "replace") if isinstance(graph, bytes) else graph
        text = text.strip()
        return "graph %d (%r)" % (position, text[:40] + ("..." if len(text) > 40 else ""))
    text = str(graph)
    return "graph %d (%s)" % (position, text[:60] + ("..." if len(text) > 60 else ""))


# ------------------------------------------------------------ graphs in

def _check_order(n):
    if n < 1:
        raise GraphError("graph has no vertices")
    check_order(n, CENSUS_MAX_VERTICES)


def _integer(x, what):
    """x as an int; GraphError unless it is an integer (bool, float, str are not)."""
    if isinstance(x, bool) or not isinstance(x, numbers.Integral):
        raise GraphError("%s %r is not an integer" % (what, x))
    return int(x)


def _from_networkx(g):
    if g.is_directed() if hasattr(g, "is_directed") else False:
        raise GraphError("directed graph; give an undirected one")
    labels = tuple(g.nodes())
    _check_order(len(labels))
    index = {v: k + 1 for k, v in enumerate(labels)}
    edges = []
    for a, b, *_ in g.edges():
        if a == b:
            raise GraphError("loop at vertex %r: loops are not allowed" % (a,))
        edges.append((index[a], index[b]))
    n, edges = normalise(len(labels), edges)
    return n, edges, labels


def _from_pair(graph):
    """(n, edges) of a pair (n, edges): integers only, every edge a pair."""
    n = _integer(graph[0], "number of vertices")
    _check_order(n)
    if isinstance(graph[1], (str, bytes)) or not hasattr(graph[1], "__iter__"):
        raise GraphError("edges %r are not an iterable of pairs" % (graph[1],))
    edges = []
    for e in graph[1]:
        if isinstance(e, (str, bytes)) or not hasattr(e, "__len__") or len(e) != 2:
            raise GraphError("edge %r is not a pair of vertices" % (e,))
        a, b = e
        what = "edge %r: vertex" % (e,)
        edges.append((_integer(a, what), _integer(b, what)))
    return normalise(n, edges)


def _graph6(text):
    _check_order(graph6_order(text)[0])
    return from_graph6(text, max_vertices=None)


def as_graph(graph):
    """(n, edges, labels) of one input graph (labels None for vertices
    1..n); GraphError when it is none or not one the census takes."""
    if isinstance(graph, bytes):  # each byte one character, named as the census names it
        graph = graph.decode("latin-1")
    if isinstance(graph, str):
        return _graph6(graph) + (None,)
    if hasattr(graph, "graph6_string"):
        return _graph6(graph.graph6_string()) + (None,)
    if hasattr(graph, "nodes") and hasattr(graph, "edges"):
        return _from_networkx(graph)
    if isinstance(graph, (tuple, list)) and len(graph) == 2:
        return _from_pair(graph) + (None,)
    raise GraphError("not a graph: expected a graph6 string, a graph with graph6_string(), "
                     "a networkx graph or a pair (n, edges)")


# ------------------------------------------------------------ answers out

def make_result(rec, n, edges, labels, shortcut_length=None):
    """The Result of a census record (see schema) for the graph (n, edges),
    in labels (None: 1..n); ValueError for a row that is no answer."""
    result = record_result(rec, n, edges, shortcut_length)
    return result if labels is None else result.relabelled(labels)


def _check_options(jobs, shortcut_length, time_limit=None):
    if isinstance(jobs, bool) or not isinstance(jobs, int) or jobs < 1:
        raise ValueError("jobs must be a positive integer, not %r" % (jobs,))
    if time_limit is not None and (isinstance(time_limit, bool)
                                   or not isinstance(time_limit, numbers.Real)
                                   or not 0 < time_limit <= 1e7):
        raise ValueError("time_limit must be a number of seconds above 0, not %r"
                         % (time_limit,))
    if shortcut_length is not None and (isinstance(shortcut_length, bool)
                                        or not isinstance(shortcut_length, int)):
        raise ValueError("shortcut_length must be an integer, not %r" % (shortcut_length,))


def _arguments(shortcut_length, time_limit=None, progress=False):
    extra = [] if shortcut_length is None else ["--shortcut-length", str(shortcut_length)]
    if time_limit is not None:
        extra += ["--time-limit", repr(float(time_limit))]
    return ["--no-summary", "--format", "jsonl"] + ["--progress"] * progress + extra


def census(graphs, jobs=1, program=None, shortcut_length=None, time_limit=None, progress=None):
    """Answer every graph of an iterable through ``wordrep-census``.

    Parameters
    ----------
    graphs : iterable
        Graph6 strings (str or bytes), networkx graphs (any hashable node
        labels), objects with ``graph6_string()`` (SageMath graphs) or pairs
        ``(n, edges)`` with integer vertices 1..n; 1 to 64 vertices each.
        Read as the results are taken.
    jobs : int, optional
        Census processes fed round-robin (default 1); the results still come
        in input order.
    program : str, optional
        The census program (default: found by find_program, at the call).
    shortcut_length : int, optional
        Passed on as ``wordrep-census --shortcut-length K``.
    time_limit : float, optional
        Seconds for the word search of each graph (``--time-limit``): when
        it ends the search, the Result has the number as bounds
        (``number_lower``, ``number_upper``) and ``representation_number``
        None.  Default: no limit.
    progress : callable, optional
        Called with a Progress each time the census tries another K (at
        most a few times a second per process), from another thread.

    Yields
    ------
    Result
        One per graph, in order, in the graph's own labels.

    Raises
    ------
    CensusError
        At the first graph that cannot be answered (after the results of
        the graphs before it), naming it and the reason; at the call when
        the census program is missing.
    ValueError
        At the call, for a bad ``jobs`` or ``shortcut_length``.

    Examples
    --------
    >>> import networkx as nx, wordrep
    >>> graphs = ["Bw", (4, [(1, 2), (2, 3), (3, 4)]), nx.petersen_graph(), nx.wheel_graph(6)]
    >>> [r.representation_number for r in wordrep.census(graphs, jobs=2)]
    [2, 2, 3, None]
    >>> try:
    ...     for r in wordrep.census(["Bw", (3, [(1.5, 2)])]):
    ...         print(r.graph6, r.representation_number)
    ... except wordrep.CensusError as e:
    ...     print(e.graph, "|", e.reason)
    Bw 2
    graph 2 ((3, [(1.5, 2)])) | edge (1.5, 2): vertex 1.5 is not an integer
    """
    if isinstance(graphs, (str, bytes)) or hasattr(graphs, "nodes"):
        raise TypeError("census() takes an iterable of graphs; for one graph, analyse()")
    _check_options(jobs, shortcut_length, time_limit)
    return _Stream(find_program(program), jobs, shortcut_length, time_limit=time_limit,
                   progress=progress).results(graphs)


def analyse(graph, program=None, shortcut_length=None, time_limit=None, progress=None):
    """Answer one graph through ``wordrep-census``.

    Parameters
    ----------
    graph : graph
        A networkx graph (any hashable node labels), a graph6 string, an
        object with ``graph6_string()`` or a pair ``(n, edges)``; 1 to 64
        vertices.
    program : str, optional
        The census program (default: found by find_program).
    shortcut_length : int, optional
        Passed on as ``wordrep-census --shortcut-length K``.
    time_limit, progress : optional
        As for census().

    Returns
    -------
    Result
        The answer in the graph's own labels: ``word`` a tuple of labels,
        ``orientation`` a ``networkx.DiGraph`` (arcs when networkx is
        missing), ``witness`` a frozenset of labels.

    Raises
    ------
    CensusError
        When the graph cannot be answered, with the reason.

    Examples
    --------
    >>> import networkx as nx, wordrep
    >>> G = nx.petersen_graph()
    >>> r = wordrep.analyse(G)
    >>> r.representation_number, sorted(set(r.word)) == sorted(G), len(r.word)
    (3, True, 30)
    >>> D = r.orientation
    >>> sorted(D.nodes) == sorted(G.nodes), all(G.has_edge(u, v) for u, v in D.edges)
    (True, True)
    >>> r = wordrep.analyse(nx.relabel_nodes(nx.wheel_graph(6), dict(enumerate("hubcap"))))
    >>> r.semi_transitive, sorted(r.witness), r.orientation
    (False, ['a', 'b', 'c', 'h', 'p', 'u'], None)
    >>> try:
    ...     wordrep.analyse(nx.complete_graph(65))
    ... except wordrep.CensusError as e:
    ...     print(e.reason)
    graph has 65 vertices; wordrep-census accepts at most 64
    >>> r = wordrep.analyse(nx.hypercube_graph(3), time_limit=30)
    >>> r.representation_number, r.number_lower, r.number_upper, r.number_reason
    (3, 3, 3, 'searched')
    """
    results = census([graph], program=program, shortcut_length=shortcut_length,
                     time_limit=time_limit, progress=progress)
    try:
        return next(results)
    finally:
        results.close()


class _Stream:
    """Census processes, a thread feeding them the graphs round-robin and
    one thread per process reading its rows, so that no pipe ever blocks
    whatever order the rows are taken in.  With keep_going, a graph that
    cannot be answered is yielded as its CensusError and the others go on
    (a census that dies still ends the stream).  The census writes JSON
    lines; answer(record, n, edges, labels, shortcut_length) makes what is
    yielded of each (make_result: a Result)."""

    def __init__(self, program, jobs, shortcut_length=None, keep_going=False,
                 answer=make_result, time_limit=None, progress=None):
        self.program = program
        self.jobs = jobs
        self.shortcut_length = shortcut_length
        self.arguments = _arguments(shortcut_length, time_limit, progress is not None)
        self.progress = progress
        self.positions = [[] for _ in range(jobs)]  # per process, the input positions it got
        self.layout = Layout(shortcut_length)
        self.answer = answer
        self.keep_going = keep_going
        self.procs = []
        self.items = queue.Queue()      # what was sent, in input order
        self.rows = [queue.Queue() for _ in range(jobs)]
        self.stopped = False

    def start(self):
        for _ in range(self.jobs):
            err = tempfile.TemporaryFile("w+")
            try:
                p = subprocess.Popen([self.program] + self.arguments, stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, text=True,
                                     stderr=subprocess.PIPE if self.progress else err)
            except OSError as e:
                err.close()
                raise CensusError(None, "cannot run %s: %s" % (self.program, e))
            p.errfile = err
            p.answered = 0
            p.stray = None
            p.told = None
            self.procs.append(p)
        for k, p in enumerate(self.procs):
            if self.progress:
                p.told = threading.Thread(target=self.tell, args=(p, self.positions[k]),
                                          daemon=True)
                p.told.start()
            threading.Thread(target=self.read, args=(p, self.rows[k], self.layout.names),
                             daemon=True).start()

    @staticmethod
    def read(proc, rows, names):
        """Puts the JSON object of each of the census's lines, up to the
        first that is not a row of these fields (kept in proc.stray)."""
        try:
            for line in proc.stdout:
                try:
                    obj = json.loads(line)
                except ValueError:
                    obj = None
                if not isinstance(obj, dict) or list(obj) != names:
                    proc.stray = line.rstrip("\n")
                    break
                rows.put(obj)
        except (OSError, ValueError):
            pass
        rows.put(None)

    def tell(self, proc, positions):
        """Calls progress for each progress line of the census's standard
        error; the other lines go to its error file."""
        for line in proc.stderr:
            said = _PROGRESS.fullmatch(line.rstrip("\n"))
            if not said:
                proc.errfile.write(line)
                continue
            graph, trying, lower, reason, upper = said.groups()
            self.progress(Progress(positions[int(graph) - 1], int(trying), int(lower),
                                   None if upper is None else int(upper), reason))
        proc.stderr.close()

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
                    if self.keep_going:
                        continue
                    return
                k = sent % self.jobs
                g6 = to_graph6(n, edges)
                self.items.put(("graph", name, k, g6, (n, edges, labels)))
                self.positions[k].append(position)
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
        if p.told:
            p.told.join()
        p.errfile.seek(0)
        said = " ".join(p.errfile.read().split())[:300]
        if status == EXIT_USAGE and p.answered == 0:
            return CensusError(None, "%s refused its command line %s: %s"
                               % (PROGRAM, " ".join(self.arguments), said))
        if p.stray is not None:
            return CensusError(None, "%s wrote %r, not a JSON line of the fields %s"
                               % (PROGRAM, p.stray[:60], ",".join(self.layout.names)))
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
                if item[0] == "error" and self.keep_going:
                    yield item[1]
                    continue
                if item[0] != "graph":
                    raise item[1]
                _, name, k, g6, (n, edges, labels) = item
                row = self.rows[k].get()
                if row is None:
                    raise self.ended(name, k)
                self.procs[k].answered += 1
                if row["graph6"] != g6:
                    raise CensusError(name, "the census answered for %r instead" % row["graph6"])
                try:
                    result = self.answer(self.layout.from_json(row), n, edges, labels,
                                         self.shortcut_length)
                except (ValueError, OutputError) as e:
                    if not self.keep_going:
                        raise CensusError(name, str(e)) from None
                    result = CensusError(name, str(e))
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
            if p.told:
                p.told.join()
            p.stdout.close()
            p.errfile.close()
        feeder.join(timeout=1)
