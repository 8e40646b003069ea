#!/usr/bin/python3
"""wordrep-batch on the census engine, with the stand-in stubs/stub-census:
the files a batch may not touch (input, output, journal and its parts
folder: never the same file, never one it did not make) and its input lines
(over-long, blank, odd blanks) lining up with the rows."""

import json
import os
import resource
import subprocess
import threading
import unittest

from test_batch_census import HEADER, CensusCase


def contents(directory):
    """Every file under directory: relative path -> bytes."""
    out = {}
    for root, _, files in os.walk(directory):
        for name in files:
            path = os.path.join(root, name)
            with open(path, "rb") as f:
                out[os.path.relpath(path, directory)] = f.read()
    return out


class Files(CensusCase):
    """The batch refuses to start when two of its files are one, and never
    truncates or removes a file it did not make."""

    def refused(self, args, message, stdin=subprocess.DEVNULL):
        before = contents(self.dir)
        p = subprocess.run(self.cmd(*args), stdin=stdin, capture_output=True, text=True,
                           env=self.env(), timeout=120)
        self.assertEqual((p.returncode, p.stdout, p.stderr), (2, "", "wordrep-batch: %s\n" % message))
        self.assertEqual(contents(self.dir), before)
        self.assertEqual(self.runs(), [])

    def test_two_names_for_one_file_are_refused(self):
        g6 = self.write_input(["Bg", "BW", "Bw"])
        os.link(g6, os.path.join(self.dir, "hard.g6"))
        os.symlink(g6, os.path.join(self.dir, "soft.g6"))
        out, j = self.out, os.path.join(self.dir, "j")
        with open(out, "w") as f:
            f.write("an earlier output\n")
        same = "%s and %s are the same file; name different files"
        # (arguments, the two files named in the refusal)
        cases = [
            ([g6, "-o", out, "--journal", out], ("the output " + out, "the journal " + out)),
            ([g6, "-o", g6], ("the input " + g6, "the output " + g6)),
            ([g6, "-o", os.path.join(self.dir, ".", "in.g6")],
             ("the input " + g6, "the output %s/./in.g6" % self.dir)),
            ([g6, "-o", os.path.join(self.dir, "hard.g6")],
             ("the input " + g6, "the output %s/hard.g6" % self.dir)),
            ([os.path.join(self.dir, "soft.g6"), "-o", g6],
             ("the input %s/soft.g6" % self.dir, "the output " + g6)),
            ([g6, "-o", out, "--journal", g6], ("the input " + g6, "the journal " + g6)),
            ([g6, "-o", j + ".parts", "--journal", j],
             ("the output %s.parts" % j, "the journal's parts folder %s.parts" % j)),
            ([g6, "-o", os.path.join(self.dir, "new.csv"), "--journal", "%s/x/../new.csv" % self.dir],
             ("the output %s/new.csv" % self.dir, "the journal %s/x/../new.csv" % self.dir)),
            ([g6, "-o", out, "--resume", "--journal", g6], ("the input " + g6, "the journal " + g6)),
        ]
        os.mkdir(os.path.join(self.dir, "x"))
        for args, files in cases:
            with self.subTest(args=args):
                self.refused(args, same % files)
        # Standard input read from the output file.
        with open(out) as f:
            self.refused(["-o", out], same % ("the input", "the output " + out), stdin=f)

    def test_a_journal_path_that_holds_no_journal_is_refused_and_left_alone(self):
        g6 = self.write_input(["Bg", "BW", "Bw"])
        notes = os.path.join(self.dir, "notes.txt")
        folder = os.path.join(self.dir, "folder")
        os.mkdir(folder)
        # (what the journal path holds: bytes, or None for a folder)
        cases = [b"my notes\n", b"", b"\xff\xfe\x00 not text\n", b'{"done": 1}\n', b"[2]\n",
                 b'{"journal": 2, "engine"', None]
        for held in cases:
            for resume in ([], ["--resume"]):
                with self.subTest(held=held, resume=resume):
                    path = folder if held is None else notes
                    if held is not None:
                        with open(notes, "wb") as f:
                            f.write(held)
                    self.refused([g6, "-o", self.out, "--journal", path] + resume,
                                 "%s is not a journal of wordrep-batch; it is left as it is: "
                                 "name another --journal" % path)
                    self.assertFalse(os.path.exists(self.out))

    def test_a_parts_folder_of_other_files_is_refused_and_left_alone(self):
        g6 = self.write_input(["Bg", "BW", "Bw"])
        parts = self.out + ".journal.parts"
        os.mkdir(parts)
        with open(os.path.join(parts, "mine.txt"), "w") as f:
            f.write("keep\n")
        self.refused([g6, "-o", self.out], "%s holds files that are not parts of a batch "
                     "(mine.txt); remove them or name another --journal" % parts)
        # Part files left by a batch whose journal was removed are no obstacle,
        # and are removed with the folder once the batch is complete.
        os.unlink(os.path.join(parts, "mine.txt"))
        with open(os.path.join(parts, "7.csv"), "w") as f:
            f.write(HEADER + "stale\n")
        p = self.batch(g6, "-o", self.out, "--chunk", "1")
        self.assertEqual(p.returncode, 0, p.stderr)
        self.assertEqual(self.read(self.out), self.one_run("Bg\nBW\nBw\n"))
        self.assertNothingLeft()
        self.assertFalse(os.path.exists(parts))

    def test_malformed_journal_records_are_refused_in_one_line(self):
        text = "Bg\nBw\nBW\nC~\nCF\n"
        path = self.write_input(text.split())
        journal = self.out + ".journal"
        # (appended line, the refusal after "JOURNAL:LINE: ")
        cases = [
            ('{"done": "a"}', "not a record of a batch journal: {\"done\": \"a\"}"),
            ('{"emitted": 5}', "not a record of a batch journal: {\"emitted\": 5}"),
            ('{"done": 3}', "not a record of a batch journal: {\"done\": 3}"),
            ('{"done": 3, "bytes": 1, "counts": {"graphs": "x"}}',
             "not a record of a batch journal: {\"done\": 3, \"bytes\": 1, \"counts\": "
             "{\"graphs\": \"x\"}}"),
            ('{"emitted": 4, "size": 9}', "part 4 put out after part 0"),
            ('{"emitted": 1, "size": 9}', "part 1 put out before it was recorded as done"),
            ("[1, 2]", "not a record of a batch journal: [1, 2]"),
            ("\u00e9t\u00e9", "not a record of a batch journal: \u00e9t\u00e9"),
            ("x" * 70, "not a record of a batch journal: " + "x" * 60 + "..."),
            ("[" * 100000 + "]" * 100000, "not a record of a batch journal: " + "[" * 60 + "..."),
        ]
        self.unfinished_journal(path, "--chunk", "2")
        journal_text, output = self.read(journal), self.read(self.out)
        lines = journal_text.count("\n")
        for line, message in cases:
            with self.subTest(line=line):
                with open(journal, "w") as f:
                    f.write(journal_text + line + "\n")
                p = self.batch(path, "-o", self.out, "--chunk", "2", "--resume")
                self.assertEqual((p.returncode, p.stdout, p.stderr),
                                 (2, "", "wordrep-batch: %s:%d: %s\n" % (journal, lines + 1, message)))
                self.assertEqual((self.read(journal), self.read(self.out)),
                                 (journal_text + line + "\n", output))

    def test_a_geng_journal_with_parts_beyond_the_family_is_refused(self):
        self.control({"exit": {"C~": 7}})
        self.assertEqual(self.batch("--geng", "-c 4", "--parts", "2", "-o", self.out).returncode, 4)
        counts = {"graphs": 1, "not": 0, "minimal": 0, "failures": 0, "k": {}}
        with open(self.out + ".journal.parts/2.csv", "w") as f:
            f.write(HEADER)
        with open(self.out + ".journal", "a") as f:
            f.write(json.dumps({"done": 2, "bytes": len(HEADER), "counts": counts}) + "\n")
        self.control({})
        p = self.batch("--geng", "-c 4", "--parts", "2", "-o", self.out, "--resume")
        self.assertEqual((p.returncode, p.stdout, p.stderr), (2, "", (
            "wordrep-batch: the journal belongs to a different input (it has more parts); "
            "remove it or use the input it was made from\n")))

    def test_a_line_cut_off_at_the_end_is_dropped(self):
        text = "Bg\nBw\nBW\nC~\nCF\n"
        path = self.write_input(text.split())
        self.unfinished_journal(path, "--chunk", "2")
        with open(self.out + ".journal", "a") as f:
            f.write('{"done": 1, "by')
        p = self.batch(path, "-o", self.out, "--chunk", "2", "--resume")
        self.assertEqual(p.returncode, 0, p.stderr)
        self.assertEqual(self.read(self.out), self.one_run(text))
        self.assertNothingLeft()


