// The whole decision procedure on a parsed benchmark, as yices runs it.
#pragma once

#include "solver/model.h"
#include "solver/parser.h"

#include <cstddef>

namespace smt {

// How solve_benchmark works (the switches of yices' measurement flags).
struct SolveSettings {
  bool symmetry = true; // break symmetries between letters
  bool implied = true;  // add the order facts implied by disjunctions of order chains
};

// What solve_benchmark found, with sizes for --stats.
struct Outcome {
  bool sat = false;
  Assignment values;     // after sat: parallel to store.ground_apps()
  size_t classes = 0;    // permutation classes found
  size_t symmetry = 0;   // symmetry-breaking units added
  int vars = 0;          // SAT variables
  size_t clauses = 0;    // SAT clauses
  uint64_t literals = 0; // size of the encoding, as counted against its limit
  double encode_s = 0;   // seconds spent analysing and encoding
  double solve_s = 0;    // seconds spent in the SAT engine
};

// Analyse, encode, solve and (after sat) check the model against every
// assertion.  Throws SmtError: status 1 for benchmarks outside the fragment,
// status 2 (kExitBadModel) when the model does not satisfy the formula.
Outcome solve_benchmark(const Benchmark &bench, const SolveSettings &settings = {});

} // namespace smt
