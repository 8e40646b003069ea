#!/usr/bin/python3
"""wordrep-draw: the SVG read back as XML holds exactly the graph's
vertices and edges, every arc in the direction of the census orientation
and pointing down (its head drawn lower, its arrowhead at the head), the
witness marked (exactly its vertices and the edges among them), and the
caption with the representation number and the word.  Graphs: a slice of
the connected 7-vertex graphs with every one that is not word-representable
(--batch), the example graphs (census run on the spot), and --csv.  The
census comes from $WORDREP_CENSUS (set by CMake); Graphviz is needed."""

import csv
import io
import math
import os
import re
import shutil
import subprocess
import tempfile
import unittest
import xml.etree.ElementTree as ET

from helpers import (BUFFERED, EXAMPLES, ROOT, UNBUFFERED, file_size_limit, geng,
                     program_output, run, tool)
from semitransitive import find_semi_transitive
from wordrep.checks import check_orientation, check_word
from wordrep.formats import (format_orientation, format_word, parse_alterword,
                             parse_orientation_field, parse_orientcheck, parse_word)
from wordrep.graph import CENSUS_MAX_VERTICES, from_graph6, read_input_file, to_graph6

DRAW = tool("wordrep-draw")
CENSUS = os.environ.get("WORDREP_CENSUS")
SVG = "{http://www.w3.org/2000/svg}"


def read_svg(path):
    """(vertices {v: (x, y, classes)}, edges {(a, b, op): (classes, arrowhead centre)},
    caption lines) of a drawing."""
    root = ET.parse(path).getroot()
    vertices, edges, caption = {}, {}, []
    graph = root.find(SVG + "g")
    for g in graph.findall(SVG + "g"):
        title = g.find(SVG + "title").text
        cls = set(g.get("class", "").split())
        if "node" in cls:
            e = g.find(SVG + "ellipse")
            vertices[int(title)] = (float(e.get("cx")), float(e.get("cy")), cls)
        elif "edge" in cls:
            op = "->" if "->" in title else "--"
            a, b = map(int, title.split(op))
            head = g.find(SVG + "polygon")
            centre = None
            if head is not None:
                pts = [tuple(map(float, p.split(","))) for p in head.get("points").split()]
                centre = (sum(p[0] for p in pts) / len(pts), sum(p[1] for p in pts) / len(pts))
            edges[(a, b, op)] = (cls, centre)
    caption = [t.text for t in graph.findall(SVG + "text")]
    return vertices, edges, caption


def bezier_points(d, steps=24):
    """Points along an SVG path of Graphviz ("M x,y C x,y x,y x,y ..."):
    its start and steps points on each cubic piece."""
    numbers = [float(v) for v in re.findall(r"-?[0-9.]+(?:e-?[0-9]+)?", d)]
    pts = list(zip(numbers[0::2], numbers[1::2]))
    out = [pts[0]]
    for k in range(1, len(pts) - 2, 3):
        piece = pts[k - 1:k + 3]
        for s in range(1, steps + 1):
            t = s / steps
            weights = ((1 - t) ** 3, 3 * (1 - t) ** 2 * t, 3 * (1 - t) * t * t, t ** 3)
            out.append(tuple(sum(w * p[i] for w, p in zip(weights, piece)) for i in (0, 1)))
    return out


def edges_through_vertices(path):
    """(a, b, w) for every edge a-b of the drawing whose line comes within
    the radius of the circle of a vertex w other than a and b: drawn so,
    a-b would read as a-w-b."""
    graph = ET.parse(path).getroot().find(SVG + "g")
    circles, lines = {}, {}
    for g in graph.findall(SVG + "g"):
        title, cls = g.find(SVG + "title").text, g.get("class", "").split()
        if "node" in cls:
            e = g.find(SVG + "ellipse")
            circles[int(title)] = ((float(e.get("cx")), float(e.get("cy"))),
                                   min(float(e.get("rx")), float(e.get("ry"))))
        elif "edge" in cls:
            a, b = map(int, re.split("--|->", title))
            lines[(a, b)] = bezier_points(g.find(SVG + "path").get("d"))
    return [(a, b, w) for (a, b), pts in sorted(lines.items())
            for w, (centre, r) in sorted(circles.items())
            if w not in (a, b) and min(math.dist(p, centre) for p in pts) < r]


