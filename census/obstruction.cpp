#include "obstruction.h"

#include "error.h"
#include "orientation.h"

namespace census {

// Whether the five vertices of s induce a 5-cycle: on five vertices, every
// vertex with exactly two neighbours inside means a 5-cycle (the only other
// 2-regular graph, two disjoint cycles, needs six vertices).
static bool five_cycle(const Graph &g, uint32_t s) {
  for (uint32_t m = s; m; m &= m - 1)
    if (__builtin_popcount(g.adj[__builtin_ctz(m)] & s) != 2) return false;
  return true;
}

// Five-element subsets of the vertices in pool, chosen from index i on.
static uint32_t search(const Graph &g, const int *pool, int size, int i, uint32_t chosen,
                       int count) {
  if (count == 5) return five_cycle(g, chosen) ? chosen : 0;
  for (int j = i; j <= size - (5 - count); ++j) {
    uint32_t with = chosen | 1u << pool[j];
    // A chosen vertex may not have three chosen neighbours already.
    if (__builtin_popcount(g.adj[pool[j]] & chosen) > 2) continue;
    if (uint32_t found = search(g, pool, size, j + 1, with, count + 1)) return found;
  }
  return 0;
}

uint32_t find_wheel5(const Graph &g) {
  for (int hub = 0; hub < g.n; ++hub) {
    int pool[kMaxVertices], size = 0;
    for (uint32_t m = g.adj[hub]; m; m &= m - 1) pool[size++] = __builtin_ctz(m);
    if (size < 5) continue;
    if (uint32_t rim = search(g, pool, size, 0, 0, 0)) return rim | 1u << hub;
  }
  return 0;
}

void certify_wheel5() {
  Graph w;
  w.n = 6;
  for (int v = 1; v <= 5; ++v) {
    w.add_edge(0, v);
    w.add_edge(v, v % 5 + 1);
  }
  const uint32_t all = all_vertices(6);
  OrientationSearch search(w);
  if (find_wheel5(w) != all || search.solve(all) || search.minimal_witness(all) != all)
    throw Error("internal: the wheel on six vertices is not a minimal obstruction here");
}

} // namespace census
