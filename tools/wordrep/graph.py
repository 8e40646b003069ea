"""Graphs as (n, edges) with vertices 1..n and edges a sorted list of pairs
(i, j), i < j.  Conversion from and to graph6 (the format of nauty) and the
input format of alterword and orientcheck:

    n
    i j        one pair per edge, vertices 1..n
    ...
    0 0

read exactly as the programs read it (see read_program_input)."""

from dataclasses import dataclass

MAX_VERTICES = 20          # the largest graph alterword and orientcheck accept
CENSUS_MAX_VERTICES = 256  # the largest graph wordrep-census answers

# Who has each vertex limit, as messages name it.
_LIMIT_HOLDER = {MAX_VERTICES: "alterword and orientcheck accept",
                 CENSUS_MAX_VERTICES: "wordrep-census accepts"}


class GraphError(ValueError):
    """Raised for malformed or unsupported input, with a message for users.
    line and col (from 1) give the position in the text when there is one;
    code is the error number alterword and orientcheck stop with on the
    same text, when they stop."""

    def __init__(self, message, line=None, col=None, code=None):
        super().__init__(message)
        self.line, self.col, self.code = line, col, code

    def located(self, name):
        """The one-line report "NAME:LINE:COL: message" ("NAME: message"
        when the error has no position)."""
        if self.line is None:
            return "%s: %s" % (name, self)
        return "%s:%d:%d: %s" % (name, self.line, self.col, self)


def check_order(n, limit=MAX_VERTICES):
    """Refuses a graph of more than limit vertices, naming the tool whose
    limit it is."""
    if n > limit:
        raise GraphError("graph has %d vertices; %s at most %d"
                         % (n, _LIMIT_HOLDER.get(limit, "the limit is"), limit))


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
SPARSE6_HEADER = ">>sparse6<<"


GRAPH6_BLANKS = " \t\r\n"   # what surrounds a graph6 line; \v and \f are not blanks


def graph6_text(line):
    """A graph6 or sparse6 line (str or bytes) without the blanks around it
    (GRAPH6_BLANKS) and a leading ">>graph6<<" or ">>sparse6<<", the rule of
    wordrep-census; empty for a line with no graph.

    >>> graph6_text(" >>sparse6<<:Bw ")
    ':Bw'
    """
    s = line.strip(GRAPH6_BLANKS.encode() if isinstance(line, bytes) else GRAPH6_BLANKS)
    for header in (GRAPH6_HEADER, SPARSE6_HEADER):
        header = header.encode() if isinstance(s, bytes) else header
        if s.startswith(header):
            s = s[len(header):]
    return s


def quoted(c):
    """A character (or byte value) as messages show it, as wordrep-census
    does: 'c', or '\\xNN' outside printable ASCII and for a quote or a
    backslash."""
    c = c if isinstance(c, int) else ord(c)
    return "'%c'" % c if 32 <= c < 127 and c not in (39, 92) else "'\\x%02x'" % (c & 255)


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
    """(number of vertices announced by a graph6 or sparse6 string, length
    of its size code, with sparse6's ":" in front).

    >>> graph6_order("Bw"), graph6_order(":Bw")
    ((3, 1), (3, 2))
    """
    s = graph6_text(line)
    if isinstance(s, bytes):
        s = s.decode("latin-1")
    if not s:
        raise GraphError("empty graph6 string")
    if s[0] == ";":
        raise GraphError("incremental sparse6 (';') is not supported")
    if s[0] == "&":
        raise GraphError("digraph6 is not supported (only graph6 and sparse6)")
    sparse = s[0] == ":"
    name = "sparse6" if sparse else "graph6"
    for c in s[sparse:]:
        if not 63 <= ord(c) <= 126:
            raise GraphError("invalid character %s in %s string" % (quoted(c), name))
    if len(s) == sparse:
        raise GraphError("truncated sparse6 header")
    n, length = size_code(s[sparse:], "truncated %s header" % name)
    return n, length + sparse


MAX_ORDER = 68719476735   # the largest size the six-byte size code holds


def size_code_text(n):
    """The size code of n vertices, as graph6 and digraph6 write it."""
    if n < 0:
        raise GraphError("a graph cannot have %d vertices" % n)
    if n <= 62:
        return chr(n + 63)
    if n <= 258047:
        return "~" + "".join(chr(((n >> s) & 63) + 63) for s in (12, 6, 0))
    if n <= MAX_ORDER:
        return "~~" + "".join(chr(((n >> s) & 63) + 63) for s in (30, 24, 18, 12, 6, 0))
    raise GraphError("graph6 and digraph6 hold at most %d vertices, not %d" % (MAX_ORDER, n))


