#include "census/word_family.h"

#include "census/error.h"
#include "census/orientation.h"
#include "census/word.h"

#include "sat/sat.h"

namespace census {

using sat::Lit;

// One instance for every graph on n vertices and K: the order of the copies
// (word.h), letter 0's first copy before all others (a cyclic shift of a
// representing uniform word represents the same graph), and per pair a < b
// the literals edge (ab is an edge) and first (a's copies go first):
//   edge & first   -> a1 b1 a2 b2 ...;   edge & -first -> b1 a1 b2 a2 ...;
//   -edge          -> neither alternating pattern.
class WordEngine::Shared {
public:
  Shared(int n, int k, const std::atomic<int> *stop);
  std::optional<std::vector<int>> solve(const Graph &g, sat::Deadline deadline);

private:
  Lit before(int a, int i, int b, int j) const {
    return before_[(a * k_ + i) * size_ + b * k_ + j];
  }
  void pair_clauses(int a, int b);

  int n_, k_, size_;
  sat::SatSolver sat_;
  std::vector<Lit> before_, edge_; // edge_[a * n + b] for a < b
};

WordEngine::Shared::Shared(int n, int k, const std::atomic<int> *stop)
    : n_(n), k_(k), size_(n * k), sat_({}, stop) {
  const Lit yes = sat_.lit_true();
  before_.assign(static_cast<size_t>(size_) * size_, 0);
  for (int x = 0; x < size_; ++x)
    for (int y = x + 1; y < size_; ++y) {
      // Copies of a letter in order; letter 0's first copy first.
      Lit l = x / k == y / k || x == 0 ? yes : sat_.new_var();
      before_[x * size_ + y] = l;
      before_[y * size_ + x] = -l;
    }
  add_transitivity(sat_, before_, size_);
  edge_.assign(static_cast<size_t>(n) * n, 0);
  for (int a = 0; a < n; ++a)
    for (int b = a + 1; b < n; ++b) pair_clauses(a, b);
}

void WordEngine::Shared::pair_clauses(int a, int b) {
  const Lit edge = edge_[a * n_ + b] = sat_.new_var(), first = sat_.new_var();
  for (int i = 0; i < k_; ++i)
    for (int j = 0; j < k_; ++j) {
      Lit l = before(a, i, b, j);
      if (i < j)
        sat_.add_clause({-edge, l});
      else if (i > j)
        sat_.add_clause({-edge, -l});
      else
        sat_.add_clause({-edge, -first, l}), sat_.add_clause({-edge, first, -l});
    }
  add_not_alternating(sat_, before_, size_, k_, a, b, edge); // switched off by "ab is an edge"
}

std::optional<std::vector<int>> WordEngine::Shared::solve(const Graph &g, sat::Deadline deadline) {
  sat_.set_deadline(deadline);
  std::vector<Lit> assumptions;
  for (int a = 0; a < n_; ++a)
    for (int b = a + 1; b < n_; ++b)
      assumptions.push_back(g.adjacent(a, b) ? edge_[a * n_ + b] : -edge_[a * n_ + b]);
  if (!sat_.solve(assumptions)) return std::nullopt;
  return word_of_model(sat_, before_, size_, k_);
}

WordEngine::WordEngine(WordSettings settings) : settings_(settings) {}

WordEngine::~WordEngine() = default;

void WordEngine::begin(const Graph &g, sat::Deadline deadline) {
  graph_ = &g;
  deadline_ = deadline;
  order_.reset();
  arcs_.reset();
}

const LetterOrder &WordEngine::order() {
  if (!order_) {
    if (!settings_.speedups)
      order_ = no_order();
    else
      order_ = settings_.symmetry ? symmetric_order(*graph_) : plain_order();
  }
  return *order_;
}

// Empty when the graph has none (then no word has any either).
const std::vector<Arc> &WordEngine::arcs() {
  if (!arcs_) {
    OrientationSearch search(*graph_); // freed before the word search builds its instance
    arcs_.emplace();
    if (search.solve(all_vertices(graph_->n))) *arcs_ = search.arcs();
  }
  return *arcs_;
}

// Large graphs: a uniform representing word orients every edge from the
// letter whose first occurrence comes first, and that orientation is
// semi-transitive (Halldorsson, Kitaev, Pyatkin, "Semi-transitive
// orientations and word-representable graphs", Discrete Appl. Math. 201
// (2016)).  Fixing one such orientation fixes the order of every two copies of
// adjacent letters and, through them, of many more: a far smaller search,
// which finds the word fast when that orientation has one (the 8x8 grid at
// K = 3).  It proves nothing when it finds none (another orientation may have
// one), so then the full search decides K; a K is only ever declared without
// a word by the full search.
std::optional<std::vector<int>> WordEngine::find(int k) {
  const Graph &g = *graph_;
  const bool shared = settings_.speedups && !settings_.fresh && g.n >= 2 &&
                      g.n <= kSharedMaxVertices && g.n * k <= kSharedMaxLetters;
  if (!shared) {
    if (settings_.speedups && sparse(g) && k >= 3 && g.n * k >= kOrientedMinLetters &&
        !arcs().empty())
      if (auto word = find_oriented_word(g, k, arcs(), {settings_.stop, deadline_})) return word;
    return find_word(g, k, order(), {settings_.stop, deadline_});
  }
  if (g.n != shared_n_) shared_.clear(), shared_n_ = g.n; // instances of one order at a time
  std::unique_ptr<Shared> &instance = shared_[k];
  if (!instance) instance = std::make_unique<Shared>(g.n, k, settings_.stop);
  return instance->solve(g, deadline_);
}

std::optional<std::vector<int>>
WordEngine::find_oriented(int k, std::chrono::steady_clock::time_point until) {
  if (arcs().empty()) return std::nullopt;
  if (deadline_) until = std::min(until, *deadline_);
  try {
    return find_oriented_word(*graph_, k, arcs(), {settings_.stop, until});
  } catch (const sat::Interrupted &) {
    return std::nullopt;
  } catch (const OverLimits &) {
    return std::nullopt;
  }
}

} // namespace census
