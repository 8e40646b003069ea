#!/usr/bin/python3
"""docs/tutorial.ipynb runs as stored: executed afresh with Debian's
nbclient and ipykernel, no cell fails, every text a cell prints is the text
stored with it (counts against published numbers: A319489, A319490,
A290814 on 7 vertices), and every rich output stored (a table, a drawing, a
plot) comes again with the same kinds.  `test_tutorial.py --store` executes
the notebook and stores its outputs.  The census comes from $WORDREP_CENSUS
(set by CMake)."""

import os
import sys
import unittest

from helpers import ROOT, TOOLS

try:
    import nbformat
    from nbclient import NotebookClient
except ImportError:             # tools/install-deps installs python3-nbclient
    NotebookClient = None

CENSUS = os.environ.get("WORDREP_CENSUS")
NOTEBOOK = os.path.join(ROOT, "docs", "tutorial.ipynb")


def executed(nb):
    """The notebook executed in docs/, the package and the census found as the tests find them."""
    os.environ["PYTHONPATH"] = TOOLS
    if CENSUS:
        os.environ["WORDREP_BIN"] = os.path.dirname(CENSUS)
    NotebookClient(nb, timeout=600, kernel_name="python3",
                   resources={"metadata": {"path": os.path.dirname(NOTEBOOK)}}).execute()
    return nb


def outputs(nb):
    """Per code cell: the text it printed, and the kinds of its rich outputs."""
    out = []
    for cell in nb.cells:
        if cell.cell_type != "code":
            continue
        text = "".join(o.get("text", "") for o in cell.outputs if o.output_type == "stream")
        kinds = sorted(k for o in cell.outputs if o.output_type in ("display_data",
                                                                      "execute_result")
                       for k in o.get("data", {}))
        out.append((text, kinds))
    return out


@unittest.skipUnless(CENSUS and NotebookClient, "WORDREP_CENSUS not set or nbclient missing")
class Tutorial(unittest.TestCase):
    def test_the_notebook_runs_as_stored(self):
        stored = nbformat.read(NOTEBOOK, as_version=4)
        want = outputs(stored)
        self.assertTrue(any(text for text, _ in want), "the notebook has no stored outputs")
        got = outputs(executed(nbformat.read(NOTEBOOK, as_version=4)))
        self.assertEqual(got, want)
        errors = [o for c in stored.cells if c.cell_type == "code" for o in c.outputs
                  if o.output_type == "error"]
        self.assertEqual(errors, [])


if __name__ == "__main__":
    if sys.argv[1:] == ["--store"]:
        nbformat.write(executed(nbformat.read(NOTEBOOK, as_version=4)), NOTEBOOK)
    else:
        unittest.main()