def bits_text(bits):
    """Six bits to a byte plus 63, the last byte padded with zero bits."""
    out = []
    for k in range(0, len(bits), 6):
        v = 0
        for b in bits[k:k + 6]:
            v = (v << 1) | b
        out.append(chr((v << (6 - len(bits[k:k + 6]))) + 63))
    return "".join(out)


def from_graph6(line, max_vertices=MAX_VERTICES, null=False):
    """Decode one graph6 string into (n, edges) with vertices 1..n; more
    than max_vertices vertices (None: no limit) are refused, and the null
    graph "?" unless null is true.

    The bits after the size are the upper triangle of the adjacency matrix
    in column order x(0,1), x(0,2), x(1,2), x(0,3), ..., six to a byte, each
    byte plus 63, the last byte padded with zero bits."""
    s = graph6_text(line)
    if isinstance(s, bytes):
        s = s.decode("latin-1")
    n, start = graph6_order(s)
    if max_vertices is not None:
        check_order(n, max_vertices)
    if n < 1 and not null:
        raise GraphError("graph has no vertices")
    if s[0] == ":":
        return from_sparse6_body(n, s[start:])
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


def from_sparse6_body(n, body):
    """(n, edges) with vertices 1..n of the body of a sparse6 string (what
    follows ":" and the size): units of one bit b and k bits x, k the bits
    of n - 1; b moves the current vertex v on by one, x > v makes x current,
    else x v is an edge while v < n.  A loop or an edge given twice is
    refused (the census answers simple graphs).

    >>> from_sparse6_body(3, "c")        # ":Bc", nauty-copyg -s of "Bo"
    (3, [(1, 2), (1, 3)])
    """
    k = (n - 1).bit_length()
    bits = [(ord(c) - 63) >> s & 1 for c in body for s in range(5, -1, -1)]
    v, pos, edges, seen = 0, 0, [], set()
    while pos + 1 + k <= len(bits):
        v += bits[pos]
        x = 0
        for b in bits[pos + 1:pos + 1 + k]:
            x = x << 1 | b
        pos += 1 + k
        if x > v:
            v = x
        elif v < n:
            if x == v:
                raise GraphError("sparse6 string has a loop at vertex %d" % (v + 1))
            if (x, v) in seen:
                raise GraphError("sparse6 string gives the edge %d-%d twice" % (x + 1, v + 1))
            seen.add((x, v))
            edges.append((x + 1, v + 1))
    return normalise(n, edges)


def to_graph6(n, edges):
    """Encode (n, edges) with vertices 1..n as a graph6 string."""
    es = set(normalise(n, edges)[1])
    bits = [1 if (i + 1, j + 1) in es else 0 for j in range(1, n) for i in range(j)]
    return size_code_text(n) + bits_text(bits)


# --------------------------------------------------- the programs' format

def format_input(n, edges):
    """The text alterword and orientcheck read for this graph."""
    n, edges = normalise(n, edges)
    check_order(n)
    lines = [str(n)] + ["%d %d" % e for e in edges] + ["0 0"]
    return "\n".join(lines) + "\n"


# The programs' messages by error number, for the reports of the reader.
PROGRAM_ERRORS = {
    300: "value out of range",
    454: "attempt to read past end of Input",
    551: "digit expected after sign",
    552: "sign or digit expected",
    553: "overflow while reading integer",
    557: "digit expected after `$' in integer constant",
    558: "digit expected after `#' in integer constant",
    559: "only one base specifier allowed in integer constant",
    560: "base out of range (2 .. 36)",
}


def _digit(c):
    """The value of a digit byte ("0".."9", then letters from 10 up), 99 for
    any other byte."""
    if 48 <= c <= 57:
        return c - 48
    if 65 <= c <= 90 or 97 <= c <= 122:
        return (c | 32) - 87
    return 99


