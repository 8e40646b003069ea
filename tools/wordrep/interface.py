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
the k-th node of G.nodes()) or a pair (n, edges) with vertices 1..n, on 0 to
256 vertices (wordrep-census's limit; the null graph is answered too).  The
census writes its rows in blocks, so results come in bursts and all of them
once the input ends.  Anything that stops a graph from being answered raises
CensusError naming the graph (its position in the input, counted from 1, and
its graph6 text or type) and the reason, after the results of the graphs
before it (InputError, also a ValueError, when it is no graph the census
takes); with errors="result" it is a Result carrying the reason instead.
Every word and orientation is checked (checks) before it is returned."""

import collections
import json
import numbers
import queue
import re
import signal
import subprocess
import tempfile
import threading

from . import programs
from .checks import check_orientation, check_word
from .formats import OutputError
from .graph import CENSUS_MAX_VERTICES, GraphError, check_order, from_graph6, graph6_order, normalise, to_graph6
from .records import Result, failed_result, record_result
from .schema import Layout, printable

PROGRAM = "wordrep-census"
EXIT_USAGE = 2             # wordrep-census's status for a command line it refuses

__all__ = ["CensusError", "InputError", "Progress", "Result", "analyse", "census", "find_program",
           "make_result"]
ERRORS = ("raise", "result")    # what census() does with a graph it cannot answer

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


class InputError(CensusError, ValueError):
    """A graph given is none the census takes (a loop, a directed graph, a
    plain edge list, a bad graph6 string, too many vertices): a CensusError
    that is also a ValueError.

    Examples
    --------
    >>> import wordrep
    >>> try:
    ...     wordrep.analyse([(1, 2), (2, 3)])
    ... except ValueError as e:
    ...     print(type(e).__name__, "|", e.reason)
    InputError | a plain edge list: give a pair (n, edges) or a networkx graph
    """


class _WrongAnswer(Exception):
    """The census's word or orientation fails its check."""


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


def _shown_graph6(graph):
    """The graph6 text of an input that is one (as the census shows it), else None."""
    if isinstance(graph, bytes):
        return printable(graph)
    return graph.strip() if isinstance(graph, str) else None


def _name(position, graph):
    if isinstance(graph, (str, bytes)):
        text = graph.decode("ascii", "replace") if isinstance(graph, bytes) else graph
        text = text.strip()
        return "graph %d (%r)" % (position, text[:40] + ("..." if len(text) > 40 else ""))
    text = str(graph)
    return "graph %d (%s)" % (position, text[:60] + ("..." if len(text) > 60 else ""))


# ------------------------------------------------------------ graphs in

def _check_order(n):
    if n < 0:
        raise GraphError("a graph cannot have %d vertices" % n)
    check_order(n, CENSUS_MAX_VERTICES)


def _integer(x, what):
    """x as an int; GraphError unless it is an integer (bool, float, str are not)."""
    if isinstance(x, bool) or not isinstance(x, numbers.Integral):
        raise GraphError("%s %r is not an integer" % (what, x))
    return int(x)


def _from_labelled(g, labels, edges_of):
    """(n, edges, labels) of a graph with its own vertex labels (networkx's
    nodes, SageMath's vertices) and edges_of() its edges (u, v, ...)."""
    if g.is_directed() if hasattr(g, "is_directed") else False:
        raise GraphError("directed graph; give an undirected one")
    labels = tuple(labels)
    _check_order(len(labels))
    index = {v: k + 1 for k, v in enumerate(labels)}
    edges = []
    for a, b, *_ in edges_of():
        if a == b:
            raise GraphError("loop at vertex %r: loops are not allowed" % (a,))
        edges.append((index[a], index[b]))
    n, edges = normalise(len(labels), edges)
    return n, edges, labels


def _from_sage(g):
    """A SageMath graph through its vertex and edge lists, in its own labels."""
    try:
        labels = g.vertices(sort=False)
    except TypeError:                       # older SageMath: no sort argument
        labels = g.vertices()

    def edges():
        try:
            return g.edges(labels=False, sort=False)
        except TypeError:
            return g.edges()
    return _from_labelled(g, labels, edges)


def _edge_list(graph):
    """Whether graph is a list or tuple of pairs that is no (n, edges) pair."""
    def pair(e):
        return not isinstance(e, (str, bytes)) and hasattr(e, "__len__") and len(e) == 2
    return (isinstance(graph, (tuple, list)) and len(graph) > 0 and all(map(pair, graph))
            and not (len(graph) == 2 and isinstance(graph[0], numbers.Integral)))


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
    return from_graph6(text, max_vertices=None, null=True)


def as_graph(graph):
    """(n, edges, labels) of one input graph (labels None for vertices
    1..n); GraphError when it is none or not one the census takes."""
    if isinstance(graph, bytes):  # each byte one character, named as the census names it
        graph = graph.decode("latin-1")
    if isinstance(graph, str):
        return _graph6(graph) + (None,)
    if hasattr(graph, "graph6_string") and hasattr(graph, "vertices"):
        return _from_sage(graph)
    if hasattr(graph, "graph6_string"):
        return _graph6(graph.graph6_string()) + (None,)
    if hasattr(graph, "nodes") and hasattr(graph, "edges"):
        return _from_labelled(graph, graph.nodes(), graph.edges)
    if _edge_list(graph):
        raise GraphError("a plain edge list: give a pair (n, edges) or a networkx graph")
    if isinstance(graph, (tuple, list)) and len(graph) == 2:
        return _from_pair(graph) + (None,)
    raise GraphError("not a graph: expected a graph6 string, a graph with graph6_string(), "
                     "a networkx graph or a pair (n, edges)")


# ------------------------------------------------------------ answers out

def checked(result):
    """The Result (in the census's numbers) when its word and orientation
    pass the checkers of checks; _WrongAnswer naming the first fault."""
    r = result
    if r.word is not None:
        problems = check_word(r.n, r.edges, r.representation_number, r.word)
        if problems:
            raise _WrongAnswer("the census's word %s does not represent the graph: %s"
                               % ("".join(map(str, r.word))[:60], problems[0]))
    if r.arcs is not None:
        problems = check_orientation(r.n, r.edges, r.arcs, r.shortcut_length)
        if problems:
            raise _WrongAnswer("the census's orientation is not %s: %s"
                               % ("semi-transitive" if r.shortcut_length is None else
                                  "%d-semi-transitive" % r.shortcut_length, problems[0]))
    return result


def make_result(rec, n, edges, labels, shortcut_length=None, check=False):
    """The Result of a census record (see schema) for the graph (n, edges),
    in labels (None: 1..n); ValueError for a row that is no answer; with
    check, _WrongAnswer for a word or orientation that fails its check."""
    result = record_result(rec, n, edges, shortcut_length)
    if check:
        checked(result)
    return result if labels is None else result.relabelled(labels)


def checked_result(rec, n, edges, labels, shortcut_length=None):
    """make_result with its word and orientation checked: what census() yields."""
    return make_result(rec, n, edges, labels, shortcut_length, check=True)


# The shortcut lengths wordrep-census takes (--shortcut-length).
SHORTCUT_LENGTHS = range(3, CENSUS_MAX_VERTICES + 1)


def _check_options(jobs, shortcut_length, errors="raise", time_limit=None):
    if isinstance(jobs, bool) or not isinstance(jobs, int) or jobs < 1:
        raise ValueError("jobs must be a positive integer, not %r" % (jobs,))
    if time_limit is not None and (isinstance(time_limit, bool)
                                   or not isinstance(time_limit, numbers.Real)
                                   or not 0 < time_limit <= 1e7):
        raise ValueError("time_limit must be a number of seconds above 0, not %r"
                         % (time_limit,))
    if shortcut_length is not None and (isinstance(shortcut_length, bool)
                                        or not isinstance(shortcut_length, int)
                                        or shortcut_length not in SHORTCUT_LENGTHS):
        raise ValueError("shortcut_length must be an integer from %d to %d, not %r"
                         % (SHORTCUT_LENGTHS[0], SHORTCUT_LENGTHS[-1], shortcut_length))
    if errors not in ERRORS:
        raise ValueError("errors must be %s, not %r" % (" or ".join(map(repr, ERRORS)), errors))


def _arguments(shortcut_length, time_limit=None, progress=False):
    extra = [] if shortcut_length is None else ["--shortcut-length", str(shortcut_length)]
    if time_limit is not None:
        extra += ["--time-limit", repr(float(time_limit))]
    return ["--no-summary", "--format", "jsonl"] + ["--progress"] * progress + extra


def census(graphs, jobs=1, program=None, shortcut_length=None, errors="raise", time_limit=None,
           progress=None):
    """Answer every graph of an iterable through ``wordrep-census``.

    Parameters
    ----------
    graphs : iterable
        Graph6 strings (str or bytes), networkx graphs (any hashable node
        labels), SageMath graphs (their own vertex labels, through their
        vertex and edge lists), objects with only ``graph6_string()`` or
        pairs ``(n, edges)`` with integer vertices 1..n; 0 to 256 vertices
        each.  Read as the results are taken.
    jobs : int, optional
        Census processes fed round-robin (default 1); the results still come
        in input order.
    program : str, optional
        The census program (default: found by find_program, at the call).
    shortcut_length : int, optional
        Passed on as ``wordrep-census --shortcut-length K``, K from 3 to 256.
    errors : {"raise", "result"}, optional
        What a graph that cannot be answered gives: "raise" (default) a
        CensusError, which ends the stream; "result" a Result whose
        ``failure`` says why, and the stream goes on.
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
        One per graph, in order, in the graph's own labels, its word and
        orientation checked from the definitions (wordrep.checks).

    Raises
    ------
    CensusError
        At the first graph that cannot be answered (after the results of
        the graphs before it), naming it and the reason: an InputError
        (also a ValueError) for one that is no graph the census takes.
        Whatever ``errors`` says, for a word or orientation that fails its
        check; at the call, for a missing census program.
    ValueError
        At the call, for a bad ``jobs``, ``shortcut_length`` or ``errors``.

    Examples
    --------
    >>> import networkx as nx, wordrep
    >>> graphs = ["Bw", (4, [(1, 2), (2, 3), (3, 4)]), nx.petersen_graph(), nx.wheel_graph(6)]
    >>> [r.representation_number for r in wordrep.census(graphs, jobs=2)]
    [1, 2, 3, None]
    >>> try:
    ...     for r in wordrep.census(["Bw", (3, [(1.5, 2)])]):
    ...         print(r.graph6, r.representation_number)
    ... except wordrep.CensusError as e:
    ...     print(e.graph, "|", e.reason)
    Bw 1
    graph 2 ((3, [(1.5, 2)])) | edge (1.5, 2): vertex 1.5 is not an integer
    >>> [(r.representation_number, r.failure) for r in wordrep.census(["?", "Bx", "Bg"],
    ...                                                                  errors="result")]
    [(1, None), (None, 'graph6 padding bits are not zero'), (2, None)]
    """
    if isinstance(graphs, (str, bytes)) or hasattr(graphs, "nodes"):
        raise TypeError("census() takes an iterable of graphs; for one graph, analyse()")
    _check_options(jobs, shortcut_length, errors, time_limit)
    stream = _Stream(find_program(program), jobs, shortcut_length,
                     keep_going=errors == "result", time_limit=time_limit, progress=progress)
    results = stream.results(graphs)
    return _failures_as_results(results) if errors == "result" else results


def _failures_as_results(results):
    """The results, each CensusError of a graph made a Result carrying it."""
    try:
        for r in results:
            yield failed_result(r.reason, *r.answered) if isinstance(r, CensusError) else r
    finally:
        results.close()


def analyse(graph, program=None, shortcut_length=None, errors="raise", time_limit=None,
            progress=None):
    """Answer one graph through ``wordrep-census``.

    Parameters
    ----------
    graph : graph
        A networkx graph (any hashable node labels), a graph6 string, an
        object with ``graph6_string()`` or a pair ``(n, edges)``; 1 to 256
        vertices.
    program : str, optional
        The census program (default: found by find_program).
    shortcut_length : int, optional
        Passed on as ``wordrep-census --shortcut-length K``, K from 3 to 256.
    errors : {"raise", "result"}, optional
        "result": a graph that cannot be answered gives a Result whose
        ``failure`` says why, instead of a CensusError.
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
        When the graph cannot be answered, with the reason (an InputError,
        also a ValueError, for no graph the census takes).
    ValueError
        For a bad ``shortcut_length`` or ``errors``.

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
    ...     wordrep.analyse(nx.complete_graph(257))
    ... except wordrep.CensusError as e:
    ...     print(e.reason)
    graph has 257 vertices; wordrep-census accepts at most 256
    >>> r = wordrep.analyse(nx.hypercube_graph(3), time_limit=30)
    >>> r.representation_number, r.number_lower, r.number_upper, r.number_reason
    (3, 3, 3, 'searched')
    """
    results = census([graph], program=program, shortcut_length=shortcut_length, errors=errors,
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
    yielded of each (checked_result: a checked Result)."""

    def __init__(self, program, jobs, shortcut_length=None, keep_going=False,
                 answer=checked_result, time_limit=None, progress=None):
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
                    error = InputError(name, str(e))
                    error.answered = (_shown_graph6(graph),)
                    self.items.put(("error", error))
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
                except _WrongAnswer as e:
                    raise CensusError(name, str(e)) from None
                except (ValueError, OutputError) as e:
                    if not self.keep_going:
                        raise CensusError(name, str(e)) from None
                    result = CensusError(name, str(e))
                    result.answered = (row["graph6"], n, edges, labels, self.shortcut_length)
                yield result
        finally:
            self.stop(feeder)

    def terminate(self):
        """Stops feeding and sends each census SIGTERM: the rows it has
        answered still come (a census writes them whole on SIGTERM), then
        the stream ends, at "end" or at the first graph left unanswered."""
        self.stopped = True
        for p in self.procs:
            if p.poll() is None:
                p.send_signal(signal.SIGTERM)
        self.items.put(("end",))         # a feeder waiting for input is not waited for

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
