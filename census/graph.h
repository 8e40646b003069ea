// Graphs of the census: at most 256 vertices, adjacency as vertex sets.
//
// Vertices are 0..n-1 inside the census and 1..n in everything it writes.
#pragma once

#include "census/mask.h"

#include <utility>

namespace census {

// The largest graph the census answers (one bit per vertex in a Mask).
constexpr int kMaxVertices = Mask::kBits;

// The set holding only v.
inline Mask bit(int v) {
  return Mask{}.add(v);
}
// Number of vertices in m.
inline int popcount(const Mask &m) {
  return m.count();
}
// The smallest vertex of a nonempty m.
inline int lowest(const Mask &m) {
  return m.first();
}

// v's number among the vertices of set, as Graph::induced() renumbers them.
inline int index_in(const Mask &set, int v) {
  return popcount(set & Mask::below(v));
}

// An arc from .first to .second (0-based vertices).
using Arc = std::pair<int, int>;

// A simple undirected graph.  adj[v] has bit u set when u and v are adjacent.
struct Graph {
  int n = 0;
  Mask adj[kMaxVertices] = {};

  // Whether u and v are adjacent.
  bool adjacent(int u, int v) const { return adj[u].has(v); }
  // Join u and v (u != v).
  void add_edge(int u, int v);
  // Number of edges.
  int edges() const;
  // Size of a largest clique (0 for the graph on no vertices).
  int clique_number() const;
  // Whether every two distinct vertices are adjacent.
  bool complete() const;
  // The graph induced by the vertices in mask, renumbered in increasing order.
  Graph induced(Mask mask) const;
};

// The mask of all n vertices.
inline Mask all_vertices(int n) {
  return Mask::below(n);
}

} // namespace census
