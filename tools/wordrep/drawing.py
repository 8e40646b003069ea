"""Drawings of a graph with its answer, through Graphviz.

A semi-transitive graph is drawn by `dot` with its orientation as arrows in
layers: dot ranks an acyclic digraph so that every arc points down, so the
sources are on top.  The caption gives the representation number and the
word (wrapped).  A graph that is not word-representable is drawn without
directions by `neato`, edges routed around the vertices (splines), so that
no edge passes through a vertex other than its ends, its witness (a minimal non-word-representable
induced subgraph) highlighted: those vertices filled, the edges among them
thick and red, and the caption says so.

A graph of more than DENSE edges, which dot or neato would take minutes to
lay out, has its vertices placed here on a circle and its edges straight
(`neato -n2`).  An orientation's vertices go down the right half of the
circle in layers (sources first), so every arc still points down; a graph
that is not word-representable gets the whole circle, wide enough that no
edge comes within a vertex's circle but at its ends.

In the SVG, vertex k is the group with id "vK" and class "node" (plus
"witness" when marked), arc i -> j the group "aI_J" and edge i j (i < j)
"eI_J", class "edge" (plus "witness")."""

import io
import math
import os
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

from .cli import silence_stdout
from .formats import format_word

WRAP = 60                       # caption characters per line
DENSE = 200                     # more edges: fixed places, straight lines (dot takes 3 s on
                                # K28's 378 arcs and over 400 s on K64's, neato 12 s on 600)
GAP = 60.0                      # points between neighbouring vertices on the circle
RADIUS = 18.0                   # points: a vertex's circle there (half an inch across)
SIZE = 30                       # inches: a wider drawing is scaled down (a PNG of a 127 inch
                                # circle took 37 s and 600 MB)
FORMATS = ("svg", "pdf", "png")
MARK = 'style=filled fillcolor="#f6b0a8" color="#c0392b" penwidth=2'
MARK_EDGE = 'color="#c0392b" penwidth=3'


class DrawError(Exception):
    """The drawing could not be made (Graphviz missing or failing, an
    unknown format, an answer that is not one) or written; the message says
    why in one line.

    Examples
    --------
    >>> import wordrep
    >>> try:
    ...     wordrep.draw(wordrep.analyse("Bw"), "-", fmt="bmp")
    ... except wordrep.DrawError as e:
    ...     print(e)
    unknown format 'bmp': use one of svg, pdf, png
    """


def _wrap(tokens, width=WRAP, sep=""):
    """Lines of at most width characters (unless one token is longer),
    never breaking a token: a letter "(12)" or a vertex number."""
    lines = [""]
    for t in tokens:
        if lines[-1] and len(lines[-1]) + len(sep) + len(t) > width:
            lines.append("")
        lines[-1] += (sep if lines[-1] else "") + t
    return lines


def _caption(lines):
    # A DOT string: backslash and quote escaped, "\l" ends a left-aligned line.
    return "".join(l.replace("\\", "\\\\").replace('"', '\\"') + "\\l" for l in lines)


def _names(result):
    """The text of each vertex 1..n: the caller's labels, or None when they
    are the census's numbers."""
    if result.labels == tuple(range(1, result.n + 1)):
        return None
    return [str(label) for label in result.labels]


def _sorted_witness(result):
    """The witness's vertices as shown: sorted labels (by the census's
    numbers when the labels cannot be compared)."""
    try:
        return [str(label) for label in sorted(result.witness)]
    except TypeError:
        return [str(result.labels[v - 1]) for v in sorted(result.numbered().witness)]


def caption_lines(result):
    names = _names(result)
    witness = None if result.witness is None else _sorted_witness(result)
    result = result.numbered()
    if result.semi_transitive and result.word is None:    # an orientation alone
        return ["semi-transitive; representation number not computed"]
    if result.semi_transitive:
        head = ["semi-transitive; representation number %d" % result.representation_number,
                "word:"]
        if names:                       # letters of several characters: spaced
            return head + _wrap([names[a - 1] for a in result.word], sep=" ")
        return head + _wrap(format_word([a]) for a in result.word)
    whole = len(result.witness) == result.n
    return (["not word-representable"
             + ("; minimal: every vertex is in the witness" if whole else ""),
             "witness (minimal non-word-representable induced subgraph):"]
            + _wrap(["vertices"] + witness, sep=" "))


def _label(names, v):
    """The DOT attribute showing vertex v by its label (none for numbers)."""
    if not names:
        return ""
    return ' label="%s"' % names[v - 1].replace("\\", "\\\\").replace('"', '\\"')


