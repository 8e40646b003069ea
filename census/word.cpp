#include "census/word.h"

#include "census/error.h"
#include "census/symmetry.h"

#include "sat/sat.h"

#include <algorithm>

namespace census {

using sat::Lit;

namespace {

// Bounds that keep one search within about 170 MiB: the copies of all
// letters, and the clauses given for their order (CaDiCaL takes 130 to 170
// bytes per such clause, learned clauses and its garbage collection
// included).  Before such a search the census frees the orientation
// instances of other orders, so that the process stays under 200 MiB.  When
// all transitivity clauses fit in the clause bound they are given at once;
// else only those that some model violates, up to that bound in all.  Graphs
// of more than 64 vertices (never part of the families this bound is for)
// may take up to about 900 MiB in one search.
struct Budget {
  int copies;
  int64_t clauses;
};
constexpr int kLargeGraph = 65; // vertices from which a graph has the large budget
constexpr Budget kBudget{640, 1120000};
constexpr Budget kLargeBudget{1024, 5000000};
constexpr int kMaxRounds = 500; // solves of the lazy form

// The order of the word's positions as one Boolean per pair of copies:
// copy i of letter a is element a*k + i, and before(x, y) means "x comes
// before y".  Copies of one letter are in order by construction.
class WordOrder {
public:
  // With arcs, the word's first occurrences orient the edges as they do.
  WordOrder(const Graph &g, int k, const LetterOrder &order, const sat::Limits &limits,
            const std::vector<Arc> *arcs = nullptr);
  std::optional<std::vector<int>> solve();

private:
  Lit &at(int x, int y) { return before_[x * size_ + y]; }
  Lit before(int a, int i, int b, int j) const {
    return before_[(a * k_ + i) * size_ + b * k_ + j];
  }
  void set(int a, int i, int b, int j, Lit l);
  void order_pairs();
  void order_first_copies();
  void order_implied_copies();
  bool transitive_model();
  std::string too_large(const std::string &what) const;

