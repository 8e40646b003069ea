#!/usr/bin/python3
"""The census's rows through wordrep.schema against the shared row vectors
(tests/vectors/rows.tsv, written from the census's own output and read by
the C++ tests too): each CSV line and JSON line read gives the same record,
and that record written gives both lines back byte for byte.  The census's
stand-in, which writes its lines through the same module, is held to the
same form."""

import csv
import json
import subprocess
import unittest

import vectors
from helpers import STUB_CENSUS
from wordrep.formats import OutputError
from wordrep.schema import Layout


def layout_of(options):
    """The Layout of a census run with these options ("-" for none)."""
    words = [] if options == "-" else options.split()
    settings = dict(zip(words[::2], words[1::2]))
    k = settings.get("--shortcut-length")
    return Layout(int(k) if k else None, settings.get("--orientation-format", "arcs"))


NO_BOUNDS = {"number_lower": None, "number_upper": None, "number_reason": None}


def bounds(lower, upper, reason):
    """The bounds fields of a record."""
    return {"number_lower": lower, "number_upper": upper, "number_reason": reason}


def read_csv_line(layout, line):
    """The record of one CSV line of the layout's rows."""
    row = next(csv.DictReader([line], fieldnames=layout.names))
    return layout.from_csv(row)


class Vectors(unittest.TestCase):
    def test_headers(self):
        for options, header in vectors.rows("header", "rows.tsv"):
            with self.subTest(options=options):
                self.assertEqual(layout_of(options).header(), header + "\n")

    def test_rows_read_alike_and_write_back_byte_for_byte(self):
        cases = vectors.rows("row", "rows.tsv")
        for options, line, json_line in cases:
            with self.subTest(options=options, line=line):
                layout = layout_of(options)
                record = read_csv_line(layout, line)
                self.assertEqual(layout.from_json(json.loads(json_line)), record)
                self.assertEqual(layout.csv_line(record), line + "\n")
                self.assertEqual(layout.json_line(record), json_line + "\n")
        # The file covers failures and both orientation formats.
        self.assertTrue(any("failed: " in line for _, line, _ in cases))
        self.assertTrue(any(o == "--orientation-format digraph6" for o, _, _ in cases))

    def test_records_are_typed(self):
        cases = {(o, line.split(",")[0]): (o, line) for o, line, _ in
                 vectors.rows("row", "rows.tsv")}
        want = [
            (("-", "E|fG"), {"graph6": "E|fG", "vertices": 6, "edges": 10,
                             "semi_transitive": False, "representation_number": None,
                             "word": None, "orientation": None, "witness": (1, 2, 3, 4, 5, 6), **NO_BOUNDS}),
            (("--orientation-format digraph6", "Bg"),
             {"graph6": "Bg", "vertices": 3, "edges": 2, "semi_transitive": True,
              "representation_number": 2, "word": "121323", "orientation": ((1, 2), (2, 3)),
              "witness": None, **bounds(2, 2, "least")}),
            (("--shortcut-length 3", "Bg"),
             {"graph6": "Bg", "vertices": 3, "edges": 2, "semi_transitive_3": True,
              "representation_number": None, "word": None, "orientation": ((1, 2), (2, 3)),
              "witness": None, **NO_BOUNDS}),
            (("-", "@"), {"graph6": "@", "vertices": 1, "edges": 0, "semi_transitive": True,
                          "representation_number": 1, "word": "1", "orientation": (),
                          "witness": None, **bounds(1, 1, "least")}),
            (("-", "?"), {"graph6": "?", "vertices": 0, "edges": 0, "semi_transitive": True,
                          "representation_number": 1, "word": "", "orientation": (),
                          "witness": None, **bounds(1, 1, "least")}),   # the null graph: the empty word
        ]
        for key, record in want:
            with self.subTest(case=key):
                options, line = cases[key]
                self.assertEqual(read_csv_line(layout_of(options), line), record)

    def test_rows_cut_by_the_time_limit_hold_bounds_only(self):
        want = {"Gr`HOk": (2, "least"), "K??B|z[zFg^?": (3, "induced crown H(6,6): 3"),
                "J?@|urg{F~_": (5, "induced crown H(5,5) with an apex: 5")}
        cases = [line for o, line, _ in vectors.rows("row", "rows.tsv") if o.startswith("--time")]
        self.assertEqual(len(cases), len(want))
        for line in cases:
            record = read_csv_line(Layout(), line)
            lower, reason = want[record["graph6"]]
            self.assertEqual((record["representation_number"], record["word"]), (None, None))
            self.assertEqual(record, dict(record, **bounds(lower, None, reason)))

    def test_old_rows_without_the_bounds_still_read(self):
        old = ("graph6,vertices,edges,semi_transitive,representation_number,word,orientation,"
               "witness")
        layout = Layout.of_names(old.split(","))
        self.assertEqual(layout.names, old.split(","))
        record = read_csv_line(layout, "Bg,3,2,yes,2,121323,1>2 2>3,")
        self.assertEqual(record["representation_number"], 2)
        self.assertNotIn("number_lower", record)
        line = layout.json_line(record)
        self.assertEqual(layout.from_json(json.loads(line)), record)
        self.assertNotIn("number_lower", line)

    def test_malformed_fields_are_named(self):
        layout = Layout(bounds=False)
        head = '{"graph6": "Bg", "vertices": 3, "edges": 2, '
        cases = [
            (head + '"semi_transitive": 1, "representation_number": 2, "word": "121323", '
             '"orientation": [[1, 2], [2, 3]], "witness": null}',
             "semi_transitive: 1 is neither true nor false"),
            (head + '"semi_transitive": true, "representation_number": true, "word": "121323", '
             '"orientation": [[1, 2], [2, 3]], "witness": null}',
             "representation_number: True is not a number"),
            (head + '"semi_transitive": false, "representation_number": null, "word": null, '
             '"orientation": null, "witness": [1, "2"]}', "witness: '2' is not a number"),
            (head + '"semi_transitive": true, "representation_number": 2, "word": "121323", '
             '"orientation": [[1, 2], [2, 3]]}',
             "not a row of the census: fields 'graph6,vertices,edges,semi_transitive,"
             "representation_number,word,orientation'"),
        ]
        for line, message in cases:
            with self.subTest(message=message):
                with self.assertRaises(OutputError) as cm:
                    layout.from_json(json.loads(line))
                self.assertEqual(str(cm.exception), message)


class StandIn(unittest.TestCase):
    def test_the_stand_in_writes_the_census_s_lines(self):
        graphs = "Bg\nBw\nE|fG\n@\nBx\n\x01x\nC~\n"
        for options in ([], ["--shortcut-length", "3"]):
            with self.subTest(options=options):
                layout = Layout(3 if options else None)
                run = [STUB_CENSUS, "--no-summary"] + options
                text = subprocess.run(run, input=graphs, capture_output=True, text=True).stdout
                lines = subprocess.run(run + ["--format", "jsonl"], input=graphs,
                                       capture_output=True, text=True).stdout.splitlines(True)
                self.assertEqual(text.splitlines(True)[0], layout.header())
                rows = list(csv.DictReader(text.splitlines(True)[1:], fieldnames=layout.names))
                self.assertEqual(len(lines), 7)
                for row, line in zip(rows, lines):
                    record = layout.from_csv(row)
                    self.assertEqual(layout.from_json(json.loads(line)), record)
                    self.assertEqual(layout.json_line(record), line)


if __name__ == "__main__":
    unittest.main()
