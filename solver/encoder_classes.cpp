// The encoder's permutation classes: one Boolean per pair of members,
// transitivity, rank facts (minimum, maximum), the orders implied by
// disjunctions of order chains and the preferred copy orders.
#include "solver/encoder.h"

#include "solver/error.h"

#include <algorithm>
#include <tuple>

namespace smt {

Lit Encoder::before(uint32_t k, uint32_t i, uint32_t j) const {
  size_t n = ints_.classes[k].members.size();
  return i < j ? pairs_[k][i * n + j] : -pairs_[k][j * n + i];
}

void Encoder::add_pairs() {
  pairs_.resize(ints_.classes.size());
  min_.resize(ints_.classes.size());
  max_.resize(ints_.classes.size());
  for (size_t k = 0; k < ints_.classes.size(); ++k) {
    uint64_t n = ints_.classes[k].members.size();
    // The pair variables and, to come in finish(), the transitivity clauses.
    uint64_t pairs = n * (n - 1) / 2, triples = n < 3 ? 0 : pairs * (n - 2) / 3;
    at_ = ints_.classes[k].source;
    reserve(at_, kVarCost * pairs + 6 * triples);
    pairs_[k].assign(n * n, 0);
    min_[k].assign(n, 0);
    max_[k].assign(n, 0);
    for (size_t i = 0; i < n; ++i)
      for (size_t j = i + 1; j < n; ++j) pairs_[k][i * n + j] = fresh();
  }
}

void Encoder::add_transitivity() {
  for (size_t k = 0; k < ints_.classes.size(); ++k) {
    at_ = ints_.classes[k].source;
    size_t n = ints_.classes[k].members.size();
    const std::vector<Lit> &p = pairs_[k];
    for (size_t i = 0; i < n; ++i)
      for (size_t j = i + 1; j < n; ++j)
        for (size_t l = j + 1; l < n; ++l) {
          Lit ij = p[i * n + j], jl = p[j * n + l], il = p[i * n + l];
          add({-ij, -jl, il});
          add({ij, jl, -il});
        }
  }
}

Lit Encoder::extreme(uint32_t k, uint32_t i, bool max) {
  Lit &m = (max ? max_ : min_)[k][i];
  if (m) return m;
  m = fresh();
  uint32_t n = static_cast<uint32_t>(ints_.classes[k].members.size());
  std::vector<Lit> back{m};
  for (uint32_t j = 0; j < n; ++j) {
    if (j == i) continue;
    Lit b = max ? before(k, j, i) : before(k, i, j);
    add({-m, b});
    back.push_back(-b);
  }
  add(back);
  return m;
}

Lit Encoder::class_atom(TermId t) {
  Kind k = s_.kind(t);
  if (k == Kind::Distinct) return sat_.lit_true();
  TermId a = s_.child(t, 0), b = s_.child(t, 1);
  if (s_.kind(a) != Kind::Num && s_.kind(b) != Kind::Num) {
    uint32_t cls = ints_.class_of[a];
    if (k == Kind::Eq) return -sat_.lit_true();
    return before(cls, ints_.index_in[a], ints_.index_in[b]);
  }
  bool first = s_.kind(a) != Kind::Num;
  TermId x = first ? a : b;
  uint32_t cls = ints_.class_of[x], i = ints_.index_in[x];
  const PermClass &pc = ints_.classes[cls];
  int64_t hi = pc.lo + int64_t(pc.members.size()) - 1;
  switch (rank_fact(k, first, s_.value(first ? b : a), pc.lo, hi)) {
  case RankFact::True:
    return sat_.lit_true();
  case RankFact::False:
    return -sat_.lit_true();
  case RankFact::IsMin:
    return extreme(cls, i, false);
  case RankFact::IsMax:
    return extreme(cls, i, true);
  case RankFact::NotMin:
    return -extreme(cls, i, false);
  case RankFact::NotMax:
    return -extreme(cls, i, true);
  default:
    throw SmtError(bench_.where(t) + ": internal error: unsupported rank comparison");
  }
}

// Each top-level disjunction of conjunctions of order atoms of one class
// implies the orders common to the transitive closures of all its disjuncts.
void Encoder::add_implied_orders() {
  for (TermId c : ints_.conjuncts) {
    if (s_.kind(c) != Kind::Or) continue;
    at_ = c;
    int32_t cls = -1;
    std::vector<std::pair<uint32_t, uint32_t>> common;
    bool first = true;
    for (uint32_t d = 0; d < s_.num_children(c) && (first || !common.empty()); ++d) {
      TermId dj = s_.child(c, d);
      std::vector<TermId> facts;
      if (s_.kind(dj) == Kind::And)
        facts.assign(s_.children(dj), s_.children(dj) + s_.num_children(dj));
      else
        facts.push_back(dj);
      std::vector<uint32_t> local;
      std::vector<std::pair<uint32_t, uint32_t>> edges;
      for (TermId f : facts) {
        if (s_.kind(f) != Kind::Lt && s_.kind(f) != Kind::Le) continue;
        TermId a = s_.child(f, 0), b = s_.child(f, 1);
        int32_t ka = ints_.class_of[a];
        if (ka < 0 || ints_.class_of[b] != ka) continue;
        if (cls < 0) cls = ka;
        if (ka != cls) continue;
        edges.emplace_back(ints_.index_in[a], ints_.index_in[b]);
        local.push_back(ints_.index_in[a]);
        local.push_back(ints_.index_in[b]);
      }
      std::sort(local.begin(), local.end());
      local.erase(std::unique(local.begin(), local.end()), local.end());
      size_t m = local.size();
      auto at = [&](uint32_t x) {
        return std::lower_bound(local.begin(), local.end(), x) - local.begin();
      };
      std::vector<char> r(m * m, 0);
      for (auto &e : edges) r[at(e.first) * m + at(e.second)] = 1;
      for (size_t k = 0; k < m; ++k)
        for (size_t i = 0; i < m; ++i)
          if (r[i * m + k])
            for (size_t j = 0; j < m; ++j)
              if (r[k * m + j]) r[i * m + j] = 1;
      std::vector<std::pair<uint32_t, uint32_t>> closure;
      for (size_t i = 0; i < m; ++i)
        for (size_t j = 0; j < m; ++j)
          if (i != j && r[i * m + j]) closure.emplace_back(local[i], local[j]);
      if (first) {
        common = closure;
      } else {
        std::vector<std::pair<uint32_t, uint32_t>> kept;
        std::sort(closure.begin(), closure.end());
        for (auto &e : common)
          if (std::binary_search(closure.begin(), closure.end(), e)) kept.push_back(e);
        common.swap(kept);
      }
      first = false;
    }
    for (auto &e : common)
      if (e.first != e.second) add({before(cls, e.first, e.second)});
  }
}

std::vector<Lit> Encoder::preferred_orders() const {
  // f(i, j) of a class symbol f: copy j of letter i.
  struct Copy {
    uint32_t sym;
    int64_t letter, index;
    TermId app;
    bool operator<(const Copy &o) const {
      return std::tie(sym, letter, index, app) < std::tie(o.sym, o.letter, o.index, o.app);
    }
  };
  std::vector<Copy> copies;
  for (TermId t : s_.ground_apps()) {
    if (s_.sort(t) != Sort::Int || s_.num_children(t) != 2 || ints_.class_of[t] < 0) continue;
    copies.push_back({s_.node(t).sym, s_.value(s_.child(t, 0)), s_.value(s_.child(t, 1)), t});
  }
  std::sort(copies.begin(), copies.end());
  std::vector<Lit> out;
  for (size_t i = 0; i + 1 < copies.size(); ++i) {
    const Copy &a = copies[i], &b = copies[i + 1];
    if (a.sym != b.sym || a.letter != b.letter) continue;
    if (ints_.class_of[a.app] != ints_.class_of[b.app]) continue;
    out.push_back(before(ints_.class_of[a.app], ints_.index_in[a.app], ints_.index_in[b.app]));
  }
  return out;
}

} // namespace smt
