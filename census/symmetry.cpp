// Why LetterOrder is sound.  Let v1 be the start letter, G the automorphism
// group, and v2, v3, ... base points with G_i the automorphisms fixing
// v1 .. v_i and O_i the orbit of v_i under G_(i-1).  Take any K-uniform word w
// representing the graph.
//   Step 1: shift w cyclically so that it begins with v1 (a cyclic shift of a
//   uniform representing word represents the same graph: Kitaev, Pyatkin, "On
//   representable graphs", J. Autom. Lang. Comb. 13 (2008), Proposition 5).
//   Step i >= 2: among the letters of O_i take the one whose first copy comes
//   first and rename the letters by some g in G_(i-1) that maps it to v_i
//   (renaming by an automorphism keeps a representing word one).  Now v_i's
//   first copy comes before those of the other letters of O_i.  g fixes
//   v1 .. v_(i-1), so the word still begins with v1, and for j < i it maps
//   O_j onto itself and fixes v_j, so v_j's first copy still comes first in
//   O_j.
// The result obeys every constraint: the start letter and, for each i >= 2,
// first(v_i) < first(u) for u in O_i.  This is the orbit-based value
// precedence of Puget ("Breaking symmetries in symmetric matrices", CP 2005)
// applied to first occurrences, with the cyclic shift spent on the start.
#include "census/symmetry.h"

// nauty's build for 64-bit set words and any number of vertices (libnautyL0).
#define WORDSIZE 64
#define MAXN 0
#include <nauty.h>

#include <algorithm>

// Outside the census namespace: nauty's set macros use a name of its own
// that census::bit would hide.
namespace {

// Orbits of the automorphisms of g fixing every vertex of fixed (in order):
// orbit[v] is the least vertex of v's orbit.
std::vector<int> stabiliser_orbits(const census::Graph &g, const std::vector<int> &fixed) {
  const int n = g.n, m = SETWORDSNEEDED(n);
  std::vector<graph> ng(static_cast<size_t>(m) * n, 0);
  for (int v = 0; v < n; ++v)
    for (int u = 0; u < n; ++u)
      if (g.adjacent(v, u)) ADDELEMENT(GRAPHROW(ng.data(), v, m), u);
  // One cell per fixed vertex, then one cell of the others.
  std::vector<int> lab(n), ptn(n), orbits(n);
  int i = 0;
  for (int v : fixed) lab[i] = v, ptn[i++] = 0;
  for (int v = 0; v < n; ++v)
    if (std::find(fixed.begin(), fixed.end(), v) == fixed.end()) lab[i] = v, ptn[i++] = 1;
  ptn[n - 1] = 0;
  DEFAULTOPTIONS_GRAPH(options);
  options.defaultptn = FALSE;
  statsblk stats;
  densenauty(ng.data(), lab.data(), ptn.data(), orbits.data(), &options, &stats, m, n, nullptr);
  return orbits;
}

} // namespace

namespace census {

namespace {

// The vertex of largest degree, the smallest such.
int largest_degree(const Graph &g) {
  int best = 0;
  for (int v = 1; v < g.n; ++v)
    if (popcount(g.adj[v]) > popcount(g.adj[best])) best = v;
  return best;
}

} // namespace

LetterOrder plain_order() {
  return LetterOrder{};
}

LetterOrder no_order() {
  return LetterOrder{-1, {}};
}

LetterOrder symmetric_order(const Graph &g) {
  LetterOrder order;
  if (g.n < 2) return order;
  order.start = largest_degree(g);
  std::vector<int> fixed{order.start};
  for (;;) {
    std::vector<int> orbit = stabiliser_orbits(g, fixed);
    std::vector<int> size(g.n, 0);
    for (int v = 0; v < g.n; ++v) ++size[orbit[v]];
    // The least vertex of a largest orbit, non-neighbours of the start first.
    auto rank = [&](int v) { return 2 * size[v] + !g.adjacent(order.start, v); };
    int base = -1;
    for (int v = 0; v < g.n; ++v)
      if (orbit[v] == v && size[v] > 1 && (base < 0 || rank(v) > rank(base))) base = v;
    if (base < 0) return order;
    for (int u = 0; u < g.n; ++u)
      if (u != base && orbit[u] == base) order.first.emplace_back(base, u);
    fixed.push_back(base);
  }
}

} // namespace census
