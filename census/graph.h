// Graphs of the census: at most 64 vertices, adjacency as bit masks.
//
// Vertices are 0..n-1 inside the census and 1..n in everything it writes.
#pragma once

#include <cstdint>
#include <utility>

namespace census {

// The largest graph the census answers (one bit per vertex in a Mask).
constexpr int kMaxVertices = 64;

// A set of vertices, vertex v as bit v.
using Mask = uint64_t;

// The set holding only v.
inline Mask bit(int v) {
  return Mask{1} << v;
}
// Number of vertices in m.
inline int popcount(Mask m) {
  return __builtin_popcountll(m);
}
// The smallest vertex of a nonempty m.
inline int lowest(Mask m) {
  return __builtin_ctzll(m);
}

// v's number among the vertices of set, as Graph::induced() renumbers them.
inline int index_in(Mask set, int v) {
  return popcount(set & (bit(v) - 1));
}

// An arc from .first to .second (0-based vertices).
using Arc = std::pair<int, int>;

// A simple undirected graph.  adj[v] has bit u set when u and v are adjacent.
struct Graph {
  int n = 0;
  Mask adj[kMaxVertices] = {};

  // Whether u and v are adjacent.
  bool adjacent(int u, int v) const { return (adj[u] >> v) & 1u; }
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
  return n >= 64 ? ~Mask{0} : bit(n) - 1;
}

} // namespace census
