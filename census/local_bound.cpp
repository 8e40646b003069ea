#include "census/local_bound.h"

#include "census/symmetry.h"
#include "census/word.h"

#include <algorithm>
#include <string>
#include <vector>

namespace census {

// Distances from v (-1: unreachable).
static std::vector<int> distances(const Graph &g, int v) {
  std::vector<int> d(g.n, -1);
  std::vector<int> queue{v};
  d[v] = 0;
  for (size_t i = 0; i < queue.size(); ++i)
    for (int u = 0; u < g.n; ++u)
      if (g.adjacent(queue[i], u) && d[u] < 0) d[u] = d[queue[i]] + 1, queue.push_back(u);
  return d;
}

// All vertices within distance r of v, for the largest r that keeps at most
// kMaxLocal2 of them.
static Mask ball(const Graph &g, const std::vector<int> &from) {
  Mask inside;
  for (int r = 0;; ++r) {
    Mask next = inside;
    for (int u = 0; u < g.n; ++u)
      if (from[u] == r) next.add(u);
    if (next == inside || popcount(next) > kMaxLocal2) return inside;
    inside = next;
  }
}

// The largest interval I(v, u) (the vertices on shortest v-u paths) of at
// most kMaxLocal2 vertices; the first such u in vertex order on a tie.
static Mask interval(const Graph &g, const std::vector<std::vector<int>> &distance, int v) {
  const std::vector<int> &from = distance[v];
  Mask best;
  for (int u = 0; u < g.n; ++u) {
    if (from[u] < 2) continue;
    const std::vector<int> &to = distance[u];
    Mask on;
    for (int w = 0; w < g.n; ++w)
      if (from[w] >= 0 && from[w] + to[w] == from[u]) on.add(w);
    if (popcount(on) <= kMaxLocal2 && popcount(on) > popcount(best)) best = on;
  }
  return best;
}

static std::string reason(const Graph &g, Mask set, int k) {
  std::string vertices;
  for (int u = 0; u < g.n; ++u)
    if (set.has(u)) vertices += (vertices.empty() ? "" : " ") + std::to_string(u + 1);
  return "induced subgraph " + vertices + ": " + std::to_string(k);
}

LowerBound local_lower_bound(const Graph &g, int tries, const sat::Limits &limits) {
  std::vector<Mask> sets;
  const int step = g.n > tries ? (g.n + tries - 1) / tries : 1;
  std::vector<std::vector<int>> distance(g.n); // between every two vertices, computed once
  for (int v = 0; v < g.n; ++v) distance[v] = distances(g, v);
  for (int v = 0; v < g.n; v += step) {
    for (Mask set : {ball(g, distance[v]), interval(g, distance, v)})
      if (popcount(set) >= 5 && std::find(sets.begin(), sets.end(), set) == sets.end())
        sets.push_back(set);
  }
  for (int k : {3, 2}) // a subgraph without a 3-uniform word has none with 2 either
    for (Mask set : sets) {
      if (popcount(set) > (k == 3 ? kMaxLocal3 : kMaxLocal2)) continue;
      const Graph sub = g.induced(set);
      if (sub.complete()) continue;
      if (!find_word(sub, k, symmetric_order(sub), limits)) return {k + 1, reason(g, set, k + 1)};
    }
  return {};
}

} // namespace census
