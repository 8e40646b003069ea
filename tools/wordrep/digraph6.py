"""digraph6, nauty's format for directed graphs, for orientations.

A digraph6 string is "&", the number of vertices n in graph6's size code
(one byte n + 63 for n <= 62, else "~" and three bytes, or "~~" and six),
then the n x n adjacency matrix row by row, x(0,0), x(0,1), ..., x(0,n-1),
x(1,0), ..., six bits to a byte, each byte plus 63, the last byte padded
with zero bits.  x(i,j) = 1 is the arc i -> j.  Vertices here are 1..n, as
in the rest of the tools (nauty counts from 0)."""

from .graph import GraphError, bits_text, quoted, size_code, size_code_text  # noqa: F401

HEADER = ">>digraph6<<"


def encode(n, arcs):
    """The digraph6 string of the arcs (i, j), i -> j, on vertices 1..n."""
    if n < 0:
        raise GraphError("a digraph cannot have %d vertices" % n)
    marked = set()
    for a, b in arcs:
        if not (1 <= a <= n and 1 <= b <= n):
            raise GraphError("arc %d>%d: vertices must be in 1..%d" % (a, b, n))
        marked.add((a - 1) * n + (b - 1))
    return "&" + size_code_text(n) + bits_text([1 if k in marked else 0 for k in range(n * n)])


def _read_size(s):
    """(n, position after the size code) of the text after "&"."""
    if not s:
        raise GraphError("digraph6 string ends before its size")
    return size_code(s, "truncated digraph6 size")


def decode(line):
    """Decode one digraph6 string into (n, arcs): arcs (i, j) meaning i -> j,
    vertices 1..n, in row order (by i, then j)."""
    s = line.strip()
    if isinstance(s, bytes):
        s = s.decode("latin-1")
    if s.startswith(HEADER):
        s = s[len(HEADER):]
    if not s.startswith("&"):
        raise GraphError("digraph6 string must begin with '&'")
    s = s[1:]
    for c in s:
        if not 63 <= ord(c) <= 126:
            raise GraphError("invalid character %s in digraph6 string" % quoted(c))
    n, start = _read_size(s)
    nbits = n * n
    body = s[start:]
    if len(body) != (nbits + 5) // 6:
        raise GraphError("digraph6 string for %d vertices must have %d bytes after the size, "
                         "not %d" % (n, (nbits + 5) // 6, len(body)))
    arcs = []
    for pos, c in enumerate(body):
        v = ord(c) - 63
        for k in range(6):
            if v >> (5 - k) & 1:
                bit = pos * 6 + k
                if bit >= nbits:
                    raise GraphError("digraph6 padding bits are not zero")
                arcs.append((bit // n + 1, bit % n + 1))
    return n, arcs


def orientation_edges(n, arcs):
    """The edges (i, j), i < j, that an orientation on 1..n gives a
    direction; refuses loops and edges given both directions."""
    edges = set()
    for a, b in arcs:
        if a == b:
            raise GraphError("loop at vertex %d is not an orientation of a graph" % a)
        e = (min(a, b), max(a, b))
        if e in edges:
            raise GraphError("edge %d %d is given both directions" % e)
        edges.add(e)
    return sorted(edges)
