#!/usr/bin/python3
"""Typed output in Python: wordrep.read_csv() on census CSVs (every graph on
up to 6 vertices) against the CSV text read field by field here, both
orientation formats, failures kept as text, malformed files refused with
their line; the README's pandas calls on a census of 11,117 rows (every
word intact); and `python3 -m wordrep`, whose JSON lines are checked against
the census CSV of the same graphs, with its exit statuses.  The census
comes from $WORDREP_CENSUS (set by CMake)."""

import csv
import io
import json
import os
import subprocess
import sys
import tempfile
import unittest

from helpers import BUFFERED, STUB_CENSUS, TOOLS, UNBUFFERED, file_size_limit, geng, settled
import wordrep
from wordrep.formats import OutputError

CENSUS = os.environ.get("WORDREP_CENSUS")
HEADER = "graph6,vertices,edges,semi_transitive,representation_number,word,orientation,witness\n"


def census_csv(graphs, *options):
    """The census's CSV for the graphs (exit status 1: some rows failed)."""
    p = subprocess.run([CENSUS, "--no-summary"] + list(options), input="\n".join(graphs) + "\n",
                       capture_output=True, text=True)
    assert p.returncode in (0, 1), p.stderr
    return p.stdout


def json_of_row(row):
    """The JSON object of a census CSV row, read field by field (the answer
    in semi_transitive_K, without a word, for K-semi-transitive orientations)."""
    column = next(f for f in row if f.startswith("semi_transitive"))
    if row[column].startswith("failed"):
        return {f: int(v) if f == "vertices" and v else v if v.startswith("failed") or
                f == "graph6" else None for f, v in row.items()}
    yes = row[column] == "yes"
    word = yes and row["word"] != ""
    return {"graph6": row["graph6"], "vertices": int(row["vertices"]),
            "edges": int(row["edges"]), column: yes,
            "representation_number": int(row["representation_number"]) if word else None,
            "word": row["word"] if word else None,
            "orientation": [[int(v) for v in arc.split(">")]
                            for arc in row["orientation"].split()] if yes else None,
            "witness": None if yes else [int(v) for v in row["witness"].split()],
            "number_lower": int(row["number_lower"]) if row["number_lower"] else None,
            "number_upper": int(row["number_upper"]) if row["number_upper"] else None,
            "number_reason": row["number_reason"] or None}


def written(text):
    f = tempfile.NamedTemporaryFile("w", suffix=".csv", delete=False)
    f.write(text)
    f.close()
    return f.name


