#!/usr/bin/python3
"""wordrep-census's command line: --help and --version (byte-exact where
help2man reads them), --no-shortcuts as an alias of --no-speedups, `--`
ending the options, and --format jsonl, whose rows
are read with json and compared field by field with the CSV rows of the same
input: every example graph, both orientation formats, and the failure rows of
test_census.Lines.

The census comes from $WORDREP_CENSUS."""

import csv
import io
import json
import os
import re
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.realpath(__file__))
sys.path.insert(0, HERE)

import test_census  # noqa: E402
from wordrep.checks import check_word  # noqa: E402
from examples import ANSWERS  # noqa: E402
from wordrep.formats import parse_word  # noqa: E402
from wordrep.graph import read_input_file, to_graph6  # noqa: E402

CENSUS, ROOT = test_census.CENSUS, test_census.ROOT


def project_version():
    """The version the CMake project declares."""
    with open(os.path.join(ROOT, "CMakeLists.txt")) as f:
        return re.search(r"project\(wordrep VERSION (\S+)", f.read()).group(1)


def census(args, stdin="", cwd=None):
    p = subprocess.run([CENSUS] + args, input=stdin, capture_output=True, text=True, cwd=cwd,
                       timeout=600)
    return p.returncode, p.stdout, p.stderr


def csv_text(name, value):
    """A JSON line's value as the CSV field holds it."""
    if value is None:
        return ""
    if isinstance(value, bool):
        return "yes" if value else "no"
    if isinstance(value, int):
        return str(value)
    if isinstance(value, str):
        return value
    if name == "orientation":
        return " ".join("%d>%d" % (a, b) for a, b in value)
    return " ".join(str(v) for v in value)


# The JSON types each key may hold (a failure is a string anywhere but graph6).
TYPES = {"graph6": (str,), "vertices": (int, type(None), str), "edges": (int, type(None), str),
         "semi_transitive": (bool, str), "representation_number": (int, type(None), str),
         "word": (str, type(None)), "orientation": (list, str, type(None)),
         "witness": (list, type(None), str), "number_lower": (int, type(None)),
         "number_upper": (int, type(None)), "number_reason": (str, type(None))}


@unittest.skipUnless(CENSUS, "WORDREP_CENSUS not set")
class HelpAndVersion(unittest.TestCase):
    def test_one_version_everywhere(self):
        # The CMake project's, the Python package's and pip's version agree.
        import wordrep
        with open(os.path.join(ROOT, "pyproject.toml")) as f:
            pip = re.search(r'^version = "([^"]+)"', f.read(), re.M).group(1)
        self.assertEqual({project_version(), wordrep.__version__, pip}, {project_version()})

    def test_help_and_version(self):
        code, out, err = census(["--version"])
        self.assertEqual((code, out, err), (0, "wordrep-census %s\n" % project_version(), ""))
        for flag in ("--help", "-h"):
            code, out, err = census([flag, "--frobnicate"])
            self.assertEqual((code, err), (0, ""))
            lines = out.split("\n")
            self.assertEqual(lines[:4], ["wordrep-census - word-representability of every graph "
                                         "of a graph6 list", "",
                                         "Usage: wordrep-census [OPTION]... [FILE]...", ""])
            # Every option of the usage line has its line under Options:.
            _, _, usage = census(["--frobnicate"])
            options = re.findall(r"\[(-[^] ]+)", usage)
            self.assertLessEqual({"--no-words", "--no-speedups", "--no-shortcuts", "--no-summary",
                                  "--orientation-format", "--format", "--version"}, set(options))
            listed = lines[lines.index("Options:") + 1:]
            # The range --shortcut-length takes, as test_bad_values finds it.
            self.assertTrue([l for l in listed if l.startswith("  --shortcut-length K ")
                             and "3 <= K <= 256" in l], listed)
            for option in options:
                self.assertTrue([l for l in listed if re.match(r"  (-[hq], )?%s\b.*  \S" % option, l)],
                                option)

    def test_bad_values(self):
        for args, message in [
            (["--format", "xml"], "--format takes csv or jsonl"),
            (["--format"], "--format takes csv or jsonl"),
            (["--orientation-format=dot"], "--orientation-format takes arcs or digraph6"),
            (["--no-words=1"], "option '--no-words' takes no value"),
            (["-x"], "unknown option '-x'"),
            (["--shortcut-length", "2"], "--shortcut-length takes an integer from 3 to 256"),
            (["--shortcut-length=257"], "--shortcut-length takes an integer from 3 to 256"),
        ]:
            with self.subTest(args=args):
                code, out, err = census(args, "Bw\n")
                self.assertEqual((code, out), (2, ""))
                self.assertRegex(err, "^wordrep-census: %s; usage: wordrep-census .*\n\\Z"
                                 % re.escape(message))


@unittest.skipUnless(CENSUS, "WORDREP_CENSUS not set")
class SpeedupsAlias(unittest.TestCase):
    def test_no_shortcuts_is_no_speedups(self):
        # Graphs whose words differ with and without the speedups (the first
        # letter), so that an alias that set nothing would show.
        graphs = "FCxv?\nDV{\nIqGOGCAcG\n"
        out = {}
        for option in ("", "--no-speedups", "--no-shortcuts"):
            status, out[option], err = census(["--no-summary"] + [option] * bool(option),
                                              graphs)
            self.assertEqual((status, err), (0, ""), option)
        self.assertEqual(out["--no-shortcuts"], out["--no-speedups"])
        self.assertNotEqual(out["--no-speedups"], out[""])


