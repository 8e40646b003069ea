"""What the command-line tools share: --version from the package's one
version, and standard output that may fail (a full disk, a closed pipe)
reported in one line instead of a traceback."""

import argparse
import io
import os
import sys

from . import __version__


def parser(prog, doc, **options):
    """An argparse parser for a tool: the doc's first paragraph its
    description, the others its epilog, as written."""
    paragraphs = doc.split("\n\n")
    return argparse.ArgumentParser(prog=prog, description=paragraphs[0],
                                   epilog="\n\n".join(paragraphs[1:]),
                                   formatter_class=argparse.RawDescriptionHelpFormatter, **options)


def version_option(parser):
    """--version on an argparse parser: "PROG 1.0.0"."""
    parser.add_argument("--version", action="version", version="%(prog)s " + __version__)


def buffered_stdout():
    """Makes standard output buffered even under python3 -u or
    PYTHONUNBUFFERED.  Unbuffered, a write that a full disk cuts short
    counts as whole (Python's raw and write-through streams drop the rest
    without an error), so a cut output would pass for a complete one;
    buffered, the rest is written again and the failure raised.  On a
    terminal it is line-buffered."""
    if not isinstance(getattr(sys.stdout, "buffer", None), io.RawIOBase):
        return          # buffered already, or not a stream of a file descriptor
    raw = io.FileIO(sys.stdout.fileno(), "w", closefd=False)
    sys.stdout = io.TextIOWrapper(io.BufferedWriter(raw), encoding=sys.stdout.encoding,
                                  errors=sys.stdout.errors, line_buffering=raw.isatty())


def output_failed(prog, error):
    """Reports a failed write to standard output in one line and points
    standard output at /dev/null, so that the exit does not fail again."""
    reason = error.strerror if isinstance(error, OSError) and error.strerror else str(error)
    print("%s: cannot write standard output: %s" % (prog, reason), file=sys.stderr)
    silence_stdout()


def silence_stdout():
    """Points standard output at /dev/null after a failed write, so that
    the flush at exit does not fail again with a traceback."""
    null = os.open(os.devnull, os.O_WRONLY)
    os.dup2(null, sys.stdout.fileno())
    os.close(null)


def flush_stdout(prog):
    """Flushes standard output; False (reported) when it cannot be written."""
    try:
        sys.stdout.flush()
        return True
    except OSError as e:
        output_failed(prog, e)
        return False


def input_name(path):
    """How messages name an input: its path, "stdin" for "-" or none."""
    return "stdin" if path in (None, "-") else path


def open_binary(path):
    """An input file (standard input for "-" or None) opened for bytes."""
    return sys.stdin.buffer if path in (None, "-") else open(path, "rb")


def os_error(error):
    """An OSError in one line: "PATH: reason" (the reason alone without a path)."""
    reason = error.strerror or str(error)
    return "%s: %s" % (error.filename, reason) if error.filename else reason
