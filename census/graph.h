// Graphs of the census: at most 20 vertices, adjacency as bit masks.
//
// Vertices are 0..n-1 inside the census and 1..n in everything it writes.
#pragma once

#include <cstdint>
#include <string>

namespace census {

// The largest graph the census answers (the programs' own limit).
constexpr int kMaxVertices = 20;

// A simple undirected graph.  adj[v] has bit u set when u and v are adjacent.
struct Graph {
  int n = 0;
  uint32_t adj[kMaxVertices] = {};

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
  Graph induced(uint32_t mask) const;
};

// The mask of all n vertices.
inline uint32_t all_vertices(int n) {
  return n >= 32 ? ~0u : (1u << n) - 1u;
}

// The vertices of mask, 1-based and ascending, separated by single spaces.
std::string format_vertices(uint32_t mask);

} // namespace census