class _Reader:
    """The programs' integer reading over the bytes of an input text."""

    def __init__(self, data):
        self.data = data
        self.pos = 0

    def where(self, pos):
        line_start = self.data.rfind(b"\n", 0, pos) + 1
        return self.data.count(b"\n", 0, pos) + 1, pos - line_start + 1

    def fail(self, code, detail, pos):
        raise GraphError("%s (alterword and orientcheck stop: error %d, %s)"
                         % (detail, code, PROGRAM_ERRORS[code]), *self.where(pos), code=code)

    def _char(self, pos, what):
        """The byte at pos; error 454 at the end of the input."""
        if pos >= len(self.data):
            self.fail(454, "the input ends where %s is due" % what, pos)
        return self.data[pos]

    def integer(self):
        """(the number, its position): blanks, tabs and line ends skipped;
        an optional sign, then decimal digits, "$" and hexadecimal digits, or
        a base 2..36, "#" and digits in that base."""
        d, p = self.data, self.pos
        while p < len(d) and d[p] in b" \t\n":
            p += 1
        start = p
        c = self._char(p, "a number")
        negative = signed = False
        if c in b"+-":
            signed, negative = True, c == 45
            p += 1
            c = self._char(p, "a digit after the sign")
        base, given = 10, False
        if c == 36:                       # "$"
            p += 1
            if _digit(self._char(p, "a hexadecimal digit")) >= 16:
                self.fail(557, "%s after \"$\" is no hexadecimal digit" % quoted(d[p]), p)
            base, given = 16, True
        elif _digit(c) >= 10:
            self.fail(551 if signed else 552, "%s where a number is due" % quoted(c), p)
        value, overflow = 0, False
        while True:
            while p < len(d) and _digit(d[p]) < base:
                overflow |= value > (2 ** 64 - 1 - _digit(d[p])) // base
                value = (value * base + _digit(d[p])) % 2 ** 64
                p += 1
            if p >= len(d) or d[p] != 35:  # "#"
                break
            if given:
                self.fail(559, "a second base in one number", p)
            if not 2 <= value <= 36:
                self.fail(560, "base %d is not in 2..36" % value, p)
            base, value, given = value, 0, True
            p += 1
            if _digit(self._char(p, "a digit of base %d" % base)) >= base:
                self.fail(558, "%s is no digit of base %d" % (quoted(d[p]), base), p)
        if value > 2 ** 63 - (0 if negative else 1):
            overflow = True
        if overflow:
            self.fail(553, "number out of the 64-bit range", start)
        self.pos = p
        return (-value if negative else value), start

    def skip_line(self):
        """Past the next line end (or to the end of the input)."""
        end = self.data.find(b"\n", self.pos)
        self.pos = len(self.data) if end < 0 else end + 1


@dataclass(frozen=True)
class ProgramInput:
    """What alterword and orientcheck read from an input text: the number
    of vertices as written (order) and every pair before the terminating
    one, as (i, j, line, col)."""
    order: int
    pairs: tuple

    @property
    def n(self):
        """The number of vertices: order, or 0 when order is 0 or less."""
        return max(self.order, 0)

    @property
    def edges(self):
        """The edges (i, j), i < j, within 1..n, sorted, each once."""
        return sorted({(min(i, j), max(i, j)) for i, j, _, _ in self.pairs
                       if i != j and max(i, j) <= self.n})

    @property
    def loops(self):
        """The pairs i i within 1..n, as (i, line, col): alterword does not
        look at them, and orientcheck answers "Not semi-transitive"."""
        return [(i, line, col) for i, j, line, col in self.pairs if i == j and i <= self.n]


def read_program_input(data):
    """Read an input text (bytes or str) exactly as alterword and
    orientcheck read it, or raise GraphError with the position and the
    error number they stop with.

    The first number is n, the rest of its line is skipped.  Then pairs of
    numbers, each followed by a skip to the next line end (so a pair may
    stand on two lines, and text after it is ignored), until a pair whose
    first number is 0 or less.  Vertices must be in 1..20; a vertex above n
    is stored by the programs but never looked at.  Blank lines pass, but a
    carriage return or any other character where a number is due does not."""
    if isinstance(data, str):
        data = data.encode("utf-8", "surrogateescape")
    r = _Reader(data)
    order, where = r.integer()
    r.skip_line()
    if order > MAX_VERTICES:
        r.fail(300, "%d vertices; alterword and orientcheck accept at most %d"
               % (order, MAX_VERTICES), where)
    pairs = []
    while True:
        (i, ipos), (j, jpos) = r.integer(), r.integer()
        r.skip_line()
        if i <= 0:
            return ProgramInput(order, tuple(pairs))
        for v, pos in ((i, ipos), (j, jpos)):
            if not 1 <= v <= MAX_VERTICES:
                r.fail(300, "vertex %d is not in 1..%d" % (v, MAX_VERTICES), pos)
        pairs.append((i, j) + r.where(ipos))


def parse_input(data):
    """The graph (n, edges) of an input text read as the programs read it
    (see read_program_input); a loop, which graph6 and the drawings cannot
    hold, is refused."""
    got = read_program_input(data)
    for i, line, col in got.loops[:1]:
        raise GraphError("pair %d %d is a loop: alterword ignores it, orientcheck answers "
                         "Not semi-transitive, and a graph here has none" % (i, i), line, col)
    return got.n, got.edges


def read_input_file(path):
    """parse_input of a file's bytes."""
    with open(path, "rb") as f:
        return parse_input(f.read())
