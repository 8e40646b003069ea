"""A Result (see interface) from what alterword and orientcheck printed for a
graph, so that the programs' answers can be drawn like the census's.

Every certificate is checked (checks) before it stands in a Result: a
drawing of a wrong answer would mislead.  When only alterword's output is
given, the orientation comes from its word: each edge oriented from the
letter whose first occurrence comes first, which for a uniform representing
word is semi-transitive (Halldorsson, Kitaev, Pyatkin, "Semi-transitive
orientations and word-representable graphs", Discrete Appl. Math. 201
(2016)), and is checked like any other.  The programs give no witness for
a graph that is not word-representable: it comes from the census, which
must agree."""

from .checks import check_orientation, check_word
from .formats import OutputError, parse_alterword, parse_orientcheck
from .graph import normalise, to_graph6
from .records import numbered_result


class AnswerError(ValueError):
    """The programs' output is no valid answer for the graph."""


def orientation_of_word(n, edges, letters):
    """Each edge (i, j) oriented from the letter that occurs first in the word."""
    first = {}
    for pos, a in enumerate(letters):
        first.setdefault(a, pos)
    return [(a, b) if first.get(a, -1) < first.get(b, -1) else (b, a) for a, b in edges]


def _checked(problems, what):
    if problems:
        raise AnswerError("%s is not valid: %s" % (what, "; ".join(problems)))


def from_programs(n, edges, alterword=None, orientcheck=None, witness_of=None):
    """The Result that the standard output texts of alterword and/or
    orientcheck (None where not given) give for the graph (n, edges).
    witness_of(n, edges) gives the census's Result for a graph that
    orientcheck says is not semi-transitive."""
    n, edges = normalise(n, edges)
    if alterword is None and orientcheck is None:
        raise AnswerError("no output of alterword or orientcheck given")
    try:
        arcs = None if orientcheck is None else parse_orientcheck(orientcheck)
        k, word = (None, None) if alterword is None else parse_alterword(alterword)
    except OutputError as e:
        raise AnswerError(str(e))
    if orientcheck is not None and arcs is None:
        if word is not None:
            raise AnswerError("orientcheck says not semi-transitive, but alterword gives a word")
        return _not_semi_transitive(n, edges, witness_of)
    if word is not None:
        _checked(check_word(n, edges, k, word), "alterword's word for K = %d" % k)
    if arcs is None:
        arcs = orientation_of_word(n, edges, word)
        _checked(check_orientation(n, edges, arcs), "the orientation of alterword's word")
    else:
        _checked(check_orientation(n, edges, arcs), "orientcheck's orientation")
    return numbered_result(to_graph6(n, edges), n, edges, True, k, word, arcs)


def _not_semi_transitive(n, edges, witness_of):
    if witness_of is None:
        raise AnswerError("orientcheck says not semi-transitive; the witness needs the census")
    result = witness_of(n, edges)
    if result.semi_transitive:
        raise AnswerError("orientcheck says not semi-transitive, but the census finds "
                          "a semi-transitive orientation")
    return result
