#include "census/obstruction.h"

#include "census/error.h"
#include "census/orientation.h"

namespace census {

// Whether the five vertices of s induce a 5-cycle: on five vertices, every
// vertex with exactly two neighbours inside means a 5-cycle (the only other
// 2-regular graph, two disjoint cycles, needs six vertices).
static bool five_cycle(const Graph &g, Mask s) {
  for (int v : s)
    if (popcount(g.adj[v] & s) != 2) return false;
  return true;
}

// Five-element subsets of the vertices in pool, chosen from index i on.
static Mask search(const Graph &g, const int *pool, int size, int i, Mask chosen, int count) {
  if (count == 5) return five_cycle(g, chosen) ? chosen : Mask{};
  for (int j = i; j <= size - (5 - count); ++j) {
    Mask with = chosen | bit(pool[j]);
    // A chosen vertex may not have three chosen neighbours already.
    if (popcount(g.adj[pool[j]] & chosen) > 2) continue;
    if (Mask found = search(g, pool, size, j + 1, with, count + 1)) return found;
  }
  return {};
}

Mask find_wheel5(const Graph &g) {
  for (int hub = 0; hub < g.n; ++hub) {
    int pool[kMaxVertices], size = 0;
    for (int v : g.adj[hub]) pool[size++] = v;
    if (size < 5) continue;
    if (Mask rim = search(g, pool, size, 0, Mask{}, 0)) return rim | bit(hub);
  }
  return {};
}

void certify_wheel5(int shortcut_length) {
  Graph w;
  w.n = 6;
  for (int v = 1; v <= 5; ++v) {
    w.add_edge(0, v);
    w.add_edge(v, v % 5 + 1);
  }
  const Mask all = all_vertices(6);
  OrientationSearch search(w, shortcut_length);
  if (find_wheel5(w) != all || search.solve(all) ||
      minimal_witness(search, w, all, shortcut_length) != all)
    throw Error("internal: the wheel on six vertices is not a minimal obstruction here");
}

} // namespace census
