// Semi-transitive orientations through SAT, for a graph and every induced
// subgraph of it.
//
// One SAT instance holds the graph's constraints.  Each constraint carries
// the negated selectors of the vertices it mentions, so that solving under
// the selectors of a vertex set S asks exactly for a semi-transitive
// orientation of the subgraph induced by S.  Usage:
//
//   OrientationSearch search(g);
//   if (search.solve(all_vertices(g.n))) use(search.arcs());
//   else w = search.minimal_witness(all_vertices(g.n)); // minimal obstruction
#pragma once

#include "census/checks.h"
#include "census/graph.h"

#include "solver/sat.h"

#include <cstdint>
#include <vector>

namespace census {

class OrientationSearch {
public:
  explicit OrientationSearch(const Graph &g);

  // Whether the subgraph induced by mask has a semi-transitive orientation.
  bool solve(Mask mask);
  // After solve() returned true: the arcs among the vertices of that mask.
  std::vector<Arc> arcs() const { return last_arcs_; }
  // After solve() returned false: the vertices of mask the refutation used
  // (an induced subgraph without a semi-transitive orientation).
  Mask core() const { return core_; }

  // Precondition: solve(mask) is false.  A set W inside mask whose induced
  // subgraph has no semi-transitive orientation while W minus any one vertex
  // has one; each of those orientations is checked before W is returned.
  // Throws Error when a check fails.
  Mask minimal_witness(Mask mask);

private:
  smt::Lit arc(int u, int v) const; // "u -> v" for an edge u v
  smt::Lit reach(int u, int v) const { return reach_[u * g_.n + v]; }
  smt::Lit through(int u, int v) const { return through_[u * g_.n + v]; }
  void add(std::initializer_list<smt::Lit> lits, Mask vertices);
  void encode();

  const Graph &g_;
  smt::SatSolver sat_;
  std::vector<smt::Lit> select_;  // per vertex
  std::vector<smt::Lit> clause_;  // scratch
  std::vector<smt::Lit> arc_;     // per ordered pair u < v: "u -> v", 0 for non-edges
  std::vector<smt::Lit> reach_;   // per ordered pair: "v is reachable from u"
  std::vector<smt::Lit> through_; // per ordered pair: see encode()
  std::vector<Arc> last_arcs_;
  Mask core_ = 0;
};

} // namespace census
