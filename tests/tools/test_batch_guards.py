#!/usr/bin/python3
"""wordrep-batch on the census engine, with the stand-in stubs/stub-census:
what it guards against beyond its own files (test_batch_files.py) — a
second batch writing to the output of a running one, a part whose census
drops or repeats a row of nauty-geng's family, and the journal's word on
a resume that differs from its batch only in a default spelled out, or
whose output was removed."""

import os
import shutil
import subprocess
import unittest

from gate import wait_for
from test_batch_census import CensusCase, geng_parts
from helpers import GENG


class SharedOutput(CensusCase):
    def test_a_second_batch_on_a_running_batchs_output_is_refused(self):
        graphs = ["Bg", "BW", "Bw", "C~", "CF", "CU"]
        path = self.write_input(graphs)
        gate, waiting = os.path.join(self.dir, "gate"), os.path.join(self.dir, "waiting")
        os.mkdir(waiting)
        other = self.write_input(["Bo", "B?"], "other.g6")
        # (the second batch's arguments, its refusal)
        cases = [
            ([other, "--journal", os.path.join(self.dir, "other.j")],
             "%s is the output of another batch that is still running; name another -o"
             % self.out),
            (["--geng", "-c 4", "--journal", os.path.join(self.dir, "other.j")],
             "%s is the output of another batch that is still running; name another -o"
             % self.out),
            ([other, "--resume"], "journal %s.journal is in use by another batch" % self.out),
        ]
        # The first batch holds its last part at a gate until every second
        # batch has been refused.
        self.control({"wait": {"CU": gate}, "waiting": waiting})
        first = self.start(path, "--chunk", "2", "-o", self.out)
        wait_for(lambda: os.listdir(waiting) and os.path.exists(self.out + ".journal")
                 and len(self.done_parts()) == 2,
                 [self.dir, waiting])
        before = (self.read(self.out), self.read(self.out + ".journal"))
        for args, message in cases:
            with self.subTest(args=args):
                p = self.batch("-o", self.out, *args)
                self.assertEqual((p.returncode, p.stdout, p.stderr),
                                 (2, "", "wordrep-batch: %s\n" % message))
                self.assertEqual((self.read(self.out), self.read(self.out + ".journal")), before)
                self.assertFalse(os.path.exists(os.path.join(self.dir, "other.j")))
        open(gate, "w").close()
        _, err = first.communicate(timeout=120)
        self.assertEqual(first.returncode, 0, err)
        self.assertEqual(self.read(self.out), self.one_run("".join(g + "\n" for g in graphs)))
        self.assertNothingLeft()


class GengCount(CensusCase):
    def test_a_part_whose_rows_are_not_gengs_count_fails(self):
        args, parts = ["-c", "5"], 3
        family = [geng_parts(args, parts)]
        sizes = [len(subprocess.run([GENG, "-q"] + args + ["%d/%d" % (i, parts)],
                                    capture_output=True, text=True).stdout.split())
                 for i in range(parts)]
        part = next(i for i in range(parts) if sizes[i] > 1)
        g6 = subprocess.run([GENG, "-q"] + args + ["%d/%d" % (part, parts)],
                            capture_output=True, text=True).stdout.split()[1]
        # (copies of g6's row the census writes, options)
        cases = [(0, []), (2, []), (0, ["--format", "jsonl"]), (3, ["--shortcut-length", "3"])]
        for copies, options in cases:
            with self.subTest(copies=copies, options=options):
                self.control({"copies": {g6: copies}})
                run = ["--geng", " ".join(args), "--parts", str(parts), "-o", self.out] + options
                p = self.batch(*run)
                self.assertEqual(p.returncode, 4, p.stderr)
                self.assertIn("wordrep-batch: part %d failed: wordrep-census wrote %d rows for "
                              "the %d graphs nauty-geng wrote\n"
                              % (part, sizes[part] - 1 + copies, sizes[part]), p.stderr)
                self.assertNotIn(part, self.done_parts())
                self.control({})
                q = self.batch(*run + ["--resume"])
                self.assertEqual(q.returncode, 0, q.stderr)
                self.assertEqual(self.read(self.out), self.one_run(family[0], *options))
                self.assertNothingLeft()


class ResumeMessages(CensusCase):
    def test_a_default_spelled_out_resumes_the_same_batch(self):
        text = "Bg\nBw\nBW\nC~\nCF\n"
        path = self.write_input(text.split())
        # (options of the interrupted batch, options of its resume)
        cases = [
            (["--format", "csv"], []),
            ([], ["--format", "csv"]),
            (["--orientation-format", "arcs"], ["--format", "csv"]),
            (["--shortcut-length", "3", "--format", "csv"], ["--shortcut-length", "3"]),
        ]
        for first, again in cases:
            with self.subTest(first=first, again=again):
                self.unfinished_journal(path, "--chunk", "2", *first)
                p = self.batch(path, "-o", self.out, "--chunk", "2", "--resume", *again)
                self.assertEqual(p.returncode, 0, p.stderr)
                self.assertEqual(self.read(self.out), self.one_run(text, *again))
                self.assertNothingLeft()

    def test_a_resume_whose_output_was_removed_says_what_to_do(self):
        text = "Bg\nBw\nBW\nC~\nCF\n"
        path = self.write_input(text.split())
        journal = self.unfinished_journal(path, "--chunk", "2")
        kept = os.path.join(self.dir, "kept.csv")
        shutil.copy(self.out, kept)
        os.unlink(self.out)
        p = self.batch(path, "-o", self.out, "--chunk", "2", "--resume")
        self.assertEqual((p.returncode, p.stdout, p.stderr), (2, "", (
            "wordrep-batch: %s is gone, and with it the parts the journal %s.journal records as "
            "put out: restore the file and run the same command with --resume, or remove the "
            "journal to start again\n" % (self.out, self.out))))
        self.assertEqual(self.read(self.out + ".journal"), journal)
        self.assertFalse(os.path.exists(self.out))
        # Restored, it resumes.
        os.rename(kept, self.out)
        q = self.batch(path, "-o", self.out, "--chunk", "2", "--resume")
        self.assertEqual(q.returncode, 0, q.stderr)
        self.assertEqual(self.read(self.out), self.one_run(text))
        self.assertNothingLeft()


if __name__ == "__main__":
    unittest.main()
