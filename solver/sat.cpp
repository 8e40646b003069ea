#include "sat.h"

#include <cadical.hpp>

namespace smt {

SatSolver::SatSolver() : engine_(new CaDiCaL::Solver) {
  engine_->set("quiet", 1); // the engine must never write to standard output
  engine_->add(1);
  engine_->add(0);
}

SatSolver::~SatSolver() = default;

void SatSolver::add_clause(const Lit *lits, size_t n) {
  size_t kept = 0;
  for (size_t i = 0; i < n; ++i) {
    if (lits[i] == 1) return; // satisfied by the constant true
    if (lits[i] != -1) ++kept;
  }
  if (kept == 0) {
    inconsistent_ = true;
    return;
  }
  for (size_t i = 0; i < n; ++i)
    if (lits[i] != -1) engine_->add(lits[i]);
  engine_->add(0);
  ++num_clauses_;
}

bool SatSolver::solve(const std::vector<Lit> &assumptions) {
  if (inconsistent_) return false;
  for (Lit a : assumptions) engine_->assume(a);
  return engine_->solve() == 10;
}

bool SatSolver::value(Lit lit) const {
  int v = lit > 0 ? lit : -lit;
  if (v > engine_->vars()) return lit < 0; // never used: free, pick false
  return engine_->val(lit) > 0;
}

} // namespace smt
