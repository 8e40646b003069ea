"""Census rows checked against their graphs: what check-census, wordrep-draw
and anyone holding a census file can ask of a row before trusting it.

A row is a record as ``read_csv`` and ``record`` give it (a dict by field
name: ``vertices`` and ``edges`` numbers, the verdict a bool, ``word`` in
the census's notation, ``orientation`` a tuple of arcs, ``witness`` a tuple
of vertices, None where empty).  Its graph is the one its ``graph6`` field
names, up to the census's limit of vertices.  A row of a census of
K-semi-transitive orientations names its verdict ``semi_transitive_K``.

What is checked:

- ``vertices`` and ``edges`` are those of the graph;
- a "yes" row: its orientation is (K-)semi-transitive (checks.check_orientation),
  its word, when it has one, represents the graph with ``representation_number``
  copies of each vertex (checks.check_word), and it has no witness;
- a "no" row: no word, number or orientation; a witness of distinct vertices
  of the graph whose induced subgraph, when it has at most SMALL_WITNESS
  vertices, has no semi-transitive orientation (the independent search of
  semitransitive.py; every graph without a K-semi-transitive orientation has
  none), and for a row without a bound each one-vertex deletion of it has one
  (the witness is minimal).  A row without a witness field (the programs'
  CSV of wordrep-batch --programs) has its graph searched instead, when it
  has at most SMALL_WITNESS vertices.

A row whose step failed (a field "failed: ...") is the census's own report
of a failure, not an answer: schema.failure gives its message and nothing
else is checked."""

from .checks import check_orientation, check_word
from .formats import parse_word
from .graph import CENSUS_MAX_VERTICES, GraphError, from_graph6
from .schema import SEMI_TRANSITIVE, Layout
from .semitransitive import find_semi_transitive

SMALL_WITNESS = 10   # witnesses up to this many vertices are searched (at most about 1 s)

def verdict_field(row):
    """(the name of the row's verdict field, its bound K or None).

    Examples
    --------
    >>> verdict_field({"graph6": "Bg", "vertices": 3, "edges": 2, "semi_transitive_3": True,
    ...                "representation_number": None, "word": None, "orientation": None,
    ...                "witness": None})
    ('semi_transitive_3', 3)
    """
    layout = Layout.of_names(row.keys())
    return (SEMI_TRANSITIVE, None) if layout is None else (layout.verdict, layout.shortcut_length)


def check_row(row):
    """The problems of a census row as an answer for its graph (an empty
    list when it is one; see the module's text), in words.

    Examples
    --------
    >>> check_row({"graph6": "Bg", "vertices": 3, "edges": 2, "semi_transitive": True,
    ...            "representation_number": 2, "word": "121323",
    ...            "orientation": ((1, 2), (2, 3)), "witness": None})
    []
    >>> check_row({"graph6": "Bg", "vertices": 3, "edges": 2, "semi_transitive": False,
    ...            "representation_number": None, "word": None, "orientation": None,
    ...            "witness": (1, 2, 3)})
    ['the witness 1 2 3 induces a semi-transitive subgraph (1>2 2>3)']
    """
    try:
        n, edges = from_graph6(row.get("graph6") or "", CENSUS_MAX_VERTICES)
    except GraphError as e:
        return ["graph6 %r: %s" % (row.get("graph6"), e)]
    problems = []
    for name, want in (("vertices", n), ("edges", len(edges))):
        if row.get(name) != want:
            problems.append("%s is %s, the graph has %d" % (name, row.get(name), want))
    verdict, bound = verdict_field(row)
    answer = row.get(verdict)
    if answer is True:
        problems += _check_yes(row, n, edges, bound)
    elif answer is False:
        problems += _check_no(row, n, edges, bound)
    else:
        problems.append("%s is %r, neither yes nor no" % (verdict, answer))
    return problems


def _check_yes(row, n, edges, bound):
    problems = []
    if row.get("witness"):
        problems.append("a witness for a graph that has an orientation")
    arcs = row.get("orientation")
    if arcs is None:
        problems.append("no orientation")
    else:
        problems += ["orientation: " + p for p in check_orientation(n, edges, arcs, bound)]
    k, word = row.get("representation_number"), row.get("word")
    if (k is None) != (word is None):
        problems.append("a word without its representation number, or a number without word")
    elif word is not None:
        problems += ["word: " + p for p in check_word(n, edges, k, parse_word(word))]
    return problems


def _check_no(row, n, edges, bound):
    problems = ["a %s for a graph without an orientation" % name.replace("_", " ")
                for name in ("representation_number", "word", "orientation")
                if row.get(name) is not None]
    if "witness" not in row:    # the programs' CSV: the graph itself is the witness
        arcs = find_semi_transitive(n, edges) if n <= SMALL_WITNESS else None
        if arcs is not None:
            problems.append("the graph has a semi-transitive orientation (%s)"
                            % _arcs_text(arcs, list(range(1, n + 1))))
        return problems
    witness = row.get("witness")
    if not witness:
        return problems + ["no witness"]
    if len(set(witness)) != len(witness) or not all(1 <= v <= n for v in witness):
        return problems + ["the witness %s is not a set of vertices 1..%d" % (_text(witness), n)]
    if len(witness) > SMALL_WITNESS:
        return problems
    sub_n, sub_edges = induced(edges, witness)
    arcs = find_semi_transitive(sub_n, sub_edges)
    if arcs is not None:
        return problems + ["the witness %s induces a semi-transitive subgraph (%s)"
                           % (_text(witness), _arcs_text(arcs, sorted(witness)))]
    if bound is None:
        for v in sorted(witness):
            rest = [w for w in witness if w != v]
            if find_semi_transitive(*induced(edges, rest)) is None:
                return problems + ["the witness %s is not minimal: without %d it has no "
                                   "semi-transitive orientation either" % (_text(witness), v)]
    return problems


def induced(edges, vertices):
    """The subgraph the vertices induce, renumbered 1..len(vertices) in
    ascending order: (its order, its edges).

    Examples
    --------
    >>> induced([(1, 2), (2, 3), (3, 5)], (5, 3, 1))
    (3, [(2, 3)])
    """
    number = {v: k for k, v in enumerate(sorted(vertices), 1)}
    return len(number), [(number[a], number[b]) for a, b in edges
                         if a in number and b in number]


def _text(vertices):
    return " ".join(map(str, sorted(vertices)))


def _arcs_text(arcs, names):
    return " ".join("%d>%d" % (names[a - 1], names[b - 1]) for a, b in arcs)
