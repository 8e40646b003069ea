#include "sat/sat.h"

#include <cadical.hpp>

namespace sat {

// The engine's question "stop now?": the stop flag is raised or the deadline passed.
class SatSolver::Watch : public CaDiCaL::Terminator {
public:
  Watch(const std::atomic<int> *stop, Deadline deadline) : stop_(stop), deadline_(deadline) {}
  bool stopped() const { return stop_ && stop_->load(std::memory_order_relaxed) != 0; }
  bool late() const { return deadline_ && std::chrono::steady_clock::now() >= *deadline_; }
  bool terminate() override { return stopped() || late(); }

private:
  const std::atomic<int> *stop_;
  Deadline deadline_;
};

SatSolver::SatSolver(const Options &options, const std::atomic<int> *stop)
    : engine_(new CaDiCaL::Solver), stop_(stop) {
  engine_->set("quiet", 1); // the engine must never write to standard output
  for (const auto &[name, value] : options)
    if (engine_->is_valid_option(name.c_str())) engine_->set(name.c_str(), value);
  engine_->add(1);
  engine_->add(0);
  set_deadline(std::nullopt); // watches the stop flag, if there is one
}

SatSolver::~SatSolver() {
  if (watch_) engine_->disconnect_terminator();
}

void SatSolver::set_deadline(Deadline deadline) {
  if (watch_) engine_->disconnect_terminator();
  watch_.reset();
  if (!deadline && !stop_) return;
  watch_ = std::make_unique<Watch>(stop_, deadline);
  engine_->connect_terminator(watch_.get());
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

void SatSolver::check_limits() const {
  if (watch_ && watch_->stopped()) throw Stopped();
  if (watch_ && watch_->late()) throw Interrupted();
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
  check_limits();
  for (Lit a : used) engine_->assume(a);
  const int status = engine_->solve();
  if (status != 10 && status != 20) { // only the watch stops the engine
    if (watch_ && watch_->stopped()) throw Stopped();
    throw Interrupted();
  }
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