@unittest.skipUnless(CENSUS, "WORDREP_CENSUS not set")
class ReadCsv(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.graphs = [g for n in range(1, 7) for g in geng(n)]
        cls.text = census_csv(cls.graphs)
        cls.rows = list(csv.DictReader(io.StringIO(cls.text)))

    def read(self, text):
        path = written(text)
        self.addCleanup(os.unlink, path)
        return path, list(wordrep.read_csv(path))

    def test_records_are_the_csv_fields_typed(self):
        _, records = self.read(self.text)
        self.assertEqual(len(records), 1 + 2 + 4 + 11 + 34 + 156)   # A000088
        for record, row in zip(records, self.rows):
            want = json_of_row(row)
            if row["semi_transitive"] == "yes":
                want["orientation"] = tuple(map(tuple, want["orientation"]))
            else:
                want["witness"] = tuple(want["witness"])
            self.assertEqual(record, want)
            self.assertIs(type(record["vertices"]), int)

    def test_records_equal_those_of_the_census_results(self):
        _, records = self.read(self.text)
        self.assertEqual(records, [wordrep.record(r)
                                   for r in wordrep.census(self.graphs, program=CENSUS)])

    def test_digraph6_orientations_read_as_arcs(self):
        some = self.graphs[100:]
        _, by_arcs = self.read(census_csv(some))
        _, by_digraph6 = self.read(census_csv(some, "--orientation-format", "digraph6"))
        self.assertTrue(any(r["orientation"] for r in by_arcs))
        for a, d in zip(by_arcs, by_digraph6):
            self.assertEqual(sorted(a["orientation"] or ()), sorted(d["orientation"] or ()))
            self.assertEqual({**a, "orientation": None}, {**d, "orientation": None})

    def test_long_words_stay_strings(self):
        # A word of 18 digits that pandas' default reading turns into a float.
        _, records = self.read(HEADER + "E?Bw,6,3,yes,3,153412563412645236,1>2,\n"
                                        "J???????????,11,0,yes,2,(10)(11)(10)(11),,\n")
        self.assertEqual([r["word"] for r in records], ["153412563412645236",
                                                        "(10)(11)(10)(11)"])

    FAILED = [
        ("Bx,3,,failed: graph6 padding bits are not zero,,,,\n",
         {"graph6": "Bx", "vertices": 3, "edges": None,
          "semi_transitive": "failed: graph6 padding bits are not zero",
          "representation_number": None, "word": None, "orientation": None, "witness": None}),
        ("Bw,3,3,yes,failed: time limit,,1>2 1>3 3>2,\n",
         {"graph6": "Bw", "vertices": 3, "edges": 3, "semi_transitive": True,
          "representation_number": "failed: time limit", "word": None,
          "orientation": ((1, 2), (1, 3), (3, 2)), "witness": None}),
        ('"x,y",,,"failed: invalid character \',\' in graph6 string",,,,\n',
         {"graph6": "x,y", "vertices": None, "edges": None,
          "semi_transitive": "failed: invalid character ',' in graph6 string",
          "representation_number": None, "word": None, "orientation": None, "witness": None}),
    ]

    def test_failures_are_kept_as_text(self):
        for line, want in self.FAILED:
            with self.subTest(line=line):
                self.assertEqual(self.read(HEADER + line)[1], [want])

    def test_the_programs_csv_has_no_witness_column(self):
        _, records = self.read("graph6,vertices,edges,semi_transitive,representation_number,"
                               "word,orientation\nBw,3,3,yes,2,132132,1>2 1>3 3>2\n")
        self.assertEqual(records, [{"graph6": "Bw", "vertices": 3, "edges": 3,
                                    "semi_transitive": True, "representation_number": 2,
                                    "word": "132132", "orientation": ((1, 2), (1, 3), (3, 2))}])

    def test_a_census_of_k_semi_transitive_orientations(self):
        _, records = self.read(HEADER.replace("semi_transitive", "semi_transitive_4")
                               + "Bw,3,3,yes,,,1>3 2>1 2>3,\n@,1,0,yes,,,,\n"
                               + "E|fG,6,10,no,,,,1 2 3 4 5 6\n")
        common = {"representation_number": None, "word": None}
        self.assertEqual(records, [
            dict(graph6="Bw", vertices=3, edges=3, semi_transitive_4=True, **common,
                 orientation=((1, 3), (2, 1), (2, 3)), witness=None),
            dict(graph6="@", vertices=1, edges=0, semi_transitive_4=True, **common,
                 orientation=(), witness=None),
            dict(graph6="E|fG", vertices=6, edges=10, semi_transitive_4=False, **common,
                 orientation=None, witness=(1, 2, 3, 4, 5, 6))])

    def test_json_lines_read_as_the_csv(self):
        lines = self.graphs[::3] + ["Bx", "~"]
        _, from_csv = self.read(census_csv(lines))
        status, out, _ = run_module(lines, env={"WORDREP_BIN": os.path.dirname(CENSUS)})
        self.assertEqual(status, 1)
        _, from_json = self.read(out)
        self.assertEqual(from_json, from_csv)
        p = subprocess.run([CENSUS, "--help"], capture_output=True, text=True)
        if "jsonl" in p.stdout + p.stderr:         # the census's own JSON lines
            _, from_census = self.read(census_csv(lines, "--format", "jsonl"))
            self.assertEqual(from_census, from_csv)

    GOOD_JSON = ('{"graph6": "@", "vertices": 1, "edges": 0, "semi_transitive": true, '
                 '"representation_number": 2, "word": "11", "orientation": [], "witness": null}\n')
    BAD_JSON = [
        (GOOD_JSON + '[1, 2]\n', "2: not a JSON object: '[1, 2]\\n'"),
        ('{"graph6": "Bw"\n', "1: not a JSON object: '{\"graph6\": \"Bw\"\\n'"),
        ('{"graph6": "Bw", "answer": 2}\n',
         "1: not a row of the census: fields 'graph6,answer'"),
        ('{"graph6": "Bw", "vertices": 3, "edges": 3, "semi_transitive": true, '
         '"representation_number": 2, "word": "132132", "orientation": [1, 2], '
         '"witness": null}\n', "1: orientation: [1, 2] is not a list of arcs"),
        ('{"graph6": "Bw", "vertices": "x", "edges": 3, "semi_transitive": true, '
         '"representation_number": 2, "word": "132132", "orientation": [[1, 2]], '
         '"witness": null}\n', "1: vertices: 'x' is not a number"),
    ]


    BAD = [
        ("graph6,vertices\nBw,3\n", "1: not a census CSV: header 'graph6,vertices'"),
        ("", "1: not a census CSV: header ''"),
        (HEADER.replace("semi_transitive", "semi_transitive_x") + "Bw,3,3,yes,,,,\n",
         "1: not a census CSV: header '%s'"
         % HEADER.replace("semi_transitive", "semi_transitive_x").strip()),
        (HEADER + "Bw,3,3,yes,2,132132,1>2 1>3 3>2,\nBg,x,2,yes,2,132312,1>2 3>2,\n",
         "3: vertices: 'x' is not a number"),
        (HEADER + "Bw,3,3,maybe,2,132132,1>2 1>3 3>2,\n",
         "2: semi_transitive: 'maybe' is neither yes nor no"),
        (HEADER + "Bw,3,3,yes,2,13a132,1>2 1>3 3>2,\n",
         "2: word: bad letter in word at position 2: 'a132'"),
        (HEADER + "Bw,3,3,yes,2,132132,1-2 1>3 3>2,\n",
         "2: orientation: bad arc '1-2' in orientation field"),
        (HEADER + "Bw,3,3,yes,2,132132,&B_,\n",
         "2: orientation: digraph6 string for 3 vertices must have 2 bytes after the size, "
         "not 1"),
        (HEADER + "E|fG,6,10,no,,,,1 2 x\n", "2: witness: 'x' is not a number"),
        (HEADER + "Bw,3,3,yes\n", "2: the row does not have the header's fields"),
        (HEADER + "Bw,3,3,yes,2,132132,1>2 1>3 3>2,,extra\n",
         "2: the row does not have the header's fields"),
    ]

    def test_malformed_files_are_refused_with_their_line(self):
        for text, message in self.BAD + self.BAD_JSON:
            with self.subTest(text=text):
                path = written(text)
                self.addCleanup(os.unlink, path)
                with self.assertRaises(OutputError) as cm:
                    list(wordrep.read_csv(path))
                self.assertEqual(str(cm.exception), "%s:%s" % (path, message))


def run_module(args, stdin=b"", env=None, stdout=subprocess.PIPE):
    """python3 -m wordrep from a folder outside the checkout."""
    env = dict(os.environ, PYTHONPATH=TOOLS, **(env or {}))
    with tempfile.TemporaryDirectory() as cwd:
        p = subprocess.run([sys.executable, "-m", "wordrep"] + args, input=stdin,
                           stdout=stdout, stderr=subprocess.PIPE, env=env, cwd=cwd)
    out = p.stdout.decode() if p.stdout is not None else None
    return p.returncode, out, p.stderr.decode()


def objects(text):
    return [json.loads(line) for line in text.splitlines()]


try:
    import pandas
except ImportError:       # tools/install-deps installs python3-pandas for this test
    pandas = None


@unittest.skipUnless(CENSUS and pandas, "WORDREP_CENSUS not set or pandas missing")
class Pandas(unittest.TestCase):
    """The README's pandas calls keep every word of a census intact."""

    def test_words_survive_the_readmes_calls(self):
        graphs = geng("-c", 8)                       # 11,117 rows
        with tempfile.TemporaryDirectory() as d:
            paths = {}
            for fmt in ("csv", "jsonl"):
                paths[fmt] = os.path.join(d, "c8." + fmt)
                with open(paths[fmt], "w") as f:
                    f.write(census_csv(graphs, "--format", fmt))
            with open(paths["csv"]) as f:
                rows = list(csv.DictReader(f))
            words = [r["word"] for r in rows]
            numbers = [int(r["representation_number"]) if r["representation_number"] else None
                       for r in rows]
            # All-digit words longer than a double holds: what pandas would round.
            self.assertGreater(sum(w.isdigit() and len(w) > 15 for w in words), 1000)
            df = pandas.read_csv(paths["csv"], dtype=str, keep_default_na=False)
            self.assertEqual(list(df["word"]), words)
            self.assertEqual(list(df["graph6"]), graphs)
            dj = pandas.read_json(paths["jsonl"], lines=True,
                                  dtype={"word": "string", "representation_number": "Int64"})
            self.assertEqual([None if w is pandas.NA else w for w in dj["word"]],
                             [w or None for w in words])
            self.assertEqual([None if k is pandas.NA else int(k)
                              for k in dj["representation_number"]], numbers)


@unittest.skipUnless(CENSUS, "WORDREP_CENSUS not set")
class Module(unittest.TestCase):
    ENV = {"WORDREP_BIN": os.path.dirname(CENSUS or "")}

    def test_json_lines_equal_the_census_rows(self):
        graphs = [g for n in range(1, 6) for g in geng(n)] + geng("-c", 6)
        want = [json_of_row(r) for r in csv.DictReader(io.StringIO(census_csv(graphs)))]
        for how, args, stdin in [("stdin", [], "\n".join(graphs) + "\n"),
                                 ("arguments", graphs, ""),
                                 ("two jobs", ["--jobs", "2"], "\n".join(graphs) + "\n")]:
            with self.subTest(how=how):
                status, out, err = run_module(args, stdin.encode(), self.ENV)
                self.assertEqual((status, err), (0, ""))
                if how == "two jobs":    # two census processes: other certificates
                    self.assertEqual(settled(objects(out)), settled(want))
                else:
                    self.assertEqual(objects(out), want)

    def test_shortcut_length_is_passed_on(self):
        p = subprocess.run([CENSUS, "--help"], capture_output=True, text=True)
        if "--shortcut-length" not in p.stdout + p.stderr:
            self.skipTest("wordrep-census has no --shortcut-length")
        graphs = geng("-c", 6)
        rows = csv.DictReader(io.StringIO(census_csv(graphs, "--shortcut-length", "4")))
        status, out, err = run_module(["--shortcut-length", "4"] + graphs, env=self.ENV)
        self.assertEqual((status, err), (0, ""))
        self.assertEqual(objects(out), [json_of_row(r) for r in rows])

    def test_lines_that_are_no_graphs_get_the_census_s_failure_rows(self):
        lines = ["Bx", "~", "Bww", ";Bw", "A_", "~?C@" + "?" * 5483, "&B_"]  # 257 vertices
        want = [json_of_row(r) for r in csv.DictReader(io.StringIO(census_csv(lines)))]
        status, out, err = run_module(lines, env=self.ENV)
        self.assertEqual((status, objects(out)), (1, want))
        self.assertEqual(len(err.splitlines()), len(lines) - 1)          # A_ is a graph

    def test_exit_statuses(self):
        bw, bx = map(json_of_row, csv.DictReader(io.StringIO(census_csv(["Bw", "Bx"]))))
        bad = dict.fromkeys(bw)
        stub = subprocess.run([STUB_CENSUS, "--no-summary"], input="Bw\n", capture_output=True,
                              text=True, check=True).stdout
        stub_bw = json_of_row(next(csv.DictReader(io.StringIO(stub))))
        with tempfile.TemporaryDirectory() as d:
            refusing = os.path.join(d, "wordrep-census")
            with open(refusing, "w") as f:
                f.write("#!/bin/sh\necho \"wordrep-census: unknown option '$4'\" >&2\nexit 2\n")
            os.chmod(refusing, 0o755)
            control = os.path.join(d, "control.json")
            with open(control, "w") as f:
                json.dump({"exit": {"Bg": 3}}, f)
            missing = os.path.join(d, "none")
            cases = [
                (["Bw", "Bx"], b"", {}, 1, [bw, bx],
                 "wordrep: graph 2 ('Bx'): graph6 padding bits are not zero\n"),
                ([], b"\n  \nBw\n>>graph6<<Bw\n", {}, 0, [bw, bw], ""),
                ([], b"\xffB\nBw\n", {}, 1,
                 [dict(bad, graph6="\\xffB", semi_transitive="failed: invalid character "
                                                             "'\\xff' in graph6 string"),
                  bw], "wordrep: graph 1 ('\ufffdB'): invalid character '\\xff' in graph6 "
                       "string\n"),
                (["--", "Bw"], b"", {}, 0, [bw], ""),
                (["--census", missing, "Bw"], b"", {}, 2, [],
                 "wordrep: census program %s not found or not executable (build it, pass "
                 "program=PATH or set WORDREP_BIN)\n" % missing),
                (["--census", refusing, "--shortcut-length", "3", "Bw"], b"", {}, 2, [],
                 "wordrep: wordrep-census refused its command line --no-summary --format "
                 "jsonl --shortcut-length 3: wordrep-census: unknown option "
                 "'--shortcut-length'\n"),
                (["--census", STUB_CENSUS, "Bw", "Bg", "BW"], b"", {"STUB_CONTROL": control},
                 3, [stub_bw], "wordrep: graph 2 ('Bg'): the census ended without answering (exit "
                          "status 3: wordrep-census: stand-in told to stop at Bg)\n"),
            ]
            for args, stdin, env, status, want, err in cases:
                with self.subTest(args=args, stdin=stdin):
                    self.assertEqual(run_module(args, stdin, dict(self.ENV, **env)),
                                     (status, "".join(json.dumps(o) + "\n" for o in want), err))

    def test_usage(self):
        status, out, err = run_module(["--help"], env=self.ENV)
        self.assertEqual((status, err), (0, ""))
        self.assertTrue(out.startswith("usage: python3 -m wordrep "), out)
        self.assertIn("--shortcut-length K", out)
        self.assertIn("Exit status: 0 every graph answered", out)
        self.assertEqual(run_module(["--version"], env=self.ENV),
                         (0, "python3 -m wordrep %s\n" % wordrep.__version__, ""))
        for args in (["--jobs", "0", "Bw"], ["--shortcut-length", "x"], ["--nonsense"]):
            with self.subTest(args=args):
                status, out, err = run_module(args, env=self.ENV)
                self.assertEqual((status, out), (2, ""))
                self.assertTrue(err.startswith("usage: python3 -m wordrep "), err)

    def test_a_reader_that_stops_ends_the_run_quietly(self):
        graphs = "\n".join(geng(7)) + "\n"         # 1044 lines: more than a pipe holds
        p = subprocess.Popen([sys.executable, "-m", "wordrep"], stdin=subprocess.PIPE,
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                             env=dict(os.environ, PYTHONPATH=TOOLS, **self.ENV))
        p.stdin.write(graphs.encode())
        p.stdin.close()
        first = json.loads(p.stdout.readline())
        p.stdout.close()
        err = p.stderr.read()
        p.stderr.close()
        self.assertEqual((p.wait(), err, first["graph6"]), (3, b"", geng(7)[0]))

    def test_an_unwritable_output_is_reported(self):
        with open("/dev/full", "wb") as full:
            status, _, err = run_module(["Bw"], env=self.ENV, stdout=full)
        self.assertEqual((status, err), (3, "wordrep: cannot write standard output: No space "
                                            "left on device\n"))
        # A file that fills up in the middle of the line (also with Python's
        # standard output unbuffered, where the write is cut short without an
        # error of its own).
        for env in (BUFFERED, UNBUFFERED):
            with self.subTest(env=env), tempfile.TemporaryFile() as out:
                p = subprocess.run([sys.executable, "-m", "wordrep", "Bw"], stdout=out,
                                   stderr=subprocess.PIPE, text=True,
                                   env=dict(os.environ, PYTHONPATH=TOOLS, **self.ENV, **env),
                                   preexec_fn=file_size_limit(50))
                self.assertEqual((p.returncode, p.stderr), (3, "wordrep: cannot write standard "
                                                               "output: File too large\n"))


if __name__ == "__main__":
    unittest.main()
