"""The census's rows: its fields, and per field how it is read and written
in CSV and in JSON lines.

A row is held as a record: a dict by the field names the census writes
(``semi_transitive`` is ``semi_transitive_K`` under --shortcut-length K),
each value typed: ``graph6`` str, ``vertices``, ``edges`` and
``representation_number`` int, the verdict bool, ``word`` str in the
census's notation (letters from 10 on as "(10)"), ``orientation`` a tuple of
arcs ``(i, j)`` for i -> j, ``witness`` a tuple of vertices, the bounds
on the representation number ``number_lower`` and ``number_upper`` int and
``number_reason`` str (rows of older census versions lack these three, and
read without them); None where the field is empty, and a failure ("failed: REASON") kept as that text.  A
Layout says which fields a row has and how its orientation is written (arcs
"1>2 2>3" or digraph6); it turns records into CSV or JSON lines and back.
JSON lines are those of ``wordrep-census --format jsonl``: the fields in
order, Python's json.dumps spacing.

Examples
--------
>>> layout = Layout()
>>> rec = layout.from_csv({"graph6": "Bg", "vertices": "3", "edges": "2",
...                        "semi_transitive": "yes", "representation_number": "",
...                        "word": "", "orientation": "1>2 2>3", "witness": "",
...                        "number_lower": "2", "number_upper": "", "number_reason": "least"})
>>> rec["orientation"], rec["witness"], rec["number_lower"], rec["number_upper"]
(((1, 2), (2, 3)), None, 2, None)
>>> print(layout.json_line(rec), end="")
{"graph6": "Bg", "vertices": 3, "edges": 2, "semi_transitive": true, \
"representation_number": null, "word": null, "orientation": [[1, 2], [2, 3]], "witness": null, \
"number_lower": 2, "number_upper": null, "number_reason": "least"}
>>> print(Layout(orientation="digraph6").csv_line(rec), end="")
Bg,3,2,yes,,,&BP?,,2,,least
"""

import csv
import io
import json
import re

from . import digraph6
from .formats import OutputError, format_orientation, format_word, parse_orientation_field, parse_word
from .graph import GraphError

SEMI_TRANSITIVE = "semi_transitive"
PROGRAM_FIELDS = ["graph6", "vertices", "edges", SEMI_TRANSITIVE, "representation_number",
                  "word", "orientation"]
BOUND_FIELDS = ["number_lower", "number_upper", "number_reason"]
CENSUS_FIELDS = PROGRAM_FIELDS + ["witness"] + BOUND_FIELDS
ORIENTATION_FORMATS = ("arcs", "digraph6")


_BOUNDED = re.compile(r"semi_transitive_([1-9][0-9]*)")


def verdict_field(shortcut_length=None):
    """The name of the verdict column: "semi_transitive_K" when the census
    answers for K-semi-transitive orientations."""
    return SEMI_TRANSITIVE if shortcut_length is None else "%s_%d" % (SEMI_TRANSITIVE,
                                                                      shortcut_length)


def census_fields(shortcut_length=None):
    """The census's columns, in order, for --shortcut-length K (None: none)."""
    return Layout(shortcut_length).names


def printable(data):
    """Bytes of an input line as wordrep-census shows them in the graph6
    field: printable ASCII as it is, any other byte as \\xNN."""
    return "".join(chr(b) if 32 <= b < 127 else "\\x%02x" % b for b in data)


def is_failure(value):
    """Whether a record's value is a failure ("failed: REASON")."""
    return isinstance(value, str) and value.startswith("failed")


# ------------------------------------------------------------ field kinds
# Each kind reads a non-empty CSV text, reads a JSON value other than a
# string (a string is read as the CSV text), and writes a value as CSV text
# and as a JSON value; `row` is the record, for what a field depends on.

def _int(text):
    if not text.isdigit():
        raise OutputError("%r is not a number" % text)
    return int(text)


def _json_int(value):
    if isinstance(value, bool) or not isinstance(value, int):
        raise OutputError("%r is not a number" % (value,))
    return value


class _Text:
    csv = staticmethod(str)
    json = staticmethod(str)

    @staticmethod
    def from_json(value):
        raise OutputError("%r is not a string" % (value,))

    @staticmethod
    def text(value, layout, row):
        return value

    @staticmethod
    def value(value, layout, row):
        return value


class _Reason(_Text):
    csv = staticmethod(str)     # a text that may be empty: then the field is None


class _Number(_Text):
    csv = staticmethod(_int)
    from_json = staticmethod(_json_int)

    @staticmethod
    def text(value, layout, row):
        return str(value)


class _Verdict(_Text):
    @staticmethod
    def csv(text):
        if text not in ("yes", "no"):
            raise OutputError("%r is neither yes nor no" % text)
        return text == "yes"

    @staticmethod
    def from_json(value):
        if not isinstance(value, bool):
            raise OutputError("%r is neither true nor false" % (value,))
        return value

    @staticmethod
    def text(value, layout, row):
        return "yes" if value else "no"


class _Word(_Text):
    @staticmethod
    def csv(text):
        return format_word(parse_word(text))


class _Orientation(_Text):
    @staticmethod
    def csv(text):
        if text.startswith("&"):
            try:
                return tuple(digraph6.decode(text)[1])
            except GraphError as e:
                raise OutputError(str(e)) from None
        return tuple(parse_orientation_field(text))

    @staticmethod
    def from_json(value):
        if not (isinstance(value, list) and all(
                isinstance(a, list) and len(a) == 2 and all(
                    isinstance(v, int) and not isinstance(v, bool) for v in a) for a in value)):
            raise OutputError("%r is not a list of arcs" % (value,))
        return tuple(tuple(a) for a in value)

    @staticmethod
    def text(value, layout, row):
        if layout.orientation == "digraph6":
            return digraph6.encode(row["vertices"], value)
        return format_orientation(value)

    @staticmethod
    def value(value, layout, row):
        if layout.orientation == "digraph6":
            return digraph6.encode(row["vertices"], value)
        return [list(a) for a in value]


