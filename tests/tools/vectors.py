"""The shared test vectors (tests/vectors/formats.tsv of the formats,
tests/vectors/rows.tsv of the census's rows; the C++ tests read them too),
by kind."""

import os

FOLDER = os.path.join(os.path.dirname(os.path.dirname(os.path.realpath(__file__))), "vectors")
_ESCAPES = {"n": 10, "r": 13, "t": 9, "\\": 92}


def unescape(field):
    """The bytes a field stands for: \\n, \\r, \\t, \\\\ and \\xNN escaped."""
    out = bytearray()
    i = 0
    while i < len(field):
        if field[i] != "\\":
            out += field[i].encode()
            i += 1
        elif field[i + 1] == "x":
            out.append(int(field[i + 2:i + 4], 16))
            i += 4
        else:
            out.append(_ESCAPES[field[i + 1]])
            i += 2
    return bytes(out)


def text(field):
    """A field as a str, each byte one character (latin-1)."""
    return unescape(field).decode("latin-1")


def pairs(field, sep):
    """"1-2 2-3" (sep "-") or "1>2" (sep ">") as a list of int pairs."""
    return [tuple(int(v) for v in t.split(sep)) for t in field.split()]


def rows(kind, name="formats.tsv"):
    """The cases of one kind in the vector file name, each the list of its
    fields after the kind."""
    out = []
    path = os.path.join(FOLDER, name)
    with open(path, encoding="ascii") as f:
        for line in f:
            fields = line.rstrip("\n").split("\t")
            if not line.startswith("#") and fields[0] == kind:
                out.append(fields[1:])
    if not out:
        raise AssertionError("no %s cases in %s" % (kind, path))
    return out