class Drawings(unittest.TestCase):
    def check(self, path, row):
        """The drawing at path shows the census row."""
        n, edges = from_graph6(row["graph6"], CENSUS_MAX_VERTICES)
        vertices, lines, caption = read_svg(path)
        self.assertEqual(sorted(vertices), list(range(1, n + 1)))
        if row["semi_transitive"] == "yes":
            arcs = parse_orientation_field(row["orientation"])
            self.assertEqual(sorted(lines), sorted((a, b, "->") for a, b in arcs))
            for a, b in arcs:
                (xa, ya, _), (xb, yb, _) = vertices[a], vertices[b]
                self.assertLess(ya, yb, "arc %d->%d does not point down" % (a, b))
                centre = lines[(a, b, "->")][1]
                self.assertLess(math.dist(centre, (xb, yb)), math.dist(centre, (xa, ya)))
            self.assertEqual(caption[0], "semi-transitive; representation number "
                             + (row["representation_number"] or "not computed"))
            if row["word"]:
                self.assertEqual(caption[1], "word:")
                self.assertEqual("".join(caption[2:]), row["word"])
            for line in caption[2:]:      # wrapped between letters, never inside "(12)"
                parse_word(line)
            self.assertFalse(any("witness" in c for _, _, c in vertices.values()))
        else:
            witness = set(map(int, row["witness"].split()))
            self.assertEqual(sorted(lines), sorted((a, b, "--") for a, b in edges))
            self.assertEqual({v for v, (_, _, c) in vertices.items() if "witness" in c},
                             witness)
            self.assertEqual({(a, b) for (a, b, _), (c, _) in lines.items() if "witness" in c},
                             {(a, b) for a, b in edges if a in witness and b in witness})
            self.assertTrue(caption[0].startswith("not word-representable"), caption)
            self.assertEqual(" ".join(caption[2:]), "vertices " + row["witness"])
            self.assertEqual(edges_through_vertices(path), [], row["graph6"])


