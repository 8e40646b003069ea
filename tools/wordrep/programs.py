"""Where the package finds the project's programs (wordrep-census,
alterword, orientcheck, yices) and the batch's helper scripts: one lookup
for every tool, in a checkout and installed."""

import os
import shutil

CHECKOUT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.realpath(__file__))))
HERE = os.path.dirname(os.path.realpath(__file__))


class ProgramNotFound(Exception):
    """No executable file for program `name`: `path` is the file that was
    named, or None when it was searched for; `where` says where it was looked
    for ("at FILE", "in DIR or on PATH")."""

    def __init__(self, name, path, where):
        self.name, self.path, self.where = name, path, where
        super().__init__("%s not found %s" % (name, where))


def beside():
    """Directories beside this package that hold the programs: build/bin of
    the checkout it lies in, and bin of the prefix it is installed under
    (PREFIX/lib/python3.X/dist-packages/wordrep, or a venv's
    lib/python3.X/site-packages/wordrep, gives PREFIX/bin)."""
    in_checkout = os.path.basename(os.path.dirname(HERE)) == "tools"
    dirs = [os.path.join(CHECKOUT, "build", "bin")] if in_checkout else []
    d = HERE
    while os.path.dirname(d) != d:
        if os.path.basename(d) in ("lib", "lib64"):
            dirs.append(os.path.join(os.path.dirname(d), "bin"))
            break
        d = os.path.dirname(d)
    return dirs


def tool_path(name):
    """A helper script the batch runs (wordrep-part, wordrep-one): in the
    checkout's tools/, else in PREFIX/libexec/wordrep of the installation."""
    candidates = [os.path.join(os.path.dirname(HERE), name)]
    candidates += [os.path.join(os.path.dirname(b), "libexec", "wordrep", name) for b in beside()]
    return next((c for c in candidates if os.path.isfile(c)), candidates[0])


def runnable(path):
    """Whether path is an executable file."""
    return os.path.isfile(path) and os.access(path, os.X_OK)


def find_program(name, path=None, bindir=None):
    """The absolute path of program `name`, in this order: `path` when
    given; else `name` in `bindir` when given; else in $WORDREP_BIN when that
    is set (and only there); else beside this package (see beside()); else
    on PATH.  Raises ProgramNotFound when there is no executable file."""
    if path is None:
        where = bindir or os.environ.get("WORDREP_BIN")
        if where:
            path = os.path.join(where, name)
        else:
            found = [p for p in (os.path.join(d, name) for d in beside()) if runnable(p)]
            path = found[0] if found else shutil.which(name)
            if path is None:
                dirs = beside()
                where = ("in " + " or ".join(dirs) + " or " if dirs else "") + "on PATH"
                raise ProgramNotFound(name, None, where)
    path = os.path.abspath(path)
    if not runnable(path):
        raise ProgramNotFound(name, path, "at " + path)
    return path
