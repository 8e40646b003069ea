"""The counts of the batch's summary, from the rows of its parts.

The per-program path writes the programs' columns; wordrep-census adds the
witness column, in CSV or, with --format jsonl, as JSON lines.  Rows are
read through the schema module into records (only the fields the counts
need), so the counts depend neither on column positions nor on the format.
With --shortcut-length K the verdict is semi_transitive_K and the summary
counts graphs that are not K-semi-transitive."""

import csv
import json

from .formats import OutputError
from .schema import Layout, failure

# The fields the counts read (by their names in schema.CENSUS_FIELDS).
COUNTED = ("vertices", "semi_transitive", "representation_number", "witness", "number_lower")


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
        self.verdict = Layout(shortcut_length).verdict
        self.graphs = data.get("graphs", 0)
        self.not_wr = data.get("not", 0)
        self.minimal = data.get("minimal", 0)
        self.failures = data.get("failures", 0)
        self.bounded = data.get("bounded", 0)   # the number as bounds only (a time limit)
        self.by_k = {int(k): v for k, v in data.get("k", {}).items()}

    def add(self, record):
        """Counts one row's record (schema.Layout.from_csv or from_json)."""
        self.graphs += 1
        if failure(record):
            self.failures += 1
        elif record.get(self.verdict) is False:
            self.not_wr += 1
            # minimal: the witness is all of the graph
            if len(record.get("witness") or ()) == record.get("vertices"):
                self.minimal += 1
        elif record.get("representation_number") is not None:
            k = record["representation_number"]
            self.by_k[k] = self.by_k.get(k, 0) + 1
        elif record.get("number_lower") is not None:
            self.bounded += 1

    def merge(self, other):
        self.graphs += other.graphs
        self.not_wr += other.not_wr
        self.minimal += other.minimal
        self.failures += other.failures
        self.bounded += other.bounded
        for k, v in other.by_k.items():
            self.by_k[k] = self.by_k.get(k, 0) + v

    def to_json(self):
        out = {"graphs": self.graphs, "not": self.not_wr, "minimal": self.minimal,
               "failures": self.failures, "k": {str(k): v for k, v in sorted(self.by_k.items())}}
        if self.bounded:          # left out otherwise: journals stay as they were
            out["bounded"] = self.bounded
        return out

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
        if self.bounded:
            out.append("  number as bounds (time limit): %d" % self.bounded)
        out.append("  failures: %d" % self.failures)
        return out


def count_rows(f, fmt, layout):
    """Counts of a part's rows (a text file, "csv" with its header first,
    or "jsonl") of the schema.Layout layout: (Counts, problem), problem
    None when every line is one of its rows."""
    counts = Counts(shortcut_length=layout.shortcut_length)
    if fmt == "csv":
        reader = csv.DictReader(f)
        if reader.fieldnames != layout.names:
            for _ in f:           # consume the rest, as the caller expects
                pass
            return counts, "unexpected CSV header %r" % (",".join(reader.fieldnames or []),)
        rows = ((reader.line_num, row, layout.from_csv) for row in reader)
    else:
        rows = ((k, _object(line), layout.from_json) for k, line in enumerate(f, 1))
    for k, row, read in rows:
        if not isinstance(row, dict):
            return counts, "line %d is not a JSON object: %r" % (k, row[:60])
        try:
            counts.add(read(row, COUNTED))
        except OutputError as e:
            return counts, "line %d: %s" % (k, e)
    return counts, None


def _object(line):
    """The JSON object of a line, else the line."""
    try:
        obj = json.loads(line)
    except ValueError:
        return line
    return obj if isinstance(obj, dict) else line