@unittest.skipUnless(CENSUS and shutil.which("dot"), "WORDREP_CENSUS not set or no Graphviz")
class WithCensus(Drawings):
    @classmethod
    def setUpClass(cls):
        graphs = geng("-c", 7)
        p = subprocess.run([CENSUS, "--no-summary"], input="\n".join(graphs) + "\n",
                           capture_output=True, text=True, check=True)
        rows = list(csv.DictReader(io.StringIO(p.stdout)))
        cls.rows = [r for k, r in enumerate(rows) if k % 25 == 0 or r["semi_transitive"] == "no"]
        out = io.StringIO()
        w = csv.DictWriter(out, list(rows[0]), lineterminator="\n")
        w.writeheader()
        w.writerows(cls.rows)
        cls.csv = out.getvalue()
        cls.env = dict(os.environ, WORDREP_BIN=os.path.dirname(CENSUS))

    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.addCleanup(self.tmp.cleanup)
        self.dir = self.tmp.name

    def test_batch_draws_every_row(self):
        self.assertEqual(sum(r["semi_transitive"] == "no" for r in self.rows), 25)  # A290814
        src = os.path.join(self.dir, "rows.csv")
        with open(src, "w") as f:
            f.write(self.csv)
        p = run([DRAW, "--batch", src, "--dir", os.path.join(self.dir, "out")])
        self.assertEqual((p.returncode, p.stdout, p.stderr), (0, "", ""))
        for k, row in enumerate(self.rows, 1):
            with self.subTest(graph6=row["graph6"]):
                self.check(os.path.join(self.dir, "out", "%d.svg" % k), row)

    def test_the_null_graph_is_drawn_as_the_census_answers_it(self):
        # Word-representable by the empty word: a drawing with no vertex and
        # the census's caption, as for any graph given with -g.
        out = os.path.join(self.dir, "null.svg")
        p = run([DRAW, "-g", "?", "-o", out], env=self.env)
        self.assertEqual((p.returncode, p.stderr), (0, ""))
        vertices, edges, caption = read_svg(out)
        self.assertEqual((vertices, edges), ({}, {}))
        self.assertEqual(caption, ["semi-transitive; representation number 1", "word:"])

    def test_no_edge_reads_as_passing_through_a_vertex(self):
        # Drawn with straight lines, 6-7 passed through 8 and 5-8 through 7.
        out = os.path.join(self.dir, "g.svg")
        p = run([DRAW, "-g", "G?qe|{", "-o", out], env=self.env)
        self.assertEqual((p.returncode, p.stderr), (0, ""))
        self.assertTrue(read_svg(out)[2][0].startswith("not word-representable"))
        self.assertEqual(edges_through_vertices(out), [])

    def test_a_result_in_labels_is_drawn_in_them(self):
        # wordrep.draw() of a Result in the caller's labels: the vertices,
        # the word and the witness by label; the SVG's groups keep the numbers.
        from wordrep import analyse, draw
        odd = ['a"q', "b\\n", (1, 2), "d", "e", "f", "g"]      # no order among them
        cases = [("IheA@GUAo", list(range(10)), None),           # Petersen, labels 0..9
                 ("F|fJ?", odd, ['a"q', "b\\n", "(1, 2)", "d", "e", "f"])]  # W5 and a vertex
        for g6, labels, witness in cases:
            with self.subTest(graph6=g6):
                r = analyse(g6, program=CENSUS).relabelled(labels)
                out = os.path.join(self.dir, "labels.svg")
                draw(r, out)
                graph = ET.parse(out).getroot().find(SVG + "g")
                shown = {int(g.find(SVG + "title").text): g.find(SVG + "text").text
                         for g in graph.findall(SVG + "g") if "node" in g.get("class")}
                self.assertEqual(shown, {k: str(x) for k, x in enumerate(labels, 1)})
                _, lines, caption = read_svg(out)
                if witness is None:
                    self.assertEqual(" ".join(caption[2:]).split(" "), [str(x) for x in r.word])
                    self.assertEqual(sorted(a for a, b, _ in lines),
                                     sorted(a for a, _ in r.numbered().arcs))
                else:
                    self.assertEqual(" ".join(caption[2:]), "vertices " + " ".join(witness))
                    self.assertEqual(edges_through_vertices(out), [])

    def test_examples_answered_on_the_spot(self):
        for name in ("petersen", "wheel6", "prism3", "empty20"):
            with self.subTest(example=name):
                out = os.path.join(self.dir, name + ".svg")
                graph = os.path.join(EXAMPLES, name + ".graph")
                p = run([DRAW, graph, "-o", out], env=self.env)
                self.assertEqual((p.returncode, p.stderr), (0, ""))
                g6 = to_graph6(*read_input_file(graph))
                row = next(csv.DictReader(io.StringIO(subprocess.run(
                    [CENSUS, "--no-summary"], input=g6 + "\n", capture_output=True,
                    text=True).stdout)))
                self.check(out, row)

    def test_answer_from_a_csv(self):
        src = os.path.join(self.dir, "rows.csv")
        with open(src, "w") as f:
            f.write(self.csv)
        row = self.rows[-1]
        out = os.path.join(self.dir, "one.svg")
        p = run([DRAW, "-g", row["graph6"], "--csv", src, "-o", out])
        self.assertEqual((p.returncode, p.stderr), (0, ""))
        self.check(out, row)
        p = run([DRAW, "-g", "Bw", "--csv", src, "-o", out])
        self.assertEqual((p.returncode, p.stderr), (1, "wordrep-draw: no row for Bw in %s\n"
                                                   % src))

    def test_a_row_that_does_not_fit_its_graph_is_not_drawn(self):
        header = ",".join(["graph6", "vertices", "edges", "semi_transitive",
                           "representation_number", "word", "orientation", "witness"])
        # (the row as written, the problem named); each row is refused with
        # exit 1 and no drawing, in one run (--csv) and in a batch.
        cases = [
            # a row cut by a full disk: 4 vertices of a 7-vertex witness
            ("F|fJ?,7,12,no,,,,1 2 3 4", "the witness 1 2 3 4 induces a semi-transitive "
                                         "subgraph (1>2 1>3 1>4 2>3 4>3)"),
            ("Bg,3,2,no,,,,1 2 3\n", "the witness 1 2 3 induces a semi-transitive "
                                     "subgraph (1>2 2>3)"),
            ("Bg,3,2,yes,2,123123,1>2 2>3,\n", "word: 1 and 3 alternate but are not adjacent"),
            ("Bg,3,2,yes,,,3>2 2>1 1>3,\n", "orientation: arc 1->3 is not an edge"),
            ("Bg,4,2,yes,,,1>2 2>3,\n", "vertices is 4, the graph has 3"),
        ]
        for k, (row, problem) in enumerate(cases):
            with self.subTest(row=row):
                src = os.path.join(self.dir, "bad%d.csv" % k)
                with open(src, "w") as f:
                    f.write(header + "\n" + row)
                g6 = row.split(",")[0]
                out = os.path.join(self.dir, "bad%d.svg" % k)
                p = run([DRAW, "-g", g6, "--csv", src, "-o", out])
                self.assertEqual((p.returncode, p.stderr),
                                 (1, "wordrep-draw: row of %s does not fit its graph: %s\n"
                                  % (g6, problem)))
                self.assertFalse(os.path.exists(out))
                folder = os.path.join(self.dir, "bad%d" % k)
                p = run([DRAW, "--batch", src, "--dir", folder])
                self.assertEqual((p.returncode, p.stderr),
                                 (1, "wordrep-draw: row 1: row of %s does not fit its graph: "
                                  "%s\n" % (g6, problem)))
                self.assertEqual(os.listdir(folder), [])

    def test_orientations_in_digraph6_are_read_like_arcs(self):
        graphs = "\n".join(r["graph6"] for r in self.rows) + "\n"
        p = subprocess.run([CENSUS, "--no-summary", "--orientation-format", "digraph6"],
                           input=graphs, capture_output=True, text=True, check=True)
        src = os.path.join(self.dir, "d6.csv")
        with open(src, "w") as f:
            f.write(p.stdout)
        self.assertIn(",&F", p.stdout)
        # The drawings show the rows of this CSV (a census run's words and
        # orientations depend on the graphs it answered before).
        rows = list(csv.DictReader(io.StringIO(p.stdout)))
        self.assertEqual([r["graph6"] for r in rows], [r["graph6"] for r in self.rows])
        p = run([DRAW, "--batch", src, "--dir", os.path.join(self.dir, "out")])
        self.assertEqual((p.returncode, p.stdout, p.stderr), (0, "", ""))
        for k, row in enumerate(rows, 1):
            with self.subTest(graph6=row["graph6"]):
                self.check(os.path.join(self.dir, "out", "%d.svg" % k), row)
        out = os.path.join(self.dir, "one.svg")
        p = run([DRAW, "-g", rows[0]["graph6"], "--csv", src, "-o", out])
        self.assertEqual((p.returncode, p.stderr), (0, ""))
        self.check(out, rows[0])

    def test_graphs_up_to_the_census_limit_of_64_vertices(self):
        wheel = [(1, k) for k in range(2, 7)] + [(k, k + 1) for k in range(2, 6)] + [(2, 6)]
        # (name, n, edges): a sparse graph, and dense ones that Graphviz's own
        # layouts take minutes on
        cases = [
            ("C64", 64, [(v, v + 1) for v in range(1, 64)] + [(1, 64)]),
            ("K64", 64, [(a, b) for a in range(1, 65) for b in range(a + 1, 65)]),
            ("K32,32", 64, [(a, b) for a in range(1, 33) for b in range(33, 65)]),
            ("W5 beside K58", 64, wheel + [(a, b) for a in range(7, 65) for b in range(a + 1, 65)]),
        ]
        for name, n, edges in cases:
            with self.subTest(graph=name):
                g6 = to_graph6(n, edges)
                row = next(csv.DictReader(io.StringIO(subprocess.run(
                    [CENSUS, "--no-summary"], input=g6 + "\n", capture_output=True, text=True,
                    check=True).stdout)))
                out = os.path.join(self.dir, "big.svg")
                # (the time limit only ends a hung test: dot took over 400 s on K64)
                p = run([DRAW, "-g", g6, "-o", out], env=self.env, timeout=600)
                self.assertEqual((p.returncode, p.stderr), (0, ""))
                self.check(out, row)

    def test_graphs_of_256_vertices(self):
        # The 16 x 16 grid with its orientation from a census row without
        # words; W5 with a path through the other 250 vertices answered on the
        # spot (W5 the witness).
        at = lambda r, c: 16 * r + c + 1  # noqa: E731
        grid = ([(at(r, c), at(r, c + 1)) for r in range(16) for c in range(15)]
                + [(at(r, c), at(r + 1, c)) for r in range(15) for c in range(16)])
        wheel = ([(1, k) for k in range(2, 7)] + [(k, k + 1) for k in range(2, 6)] + [(2, 6)]
                 + [(k, k + 1) for k in range(6, 256)])
        for name, edges, census_args in (("grid", grid, ["--no-words"]), ("wheel", wheel, [])):
            with self.subTest(graph=name):
                g6 = to_graph6(256, edges)
                rows = subprocess.run([CENSUS, "--no-summary"] + census_args, input=g6 + "\n",
                                      capture_output=True, text=True, check=True).stdout
                src, out = os.path.join(self.dir, "rows.csv"), os.path.join(self.dir, "256.svg")
                with open(src, "w") as f:
                    f.write(rows)
                p = run([DRAW, "-g", g6, "-o", out] + (["--csv", src] if census_args else []),
                        env=self.env, timeout=600)
                self.assertEqual((p.returncode, p.stderr), (0, ""))
                self.check(out, next(csv.DictReader(io.StringIO(rows))))


