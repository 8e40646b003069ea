// Symmetry breaking for permutation classes.
//
// Looks for interchangeable "letters": values of the first argument of an
// integer function whose applications form a permutation class.  A swap of
// letters is accepted only when it maps the (simplified, canonical) formula
// onto itself.  For a set of letters any two of which can be swapped while the
// others of the set stay fixed, every ordering of the set is reachable by a
// symmetry, so their first applications may be required to be increasing.
#pragma once

#include "solver/analysis.h"
#include "solver/parser.h"

#include <cstdint>
#include <vector>

namespace smt {

// Members of one permutation class that every model may be taken to order
// as listed (each before the next).
struct SymmetryChain {
  uint32_t cls = 0;
  std::vector<TermId> members;
};

// The chains found, in the order they are to be added.  The benchmark is left
// as it is: the canonical forms are built in a copy of its terms.
std::vector<SymmetryChain> symmetry_chains(const Benchmark &bench, const IntAnalysis &ints);

} // namespace smt
