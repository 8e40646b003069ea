"""The census's answers as Python values: Result, the answer for one graph
in the caller's labels, and read_csv(), the rows of a census CSV (or JSON
lines) as typed records, the same records record() makes of a Result."""

import csv
import html
import itertools
import json
from dataclasses import dataclass, replace

from .formats import OutputError, format_word, parse_word
from .schema import Layout, failure, is_failure, verdict_field


@dataclass(frozen=True)
class Result:
    """The answer for one graph, in the graph's own vertex labels.

    The census numbers the vertices 1..n; ``labels[k - 1]`` is the caller's
    name of vertex k (a networkx graph's nodes in the order of ``G.nodes()``;
    ``1, ..., n`` for graph6 strings, ``graph6_string()`` objects and
    ``(n, edges)`` pairs).  ``graph6``, ``n`` and ``edges`` describe the
    graph as the census read it, in those numbers; the answer (``word``,
    ``arcs``, ``orientation``, ``witness``) is in labels.

    A Result is frozen and hashable: every field is a tuple, a frozenset or
    a number.  The orientation is a property built on each access (a
    ``networkx.DiGraph`` is mutable and cannot be hashed), so it takes no
    part in equality or hashing; ``arcs`` holds the same arcs.

    Attributes
    ----------
    graph6 : str
        The graph6 text the census answered (vertex k is ``labels[k - 1]``).
    n : int
        Number of vertices.
    edges : tuple of (int, int)
        The edges ``(i, j)``, ``i < j``, in the census's numbers 1..n, sorted.
    semi_transitive : bool
        True when the graph has a semi-transitive orientation, that is, when
        it is word-representable.
    representation_number : int or None
        The least K such that a K-uniform word represents the graph; None
        when it is not word-representable (or when only an orientation is
        known).
    word : tuple of labels or None
        A word of ``representation_number`` copies of each vertex in which
        two vertices alternate exactly when they are adjacent.
    arcs : tuple of (label, label) or None
        The semi-transitive orientation: ``(u, v)`` is the arc u -> v.
    witness : frozenset of labels or None
        The vertices of an induced subgraph that is minimal
        non-word-representable; None when the graph is word-representable.
    labels : tuple
        ``labels[k - 1]`` names vertex k.
    shortcut_length : int or None
        K when the census was asked about K-semi-transitive orientations
        (``shortcut_length=K``: only shortcuts of length K or less count);
        then ``semi_transitive`` says whether the graph has one, ``witness``
        is a minimal induced subgraph that has none, and there is no word.
    failure : str or None
        Why the graph could not be answered (``census(..., errors="result")``,
        the reason a CensusError would give); then ``semi_transitive`` and
        the answer are None, and ``graph6`` (None for an input that is no
        graph6 text), ``n``, ``edges`` are what was read of the graph.
    number_lower, number_upper : int or None
        Bounds on the representation number, equal when it is known; when a
        time limit ended the search, ``representation_number`` is None and
        these say what was found: ``number_upper`` is the K of ``word``
        (None without a word).  For rows of older files without the bounds,
        both are ``representation_number``.
    number_reason : str or None
        Why the number is at least ``number_lower``: "searched" (no word
        with one copy less), an induced subgraph whose number is published
        ("induced crown H(6,6): 3") or without a 2- or 3-uniform word
        ("induced subgraph 1 2 3 17 18: 3"), or "least" (the least K there is: 1 for
        complete graphs, else 2); None
        where older files do not say.

    Examples
    --------
    >>> import networkx as nx, wordrep
    >>> r = wordrep.analyse(nx.path_graph(["a", "b", "c"]))
    >>> r.semi_transitive, r.representation_number, sorted(r.word)
    (True, 2, ['a', 'a', 'b', 'b', 'c', 'c'])
    >>> sorted(map(sorted, r.orientation.edges()))
    [['a', 'b'], ['b', 'c']]
    >>> r == wordrep.analyse(nx.path_graph(["a", "b", "c"])), len({r})
    (True, 1)
    """

    graph6: str
    n: int
    edges: tuple
    semi_transitive: bool
    representation_number: object
    word: object
    arcs: object
    witness: object
    labels: tuple
    shortcut_length: object = None
    failure: object = None
    number_lower: object = None
    number_upper: object = None
    number_reason: object = None

    @property
    def orientation(self):
        """The semi-transitive orientation, None when there is none: a
        ``networkx.DiGraph`` on all the graph's vertices (a new one on each
        access) when networkx can be imported, else ``arcs``.

        Examples
        --------
        >>> import networkx as nx, wordrep
        >>> D = wordrep.analyse(nx.petersen_graph()).orientation
        >>> type(D).__name__, D.number_of_nodes(), D.number_of_edges()
        ('DiGraph', 10, 15)
        >>> nx.is_directed_acyclic_graph(D)
        True
        """
        try:
            import networkx     # optional, and slow to import: only when asked for
        except ImportError:
            return self.arcs
        if self.arcs is None:
            return None
        d = networkx.DiGraph()
        d.add_nodes_from(self.labels)
        d.add_edges_from(self.arcs)
        return d

    def _repr_svg_(self):
        """The drawing (wordrep.draw) as SVG text, for notebooks; None when
        there is none to show (Graphviz missing, no answer).

        Examples
        --------
        >>> import wordrep
        >>> wordrep.analyse("Bg")._repr_svg_().count('class="node"')
        3
        """
        from .drawing import DrawError, render   # the drawing only when shown
        try:
            return render(self, "svg").decode()
        except DrawError:
            return None

    def _repr_html_(self):
        """A small HTML table of the answer, for notebooks.

        Examples
        --------
        >>> import wordrep
        >>> print(wordrep.analyse("Bg")._repr_html_())
        <table class="wordrep-result">
        <tr><th>graph6</th><td>Bg</td></tr>
        <tr><th>vertices</th><td>3</td></tr>
        <tr><th>edges</th><td>2</td></tr>
        <tr><th>semi-transitive</th><td>yes</td></tr>
        <tr><th>representation number</th><td>2</td></tr>
        <tr><th>word</th><td>1 2 1 3 2 3</td></tr>
        <tr><th>orientation</th><td>1→2, 2→3</td></tr>
        </table>
        """
        if self.failure is not None:
            rows = [("graph6", self.graph6), ("failure", self.failure)]
        else:
            k = self.shortcut_length
            rows = [("graph6", self.graph6), ("vertices", self.n), ("edges", len(self.edges)),
                    ("semi-transitive" if k is None else "%d-semi-transitive" % k,
                     "yes" if self.semi_transitive else "no")]
            if self.representation_number is not None:
                rows += [("representation number", self.representation_number),
                         ("word", " ".join(map(str, self.word)))]
            if self.arcs is not None:
                rows.append(("orientation", ", ".join("%s→%s" % a for a in self.arcs)))
            if self.witness is not None:
                rows.append(("witness", " ".join(sorted(map(str, self.witness)))))
        cells = ["<tr><th>%s</th><td>%s</td></tr>" % (name, html.escape(str(value)))
                 for name, value in rows]
        return "\n".join(['<table class="wordrep-result">'] + cells + ["</table>"])

    def numbered(self):
        """The same Result with the census's numbers 1..n as labels.

        Examples
        --------
        >>> import wordrep
        >>> r = wordrep.analyse("Bw").relabelled("xyz")
        >>> r.numbered().labels, ["xyz"[v - 1] for v in r.numbered().word] == list(r.word)
        ((1, 2, 3), True)
        """
        n, inverse = self.n, {label: k for k, label in enumerate(self.labels, 1)}
        if n is None or self.labels == tuple(range(1, n + 1)):
            return self
        return replace(self, labels=tuple(range(1, n + 1)),
                       word=_mapped(self.word, inverse.__getitem__),
                       arcs=_mapped(self.arcs, lambda a: (inverse[a[0]], inverse[a[1]])),
                       witness=_mapped(self.witness, inverse.__getitem__, frozenset))

    def relabelled(self, labels):
        """The same Result with vertex k named ``labels[k - 1]``.

        Parameters
        ----------
        labels : iterable
            n distinct hashable labels.

        Returns
        -------
        Result
            The answer with ``word``, ``arcs``, ``orientation`` and
            ``witness`` in the new labels; ``graph6``, ``n`` and ``edges``
            stay in the census's numbers.

        Raises
        ------
        ValueError
            When there are not n distinct labels.

        Examples
        --------
        >>> import wordrep
        >>> r = wordrep.analyse("Bg")                 # the path 1-2-3
        >>> r.relabelled("xyz").arcs == tuple(("xyz"[a - 1], "xyz"[b - 1]) for a, b in r.arcs)
        True
        >>> try:
        ...     r.relabelled("xx")
        ... except ValueError as e:
        ...     print(e)
        3 vertices need 3 distinct labels, not ('x', 'x')
        """
        labels = tuple(labels)
        if len(labels) != self.n or len(set(labels)) != self.n:
            raise ValueError("%d vertices need %d distinct labels, not %r"
                             % (self.n, self.n, labels))
        name = labels.__getitem__
        base = self.numbered()
        return replace(base, labels=labels,
                       word=_mapped(base.word, lambda v: name(v - 1)),
                       arcs=_mapped(base.arcs, lambda a: (name(a[0] - 1), name(a[1] - 1))),
                       witness=_mapped(base.witness, lambda v: name(v - 1), frozenset))