PROGRAMS = {p: os.environ.get("WORDREP_" + p.upper()) for p in ("alterword", "orientcheck", "yices")}


def output_of(name, graph_file):
    with open(graph_file) as f:
        return program_output(PROGRAMS[name], PROGRAMS["yices"], f.read())


@unittest.skipUnless(CENSUS and all(PROGRAMS.values()) and shutil.which("dot"),
                     "WORDREP_CENSUS, _ALTERWORD, _ORIENTCHECK, _YICES not set or no Graphviz")
class FromProgramOutput(Drawings):
    """The answer taken from what alterword and orientcheck printed: the
    arcs drawn are orientcheck's (or, from alterword alone, those of the
    word's first occurrences), the caption has alterword's K and word, and
    a graph orientcheck finds not semi-transitive gets the census's witness."""

    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.addCleanup(self.tmp.cleanup)
        self.dir = self.tmp.name

    def saved(self, text):
        fd, path = tempfile.mkstemp(dir=self.dir)
        with os.fdopen(fd, "w") as f:
            f.write(text)
        return path

    def test_answers_from_the_programs(self):
        for example in ("path3", "petersen", "prism3", "wheel6"):
            graph = os.path.join(EXAMPLES, example + ".graph")
            n, edges = read_input_file(graph)
            ocheck = output_of("orientcheck", graph)
            arcs = parse_orientcheck(ocheck)
            alter = output_of("alterword", graph) if arcs is not None else None
            for given in ("orientcheck", "alterword", "both"):
                if arcs is None and given != "orientcheck":
                    continue
                with self.subTest(example=example, given=given):
                    args = []
                    if given in ("orientcheck", "both"):
                        args += ["--orientcheck", self.saved(ocheck)]
                    if given in ("alterword", "both"):
                        args += ["--alterword", self.saved(alter)]
                    out = os.path.join(self.dir, "%s-%s.svg" % (example, given))
                    p = run([DRAW, graph, "-o", out, "--census", CENSUS] + args)
                    self.assertEqual((p.returncode, p.stdout, p.stderr), (0, "", ""))
                    self.check_programs(out, n, edges, arcs, alter, given)

    def check_programs(self, out, n, edges, arcs, alter, given):
        g6 = to_graph6(n, edges)
        if arcs is None:    # the witness from the census, checked by check()
            row = next(csv.DictReader(io.StringIO(run([CENSUS, "--no-summary"], g6 + "\n").stdout)))
            self.assertEqual(row["semi_transitive"], "no")
            return self.check(out, row)
        drawn = sorted((a, b) for a, b, _ in read_svg(out)[1])
        self.assertEqual(check_orientation(n, edges, drawn), [])
        if given != "alterword":
            self.assertEqual(drawn, sorted(arcs))
        if given == "orientcheck":
            self.assertEqual(read_svg(out)[2], ["semi-transitive; representation number "
                                                "not computed"])
            return
        k, word = parse_alterword(alter)
        first = [word.index(v) for v in range(1, n + 1)]
        if given == "alterword":     # every arc from the earlier first occurrence
            self.assertTrue(all(first[a - 1] < first[b - 1] for a, b in drawn), drawn)
        self.check(out, {"graph6": g6, "semi_transitive": "yes",
                         "representation_number": str(k), "word": format_word(word),
                         "orientation": format_orientation(drawn)})

    def test_answers_that_are_not_valid_are_refused(self):
        path3 = os.path.join(EXAMPLES, "path3.graph")
        cases = [
            (["--alterword", self.saved("representing word for 2:\n112233\n")],
             "wordrep-draw: alterword's word for K = 2 is not valid: 1 and 2 are adjacent "
             "but do not alternate; 2 and 3 are adjacent but do not alternate\n"),
            (["--orientcheck", self.saved("Semi-transitive by orientation:\n1 2\n")],
             "wordrep-draw: orientcheck's orientation is not valid: edge 2 3 is not "
             "oriented\n"),
            (["--orientcheck", self.saved("Not semi-transitive\n")],
             "wordrep-draw: orientcheck says not semi-transitive, but the census finds a "
             "semi-transitive orientation\n"),
            (["--orientcheck", self.saved("Not semi-transitive\n"),
              "--alterword", self.saved("representing word for 2:\n123123\n")],
             "wordrep-draw: orientcheck says not semi-transitive, but alterword gives a word\n"),
            (["--alterword", self.saved("no solution for 2,\n")],
             'wordrep-draw: no line "representing word for 3:"\n'),
            (["--alterword", "-", "--orientcheck", "-"],
             'wordrep-draw: standard input ("-") can be read for one input only\n'),
            (["--alterword", self.saved("x"), "--csv", self.saved("")],
             "wordrep-draw: take the answer from --csv or from the programs' output, "
             "not both\n"),
        ]
        for args, message in cases:
            with self.subTest(args=args):
                out = os.path.join(self.dir, "x.svg")
                p = run([DRAW, path3, "-o", out, "--census", CENSUS] + args)
                self.assertEqual((p.returncode, p.stdout, p.stderr), (1, "", message))
                self.assertFalse(os.path.exists(out))