def dot_source(result):
    """The DOT text of a result of wordrep.census() (or make_result):
    vertex k is the node k, shown by its label (result.labels[k - 1])."""
    names = _names(result)
    caption = caption_lines(result)
    result = result.numbered()
    n = result.n
    head = ['  graph [label="%s" labelloc=b labeljust=l fontsize=12];' % _caption(caption),
            '  node [shape=circle fontsize=14];']
    if result.semi_transitive:
        arcs = result.arcs
        if sorted(tuple(sorted(a)) for a in arcs) != sorted(result.edges):
            raise DrawError("the orientation does not orient exactly the graph's edges")
        body = ['  %d [id="v%d"%s];' % (v, v, _label(names, v)) for v in range(1, n + 1)]
        body += ['  %d -> %d [id="a%d_%d"];' % (a, b, a, b) for a, b in arcs]
        return "digraph wordrep {\n" + "\n".join(head + body) + "\n}\n"
    mark = set(result.witness)
    if not mark or not mark <= set(range(1, n + 1)):
        raise DrawError("the witness %r is not a set of vertices of the graph" % (result.witness,))
    body = ['  %d [id="v%d"%s%s];' % (v, v, _label(names, v),
                                     ' class="witness" ' + MARK if v in mark else "")
            for v in range(1, n + 1)]
    body += ['  %d -- %d [id="e%d_%d"%s];' % (a, b, a, b, ' class="witness" ' + MARK_EDGE
                                              if a in mark and b in mark else "")
             for a, b in result.edges]
    return ("graph wordrep {\n  overlap=false;\n  splines=true;\n" + "\n".join(head + body)
            + "\n}\n")


def _layers(n, arcs):
    """The vertices 1..n in layers: by the longest path from a source that
    ends in each (so every arc goes to a later one), then by number;
    vertices on a cycle, which no orientation has, last."""
    into = {v: 0 for v in range(1, n + 1)}
    for _, b in arcs:
        into[b] += 1
    rank = {v: 0 for v in range(1, n + 1)}
    ready = [v for v in range(1, n + 1) if into[v] == 0]
    order = []
    while ready:
        v = ready.pop()
        order.append(v)
        for a, b in arcs:
            if a == v:
                rank[b] = max(rank[b], rank[v] + 1)
                into[b] -= 1
                if into[b] == 0:
                    ready.append(b)
    placed = set(order)
    return sorted(order, key=lambda v: (rank[v], v)) + [v for v in rank if v not in placed]


def _placed(source, result):
    """The DOT text with every vertex at a fixed place on a circle and
    straight edges (for `neato -n2`; see DENSE)."""
    result = result.numbered()
    n = result.n
    if result.semi_transitive:        # the right half, top to bottom
        order, step = _layers(n, result.arcs), math.pi / (n - 1)
    else:
        order, step = list(range(1, n + 1)), 2 * math.pi / n
    radius = GAP / 2 / math.sin(step / 2)
    if not result.semi_transitive:    # the chord of a vertex's neighbours clears its circle
        radius = max(radius, (RADIUS + 4) / (1 - math.cos(step)))
    angles = [math.pi / 2 - k * step for k in range(n)]
    places = ['  %d [pos="%.2f,%.2f!" fixedsize=shape width=%g height=%g];'
              % (v, radius * math.cos(t), radius * math.sin(t), RADIUS / 36, RADIUS / 36)
              for v, t in zip(order, angles)]
    return (source[:source.rindex("}")] + '  splines=false;\n  size="%d,%d";\n' % (SIZE, SIZE)
            + "\n".join(places) + "\n}\n")


def render(result, fmt):
    """The drawing of a result, as bytes.

    Parameters
    ----------
    result : Result
        The answer for one graph (``analyse``, ``census``), drawn as
        ``draw`` draws it.
    fmt : {"svg", "pdf", "png"}
        The format.

    Returns
    -------
    bytes
        The drawing; an SVG is checked to parse as XML.

    Raises
    ------
    DrawError
        For an unknown format, a Result without an answer (``failure``), or
        Graphviz missing or failing.

    Examples
    --------
    >>> import wordrep
    >>> from wordrep.drawing import render
    >>> svg = render(wordrep.analyse("Bg"), "svg")
    >>> svg.startswith(b"<?xml"), svg.count(b'class="node"')
    (True, 3)
    """
    if getattr(result, "failure", None) is not None:
        raise DrawError("no answer to draw: %s" % result.failure)
    if fmt not in FORMATS:
        raise DrawError("unknown format %r: use one of %s" % (fmt, ", ".join(FORMATS)))
    layout = "dot" if result.semi_transitive else "neato"
    source, command = dot_source(result), [layout]
    if len(result.edges) > DENSE:
        source, command = _placed(source, result), ["neato", "-n2"]
    try:
        p = subprocess.run(command + ["-T" + fmt], input=source.encode(), capture_output=True)
    except OSError as e:
        raise DrawError("cannot run Graphviz %s (Debian package graphviz): %s" % (layout, e))
    if p.returncode != 0:
        raise DrawError("Graphviz %s failed (exit status %d): %s"
                        % (layout, p.returncode, " ".join(p.stderr.decode(errors="replace")
                                                          .split())[:300]))
    if fmt == "svg":
        try:
            ElementTree.fromstring(p.stdout)
        except ElementTree.ParseError as e:
            raise DrawError("Graphviz %s wrote an SVG that does not parse: %s" % (layout, e))
    return p.stdout


