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
#include "census/orientation_clauses.h"

#include "sat/sat.h"

#include <atomic>
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
// shortcut bound shortcut_length (0: any length).  A set W inside mask whose
// induced subgraph has no such orientation while W minus any one vertex has
// one; each of those orientations is checked before W is returned (and put
// in deletions when given: [i] for W minus its i-th vertex, ascending, arcs in
// g's numbering).  Throws Error when a check fails.
Mask minimal_witness(OrientationSolver &search, const Graph &g, Mask mask, int shortcut_length,
                     std::vector<std::vector<Arc>> *deletions = nullptr);

// The search over one graph, in an instance of its own.
class OrientationSearch : public OrientationSolver {
public:
  // shortcut_length: 0 for semi-transitive, k >= 3 for k-semi-transitive;
  // stop as for sat::SatSolver.
  explicit OrientationSearch(const Graph &g, int shortcut_length = 0,
                             const std::atomic<int> *stop = nullptr);

  bool solve(Mask mask) override;
  const std::vector<Arc> &arcs() const override { return last_arcs_; }
  Mask core() const override { return core_; }

private:
  const Graph &g_;
  sat::SatSolver sat_;
  std::vector<sat::Lit> select_; // per vertex
  OrientationVars vars_;         // arc only for the edges
  std::vector<Arc> last_arcs_;
  Mask core_;
};

// The most clauses a search instance may have (about 165 MiB in the SAT
// engine); a larger one is an Error for the graph, not a process out of memory.
// Graphs of more than 64 vertices, which the families never reach, may have
// kMaxLargeClauses (about 600 MiB, freed before the word step).
constexpr int64_t kMaxClauses = 1400000;
constexpr int64_t kMaxLargeClauses = 5000000;

// About how many clauses OrientationSearch builds for g with the shortcut bound.
int64_t search_clauses(const Graph &g, int shortcut_length);

} // namespace census