def _mapped(values, f, kind=tuple):
    return None if values is None else kind(f(v) for v in values)


def numbered_result(graph6, n, edges, semi_transitive, representation_number=None, word=None,
                    arcs=None, witness=None, shortcut_length=None, bounds=None):
    """A Result in the census's numbers (labels 1..n) from lists or tuples;
    bounds: (number_lower, number_upper, number_reason), by default the
    representation number's own."""
    if bounds is None:
        bounds = (representation_number, representation_number, None)
    return Result(graph6=graph6, n=n, edges=tuple(tuple(e) for e in edges),
                  semi_transitive=semi_transitive, representation_number=representation_number,
                  word=_mapped(word, int), arcs=_mapped(arcs, tuple),
                  witness=_mapped(witness, int, frozenset), labels=tuple(range(1, n + 1)),
                  shortcut_length=shortcut_length, number_lower=bounds[0],
                  number_upper=bounds[1], number_reason=bounds[2])


def failed_result(reason, graph6, n=None, edges=None, labels=None, shortcut_length=None):
    """The Result of a graph that could not be answered, carrying the reason."""
    return Result(graph6=graph6, n=n, edges=None if edges is None else tuple(edges),
                  semi_transitive=None, representation_number=None, word=None, arcs=None,
                  witness=None, labels=tuple(labels or range(1, (n or 0) + 1)),
                  shortcut_length=shortcut_length, failure=reason)


