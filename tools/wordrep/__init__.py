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

The modules (docs/development.md says what each may use):

- ``interface``: ``analyse()`` and ``census()``, through census processes.
- ``records``: ``Result``, ``record()`` and ``read_csv()``.
- ``schema``: the census's row, its fields read and written in CSV and JSON lines.
- ``__main__``: ``python3 -m wordrep``.
- ``graph``: graphs as (n, edges), graph6, the programs' input format.
- ``digraph6``: nauty's digraph6, for orientations.
- ``formats``: alterword's and orientcheck's outputs, words, orientation fields.
- ``checks``: checkers of words and orientations written from the definitions.
- ``checker_cli``: the command line of check-word and check-orientation.
- ``program_answer``: a Result from the programs' outputs.
- ``drawing``: drawings through Graphviz.
- ``programs``: where the project's programs are found.
- ``cli``: what every command-line tool shares.
- ``command_*``: the main() of each tool, installed as console scripts.
- ``batch``, ``sources``, ``partstore``, ``rows``, ``progress``, ``errors``,
  ``programs_batch``: wordrep-batch's engine, parts, journal, counts, progress
  bar, errors and per-program path.

Examples
--------
>>> import networkx as nx, wordrep
>>> wordrep.analyse(nx.cycle_graph(5)).representation_number
2
"""

__version__ = "1.0.0"   # the version every tool reports with --version (CMakeLists.txt: the same)

from .drawing import DrawError, draw  # noqa: F401
from .interface import CensusError, InputError, Progress, analyse, census, find_program  # noqa: F401
from .records import Result, read_csv, record  # noqa: F401