class Lines(CensusCase):
    def test_blank_lines_follow_the_census_rule(self):
        # Only spaces, tabs and carriage returns are blanks: a line of \v or
        # \f is a line, with its failure row, as the census has it.
        text = "Bg\n\x0b\nBw\n \x0c \n\r\n\t\nBW\r\n\x0c\x0b\n  \n"
        for chunk in ("1", "3"):
            with self.subTest(chunk=chunk):
                p = self.batch("--chunk", chunk, stdin=text)
                self.assertEqual(p.returncode, 1, p.stderr)
                self.assertEqual(p.stdout, self.one_run(text))
                self.assertEqual([r.split(",")[0] for r in p.stdout.splitlines()[1:]],
                                 ["Bg", "\\x0b", "Bw", "\\x0c", "BW", "\\x0c\\x0b"])

    def test_an_over_long_line_is_cut_and_the_rest_of_its_part_answered(self):
        # A line of 200 MB between graphs of one part: the batch holds at most
        # the census's line limit of it (the peak memory of the batch and its
        # children stays far below the line), the line gets the census's
        # failure row, the other graphs their rows.
        block, blocks = b"A" * (1 << 20), 200
        for tail in (b"\nBw\n", b""):
            with self.subTest(final_line_feed=bool(tail)):
                r, w = os.pipe()
                p = subprocess.Popen(self.cmd("--chunk", "10"), stdin=r, stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE, env=self.env())
                os.close(r)

                def feed():
                    with open(w, "wb") as f:
                        f.write(b"Bg\n ")
                        for _ in range(blocks):
                            f.write(block)
                        f.write(tail)
                writer = threading.Thread(target=feed)
                writer.start()
                out, err = p.communicate(timeout=300)
                writer.join()
                self.assertEqual(p.returncode, 1, err)
                # The largest resident size of any child so far, in KiB.
                self.assertLess(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss, 100 << 10)
                cut = " " + "A" * 63 + "...,,,failed: line longer than 65536 bytes,,,,,,,\n"
                rows = self.one_run("Bg\nBw\n").splitlines(keepends=True)
                self.assertEqual(out.decode(), "".join(rows[:2] + [cut] + rows[2:] * bool(tail)))


if __name__ == "__main__":
    unittest.main()