class _Vertices(_Text):
    @staticmethod
    def csv(text):
        return tuple(_int(v) for v in text.split(" "))

    @staticmethod
    def from_json(value):
        if not isinstance(value, list):
            raise OutputError("%r is not a list of vertices" % (value,))
        return tuple(_json_int(v) for v in value)

    @staticmethod
    def text(value, layout, row):
        return " ".join(map(str, value))

    @staticmethod
    def value(value, layout, row):
        return list(value)


# The kind of each field, by its name in CENSUS_FIELDS.
KINDS = {"graph6": _Text, "vertices": _Number, "edges": _Number, SEMI_TRANSITIVE: _Verdict,
         "representation_number": _Number, "word": _Word, "orientation": _Orientation,
         "witness": _Vertices, "number_lower": _Number, "number_upper": _Number,
         "number_reason": _Reason}


class Layout:
    """The fields of a row and how they are written.

    Parameters
    ----------
    shortcut_length : int, optional
        K for the rows of --shortcut-length K (the verdict in
        semi_transitive_K).
    orientation : {"arcs", "digraph6"}
        How the orientation is written (--orientation-format); either is read.
    witness : bool
        Whether the rows have the witness column (the programs' rows do not).
    bounds : bool
        Whether the rows end in the bounds on the representation number
        (number_lower, number_upper, number_reason), as the census's rows
        do; older census files lack them.
    """

    def __init__(self, shortcut_length=None, orientation="arcs", witness=True, bounds=None):
        if orientation not in ORIENTATION_FORMATS:
            raise ValueError("orientation format %r is neither arcs nor digraph6" % (orientation,))
        self.shortcut_length = shortcut_length
        self.orientation = orientation
        self.verdict = verdict_field(shortcut_length)
        self.kinds = PROGRAM_FIELDS + ["witness"] * bool(witness)
        if witness if bounds is None else bounds:
            self.kinds += BOUND_FIELDS
        self.names = [self.verdict if f == SEMI_TRANSITIVE else f for f in self.kinds]

    @classmethod
    def of_names(cls, names):
        """The Layout whose fields these are, in order; None when they are
        not a row's of the census or the programs."""
        names = list(names or [])
        bounded = _BOUNDED.fullmatch(names[3]) if len(names) > 3 else None
        layout = cls(int(bounded.group(1)) if bounded else None, witness="witness" in names,
                     bounds=BOUND_FIELDS[0] in names)
        return layout if names == layout.names else None

    def _read(self, row, parse, only):
        missing = object()
        out = {}
        for name, kind in zip(self.names, self.kinds):
            value = row.get(name, missing)
            if value is missing or value is None and parse is _csv_value:
                raise OutputError("the row does not have the header's fields")
            if only is not None and kind not in only and not is_failure(value):
                out[name] = value
                continue
            try:
                out[name] = parse(KINDS[kind], value)
            except OutputError as e:
                raise OutputError("%s: %s" % (name, e)) from None
        if out.get(self.verdict) is True and "orientation" in out and out["orientation"] is None:
            out["orientation"] = ()         # a graph without edges
        if (out.get("vertices") == 0 and isinstance(out.get("representation_number"), int)
                and out.get("word") is None):
            out["word"] = ""                # the null graph's word
        return out

    def from_csv(self, row, only=None):
        """The record of a CSV row (a dict of text by field name, as
        csv.DictReader gives it); only: the fields (by their names in
        CENSUS_FIELDS) to read, the others left as they are unless they hold
        a failure.  OutputError "FIELD: ..." for a field that is not the
        census's."""
        if None in row:
            raise OutputError("the row does not have the header's fields")
        return self._read(row, _csv_value, only)

    def from_json(self, obj, only=None):
        """The record of a JSON line's object, as from_csv."""
        if list(obj) != self.names:
            raise OutputError("not a row of the census: fields %r" % ",".join(obj))
        return self._read(obj, _json_value, only)

    def csv_fields(self, record):
        """The CSV texts of a record, in field order."""
        return [_written(KINDS[kind].text, record.get(name), self, record, "")
                for name, kind in zip(self.names, self.kinds)]

    def json_object(self, record):
        """The JSON object of a record, its fields in order."""
        return {name: _written(KINDS[kind].value, record.get(name), self, record, None)
                for name, kind in zip(self.names, self.kinds)}

    def header(self):
        """The CSV header line."""
        return ",".join(self.names) + "\n"

    def csv_line(self, record):
        """The CSV line of a record, as the census writes it."""
        out = io.StringIO()
        csv.writer(out, lineterminator="\n").writerow(self.csv_fields(record))
        return out.getvalue()

    def json_line(self, record):
        """The JSON line of a record, as wordrep-census --format jsonl writes it."""
        return json.dumps(self.json_object(record)) + "\n"


def _csv_value(kind, text):
    if text == "" and kind is not _Text:
        return None
    return text if kind is _Text or is_failure(text) else kind.csv(text)


def _json_value(kind, value):
    if value is None:
        return None
    if isinstance(value, str):
        return _csv_value(kind, value)
    return kind.from_json(value)


def _written(write, value, layout, record, empty):
    if value is None:
        return empty
    return value if is_failure(value) else write(value, layout, record)


def failure(record):
    """The first failure ("failed: REASON") of a record's steps, or None."""
    return next((v for k, v in record.items() if k != "graph6" and is_failure(v)), None)