  const Graph &g_;
  int k_, size_;
  const LetterOrder &order_;
  sat::SatSolver sat_;
  std::vector<Lit> before_;
  const std::vector<Arc> *arcs_;
  Budget budget_;
  bool over_budget_ = false; // the lazy order reached budget_.clauses
};

WordOrder::WordOrder(const Graph &g, int k, const LetterOrder &order, const sat::Limits &limits,
                     const std::vector<Arc> *arcs)
    : g_(g), k_(k), size_(g.n * k), order_(order), sat_({}, limits.stop), arcs_(arcs),
      budget_(g.n >= kLargeGraph ? kLargeBudget : kBudget) {
  sat_.set_deadline(limits.deadline);
  if (size_ > budget_.copies)
    throw OverLimits(too_large("has more than " + std::to_string(budget_.copies) + " letters"));
  before_.assign(static_cast<size_t>(size_) * size_, 0);
  sat_.reserve(size_ * size_ / 2 + 2);
  order_pairs();
  order_first_copies();
  if (arcs_) order_implied_copies();
  const int64_t triples = int64_t(size_) * (size_ - 1) * (size_ - 2) / 6;
  if (2 * triples <= budget_.clauses) add_transitivity(sat_, before_, size_);
  for (int a = 0; a < g.n; ++a)
    for (int b = a + 1; b < g.n; ++b)
      if (!g.adjacent(a, b)) add_not_alternating(sat_, before_, size_, k_, a, b);
}

void WordOrder::set(int a, int i, int b, int j, Lit l) {
  at(a * k_ + i, b * k_ + j) = l;
  at(b * k_ + j, a * k_ + i) = -l;
}

// Copies of a letter in order.  Two adjacent letters alternate, so one
// Boolean (whose first copy comes first) decides their whole order.  The
// start letter's first copy comes before every other copy.
void WordOrder::order_pairs() {
  const Lit yes = sat_.lit_true();
  const int s = order_.start;
  for (int a = 0; a < g_.n; ++a)
    for (int i = 0; i < k_; ++i)
      for (int j = i + 1; j < k_; ++j) set(a, i, a, j, yes);
  for (int a = 0; a < g_.n; ++a)
    for (int b = a + 1; b < g_.n; ++b) {
      if (g_.adjacent(a, b)) {
        // a's copies go first: a1 b1 a2 b2 ...
        Lit first = a == s ? yes : b == s ? -yes : sat_.new_var();
        if (arcs_)
          first = std::find(arcs_->begin(), arcs_->end(), Arc(a, b)) != arcs_->end() ? yes : -yes;
        for (int i = 0; i < k_; ++i)
          for (int j = 0; j < k_; ++j) set(a, i, b, j, i < j ? yes : i > j ? -yes : first);
        continue;
      }
      for (int i = 0; i < k_; ++i)
        for (int j = 0; j < k_; ++j)
          set(a, i, b, j, a == s && i == 0 ? yes : b == s && j == 0 ? -yes : sat_.new_var());
    }
}

// The first copies the letter order puts before others.
void WordOrder::order_first_copies() {
  for (const auto &[v, u] : order_.first) sat_.add_clause({before(v, 0, u, 0)});
}

// With the orientation fixed, the order of many copies follows from the arcs
// alone (a1 < b1 < a2 < ... for an arc a -> b, and on along directed paths):
// those pairs become constants, and the clauses they satisfy vanish.
void WordOrder::order_implied_copies() {
  const Lit yes = sat_.lit_true();
  std::vector<std::vector<bool>> reach(size_, std::vector<bool>(size_));
  for (int x = 0; x < size_; ++x)
    for (int y = 0; y < size_; ++y) reach[x][y] = at(x, y) == yes;
  for (int z = 0; z < size_; ++z) { // Floyd-Warshall on the "comes before" relation
    if (z % 64 == 0) sat_.check_limits();
    for (int x = 0; x < size_; ++x)
      if (reach[x][z])
        for (int y = 0; y < size_; ++y)
          if (reach[z][y]) reach[x][y] = true;
  }
  for (int x = 0; x < size_; ++x)
    for (int y = 0; y < size_; ++y) {
      if (!reach[x][y] || at(x, y) == yes) continue;
      if (reach[y][x]) throw Error("the arcs given to the word search have a cycle");
      at(x, y) = yes;
      at(y, x) = -yes;
    }
}

std::string WordOrder::too_large(const std::string &what) const {
  return "a " + std::to_string(k_) + "-uniform word on " + std::to_string(g_.n) + " vertices " +
         what;
}

// Whether the model orders the copies; if not, the clauses against each of
// its cycles of three are added (the lazy form of add_transitivity() for
// instances too large to give whole).
bool WordOrder::transitive_model() {
  std::vector<char> value(static_cast<size_t>(size_) * size_);
  for (int x = 0; x < size_; ++x)
    for (int y = x + 1; y < size_; ++y) value[x * size_ + y] = sat_.value(at(x, y));
  bool order = true;
  for (int x = 0; x < size_; ++x) {
    if (x % 16 == 0) sat_.check_limits(); // a large instance: the deadline holds here too
    for (int y = x + 1; y < size_; ++y)
      for (int z = y + 1; z < size_; ++z) {
        char xy = value[x * size_ + y], yz = value[y * size_ + z], xz = value[x * size_ + z];
        if (xy == yz && xy != xz) {
          order = false;
          Lit l = at(x, y), m = at(y, z), r = at(x, z);
          sat_.add_clause(xy ? std::initializer_list<Lit>{-l, -m, r}
                             : std::initializer_list<Lit>{l, m, -r});
          if (sat_.num_clauses() > static_cast<size_t>(budget_.clauses)) {
            over_budget_ = true;
            if (arcs_) return false;
            throw OverLimits(
                too_large("needs more than " + std::to_string(budget_.clauses) + " clauses"));
          }
        }
      }
  }
  return order;
}

std::optional<std::vector<int>> WordOrder::solve() {
  for (int round = 0;; ++round) {
    if (!sat_.solve()) return std::nullopt;
    if (transitive_model()) break;
    if (over_budget_ || (arcs_ && round == kMaxRounds)) return std::nullopt; // nothing proved
    if (round == kMaxRounds)
      throw OverLimits("no order of the " + std::to_string(size_) + " letters of a " +
                       std::to_string(k_) + "-uniform word after " + std::to_string(kMaxRounds) +
                       " rounds");
  }
  return word_of_model(sat_, before_, size_, k_);
}

} // namespace

void add_not_alternating(sat::SatSolver &sat, const std::vector<Lit> &before, int size, int k,
                         int a, int b, Lit guard) {
  auto copies = [&](int i, int j) { return before[(a * k + i) * size + b * k + j]; };
  std::vector<Lit> a_first, b_first;
  if (guard != 0) a_first.push_back(guard), b_first.push_back(guard);
  for (int i = 0; i < k; ++i) {
    a_first.push_back(-copies(i, i));
    b_first.push_back(copies(i, i));
    if (i + 1 < k) {
      a_first.push_back(copies(i + 1, i));
      b_first.push_back(-copies(i, i + 1));
    }
  }
  sat.add_clause(a_first);
  sat.add_clause(b_first);
}

void add_transitivity(sat::SatSolver &sat, const std::vector<Lit> &before, int size) {
  for (int x = 0; x < size; ++x)
    for (int y = x + 1; y < size; ++y)
      for (int z = y + 1; z < size; ++z) {
        Lit xy = before[x * size + y], yz = before[y * size + z], xz = before[x * size + z];
        sat.add_clause({-xy, -yz, xz});
        sat.add_clause({xy, yz, -xz});
      }
}

std::vector<int> word_of_model(const sat::SatSolver &sat, const std::vector<Lit> &before, int size,
                               int k) {
  // Each copy's position is the number of copies before it.
  std::vector<int> word(size, -1);
  for (int x = 0; x < size; ++x) {
    int position = 0;
    for (int y = 0; y < size; ++y)
      if (y != x && sat.value(before[y * size + x])) ++position;
    if (position >= size || word[position] != -1) throw Error("the model is not an order");
    word[position] = x / k;
  }
  return word;
}

std::optional<std::vector<int>> find_word(const Graph &g, int k, const LetterOrder &order,
                                          const sat::Limits &limits) {
  return WordOrder(g, k, order, limits).solve();
}

std::optional<std::vector<int>>
find_oriented_word(const Graph &g, int k, const std::vector<Arc> &arcs, const sat::Limits &limits) {
  // No letter order: which letter starts, and the orbits' first copies, are
  // fixed by the arcs already as far as this search goes.
  const LetterOrder none = no_order();
  return WordOrder(g, k, none, limits, &arcs).solve();
}

} // namespace census
