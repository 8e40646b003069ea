"""Word-representable graphs from Python, and the pieces the tools share.

The calls most users want:

- ``analyse(G)``: the answer for one graph (a networkx graph, a graph6
  string, a SageMath graph or a pair ``(n, edges)``) in its own labels: the
  representation number, a representing word, a semi-transitive orientation
  (a ``networkx.DiGraph``) or a witness that it is not word-representable.
- ``census(graphs)``: the same for every graph of an iterable, streamed.
- ``read_csv(path)``: the rows of a census CSV as typed records.
- ``draw(result, path)``: a drawing of a result through Graphviz.

They run the program ``wordrep-census`` (see ``find_program``).  From the
shell, ``python3 -m wordrep GRAPH6...`` answers graph6 lines as JSON lines.
The modules hold the shared pieces: graph6 and the programs' input format
(graph), the programs' output formats (formats), digraph6, checkers of words
and orientations written from the definitions (checks).

Examples
--------
>>> import networkx as nx, wordrep
>>> wordrep.analyse(nx.cycle_graph(5)).representation_number
2
"""

__version__ = "1.0.0"   # the version every tool reports with --version (CMakeLists.txt: the same)

from .drawing import DrawError, draw  # noqa: F401
from .interface import CensusError, analyse, census, find_program  # noqa: F401
from .records import Result, read_csv, record  # noqa: F401
