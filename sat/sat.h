// Thin wrapper around the CaDiCaL SAT solver.
//
// Literals are DIMACS integers: variable v > 0 is the literal v, its negation -v.
// Variable 1 is the constant true; lit_true() returns it.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace CaDiCaL {
class Solver;
class Terminator;
} // namespace CaDiCaL

namespace sat {

using Lit = int;

// When a search must stop (none: never).
using Deadline = std::optional<std::chrono::steady_clock::time_point>;

// Thrown by SatSolver::solve() when its deadline passes before an answer.
class Interrupted : public std::runtime_error {
public:
  Interrupted() : std::runtime_error("the SAT search reached its deadline") {}
};

// Thrown by SatSolver::solve() when its stop flag is raised (a signal).
class Stopped : public std::runtime_error {
public:
  Stopped() : std::runtime_error("stopped by a signal") {}
};

// What may end a search early: a stop flag (kept by pointer, may be null)
// that becomes non-zero, or a deadline that passes.
struct Limits {
  const std::atomic<int> *stop = nullptr; // raised: solve() throws Stopped
  Deadline deadline;                      // passed: solve() throws Interrupted
};

class SatSolver {
public:
  // Engine options as (CaDiCaL's name, value), set before any clause; unknown names are ignored.
  using Options = std::vector<std::pair<std::string, int>>;
  // A stop flag (kept by pointer, may be null) that becomes non-zero ends a
  // running solve() soon after, which then throws Stopped.
  explicit SatSolver(const Options &options = {}, const std::atomic<int> *stop = nullptr);
  ~SatSolver();

  // The literal that is always true; -lit_true() is always false.
  Lit lit_true() const { return 1; }
  // A fresh variable.
  Lit new_var() { return ++num_vars_; }
  // Prepare the engine for variables up to vars (saves regrowing its tables
  // when many small instances are built).
  void reserve(int vars);
  // Number of variables allocated so far.
  int num_vars() const { return num_vars_; }
  // Add a clause.  Literals fixed by earlier unit clauses (and the constants)
  // are simplified away; an empty clause makes the problem unsatisfiable.
  void add_clause(const Lit *lits, size_t n);
  void add_clause(std::initializer_list<Lit> lits) { add_clause(lits.begin(), lits.size()); }
  void add_clause(const std::vector<Lit> &lits) { add_clause(lits.data(), lits.size()); }
  // Number of clauses given to the engine.
  size_t num_clauses() const { return num_clauses_; }
  // Solve under the given assumptions (none by default); true when
  // satisfiable.  Throws Stopped when the stop flag is raised, Interrupted
  // when the deadline passes.
  bool solve(const std::vector<Lit> &assumptions = {});
  // Throws as solve() would when the stop flag is raised or the deadline has
  // passed: for long work outside the engine, such as building an instance.
  void check_limits() const;
  // After an unsatisfiable solve under assumptions: whether any assumption was
  // needed for the refutation (false: unsatisfiable without them too).
  bool assumptions_failed() const { return assumptions_failed_; }
  // After an unsatisfiable solve under assumptions: whether this assumption
  // was among those the refutation used (false for one that was not given).
  bool failed(Lit assumption) const;
  // Value of a literal in the model after a satisfiable solve().
  bool value(Lit lit) const;
  // From now on solve() throws Interrupted when the deadline passes first
  // (checked by the engine as it searches, and before it starts); the stop
  // flag is watched as before.
  void set_deadline(Deadline deadline);

private:
  class Watch; // the engine's terminate callback: stop flag or deadline
  std::unique_ptr<CaDiCaL::Solver> engine_;
  std::unique_ptr<Watch> watch_; // null while there is neither deadline nor stop flag
  const std::atomic<int> *stop_;
  int8_t fixed(Lit lit) const; // +1 true, -1 false, 0 unknown at the root

  std::vector<int8_t> fixed_; // per variable, from unit clauses
  std::vector<Lit> kept_;
  std::vector<Lit> failed_; // assumptions used by the last refutation
  int num_vars_ = 1;
  size_t num_clauses_ = 0;
  bool inconsistent_ = false;
  bool assumptions_failed_ = false;
};

} // namespace sat