def record(result):
    """The record of a Result in the census's numbers, as read_csv gives a
    row (see schema): a dict by the CSV's field names, ``word`` in the
    census's notation (letters from 10 on as "(10)"), ``orientation`` a
    tuple of arcs, ``witness`` a sorted tuple; None where a field does not
    apply.  The key ``semi_transitive`` is ``semi_transitive_K`` for a Result
    of ``shortcut_length=K``, as in the census's CSV.

    Examples
    --------
    >>> import wordrep
    >>> rec = wordrep.record(wordrep.analyse("E|fG"))      # the wheel W5
    >>> rec["vertices"], rec["semi_transitive"], rec["word"], rec["witness"]
    (6, False, None, (1, 2, 3, 4, 5, 6))
    """
    r = result.numbered()
    layout = Layout(r.shortcut_length)
    if r.failure is not None:
        failed = r.failure if is_failure(r.failure) else "failed: " + r.failure
        return dict(dict.fromkeys(layout.names), graph6=r.graph6, vertices=r.n,
                    edges=None if r.edges is None else len(r.edges), **{layout.verdict: failed})
    values = [r.graph6, r.n, len(r.edges), r.semi_transitive, r.representation_number,
              None if r.word is None else format_word(r.word), r.arcs,
              None if r.witness is None else tuple(sorted(r.witness)),
              r.number_lower, r.number_upper, r.number_reason]
    return dict(zip(layout.names, values))


def record_result(rec, n, edges, shortcut_length=None):
    """The Result, in the census's numbers, of the record of an answered
    graph (n, edges); ValueError with the failure for a row that failed."""
    failed = failure(rec)
    if failed:
        raise ValueError(failed)
    if rec[verdict_field(shortcut_length)]:
        word = rec["word"]
        bounds = None
        if "number_lower" in rec:
            bounds = (rec["number_lower"], rec["number_upper"], rec["number_reason"])
        return numbered_result(rec["graph6"], n, edges, True, rec["representation_number"],
                               None if word is None else parse_word(word), rec["orientation"],
                               shortcut_length=shortcut_length, bounds=bounds)
    return numbered_result(rec["graph6"], n, edges, False, witness=rec["witness"] or (),
                           shortcut_length=shortcut_length)


