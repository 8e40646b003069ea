"""The independent search for semi-transitive orientations, which the
package holds (wordrep.semitransitive) so that its row checker can use it;
the tests import it from here."""

from wordrep.semitransitive import find_semi_transitive  # noqa: F401
