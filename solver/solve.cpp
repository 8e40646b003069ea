#include "solver/solve.h"

#include "sat/sat.h"
#include "solver/analysis.h"
#include "solver/encoder.h"
#include "solver/error.h"
#include "solver/symmetry.h"

#include <chrono>

namespace smt {

Outcome solve_benchmark(const Benchmark &bench, const SolveSettings &settings) {
  using Clock = std::chrono::steady_clock;
  auto start = Clock::now();
  Outcome out;
  IntAnalysis ints;
  analyse(bench, ints);
  SatSolver sat;
  Encoder enc(bench, ints, sat);
  enc.encode_all(settings.implied);
  if (settings.symmetry) {
    for (const SymmetryChain &chain : symmetry_chains(bench, ints)) {
      enc.add_order(chain.cls, chain.members);
      out.symmetry += chain.members.size() - 1;
    }
  }
  enc.finish();
  auto encoded = Clock::now();
  // Models with the copies of every letter in order are preferred (the
  // uniform-word benchmark leaves the copies of letters without neighbours
  // unordered); if the refutation needed that preference, solve again without.
  out.sat = sat.solve(enc.preferred_orders());
  if (!out.sat && sat.assumptions_failed()) out.sat = sat.solve();
  out.classes = ints.classes.size();
  out.vars = sat.num_vars();
  out.clauses = sat.num_clauses();
  out.literals = enc.size();
  out.encode_s = std::chrono::duration<double>(encoded - start).count();
  out.solve_s = std::chrono::duration<double>(Clock::now() - encoded).count();
  if (!out.sat) return out;
  const auto &apps = bench.store.ground_apps();
  out.values.resize(apps.size());
  for (size_t i = 0; i < apps.size(); ++i) out.values[i] = enc.model_value(apps[i]);
  TermId wrong = violation(bench, out.values);
  if (wrong != kNoTerm)
    throw SmtError(bench.where(wrong) +
                       ": internal error: the model found does not satisfy the formula",
                   kExitBadModel);
  return out;
}

} // namespace smt