def induced(edges, vertices):
    """The subgraph induced on vertices, renumbered 1..len(vertices)."""
    number = {v: k + 1 for k, v in enumerate(sorted(vertices))}
    return len(number), [(number[a], number[b]) for a, b in edges
                         if a in number and b in number]


def content(path):
    """What a drawing shows apart from positions and the orientation chosen:
    vertices with their marks, edges as pairs with their marks."""
    vertices, edges, _ = read_svg(path)
    return ({v: sorted(c) for v, (_, _, c) in vertices.items()},
            sorted((min(a, b), max(a, b), sorted(c)) for (a, b, _), (c, _) in edges.items()))


class ReadmePictures(unittest.TestCase):
    """The drawings in docs/ shown in the README: right by the checkers and
    the independent search, and made again by the tool with the same content.
    To make them again: tools/wordrep-draw examples/petersen.graph -o
    docs/petersen.svg; tools/wordrep-draw -g 'F|fJ?' -o docs/not-word-representable.svg"""

    PETERSEN = os.path.join(ROOT, "docs", "petersen.svg")
    NOT_WR = os.path.join(ROOT, "docs", "not-word-representable.svg")
    NOT_WR_GRAPH = "F|fJ?"     # the wheel W5 on 1..6 and a vertex 7 adjacent to 2 and 3

    def test_petersen_orientation_and_word_are_right(self):
        n, edges = read_input_file(os.path.join(EXAMPLES, "petersen.graph"))
        vertices, lines, caption = read_svg(self.PETERSEN)
        self.assertEqual(sorted(vertices), list(range(1, n + 1)))
        arcs = [(a, b) for a, b, op in lines if op == "->"]
        self.assertEqual(len(arcs), len(lines))
        self.assertEqual(check_orientation(n, edges, arcs), [])
        for a, b in arcs:
            self.assertLess(vertices[a][1], vertices[b][1], "arc %d->%d points up" % (a, b))
        self.assertEqual(caption[0], "semi-transitive; representation number 3")
        self.assertEqual(check_word(n, edges, 3, parse_word("".join(caption[2:]))), [])

    def test_no_edge_passes_through_a_vertex(self):
        for picture in (self.PETERSEN, self.NOT_WR):
            self.assertEqual(edges_through_vertices(picture), [], picture)

    def test_witness_is_a_minimal_non_word_representable_subgraph(self):
        n, edges = from_graph6(self.NOT_WR_GRAPH)
        marks, drawn = content(self.NOT_WR)
        self.assertEqual(sorted(marks), list(range(1, n + 1)))
        witness = {v for v, c in marks.items() if "witness" in c}
        self.assertEqual(drawn, sorted((a, b, ["edge", "witness"] if a in witness and b in witness
                                        else ["edge"]) for a, b in edges))
        self.assertIsNone(find_semi_transitive(*induced(edges, witness)))
        for v in witness:
            self.assertIsNotNone(find_semi_transitive(*induced(edges, witness - {v})), v)

    @unittest.skipUnless(CENSUS and shutil.which("dot"), "WORDREP_CENSUS not set or no Graphviz")
    def test_the_tool_makes_them_again(self):
        env = dict(os.environ, WORDREP_BIN=os.path.dirname(CENSUS))
        with tempfile.TemporaryDirectory() as d:
            for committed, args in [(self.PETERSEN, [os.path.join(EXAMPLES, "petersen.graph")]),
                                    (self.NOT_WR, ["-g", self.NOT_WR_GRAPH])]:
                with self.subTest(picture=os.path.basename(committed)):
                    out = os.path.join(d, "again.svg")
                    p = run([DRAW] + args + ["-o", out], env=env)
                    self.assertEqual((p.returncode, p.stderr), (0, ""))
                    self.assertEqual(content(out), content(committed))
                    self.assertEqual(read_svg(out)[2][0], read_svg(committed)[2][0])


