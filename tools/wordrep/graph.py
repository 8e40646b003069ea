"""Graphs as (n, edges) with vertices 1..n and edges a sorted list of pairs
(i, j), i < j.  Conversion from and to graph6 (the format of nauty) and the
input format of alterword and orientcheck:

    n
    i j        one line per edge, vertices 1..n
    ...
    0 0
"""

MAX_VERTICES = 20          # the largest graph alterword and orientcheck accept
CENSUS_MAX_VERTICES = 64   # the largest graph wordrep-census accepts


class GraphError(ValueError):
    """Raised for malformed or unsupported input, with a message for users."""


def normalise(n, edges):
    """Return (n, sorted list of distinct edges (i, j) with i < j)."""
    out = set()
    for a, b in edges:
        if not (1 <= a <= n and 1 <= b <= n):
            raise GraphError("edge %d %d: vertices must be in 1..%d" % (a, b, n))
        if a == b:
            raise GraphError("edge %d %d: loops are not allowed" % (a, b))
        out.add((min(a, b), max(a, b)))
    return n, sorted(out)


# ---------------------------------------------------------------- graph6

GRAPH6_HEADER = ">>graph6<<"


GRAPH6_BLANKS = " \t\r\n"   # what surrounds a graph6 line; \v and \f are not blanks


def graph6_text(line):
    """A graph6 line (str or bytes) without the blanks around it (GRAPH6_BLANKS)
    and a leading ">>graph6<<", the rule of wordrep-census; empty for a line
    with no graph."""
    s = line.strip(GRAPH6_BLANKS.encode() if isinstance(line, bytes) else GRAPH6_BLANKS)
    header = GRAPH6_HEADER.encode() if isinstance(s, bytes) else GRAPH6_HEADER
    return s[len(header):] if s.startswith(header) else s


def size_code(s, truncated):
    """(n, its length) of the size code that begins s, as graph6 and digraph6
    write a number of vertices: one byte n + 63 (n <= 62), or "~" and three
    bytes, or "~~" and six, six bits each plus 63.  truncated: the message
    for a code cut short."""
    if s[0] != "~":
        return ord(s[0]) - 63, 1
    width, start = (6, 2) if s[1:2] == "~" else (3, 1)
    if len(s) < start + width:
        raise GraphError(truncated)
    n = 0
    for c in s[start:start + width]:
        n = (n << 6) | (ord(c) - 63)
    return n, start + width


def graph6_order(line):
    """(number of vertices announced by a graph6 string, length of its size code)."""
    s = graph6_text(line)
    if not s:
        raise GraphError("empty graph6 string")
    if s[0] in ":;":
        raise GraphError("sparse6 is not supported (only graph6)")
    if s[0] == "&":
        raise GraphError("digraph6 is not supported (only graph6)")
    for c in s:
        if not 63 <= ord(c) <= 126:
            raise GraphError("invalid character %r in graph6 string" % c)
    return size_code(s, "truncated graph6 header")


def from_graph6(line, max_vertices=MAX_VERTICES):
    """Decode one graph6 string into (n, edges) with vertices 1..n.

    The bits after the size are the upper triangle of the adjacency matrix
    in column order x(0,1), x(0,2), x(1,2), x(0,3), ..., six to a byte, each
    byte plus 63, the last byte padded with zero bits."""
    s = graph6_text(line)
    n, start = graph6_order(s)
    if max_vertices is not None and n > max_vertices:
        raise GraphError("graph has %d vertices; alterword and orientcheck accept at most %d"
                         % (n, max_vertices))
    if n < 1:
        raise GraphError("graph has no vertices")
    nbits = n * (n - 1) // 2
    nbytes = (nbits + 5) // 6
    body = s[start:]
    if len(body) != nbytes:
        raise GraphError("graph6 string for %d vertices must have %d bytes after the size, not %d"
                         % (n, nbytes, len(body)))
    bits = []
    for c in body:
        v = ord(c) - 63
        for k in range(5, -1, -1):
            bits.append((v >> k) & 1)
    if any(bits[nbits:]):
        raise GraphError("graph6 padding bits are not zero")
    edges = []
    k = 0
    for j in range(1, n):
        for i in range(j):
            if bits[k]:
                edges.append((i + 1, j + 1))
            k += 1
    return normalise(n, edges)


