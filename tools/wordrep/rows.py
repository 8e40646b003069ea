"""Rows of the batch output and the counts of its summary.

The per-program path writes the columns of PROGRAM_FIELDS; wordrep-census
adds the witness column (CENSUS_FIELDS), in CSV or, with --format jsonl, as
JSON lines (one object per graph, keyed by the same field names).  Rows are
handled as dicts of text by field name (csv.DictReader; JSON objects through
row_from_json), so the code depends neither on column positions nor on the
format.

With --shortcut-length K the census answers for K-semi-transitive
orientations: its semi_transitive column is named semi_transitive_K
(census_fields(K)), and the summary counts graphs that are not
K-semi-transitive."""

import csv
import json

PROGRAM_FIELDS = ["graph6", "vertices", "edges", "semi_transitive", "representation_number",
                  "word", "orientation"]
CENSUS_FIELDS = PROGRAM_FIELDS + ["witness"]
SEMI_TRANSITIVE = "semi_transitive"

# The fields a failing step writes "failed: REASON" into (graph6 holds the
# input line, which may be anything).
STEP_FIELDS = ["semi_transitive", "representation_number", "word", "orientation", "witness"]


def semi_transitive_field(shortcut_length=None):
    """The name of the semi_transitive column: "semi_transitive_K" when the
    census answers for K-semi-transitive orientations."""
    return SEMI_TRANSITIVE if shortcut_length is None else "%s_%d" % (SEMI_TRANSITIVE,
                                                                      shortcut_length)


def census_fields(shortcut_length=None):
    """The census's columns, in order, for --shortcut-length K (None: none)."""
    verdict = semi_transitive_field(shortcut_length)
    return [verdict if f == SEMI_TRANSITIVE else f for f in CENSUS_FIELDS]


def printable(data):
    """Bytes of an input line as wordrep-census shows them in the graph6
    field: printable ASCII as it is, any other byte as \\xNN."""
    return "".join(chr(b) if 32 <= b < 127 else "\\x%02x" % b for b in data)


def row_failed(row, verdict=SEMI_TRANSITIVE):
    """Whether a step failed on the row; verdict: the name of its
    semi_transitive field (semi_transitive_field)."""
    return any((row.get(verdict if f == SEMI_TRANSITIVE else f) or "").startswith("failed")
               for f in STEP_FIELDS)


def row_minimal(row, verdict=SEMI_TRANSITIVE):
    """A minimal non-word-representable (or, verdict semi_transitive_K, not
    K-semi-transitive) graph: its witness is all of it."""
    if row.get(verdict) != "no" or not (row.get("vertices") or "").isdigit():
        return False
    return len((row.get("witness") or "").split()) == int(row["vertices"])


class Counts:
    """What the summary reports: graphs, graphs per representation number,
    not word-representable, minimal ones, failures.  With shortcut_length K
    the rows are those of --shortcut-length K (their verdict in
    semi_transitive_K) and "not" counts graphs that are not
    K-semi-transitive."""

    KEYS = ("graphs", "not", "minimal", "failures")

    def __init__(self, data=None, shortcut_length=None):
        data = data or {}
        self.shortcut_length = shortcut_length
        self.verdict = semi_transitive_field(shortcut_length)
        self.graphs = data.get("graphs", 0)
        self.not_wr = data.get("not", 0)
        self.minimal = data.get("minimal", 0)
        self.failures = data.get("failures", 0)
        self.by_k = {int(k): v for k, v in data.get("k", {}).items()}

    def add(self, row):
        self.graphs += 1
        if row_failed(row, self.verdict):
            self.failures += 1
        elif row.get(self.verdict) == "no":
            self.not_wr += 1
            if row_minimal(row, self.verdict):
                self.minimal += 1
        elif (row.get("representation_number") or "").isdigit():
            k = int(row["representation_number"])
            self.by_k[k] = self.by_k.get(k, 0) + 1

    def merge(self, other):
        self.graphs += other.graphs
        self.not_wr += other.not_wr
        self.minimal += other.minimal
        self.failures += other.failures
        for k, v in other.by_k.items():
            self.by_k[k] = self.by_k.get(k, 0) + v

    def to_json(self):
        return {"graphs": self.graphs, "not": self.not_wr, "minimal": self.minimal,
                "failures": self.failures, "k": {str(k): v for k, v in sorted(self.by_k.items())}}

    def lines(self, prog, minimal=True, total=None):
        """The summary's lines: "PROG: N graphs", then the counts."""
        of = "" if total is None or total == self.graphs else " of %d" % total
        out = ["%s: %d graphs%s" % (prog, self.graphs, of)]
        out += ["  representation number %d: %d" % (k, self.by_k[k]) for k in sorted(self.by_k)]
        k = self.shortcut_length
        out.append(("  not %d-semi-transitive: %d" % (k, self.not_wr)) if k is not None
                   else "  not word-representable: %d" % self.not_wr)
        if minimal:
            out.append(("  minimal not %d-semi-transitive: %d" % (k, self.minimal))
                       if k is not None else "  minimal non-word-representable: %d" % self.minimal)
        out.append("  failures: %d" % self.failures)
        return out


def count_csv(lines, fields=CENSUS_FIELDS, shortcut_length=None):
    """Read CSV text (an iterable of lines, header first) and return
    (Counts, problem): problem is None when the header is the expected
    one, else a description."""
    reader = csv.DictReader(lines)
    counts = Counts(shortcut_length=shortcut_length)
    if reader.fieldnames != fields:
        for _ in lines:           # consume the rest, as the caller expects
            pass
        return counts, "unexpected CSV header %r" % (",".join(reader.fieldnames or []),)
    for row in reader:
        counts.add(row)
    return counts, None


def field_text(value):
    """A JSON value as the CSV writes it: null empty, true/false yes/no,
    arrays joined by spaces, numbers and strings as text."""
    if value is None:
        return ""
    if isinstance(value, bool):
        return "yes" if value else "no"
    if isinstance(value, list):
        return " ".join(field_text(v) for v in value)
    return str(value)


def row_from_json(obj):
    """The row (field name -> text) of one JSON line's object."""
    return {k: field_text(v) for k, v in obj.items()}


def count_rows(f, fmt, fields=CENSUS_FIELDS, shortcut_length=None):
    """Counts of a part's rows (a text file, "csv" with its header first,
    or "jsonl"), of --shortcut-length K when shortcut_length is K:
    (Counts, problem), problem None when every line is a row."""
    if fmt == "csv":
        return count_csv(f, fields, shortcut_length)
    counts = Counts(shortcut_length=shortcut_length)
    for k, line in enumerate(f, 1):
        try:
            obj = json.loads(line)
        except ValueError:
            obj = None
        if not isinstance(obj, dict):
            return counts, "line %d is not a JSON object: %r" % (k, line[:60])
        counts.add(row_from_json(obj))
    return counts, None
