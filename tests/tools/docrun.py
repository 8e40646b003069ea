"""Runs the shell and Python blocks of a Markdown page, in order, in a
scratch directory, and compares what they print with what the page shows.

A page is read as a reader would use it, standing in the checkout's root
with the tools installed: the scratch directory holds links to the
checkout's folders (build/ the build tree), and PATH finds the built
programs and tools/ first.  The current directory carries over from one
command to the next, and files made by one block serve the later ones.

Blocks:

- a block whose lines begin with "$ " (a transcript): each command runs in
  bash with standard error joined to standard output, and what it prints
  must be the lines that follow it, byte for byte;
- a ```sh block without "$ ": the whole block runs in bash and must exit 0;
- a ```python block: it runs in python3 and must exit 0;
- any other block (tables, CSV, JSON) is text.

An HTML comment on the line before a block, which a reader of the rendered
page does not see, changes how it is run:

    <!-- docs: skip REASON -->      not run (a 12-minute batch, an install with sudo)
    <!-- docs: output varies -->    run, the exit status checked, the output not
    <!-- docs: needs MODULE -->     skipped when python3 cannot import MODULE
"""

import os
import re
import subprocess
from dataclasses import dataclass, field

FENCE = re.compile(r"^```\s*([A-Za-z0-9_-]*)\s*$")
MARK = re.compile(r"^<!--\s*docs:\s*(skip|output varies|needs)\b\s*(.*?)\s*-->\s*$")
TIMEOUT = 900          # ends a hung command; never an assertion on time


@dataclass
class Block:
    """A fenced block: its language, first line (from 1) and lines, and
    the marker before it (kind, argument) or None."""
    lang: str
    line: int
    lines: list
    mark: tuple = None


@dataclass
class Report:
    """What went wrong on a page: one text per failing block."""
    page: str
    failures: list = field(default_factory=list)
    ran: int = 0
    skipped: int = 0


def blocks(text):
    """The fenced blocks of a Markdown text, in order."""
    out, lines, k = [], text.split("\n"), 0
    while k < len(lines):
        m = FENCE.match(lines[k])
        if not m:
            k += 1
            continue
        before = next((lines[j] for j in range(k - 1, -1, -1) if lines[j].strip()), "")
        mark = MARK.match(before)
        end = next((j for j in range(k + 1, len(lines)) if lines[j].strip() == "```"),
                   len(lines))
        out.append(Block(m.group(1), k + 2, lines[k + 1:end],
                         (mark.group(1), mark.group(2)) if mark else None))
        k = end + 1
    return out


def man_example(text):
    """The EXAMPLE section of a man page (roff) as a transcript Block: the
    lines between its .nf and .fi, roff's escapes undone."""
    lines = text.split("\n")
    start = lines.index(".SH EXAMPLE")
    first = lines.index(".nf", start) + 1
    body = lines[first:lines.index(".fi", first)]
    return Block("", first + 1, [t.replace("\\-", "-").replace("\\e", "\\") for t in body])


def transcript(block):
    """[(line, command, expected output)] of a block of "$ " lines."""
    steps = []
    for k, text in enumerate(block.lines):
        if text.startswith("$ "):
            steps.append((block.line + k, text[2:], []))
        elif steps:
            steps[-1][2].append(text)
    return steps


