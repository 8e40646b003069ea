"""Shared pieces of the word-representability tools: graph6, the programs'
input format, the output formats of alterword and orientcheck, and checkers
of words and orientations written from the mathematical definitions, digraph6
for orientations, census(), the census from Python (see interface), and
draw(), a result drawn through Graphviz (see drawing)."""

__version__ = "1.0.0"   # the version every tool reports with --version

from .drawing import DrawError, draw  # noqa: F401
from .interface import CensusError, Result, census  # noqa: F401
