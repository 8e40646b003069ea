"""The batch tool's errors and exit statuses."""

EXIT_OK = 0            # every graph got an answer
EXIT_FAILED_ROWS = 1   # some rows say "failed: ..."
EXIT_USAGE = 2         # unusable command line, input or journal
EXIT_WRITE = 3         # the CSV, the journal or a part file could not be written
EXIT_PARTS = 4         # some parts did not come back; --resume runs them again
EXIT_INTERRUPTED = 130


class Fatal(Exception):
    """Ends the batch before or instead of the work, with exit status 2."""


class WriteFailure(Exception):
    """A file of the batch could not be written (full disk, file size limit,
    broken pipe): ends the batch with exit status 3."""

    def __init__(self, what, error):
        self.what = what
        self.error = error
        reason = error.strerror if isinstance(error, OSError) and error.strerror else str(error)
        super().__init__("cannot write %s: %s" % (what, reason))