@unittest.skipUnless(shutil.which("dot"), "no Graphviz")
class Outputs(unittest.TestCase):
    """Where a drawing goes: whole or not at all, standard output, names
    that begin with "-"; and inputs that are not UTF-8."""

    ROW = ("graph6,vertices,edges,semi_transitive,representation_number,word,orientation,"
           "witness\nBg,3,2,yes,2,121323,1>2 2>3,\n")

    def setUp(self):
        tmp = tempfile.TemporaryDirectory()
        self.addCleanup(tmp.cleanup)
        self.dir = tmp.name
        self.csv = os.path.join(self.dir, "rows.csv")
        with open(self.csv, "w") as f:
            f.write(self.ROW + "Bg,3,2,yes,2,121323,2>1 2>3,\n")

    def draw(self, args, stdout=subprocess.PIPE, **kw):
        return subprocess.run([DRAW] + args, stdout=stdout, stderr=subprocess.PIPE, cwd=self.dir,
                              **kw)

    def test_a_full_device_is_a_failure(self):
        p = self.draw(["-g", "Bg", "--csv", self.csv, "-T", "svg", "-o", "/dev/full"])
        self.assertEqual((p.returncode, p.stderr),
                         (1, b"wordrep-draw: cannot write /dev/full: No space left on device\n"))
        # Standard output a file that fills up half-way through the drawing
        # (also with Python's standard output unbuffered, where the write is
        # cut short without an error of its own).
        for env in (BUFFERED, UNBUFFERED):
            with self.subTest(env=env), tempfile.TemporaryFile() as out:
                p = self.draw(["-g", "Bg", "--csv", self.csv, "-o", "-"], stdout=out,
                              env=dict(os.environ, **env), preexec_fn=file_size_limit(1024))
                self.assertEqual((p.returncode, p.stderr), (1, b"wordrep-draw: cannot write "
                                                               b"standard output: File too large\n"))

    def test_a_drawing_that_does_not_fit_leaves_no_part_of_it(self):
        out = os.path.join(self.dir, "old.svg")
        for before in (None, b"the drawing of before\n"):
            with self.subTest(before=before):
                if before is not None:
                    with open(out, "wb") as f:
                        f.write(before)
                p = self.draw(["-g", "Bg", "--csv", self.csv, "-o", out],
                              preexec_fn=file_size_limit(1024))
                self.assertEqual((p.returncode, p.stderr),
                                 (1, b"wordrep-draw: cannot write %s: File too large\n"
                                  % out.encode()))
                self.assertEqual(sorted(os.listdir(self.dir)),
                                 (["old.svg"] if before else []) + ["rows.csv"])
                if before is not None:
                    with open(out, "rb") as f:
                        self.assertEqual(f.read(), before)

    def test_a_link_is_followed(self):
        target = os.path.join(self.dir, "target.svg")
        with open(target, "w") as f:
            f.write("old")
        os.symlink("target.svg", os.path.join(self.dir, "link.svg"))
        p = self.draw(["-g", "Bg", "--csv", self.csv, "-o", "link.svg"])
        self.assertEqual((p.returncode, p.stderr), (0, b""))
        self.assertTrue(os.path.islink(os.path.join(self.dir, "link.svg")))
        self.assertEqual(read_svg(target)[2][0], "semi-transitive; representation number 2")

    def test_an_output_that_is_an_input_or_an_earlier_drawing_is_refused(self):
        graph = os.path.join(self.dir, "g.graph")
        with open(graph, "w") as f:
            f.write("3\n1 2\n2 3\n0 0\n")
        os.symlink("g.graph", os.path.join(self.dir, "link.svg"))
        os.mkdir(os.path.join(self.dir, "old"))
        with open(os.path.join(self.dir, "old", "2.svg"), "w") as f:
            f.write("an earlier drawing\n")
        os.mkdir(os.path.join(self.dir, "in"))
        os.link(self.csv, os.path.join(self.dir, "in", "1.svg"))
        same = "the input %s and the output %s are the same file; name different files"
        in_the_way = ("old/2.svg exists (an earlier run's?): add --force to overwrite it, or "
                      "name another --dir")
        # (arguments, exit status, message)
        cases = [
            (["g.graph", "--csv", self.csv, "-o", "g.graph", "-T", "svg"], 2,
             same % ("g.graph", "g.graph")),
            (["g.graph", "--csv", self.csv, "-o", "link.svg"], 2, same % ("g.graph", "link.svg")),
            (["-g", "Bg", "--csv", self.csv, "-o", "./rows.csv", "-T", "svg"], 2,
             same % (self.csv, "./rows.csv")),
            (["--batch", self.csv, "--dir", "in", "--force"], 2, same % (self.csv, "in/1.svg")),
            (["--batch", self.csv, "--dir", "old"], 2, in_the_way),
            (["-g", "Bg", "--csv", self.csv, "-o", "./"], 1, "./ is a folder: name the "
                                                          "drawing's file"),
            (["-g", "Bg", "--csv", self.csv, "-o", "drawing"], 1,
             "drawing has no extension to tell the format: name it .svg, .pdf or .png, or give "
             "the format"),
        ]
        def state():          # each file's inode, size and time of change
            return {n: (st.st_ino, st.st_size, st.st_mtime_ns) for n, st in
                    ((n, os.lstat(os.path.join(self.dir, n))) for n in os.listdir(self.dir))}
        before = state()
        for args, status, message in cases:
            with self.subTest(args=args):
                p = self.draw(args)
                self.assertEqual((p.returncode, p.stderr.decode()),
                                 (status, "wordrep-draw: %s\n" % message))
                self.assertEqual(state(), before)
                self.assertEqual(sorted(os.listdir(os.path.join(self.dir, "old"))), ["2.svg"])
                with open(graph) as f:
                    self.assertEqual(f.read(), "3\n1 2\n2 3\n0 0\n")
        p = self.draw(["--batch", self.csv, "--dir", "old", "--force"])
        self.assertEqual((p.returncode, p.stderr), (0, b""))
        self.assertEqual(read_svg(os.path.join(self.dir, "old", "2.svg"))[2][0],
                         "semi-transitive; representation number 2")

    def test_a_batch_that_does_not_fit_leaves_no_part_of_a_drawing(self):
        out = os.path.join(self.dir, "out")
        p = self.draw(["--batch", self.csv, "--dir", out], preexec_fn=file_size_limit(1024))
        self.assertEqual(p.returncode, 1)
        self.assertEqual(p.stderr.decode().splitlines(),
                         ["wordrep-draw: row %d: cannot write %s/%d.svg: File too large"
                          % (k, out, k) for k in (1, 2)])
        self.assertEqual(os.listdir(out), [])

    def test_standard_output_and_names_that_begin_with_a_dash(self):
        p = self.draw(["-g", "Bg", "--csv", self.csv, "-o", "-", "-T", "svg"])
        self.assertEqual((p.returncode, p.stderr), (0, b""))
        self.assertEqual(ET.fromstring(p.stdout).tag, SVG + "svg")
        p = self.draw(["-g", "Bg", "--csv", self.csv, "-o", "-", "-T", "png"])
        self.assertEqual((p.returncode, p.stdout[:8]), (0, b"\x89PNG\r\n\x1a\n"))
        with open(os.path.join(self.dir, "-p.graph"), "w") as f:
            f.write("3\n1 2\n2 3\n0 0\n")
        for args in (["-o=-x.svg"], ["--output=-x.svg"], ["-o-x.svg"], ["-o", "./-x.svg"]):
            with self.subTest(args=args):
                svg = os.path.join(self.dir, "-x.svg")
                p = self.draw(["--csv", self.csv] + args + ["--", "-p.graph"])
                self.assertEqual((p.returncode, p.stderr), (0, b""))
                self.assertEqual(read_svg(svg)[2][0], "semi-transitive; representation number 2")
                os.unlink(svg)
        p = self.draw(["-g", "Bg", "--csv", self.csv, "-o", "-x.svg"])
        self.assertEqual(p.returncode, 2)
        self.assertIn(b"argument -o/--output: expected one argument", p.stderr)

    def test_bytes_that_are_not_utf8(self):
        path = os.path.join(self.dir, "bad.graph")
        with open(path, "wb") as f:
            f.write(b"3\n1 2\n\xff\xfe 2 3\n0 0\n")
        p = self.draw([path, "--csv", self.csv, "-o", "x.svg"])
        self.assertEqual((p.returncode, p.stderr),
                         (1, b"wordrep-draw: %s:3:1: '\\xff' where a number is due (alterword "
                          b"and orientcheck stop: error 552, sign or digit expected)\n"
                          % path.encode()))
        with open(self.csv, "ab") as f:
            f.write(b"B\xffg,3,2,yes,2,121323,1>2 2>3,\n")
        p = self.draw(["--batch", self.csv, "--dir", "out"])
        self.assertEqual((p.returncode, p.stderr), (1, b"wordrep-draw: row 3: invalid character "
                                                       b"'\\xff' in graph6 string\n"))
        self.assertEqual(sorted(os.listdir(os.path.join(self.dir, "out"))), ["1.svg", "2.svg"])

    def test_help_and_version(self):
        p = self.draw(["--version"])
        self.assertEqual((p.returncode, p.stdout, p.stderr), (0, b"wordrep-draw 1.0.0\n", b""))
        p = self.draw(["--help"])
        self.assertEqual((p.returncode, p.stderr), (0, b""))
        self.assertTrue(p.stdout.startswith(b"usage: wordrep-draw "))
        self.assertIn(b"Exit status: 0 done, 1 a graph could not be drawn or written",
                      b" ".join(p.stdout.split()))