def _draw_to(result, out, fmt):
    """The drawing returned (out None) or written to a file-like object."""
    data = render(result, fmt)
    if out is None:
        return data
    text = isinstance(out, io.TextIOBase)
    if text and fmt != "svg":
        raise DrawError("a %s drawing is binary: give a binary file, not a text one" % fmt)
    try:
        out.write(data.decode() if text else data)
    except OSError as e:
        raise DrawError("cannot write the drawing: %s" % (e.strerror or e))
    return None


def write_whole(path, data):
    """Writes data to path whole or not at all.  A regular file (or a new
    one) is written to a temporary file in its folder, synced and renamed
    over it, so that a full disk leaves the old file or none, never a part;
    anything else (a device, a pipe) is written to directly, and a link is
    followed to the file it names.  OSError when it cannot be written."""
    path = os.path.realpath(path)
    if os.path.exists(path) and not os.path.isfile(path):
        with open(path, "wb") as f:
            f.write(data)
        return
    folder, name = os.path.split(os.path.abspath(path))
    fd, temp = tempfile.mkstemp(dir=folder, prefix="." + name + ".", suffix=".part")
    try:
        with os.fdopen(fd, "wb") as f:
            umask = os.umask(0)
            os.umask(umask)
            os.fchmod(f.fileno(), 0o666 & ~umask)
            f.write(data)
            f.flush()
            os.fsync(f.fileno())
        os.replace(temp, path)
    except BaseException:
        try:
            os.unlink(temp)
        except OSError:
            pass
        raise


def draw(result, path=None, fmt=None):
    """Draw a result through Graphviz, as ``wordrep-draw`` does.

    Parameters
    ----------
    result : Result
        The answer for one graph (``analyse``, ``census``).  The vertices,
        the word and the witness are shown by the graph's own labels (their
        ``str``); in the SVG, vertex k (``result.labels[k - 1]``) is still
        the group ``vK``.
    path : str, file-like or None
        The file to write, whole or not at all (through a temporary file in
        its folder); ``"-"`` for standard output; an object with
        ``write()`` (a binary file, ``io.BytesIO``; a text one takes only
        svg); None: nothing written, the bytes returned.
    fmt : {"svg", "pdf", "png"}, optional
        The format (default: from the extension of path; svg for ``"-"``,
        a file-like object or None).

    Returns
    -------
    bytes or None
        The drawing when path is None.

    Raises
    ------
    DrawError
        When the drawing cannot be made (Graphviz missing or failing, an
        unknown format) or written.

    Examples
    --------
    >>> import os, tempfile, wordrep
    >>> r = wordrep.analyse("E|fG")                  # the wheel W5
    >>> with tempfile.TemporaryDirectory() as folder:
    ...     path = os.path.join(folder, "w5.svg")
    ...     wordrep.draw(r, path)
    ...     with open(path) as f:
    ...         print(f.read().count('class="node witness"'))
    6
    >>> import networkx as nx
    >>> r = wordrep.analyse(nx.relabel_nodes(nx.wheel_graph(6), dict(enumerate("hubcap"))))
    >>> with tempfile.TemporaryDirectory() as folder:
    ...     path = os.path.join(folder, "hubcap.svg")
    ...     wordrep.draw(r, path)
    ...     with open(path) as f:
    ...         print("vertices a b c h p u" in f.read())
    True
    >>> wordrep.draw(r, fmt="png")[:4]
    b'\x89PNG'
    >>> import io
    >>> out = io.StringIO()
    >>> wordrep.draw(r, out)
    >>> out.getvalue().startswith("<?xml")
    True
    >>> try:
    ...     wordrep.draw(r, "w5.gif")
    ... except wordrep.DrawError as e:
    ...     print(e)
    unknown format 'gif': use one of svg, pdf, png
    """
    if path is None or hasattr(path, "write"):
        return _draw_to(result, path, fmt or "svg")
    if path != "-" and os.path.isdir(path):
        raise DrawError("%s is a folder: name the drawing's file" % path)
    fmt = fmt or ("svg" if path == "-" else os.path.splitext(path)[1].lstrip(".").lower())
    if not fmt:
        raise DrawError("%s has no extension to tell the format: name it .svg, .pdf or .png, "
                        "or give the format" % path)
    data = render(result, fmt)
    try:
        if path == "-":
            sys.stdout.flush()
            sys.stdout.buffer.write(data)
            sys.stdout.buffer.flush()
        else:
            write_whole(path, data)
    except OSError as e:
        if path == "-":
            silence_stdout()
        raise DrawError("cannot write %s: %s" % ("standard output" if path == "-" else path,
                                                 e.strerror or e))
