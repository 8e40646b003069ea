// One incremental orientation instance for every graph on n vertices.
//
// The constraints of census/orientation_clauses.h written once for all graphs
// of an order, with a literal per pair of vertices standing for "u v is an edge";
// a graph, or an induced subgraph of it, is a solve under assumptions on those
// literals (the pairs outside the subgraph assumed non-edges: an isolated
// vertex changes nothing).  Learned clauses follow from the universal
// constraints alone, so they carry over from graph to graph.  Usage:
//
//   OrientationFamily family(n, 0);
//   family.bind(g);                       // any graph on n vertices
//   if (family.solve(all_vertices(n))) use(family.arcs());
//   else w = minimal_witness(family, g, all_vertices(n), 0);
#pragma once

#include "census/graph.h"
#include "census/known.h"
#include "census/orientation.h"

#include "sat/sat.h"

#include <atomic>
#include <map>
#include <memory>
#include <vector>

namespace census {

class OrientationFamily : public OrientationSolver {
public:
  // shortcut_length: 0 for semi-transitive, k >= 3 for k-semi-transitive;
  // stop as for sat::SatSolver.
  OrientationFamily(int n, int shortcut_length, const std::atomic<int> *stop = nullptr);

  // The order this instance answers.
  int order() const { return n_; }
  // The graph solve() asks about from now on (on order() vertices; kept by reference).
  void bind(const Graph &g) { g_ = &g; }

  bool solve(Mask mask) override;
  const std::vector<Arc> &arcs() const override { return last_arcs_; }
  Mask core() const override { return core_; }

private:
  const int n_;
  const Graph *g_ = nullptr;
  sat::SatSolver sat_;
  std::vector<sat::Lit> edge_;   // per ordered pair, symmetric: "u v is an edge"
  OrientationVars vars_;         // arc for every pair
  std::vector<sat::Lit> assume_; // scratch
  std::vector<Arc> last_arcs_;
  Mask core_;
};

// The largest order answered by a family instance; larger graphs get an
// instance of their own.  A universal instance has about 3 n^3 clauses, and
// (1 + 3k) n^3 with a shortcut bound k: measured on 200 random graphs per
// order, it pays up to about 24 vertices (and loses near 32).
constexpr int kFamilyMaxOrder = 24;

// Whether graphs on n vertices get a family instance with the shortcut bound:
// orders up to kFamilyMaxOrder, and no more clauses than for that order
// without a bound (which keeps all of a run's instances to some 40 MiB).
bool family_order(int n, int shortcut_length);

// The orientation step of a run.  With family, a family instance per order
// seen (as family_order() allows) answers, and with known also the witnesses
// found so far are looked for among the vertices of a refutation's core
// before the witness search runs (heredity; see known.h).  Without family,
// or for other orders, an instance of its own per graph.
class OrientationEngines {
public:
  // stop as for sat::SatSolver, given to every instance.
  OrientationEngines(bool family, bool known, int shortcut_length,
                     const std::atomic<int> *stop = nullptr)
      : family_(family), known_(known), shortcut_length_(shortcut_length), stop_(stop) {}
  // True with the arcs of an orientation of g, or false with a minimal
  // witness (as for minimal_witness()) in *witness.
  bool orient(const Graph &g, std::vector<Arc> *arcs, Mask *witness);
  // Frees the family instances of every order but n (they are built again
  // when a graph of that order comes), to make room for a large instance.
  void keep_only(int n);

private:
  bool family_, known_;
  int shortcut_length_;
  const std::atomic<int> *stop_;
  std::map<int, std::unique_ptr<OrientationFamily>> by_order_;
  KnownWitnesses witnesses_;
};

} // namespace census
