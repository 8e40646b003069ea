#include "sat/sat.h"

#include <cadical.hpp>

namespace sat {

class SatSolver::Clock : public CaDiCaL::Terminator {
public:
  explicit Clock(std::chrono::steady_clock::time_point deadline) : deadline_(deadline) {}
  bool terminate() override { return std::chrono::steady_clock::now() >= deadline_; }

private:
  std::chrono::steady_clock::time_point deadline_;
};

SatSolver::SatSolver(const Options &options) : engine_(new CaDiCaL::Solver) {
  engine_->set("quiet", 1); // the engine must never write to standard output
  for (const auto &[name, value] : options)
    if (engine_->is_valid_option(name.c_str())) engine_->set(name.c_str(), value);
  engine_->add(1);
  engine_->add(0);
}

SatSolver::~SatSolver() {
  if (clock_) engine_->disconnect_terminator();
}

void SatSolver::set_deadline(Deadline deadline) {
  if (clock_) engine_->disconnect_terminator();
  clock_.reset();
  if (!deadline) return;
  clock_ = std::make_unique<Clock>(*deadline);
  engine_->connect_terminator(clock_.get());
}

void SatSolver::reserve(int vars) {
  engine_->reserve(vars);
}

int8_t SatSolver::fixed(Lit lit) const {
  if (lit == 1) return 1;
  if (lit == -1) return -1;
  size_t v = static_cast<size_t>(lit > 0 ? lit : -lit);
  if (v >= fixed_.size()) return 0;
  return static_cast<int8_t>(lit > 0 ? fixed_[v] : -fixed_[v]);
}

void SatSolver::add_clause(const Lit *lits, size_t n) {
  kept_.clear();
  for (size_t i = 0; i < n; ++i) {
    int8_t f = fixed(lits[i]);
    if (f > 0) return; // satisfied
    if (f == 0) kept_.push_back(lits[i]);
  }
  if (kept_.empty()) {
    inconsistent_ = true;
    return;
  }
  if (kept_.size() == 1) {
    size_t v = static_cast<size_t>(kept_[0] > 0 ? kept_[0] : -kept_[0]);
    if (v >= fixed_.size()) fixed_.resize(v + 1024, 0);
    fixed_[v] = kept_[0] > 0 ? 1 : -1;
  }
  for (Lit l : kept_) engine_->add(l);
  engine_->add(0);
  ++num_clauses_;
}

bool SatSolver::solve(const std::vector<Lit> &assumptions) {
  assumptions_failed_ = false;
  failed_.clear();
  if (inconsistent_) return false;
  std::vector<Lit> used;
  for (Lit a : assumptions) {
    int8_t f = fixed(a);
    if (f < 0) {
      assumptions_failed_ = true; // contradicts a unit: unsatisfiable under it
      failed_.push_back(a);
      return false;
    }
    if (f == 0) used.push_back(a); // assumptions fixed true are left out
  }
  if (clock_ && clock_->terminate()) throw Interrupted();
  for (Lit a : used) engine_->assume(a);
  const int status = engine_->solve();
  if (status != 10 && status != 20) throw Interrupted(); // only the deadline stops the engine
  bool sat = status == 10;
  if (!sat)
    for (Lit a : used)
      if (engine_->failed(a)) failed_.push_back(a);
  assumptions_failed_ = !failed_.empty();
  return sat;
}

bool SatSolver::failed(Lit assumption) const {
  for (Lit a : failed_)
    if (a == assumption) return true;
  return false;
}

bool SatSolver::value(Lit lit) const {
  int v = lit > 0 ? lit : -lit;
  if (v > engine_->vars()) return lit < 0; // never used: free, pick false
  return engine_->val(lit) > 0;
}

} // namespace sat