class EndOfOptions(unittest.TestCase):
    def test_double_dash_ends_the_options(self):
        with tempfile.TemporaryDirectory() as d:
            for name, text in [("-x.g6", "A_\n"), ("--no-summary", "Bw\n")]:
                with open(os.path.join(d, name), "w") as f:
                    f.write(text)
            header = "graph6,vertices,edges,semi_transitive,representation_number,word," \
                     "orientation,witness,number_lower,number_upper,number_reason\n"
            for args, rows in [
                (["--no-summary", "--", "-x.g6"], ["A_,2,1,yes,1,12,1>2,"]),
                (["--no-summary", "--", "--no-summary", "-"], ["Bw,", "@,1,0,yes,1,1,,"]),
                (["--no-summary", "--", "--", "-x.g6"], None),   # a file named --
            ]:
                with self.subTest(args=args):
                    code, out, err = census(args, "@\n", cwd=d)
                    if rows is None:
                        self.assertEqual((code, out, err), (2, "", "wordrep-census: cannot open "
                                                            "--: No such file or directory\n"))
                        continue
                    self.assertEqual((code, err), (0, ""))
                    got = out[len(header):].split("\n")[:-1]
                    self.assertTrue(out.startswith(header))
                    self.assertEqual(len(got), len(rows))
                    for line, want in zip(got, rows):
                        self.assertTrue(line.startswith(want), (line, want))
            code, out, err = census(["-x.g6"], cwd=d)
            self.assertEqual((code, out), (2, ""))
            self.assertIn("unknown option '-x.g6'", err)


@unittest.skipUnless(CENSUS, "WORDREP_CENSUS not set")
class JsonLines(unittest.TestCase):
    def examples(self):
        """graph6 of every example graph, and the names of those the census
        answers in seconds (the crowns on 18 and 20 vertices take a minute)."""
        names = sorted(ANSWERS)
        lines = [to_graph6(*read_input_file(os.path.join(ROOT, "examples", name + ".graph")))
                 for name in names]
        quick = [g for name, g in zip(names, lines) if name not in ("crown9", "crown10")]
        return lines, quick

    def same_rows(self, lines, args):
        text = "".join(line + "\n" for line in lines)
        code_csv, out_csv, _ = census(["--no-summary"] + args, text)
        code_json, out_json, _ = census(["--no-summary", "--format", "jsonl"] + args, text)
        self.assertEqual(code_json, code_csv)
        reader = csv.DictReader(io.StringIO(out_csv))
        rows = list(reader)
        objects = [json.loads(line) for line in out_json.split("\n")[:-1]]
        self.assertTrue(out_json.endswith("\n") or not lines)
        self.assertEqual(len(objects), len(rows))
        self.assertGreater(len(rows), 0)
        for row, obj in zip(rows, objects):
            with self.subTest(graph6=row["graph6"], args=args):
                self.assertEqual(list(obj), reader.fieldnames)
                for name, value in obj.items():
                    self.assertIsInstance(value, TYPES[name], name)
                    if isinstance(value, str) and name not in ("graph6", "word", "orientation",
                                                               "number_reason"):
                        self.assertTrue(value.startswith("failed: "), (name, value))
                    self.assertEqual(csv_text(name, value), row[name], name)
                if row["semi_transitive"] == "yes" and "--no-words" not in args:
                    self.assertIsInstance(obj["representation_number"], int)
                    self.assertEqual([obj["number_lower"], obj["number_upper"]],
                                     [obj["representation_number"]] * 2)
                if row["semi_transitive"] == "no":
                    self.assertEqual(obj["witness"], sorted(obj["witness"]))
        return objects

    def test_example_graphs_in_both_orientation_formats(self):
        lines, quick = self.examples()
        objects = self.same_rows(quick, [])
        self.assertEqual([o["representation_number"] for o in objects],
                         [ANSWERS[n] for n in sorted(ANSWERS) if n not in ("crown9", "crown10")])
        self.same_rows(quick, ["--orientation-format", "digraph6"])
        self.same_rows(lines, ["--no-words"])

    def test_empty_graphs_and_failure_rows(self):
        lines = ["?", "@", "A?", 'B"'] + [line for line, _ in test_census.Lines.ROWS]
        objects = self.same_rows(lines, [])
        self.assertEqual([(o["word"], o["orientation"]) for o in objects[:2]],
                         [("", []), ("1", [])])
        # Two vertices, no edge: any 2-uniform word in which they do not alternate.
        self.assertEqual(objects[2]["orientation"], [])
        self.assertEqual(check_word(2, [], 2, parse_word(objects[2]["word"])), [])
        failed = [o for o in objects if isinstance(o["semi_transitive"], str)]
        self.assertEqual(len(failed), 11)
        for o in failed:
            self.assertEqual([o[k] for k in ("representation_number", "word", "orientation",
                                             "witness")], [None] * 4)
        # Bytes outside printable ASCII, quotes and backslashes survive as JSON.
        self.assertIn("B\\x00\\x7f\\xc3\\xa9", [o["graph6"] for o in objects])
        self.assertEqual(objects[3]["semi_transitive"], "failed: invalid character '\"' in graph6 string")


if __name__ == "__main__":
    unittest.main()
