// The clauses of (k-)semi-transitive orientations, written once for both
// kinds of orientation instance:
//
//  - one graph, each clause carrying the negated selectors of the vertices it
//    mentions, so that solving under the selectors of a vertex set asks about
//    the subgraph induced by it (OrientationSearch, orientation.h);
//  - every graph of an order, with a literal per pair for "u v is an edge",
//    each clause about an arc guarded by that pair's literal and each
//    condition "x, y not adjacent" written as the literal itself
//    (OrientationFamily, orientation_family.h).
//
// Usage, once the variables are made:
//
//   OrientationVars vars{n, arcs, reach, through, {}, {}};
//   encode_orientation(sat, vars, OrientationGuards{&g, nullptr, &select}, 0);
#pragma once

#include "census/graph.h"

#include "sat/sat.h"

#include <vector>

namespace census {

// The variables of an orientation instance on n vertices; pair variables sit
// at index u * n + v.
struct OrientationVars {
  int n = 0;
  std::vector<sat::Lit> arc;     // per pair u < v: "u -> v" (0 for a pair that is no edge)
  std::vector<sat::Lit> reach;   // per ordered pair: "v is reachable from u"
  std::vector<sat::Lit> through; // per ordered pair, without a bound: see encode_orientation()
  std::vector<std::vector<sat::Lit>> near; // [l] per ordered pair, l = 1..k-1, with a bound k
  std::vector<std::vector<sat::Lit>> via;  // [j] per ordered pair, j = 2..k, with a bound k

  // "u -> v", given that u v is an edge.
  sat::Lit arc_of(int u, int v) const { return u < v ? arc[u * n + v] : -arc[v * n + u]; }
};

// What guards the clauses: a graph with per-vertex selectors, or, for every
// graph of the order, per-pair edge literals.
struct OrientationGuards {
  const Graph *graph = nullptr;                // the one graph; null: any pair may be an edge
  const std::vector<sat::Lit> *edge = nullptr; // without a graph: "u v is an edge" per ordered pair
  const std::vector<sat::Lit> *select = nullptr; // with a graph: per vertex
};

// The shortcut length the encodings use: 0 (any length) when shortcut_length
// is 0 or no path on n vertices is longer than shortcut_length arcs, else
// shortcut_length.
inline int effective_length(int shortcut_length, int n) {
  return shortcut_length > 0 && shortcut_length < n - 1 ? shortcut_length : 0;
}

// A fresh variable per ordered pair of distinct vertices, at index u * n + v (0 elsewhere).
std::vector<sat::Lit> new_pair_vars(sat::SatSolver &sat, int n);

// With a shortcut length >= 3: fresh near and via variables in vars (none for 0).
void new_bound_vars(sat::SatSolver &sat, OrientationVars &vars, int shortcut_length);

// How many clauses state through() for a graph of n vertices and m edges:
// over every triple (about n^3), or arc by arc (about n^2 + 2 m n, fewer for a
// sparse graph); the fewer is taken for one graph.
int64_t through_clauses(int64_t n, int64_t m, bool by_arcs);
// Whether one graph of n vertices and m edges gets through() arc by arc.
bool through_by_arcs(int64_t n, int64_t m);

// Adds to sat the clauses of an acyclic orientation without shortcuts
// (shortcut_length 0) or without shortcuts of shortcut_length arcs or fewer
// (shortcut_length as effective_length() gives it).  vars holds through without
// a bound, near and via with one.
void encode_orientation(sat::SatSolver &sat, const OrientationVars &vars,
                        const OrientationGuards &guards, int shortcut_length);

} // namespace census