def read_csv(path):
    """Read the rows of ``wordrep-census`` or ``wordrep-batch`` as typed records.

    Parameters
    ----------
    path : str or path-like
        A CSV file (the header names the columns; the ``witness`` column
        may be missing, as in the programs' CSV, and the bounds
        ``number_lower``, ``number_upper``, ``number_reason``, as in files
        of older census versions; ``semi_transitive`` is
        ``semi_transitive_K`` in a census of K-semi-transitive orientations),
        or JSON lines (``--format jsonl``, or ``python3 -m wordrep``): a file
        whose first character is "{" holds one object per line with the
        same fields.

    Returns
    -------
    generator of dict
        A generator (``list(read_csv(path))`` for a list): the file is
        opened and its header read at the call, the rows read as they are
        taken.  One dict per row, by field name: ``graph6`` (str), ``vertices`` and
        ``edges`` (int), ``semi_transitive`` (bool), ``representation_number``
        (int), ``word`` (str, letters from 10 on as "(10)"), ``orientation``
        (tuple of arcs ``(i, j)`` for i -> j, from either orientation
        format; empty for a semi-transitive graph without edges),
        ``witness`` (tuple of int), ``number_lower`` and ``number_upper``
        (int), ``number_reason`` (str); None for an empty field.  A
        field holding a failure ("failed: ...") is kept as that text.

    Raises
    ------
    OSError
        When the file cannot be read (at the call when it cannot be opened).
    wordrep.formats.OutputError
        "PATH:LINE: ..." for a header or a field that is not the census's,
        or a last line without its line feed (a file cut short: a full disk,
        a killed writer), which is never read as an answer.

    Examples
    --------
    >>> import os, tempfile, wordrep
    >>> with tempfile.TemporaryDirectory() as folder:
    ...     path = os.path.join(folder, "c.csv")
    ...     with open(path, "w") as f:
    ...         _ = f.write("graph6,vertices,edges,semi_transitive,representation_number,"
    ...                     "word,orientation,witness\\n"
    ...                     "Bw,3,3,yes,2,132132,1>2 1>3 3>2,\\n"
    ...                     "Bx,3,,failed: graph6 padding bits are not zero,,,,\\n")
    ...     rows = list(wordrep.read_csv(path))
    >>> for row in rows:
    ...     print(row["vertices"], row["semi_transitive"], row["word"], row["orientation"])
    3 True 132132 ((1, 2), (1, 3), (3, 2))
    3 failed: graph6 padding bits are not zero None None
    """
    f = open(path, newline="")
    try:
        rows = _rows(_Lines(f, path), path)
        first = next(rows, None)          # the header is read at the call
    except BaseException:
        f.close()
        raise
    return _records(f, path, first, rows)


def _records(f, path, first, rows):
    with f:
        if first is None:
            return
        for line, read, row in itertools.chain([first], rows):
            try:
                yield read(row)
            except OutputError as e:
                raise OutputError("%s:%d: %s" % (path, line, e)) from None


class _Lines:
    """The lines of a file, OutputError "PATH:LINE: ..." for a last line
    without its line feed."""

    def __init__(self, f, path):
        self.f, self.path, self.number = f, path, 0

    def __iter__(self):
        for line in self.f:
            self.number += 1
            if not line.endswith("\n"):
                raise OutputError("%s:%d: the last line has no line feed: the file is cut short"
                                  % (self.path, self.number))
            yield line


def _rows(lines, path):
    """(line number, the Layout's reader, row) of each row of a census CSV
    (rows of text) or JSON-lines file (objects)."""
    f = lines.f
    if f.read(1) == "{":
        f.seek(0)
        for lineno, line in enumerate(lines, 1):
            try:
                obj = json.loads(line)
            except ValueError:
                obj = None
            if not isinstance(obj, dict):
                raise OutputError("%s:%d: not a JSON object: %r" % (path, lineno, line[:60]))
            yield lineno, (Layout.of_names(obj) or Layout()).from_json, obj
        return
    f.seek(0)
    reader = csv.DictReader(lines)
    layout = Layout.of_names(reader.fieldnames)
    if layout is None:
        raise OutputError("%s:1: not a census CSV: header %r"
                          % (path, ",".join(reader.fieldnames or [])))
    for row in reader:
        yield reader.line_num, layout.from_csv, row
