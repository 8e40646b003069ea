// Symmetry breaking for permutation classes.
//
// Looks for interchangeable "letters": values of the first argument of an
// integer function whose applications form a permutation class.  A swap of
// letters is accepted only when it maps the (simplified, canonical) formula
// onto itself.  For a set of letters any two of which can be swapped while the
// others of the set stay fixed, every ordering of the set is reachable by a
// symmetry, so their first applications may be required to be increasing.
#pragma once

#include "analysis.h"
#include "encoder.h"
#include "parser.h"
#include "sat.h"

namespace smt {

// Add symmetry-breaking unit clauses; returns how many were added.
size_t break_symmetries(Benchmark &bench, const IntAnalysis &ints, Encoder &enc, SatSolver &sat);

} // namespace smt
