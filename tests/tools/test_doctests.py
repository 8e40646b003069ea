#!/usr/bin/python3
"""The examples in the docstrings of the wordrep package, run as doctests
against the built census (the folder of $WORDREP_CENSUS as WORDREP_BIN,
as a user sets it); they use networkx."""

import doctest
import importlib
import inspect
import os
import pkgutil
import unittest

from helpers import TOOLS  # noqa: F401  (puts tools/ on the path)
import wordrep

try:
    import networkx
except ImportError:
    networkx = None

CENSUS = os.environ.get("WORDREP_CENSUS")


def public_names():
    """The dotted names of what `import wordrep` offers: the package, each
    function and class it exports, and each public method and property of
    those classes (where their docstrings live)."""
    names = ["wordrep"]
    for name in sorted(vars(wordrep)):
        obj = getattr(wordrep, name)
        if name.startswith("_") or inspect.ismodule(obj) or not callable(obj):
            continue
        full = obj.__module__ + "." + obj.__qualname__
        names.append(full)
        if inspect.isclass(obj):
            names += [full + "." + k for k, v in vars(obj).items()
                      if not k.startswith("_") and (inspect.isfunction(v) or isinstance(v, property))]
    return names


def modules():
    yield wordrep
    for m in pkgutil.iter_modules(wordrep.__path__):
        yield importlib.import_module("wordrep." + m.name)


def load_tests(loader, tests, pattern):
    if not (CENSUS and networkx):
        return tests          # Skipped below, with the reason.
    os.environ["WORDREP_BIN"] = os.path.dirname(CENSUS)
    for module in modules():
        tests.addTests(doctest.DocTestSuite(module, optionflags=doctest.ELLIPSIS))
    return tests


class Examples(unittest.TestCase):
    @unittest.skipUnless(CENSUS and networkx, "WORDREP_CENSUS not set or networkx missing")
    def test_every_public_call_has_examples(self):
        found = {t.name: len(t.examples) for m in modules()
                 for t in doctest.DocTestFinder().find(m)}
        names = public_names()
        for name in ("wordrep.interface.analyse", "wordrep.interface.census",
                     "wordrep.records.read_csv", "wordrep.records.Result.orientation",
                     "wordrep.drawing.draw", "wordrep.interface.find_program"):
            self.assertIn(name, names)
        for name in names:
            with self.subTest(name=name):
                self.assertGreater(found.get(name, 0), 0)


if __name__ == "__main__":
    unittest.main()
