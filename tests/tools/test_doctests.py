#!/usr/bin/python3
"""The examples in the docstrings of the wordrep package, run as doctests
against the built census (the folder of $WORDREP_CENSUS as WORDREP_BIN,
as a user sets it); they use networkx."""

import doctest
import importlib
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
# The calls a user meets first must show an example.
WITH_EXAMPLES = ["wordrep", "wordrep.interface.analyse", "wordrep.interface.census",
                 "wordrep.records.Result", "wordrep.records.Result.orientation",
                 "wordrep.records.read_csv"]


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
    def test_the_main_calls_have_examples(self):
        found = {t.name: len(t.examples) for m in modules()
                 for t in doctest.DocTestFinder().find(m)}
        for name in WITH_EXAMPLES:
            with self.subTest(name=name):
                self.assertGreater(found.get(name, 0), 0)


if __name__ == "__main__":
    unittest.main()