def to_graph6(n, edges):
    """Encode (n, edges) with vertices 1..n as a graph6 string (n <= 62)."""
    if not 0 <= n <= 62:
        raise GraphError("graph6 short form holds 0..62 vertices, not %d" % n)
    es = set(normalise(n, edges)[1])
    bits = [1 if (i + 1, j + 1) in es else 0 for j in range(1, n) for i in range(j)]
    while len(bits) % 6:
        bits.append(0)
    out = [chr(n + 63)]
    for k in range(0, len(bits), 6):
        v = 0
        for b in bits[k:k + 6]:
            v = (v << 1) | b
        out.append(chr(v + 63))
    return "".join(out)


# --------------------------------------------------- the programs' format

def format_input(n, edges):
    """The text alterword and orientcheck read for this graph."""
    n, edges = normalise(n, edges)
    if n > MAX_VERTICES:
        raise GraphError("graph has %d vertices; alterword and orientcheck accept at most %d"
                         % (n, MAX_VERTICES))
    lines = [str(n)] + ["%d %d" % e for e in edges] + ["0 0"]
    return "\n".join(lines) + "\n"


def parse_number(t):
    """A number as the programs read it: optional sign, then decimal digits,
    "$" and hexadecimal digits, or "base#digits" with a base from 2 to 36."""
    sign = 1
    body = t
    if body[:1] in "+-" and len(body) > 1:
        sign = -1 if body[0] == "-" else 1
        body = body[1:]
    try:
        if body.startswith("$"):
            return sign * int(body[1:], 16)
        if "#" in body:
            base, digits = body.split("#", 1)
            if not 2 <= int(base) <= 36:
                raise ValueError
            return sign * int(digits, int(base))
        if not body.isdigit():
            raise ValueError
        return sign * int(body)
    except ValueError:
        raise GraphError("%r is not a number" % t) from None


def parse_input(text):
    """Parse the programs' input format; return (n, edges).

    The first line holds n; each following line an edge as two numbers; a
    pair whose first number is 0 or less ends the list.  Text after the
    numbers on a line is ignored, as the programs do; blank lines are
    skipped.  Duplicate edges are merged; loops, vertices outside 1..n or a
    missing end pair are errors."""
    lines = [(k, line.split()) for k, line in enumerate(text.splitlines(), 1)]
    lines = [(k, toks) for k, toks in lines if toks]
    if not lines:
        raise GraphError("empty input: expected the number of vertices")
    lineno, toks = lines[0]
    try:
        n = parse_number(toks[0])
    except GraphError as e:
        raise GraphError("line %d: %s" % (lineno, e))
    if not 1 <= n <= MAX_VERTICES:
        raise GraphError("line %d: number of vertices must be in 1..%d, not %d"
                         % (lineno, MAX_VERTICES, n))
    edges = []
    for lineno, toks in lines[1:]:
        try:
            a = parse_number(toks[0])
            if a <= 0:
                break
            if len(toks) < 2:
                raise GraphError("edge with only one vertex")
            b = parse_number(toks[1])
        except GraphError as e:
            raise GraphError("line %d: %s" % (lineno, e))
        if not (1 <= a <= n and 1 <= b <= n):
            raise GraphError("line %d: edge %d %d: vertices must be in 1..%d" % (lineno, a, b, n))
        if a == b:
            raise GraphError("line %d: edge %d %d: loops are not allowed" % (lineno, a, b))
        edges.append((a, b))
    else:
        raise GraphError("input ends without the closing line \"0 0\"")
    return normalise(n, edges)


def read_input_file(path):
    with open(path) as f:
        return parse_input(f.read())