class Errors(unittest.TestCase):
    CASES = [
        (["-g", "~?C@" + "?" * 5483, "-o", "x.svg"],
         "wordrep-draw: graph has 257 vertices; wordrep-census accepts at most 256\n"),
        (["-g", "Bw", "-o", "x.gif", "--census", "/nonexistent/census"],
         "wordrep-draw: census program /nonexistent/census not found or not executable "
         "(build it, pass program=PATH or set WORDREP_BIN)\n"),
    ]

    def test_errors_are_one_line_with_status_1(self):
        for args, message in self.CASES:
            with self.subTest(args=args):
                p = run([DRAW] + args)
                self.assertEqual((p.returncode, p.stdout, p.stderr), (1, "", message))

    @unittest.skipUnless(shutil.which("dot"), "no Graphviz")
    def test_a_failed_row_is_named_and_the_batch_goes_on(self):
        with tempfile.TemporaryDirectory() as d:
            src = os.path.join(d, "rows.csv")
            with open(src, "w") as f:
                f.write("graph6,vertices,edges,semi_transitive,representation_number,word,"
                        "orientation,witness\nBg,3,2,failed: timeout,,,,\n"
                        "Bg,3,2,yes,2,121323,1>2 2>3,\n")
            p = run([DRAW, "--batch", src, "--dir", d])
            self.assertEqual((p.returncode, p.stderr), (1, "wordrep-draw: row 1: row of Bg: "
                                                           "failed: timeout\n"))
            self.assertEqual(sorted(os.listdir(d)), ["2.svg", "rows.csv"])

    def test_usage(self):
        cases = [(["--batch", "x.csv"], "--batch CSV and --dir DIR go together"),
                 (["--batch", "x.csv", "--dir", "d", "-g", "Bw"],
                  "--batch CSV --dir DIR takes the graphs and answers from the CSV alone"),
                 (["-g", "Bw"], "-o OUT is required"),
                 (["-g", "Bw", "-o", "x.svg", "--force"],
                  "--force is for --batch: -o OUT is always overwritten")]
        for args, message in cases:
            with self.subTest(args=args):
                p = run([DRAW] + args)
                self.assertEqual((p.returncode, p.stdout), (2, ""))
                self.assertIn("wordrep-draw: error: " + message, p.stderr)


if __name__ == "__main__":
    unittest.main()