class Runner:
    """Runs pages with the checkout at root and the build tree at build."""

    def __init__(self, root, build, scratch):
        self.root, self.build, self.scratch = root, build, scratch
        self.env = dict(os.environ, PYTHONDONTWRITEBYTECODE="1", WORDREP_BIN=build + "/bin",
                        PATH=os.pathsep.join([build + "/bin", root + "/tools",
                                              os.environ.get("PATH", "/usr/bin:/bin")]),
                        PYTHONPATH=root + "/tools", LC_ALL="C.UTF-8", COLUMNS="100")

    def workspace(self, name):
        """A fresh directory linking to the checkout's folders."""
        where = os.path.join(self.scratch, name)
        os.makedirs(where)
        for entry in sorted(os.listdir(self.root)):
            if entry.startswith(".") or entry in ("build", "run"):
                continue
            os.symlink(os.path.join(self.root, entry), os.path.join(where, entry))
        os.symlink(self.build, os.path.join(where, "build"))
        return where

    def shell(self, command, cwd):
        """(status, output, the directory the command ends in)."""
        script = "cd %s || exit 99\n%s\nstatus=$?\necho \"@@cwd@@$PWD\"\nexit $status\n" % (
            _quote(cwd), command)
        p = subprocess.run(["bash", "-c", script], stdout=subprocess.PIPE,
                           stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL, env=self.env,
                           timeout=TIMEOUT)
        out = p.stdout.decode("utf-8", "replace")
        if "@@cwd@@" not in out:        # "set -e" ended the script early
            return p.returncode, out, cwd
        head, _, tail = out.rpartition("@@cwd@@")
        return p.returncode, head, tail.strip() or cwd

    def run_page(self, path, name=None):
        """Runs every block of a page; its Report."""
        with open(path, encoding="utf-8") as f:
            text = f.read()
        report = Report(name or os.path.basename(path))
        cwd = self.workspace(re.sub(r"\W", "_", report.page))
        for block in blocks(text):
            kind = block.lang if block.lang in ("python", "sh", "bash") else "text"
            if any(t.startswith("$ ") for t in block.lines) and kind != "python":
                kind = "transcript"
            if kind == "text":
                continue
            if block.mark and (block.mark[0] == "skip" or block.mark[0] == "needs"
                               and not self.importable(block.mark[1])):
                report.skipped += 1
                continue
            report.ran += 1
            compare = not (block.mark and block.mark[0] == "output varies")
            cwd = getattr(self, "_" + kind if kind != "bash" else "_sh")(block, cwd, report,
                                                                         compare)
        return report

    def run_man_example(self, path):
        """Runs the EXAMPLE of a man page as a transcript; its Report."""
        with open(path, encoding="utf-8") as f:
            block = man_example(f.read())
        report = Report(os.path.basename(path), ran=1)
        self._transcript(block, self.workspace(report.page.replace(".", "_")), report, True)
        return report

    def importable(self, module):
        return subprocess.run(["python3", "-c", "import " + module], env=self.env,
                              capture_output=True).returncode == 0

    def _transcript(self, block, cwd, report, compare):
        for line, command, expected in transcript(block):
            status, out, cwd = self.shell(command, cwd)
            want = "".join(t + "\n" for t in expected)
            if compare and out != want:
                report.failures.append("%s:%d: $ %s\n  the page shows:\n%s  it printed:\n%s"
                                       % (report.page, line, command, _indent(want),
                                          _indent(out)))
            elif not compare and status != 0:
                report.failures.append("%s:%d: $ %s\n  exit status %d:\n%s"
                                       % (report.page, line, command, status, _indent(out)))
        return cwd

    def _sh(self, block, cwd, report, compare):
        status, out, cwd = self.shell("set -e\n" + "\n".join(block.lines), cwd)
        if status != 0:
            report.failures.append("%s:%d: the sh block ends with exit status %d:\n%s"
                                   % (report.page, block.line, status, _indent(out)))
        return cwd

    def _python(self, block, cwd, report, compare):
        p = subprocess.run(["python3", "-"], input="\n".join(block.lines) + "\n", cwd=cwd,
                           stdout=subprocess.PIPE, stderr=subprocess.STDOUT, env=self.env,
                           text=True, timeout=TIMEOUT)
        if p.returncode != 0:
            report.failures.append("%s:%d: the python block ends with exit status %d:\n%s"
                                   % (report.page, block.line, p.returncode,
                                      _indent(p.stdout)))
        return cwd


def _quote(path):
    return "'" + path.replace("'", "'\\''") + "'"


def _indent(text):
    return "".join("    " + t + "\n" for t in text.splitlines())
