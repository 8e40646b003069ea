"""The output formats of alterword and orientcheck, and the compact field
formats the batch tool writes into its CSV."""

import re

from . import digraph6
from .graph import GraphError


class OutputError(ValueError):
    """Raised when a program's output does not have the documented form."""


def quoted(text):
    """text quoted for a message, as repr() does, with the bytes that were
    not UTF-8 (read with errors="surrogateescape") shown as \\xNN."""
    return re.sub(r"\\udc([89a-f][0-9a-f])", r"\\x\1", repr(text))


_LETTER = re.compile(r"[1-9]|\(([1-9][0-9]+)\)")


def parse_word(text):
    """Parse a word as alterword prints it: letters 1..9 as single digits,
    letters 10 and above as "(10)", "(11)", ..., with no separators.
    Returns the list of letters (ints)."""
    letters = []
    pos = 0
    while pos < len(text):
        m = _LETTER.match(text, pos)
        if not m:
            raise OutputError("bad letter in word at position %d: %s" % (pos, quoted(text[pos:pos + 6])))
        if m.group(1) is not None:
            v = int(m.group(1))
            if v < 10:
                raise OutputError("letter %d must be written as a digit" % v)
            letters.append(v)
        else:
            letters.append(int(m.group(0)))
        pos = m.end()
    return letters


def format_word(letters):
    """A word in alterword's notation: letters 1..9 as digits, 10 and above
    as "(10)", "(11)", ..."""
    return "".join(str(a) if a < 10 else "(%d)" % a for a in letters)


def parse_alterword(text):
    """Parse alterword's standard output: "no solution for k," for
    k = 2, 3, ..., K-1, then "representing word for K:" and the word.
    Returns (K, letters)."""
    if text and not text.endswith("\n"):
        raise OutputError("output does not end with a newline")
    lines = text.split("\n")[:-1] if text else []
    k = 2
    i = 0
    while i < len(lines) and lines[i] == "no solution for %d," % k:
        i += 1
        k += 1
    if i >= len(lines):
        raise OutputError("no line \"representing word for %d:\"" % k)
    if lines[i] != "representing word for %d:" % k:
        raise OutputError("expected \"no solution for %d,\" or \"representing word for %d:\", got %s"
                          % (k, k, quoted(lines[i])))
    if i + 1 >= len(lines):
        raise OutputError("no word after \"representing word for %d:\"" % k)
    if i + 2 != len(lines):
        raise OutputError("unexpected text after the word: %s" % quoted(lines[i + 2]))
    return k, parse_word(lines[i + 1])


# orientcheck's heading before the arcs of an orientation.
ORIENTATION_HEADING = "Semi-transitive by orientation:"


def parse_orientcheck(text):
    """Parse orientcheck's standard output.  Returns None for
    "Not semi-transitive", else the list of arcs (i, j) meaning i -> j."""
    if text == "Not semi-transitive\n":
        return None
    head = ORIENTATION_HEADING + "\n"
    if not text.startswith(head):
        raise OutputError("expected \"Not semi-transitive\" or \"Semi-transitive by orientation:\", got %s"
                          % quoted(text[:60]))
    if not text.endswith("\n"):
        raise OutputError("output does not end with a newline")
    arcs = []
    for line in text[len(head):].split("\n")[:-1]:
        m = re.fullmatch(r"([1-9][0-9]*) ([1-9][0-9]*)", line)
        if not m:
            raise OutputError("bad arc line %s" % quoted(line))
        arcs.append((int(m.group(1)), int(m.group(2))))
    return arcs


def format_orientation(arcs):
    """Compact CSV field: arcs i -> j as "i>j", separated by single spaces."""
    return " ".join("%d>%d" % a for a in arcs)


def parse_orientation_field(field, n=None):
    """The arcs (i, j), i -> j, of an orientation field in either format the
    census writes: "i>j" separated by single spaces, or one digraph6 string
    (--orientation-format digraph6), which must have n vertices when n is
    given."""
    if field.startswith(("&", digraph6.HEADER)):
        try:
            order, arcs = digraph6.decode(field)
        except GraphError as e:
            raise OutputError("bad digraph6 orientation %s: %s" % (quoted(field[:40]), e)) from None
        if n is not None and order != n:
            raise OutputError("the digraph6 orientation has %d vertices, the graph %d"
                              % (order, n))
        return arcs
    arcs = []
    for t in field.split(" ") if field else []:
        m = re.fullmatch(r"([1-9][0-9]*)>([1-9][0-9]*)", t)
        if not m:
            raise OutputError("bad arc %s in orientation field" % quoted(t))
        arcs.append((int(m.group(1)), int(m.group(2))))
    return arcs
