#include "census/graph.h"

namespace census {

void Graph::add_edge(int u, int v) {
  adj[u] |= bit(v);
  adj[v] |= bit(u);
}

int Graph::edges() const {
  int twice = 0;
  for (int v = 0; v < n; ++v) twice += popcount(adj[v]);
  return twice / 2;
}

// Largest clique containing the vertices chosen so far (size) and only
// vertices of cand: plain branch and bound, ample for 20 vertices.
static int grow_clique(const Graph &g, Mask cand, int size, int best) {
  if (!cand) return size > best ? size : best;
  if (size + popcount(cand) <= best) return best;
  int v = lowest(cand);
  best = grow_clique(g, cand & g.adj[v], size + 1, best);
  return grow_clique(g, cand & ~bit(v), size, best);
}

int Graph::clique_number() const {
  return grow_clique(*this, all_vertices(n), 0, 0);
}

bool Graph::complete() const {
  for (int v = 0; v < n; ++v)
    if (adj[v] != (all_vertices(n) & ~bit(v))) return false;
  return true;
}

Graph Graph::induced(Mask mask) const {
  Graph h;
  int index[kMaxVertices];
  for (int v = 0; v < n; ++v)
    if (mask.has(v)) index[v] = h.n++;
  for (int u = 0; u < n; ++u)
    for (int v = u + 1; v < n; ++v)
      if (mask.has(u) && mask.has(v) && adjacent(u, v)) h.add_edge(index[u], index[v]);
  return h;
}

} // namespace census
