"""A test fixture: the example graphs of examples/ and the answers known for
them, the one table the tests hold alterword, orientcheck and the census to.

Representation numbers known from the literature: crown graphs H(n,n) need
ceil(n/2) copies for n >= 5 (3 for n = 5), the Petersen graph and the
triangular prism 3, paths, complete and edgeless graphs 2 (the search starts
at 2, so K20, whose representation number is 1, gets 2 as well).  The wheel
on 6 vertices is the smallest graph that is not word-representable; the
Shrikhande and Clebsch graphs are not either (no semi-transitive
orientation: the exhaustive search of wordrep/semitransitive.py and
orientcheck agree).  On those three alterword would search forever."""

import os
from collections import namedtuple

DIRECTORY = os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(
    os.path.realpath(__file__)))), "examples")

# name: the file examples/<name>.graph; representation_number: the K alterword
# reports, None when the graph is not word-representable; construction: the
# option of nauty-genspecialg that builds the same graph, None where the tests
# check the graph by its defining properties instead.
Example = namedtuple("Example", "name representation_number construction")

TABLE = [
    Example("path3", 2, "-p3"),
    Example("petersen", 3, "-P5,2"),
    Example("prism3", 3, "-P3,1"),
    Example("wheel6", None, None),
    Example("crown5", 3, "-b5,5,5"),
    Example("crown6", 3, "-b6,6,6"),
    Example("crown7", 4, "-b7,7,7"),
    Example("crown8", 4, "-b8,8,8"),
    Example("crown9", 5, "-b9,9,9"),
    Example("crown10", 5, "-b10,10,10"),
    Example("shrikhande", None, None),
    Example("clebsch", None, None),
    Example("complete20", 2, "-k20"),
    Example("empty20", 2, "-e20"),
]

# name: representation number (None: not word-representable)
ANSWERS = {e.name: e.representation_number for e in TABLE}


def path(name):
    """The file of the example graph called name."""
    return os.path.join(DIRECTORY, name + ".graph")
