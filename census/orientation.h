// Semi-transitive orientations through SAT, for a graph and every induced
// subgraph of it.
//
// One SAT instance holds the graph's constraints.  Each constraint carries
// the negated selectors of the vertices it mentions, so that solving under
// the selectors of a vertex set S asks exactly for a semi-transitive
// orientation of the subgraph induced by S.  With a shortcut bound k >= 3 the
// question is k-semi-transitivity: acyclic, and no shortcut of k arcs or
// fewer.  Usage:
//
//   OrientationSearch search(g);
//   if (search.solve(all_vertices(g.n))) use(search.arcs());
//   else w = minimal_witness(search, g, all_vertices(g.n), 0); // minimal obstruction
#pragma once

#include "census/checks.h"
#include "census/graph.h"

#include "solver/sat.h"

#include <cstdint>
#include <vector>

namespace census {

// What the witness search needs of a search over the induced subgraphs of one graph.
class OrientationSolver {
public:
  virtual ~OrientationSolver() = default;
  // Whether the subgraph induced by mask has a (k-)semi-transitive orientation.
  virtual bool solve(Mask mask) = 0;
  // After solve() returned true: the arcs among the vertices of that mask.
  virtual const std::vector<Arc> &arcs() const = 0;
  // After solve() returned false: vertices of mask whose induced subgraph has
  // no such orientation either (those the refutation used).
  virtual Mask core() const = 0;
};

// Precondition: search.solve(mask) is false, search answering for g with the
// shortcut bound max_shortcut (0: any length).  A set W inside mask whose
// induced subgraph has no such orientation while W minus any one vertex has
// one; each of those orientations is checked before W is returned (and put
// in deletions when given: [i] for W minus its i-th vertex, ascending, arcs in
// g's numbering).  Throws Error when a check fails.
Mask minimal_witness(OrientationSolver &search, const Graph &g, Mask mask, int max_shortcut,
                     std::vector<std::vector<Arc>> *deletions = nullptr);

// The search over one graph, in an instance of its own.
class OrientationSearch : public OrientationSolver {
public:
  // max_shortcut: 0 for semi-transitive, k >= 3 for k-semi-transitive.
  explicit OrientationSearch(const Graph &g, int max_shortcut = 0);

  bool solve(Mask mask) override;
  const std::vector<Arc> &arcs() const override { return last_arcs_; }
  Mask core() const override { return core_; }

private:
  smt::Lit arc(int u, int v) const; // "u -> v" for an edge u v
  smt::Lit reach(int u, int v) const { return reach_[u * g_.n + v]; }
  smt::Lit through(int u, int v) const { return through_[u * g_.n + v]; }
  smt::Lit near(int l, int u, int v) const { return near_[l][u * g_.n + v]; }
  smt::Lit via(int j, int u, int v) const { return via_[j][u * g_.n + v]; }
  void add(std::initializer_list<smt::Lit> lits, Mask vertices);
  void encode_acyclic();
  void encode_shortcuts();
  void encode_bounded(int k);

  const Graph &g_;
  smt::SatSolver sat_;
  std::vector<smt::Lit> select_;            // per vertex
  std::vector<smt::Lit> clause_;            // scratch
  std::vector<smt::Lit> arc_;               // per ordered pair u < v: "u -> v", 0 for non-edges
  std::vector<smt::Lit> reach_;             // per ordered pair: "v is reachable from u"
  std::vector<smt::Lit> through_;           // per ordered pair: see encode_shortcuts()
  std::vector<std::vector<smt::Lit>> near_; // [l] per ordered pair, l = 1..k-1
  std::vector<std::vector<smt::Lit>> via_;  // [j] per ordered pair, j = 2..k
  std::vector<Arc> last_arcs_;
  Mask core_ = 0;
};

// A fresh variable per ordered pair of distinct vertices, at index u * n + v (0 elsewhere).
std::vector<smt::Lit> new_pair_vars(smt::SatSolver &sat, int n);

// The bound the encodings use: 0 (any length) when k is 0 or no path on n
// vertices is longer than k arcs, else k.
inline int effective_bound(int k, int n) {
  return k > 0 && k < n - 1 ? k : 0;
}

// The most clauses a search instance may have (about 165 MiB in the SAT
// engine); a larger one is an Error for the graph, not a process out of memory.
constexpr int64_t kMaxClauses = 1400000;

// About how many clauses OrientationSearch builds for g with the shortcut bound.
int64_t search_clauses(const Graph &g, int max_shortcut);

} // namespace census
