"""Where the package finds the project's programs (wordrep-census,
alterword, orientcheck, yices): one lookup for every tool."""

import os

CHECKOUT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.realpath(__file__))))


class ProgramNotFound(Exception):
    """No executable file for program `name`; `path` is where it was looked for."""

    def __init__(self, name, path):
        self.name, self.path = name, path
        super().__init__("%s not found at %s" % (name, path))


def find_program(name, path=None, bindir=None):
    """The absolute path of program `name`: `path` when given, else `name`
    in `bindir`, else in $WORDREP_BIN, else in build/bin of this checkout.
    Raises ProgramNotFound when that is not an executable file."""
    if path is None:
        where = bindir or os.environ.get("WORDREP_BIN") or os.path.join(CHECKOUT, "build", "bin")
        path = os.path.join(where, name)
    path = os.path.abspath(path)
    if not (os.path.isfile(path) and os.access(path, os.X_OK)):
        raise ProgramNotFound(name, path)
    return path
