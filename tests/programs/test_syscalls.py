"""How the programs hand text to the system: one write(2) per write statement,
input read in chunks of up to 16384 bytes, "ff" opened as documented."""

import os
import re
import shutil
import subprocess
import unittest

from harness import BIN, cleanup, golden, run

STRACE = shutil.which("strace")


@unittest.skipIf(STRACE is None, "strace is not installed")
@unittest.skipIf(os.environ.get("WORDREP_SANITIZE") == "1", "the sanitizer runtime makes system calls of its own")
class SystemCalls(unittest.TestCase):
    def trace(self, program, stdin, answer):
        r = run(program, b"0\n0 0\n", default=answer)  # a scratch directory with the solver
        trace = r.dir / "trace"
        proc = subprocess.run([STRACE, "-o", str(trace), "-e", "trace=read,write,openat",
                               str(BIN / program)], input=stdin, cwd=r.dir, capture_output=True)
        calls = [re.sub(r"\s+= ", " = ", c) for c in trace.read_text().splitlines()]
        return r, proc, calls

    def test_one_write_per_statement(self):
        # The 54-line orientation benchmark: 38 whole lines and 16 shortcut
        # lines written in 2 to 4 pieces, 48 pieces in all.
        r, proc, calls = self.trace("orientcheck", golden("orientation-edge.in"), b"unsat\n")
        self.assertEqual(proc.returncode, 0)
        writes = [c for c in calls if c.startswith("write(3,")]
        self.assertEqual(len(writes), 38 + 48)
        self.assertIn('write(3, "(and (R 1 2) (F 2 1)", 20) = 20', writes)
        self.assertEqual([c for c in calls if c.startswith("write(1,")],
                         ['write(1, "Not semi-transitive\\n", 20) = 20'])
        cleanup(r)

    def test_uniform_word_lines_are_single_writes(self):
        r, proc, calls = self.trace("alterword", golden("uniform-edge-k2.in"),
                                    b"sat\n(= (A 1 1) 1)\n(= (A 1 2) 3)\n(= (A 2 1) 2)\n(= (A 2 2) 4)\n")
        writes = [c for c in calls if c.startswith("write(3,")]
        self.assertEqual(len(writes), 30)
        # The word is written letter by letter, then its line end.
        self.assertEqual([c.split(",")[1].strip() for c in calls if c.startswith("write(1,")],
                         ['"representing word for 2:\\n"', '"1"', '"2"', '"1"', '"2"', '"\\n"'])
        cleanup(r)

    def test_reads_and_opens(self):
        big = b"3\n" + b"1 2 and some words after the edge\n" * 3000 + b"0 0\n"
        r, proc, calls = self.trace("orientcheck", big, b"unsat\n")
        reads = [c for c in calls if c.startswith("read(0,")]
        self.assertGreater(len(big), 2 * 16384)
        self.assertTrue(all(", 16384) = " in c for c in reads), reads[:3])
        self.assertLessEqual(len(reads), len(big) // 16384 + 2)
        opens = [c for c in calls if '"ff"' in c]
        self.assertEqual(opens[0].split(") =")[0], 'openat(AT_FDCWD, "ff", O_RDWR|O_CREAT|O_TRUNC|O_CLOEXEC, 0666')
        self.assertTrue(opens[1].startswith('openat(AT_FDCWD, "ff", O_RDONLY'))
        self.assertEqual(len(opens), 3)
        cleanup(r)


if __name__ == "__main__":
    unittest.main()
