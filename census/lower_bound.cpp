// The published numbers used, each confirmed by the census's own search
// (tests/census/test_word_engine.py, bench/hard-graphs):
//   crown H(m,m), m >= 5: ceil(m/2) (Glen, Kitaev, Pyatkin, "On the
//   representation number of a crown graph", Discrete Appl. Math. 244 (2018));
//   crown H(m,m) with an apex (a vertex joined to all): m (Kitaev, Pyatkin,
//   "On representable graphs", J. Autom. Lang. Comb. 13 (2008)); used from
//   m = 4 on.
// An induced subgraph's representation number is a lower bound for the graph's
// (deleting the other letters from a representing word leaves one for it).
#include "census/lower_bound.h"

#include <algorithm>

namespace census {

namespace {

constexpr long kBudget = 200000; // search nodes per graph

// Crowns a1..am, b1..bm (ai ~ bj exactly when i != j) grown one pair at a
// time; can_a and can_b hold the vertices that may still join each side.
struct CrownSearch {
  const Graph &g;
  long &budget;
  int best = 0;

  void grow(int m, Mask can_a, Mask can_b, int last_a) {
    best = std::max(best, m);
    if (m + std::min(popcount(can_a), popcount(can_b)) <= best) return;
    const Mask later = ~Mask::below(last_a + 1); // a in increasing order
    for (int a : can_a &later) {
      for (int b : can_b & ~g.adj[a] & ~bit(a)) {
        if (--budget < 0) return;
        const Mask out = ~(bit(a) | bit(b));
        grow(m + 1, can_a & ~g.adj[a] & g.adj[b] & out, can_b & ~g.adj[b] & g.adj[a] & out, a);
      }
    }
  }
};

} // namespace

int largest_crown(const Graph &g, Mask within, long &budget) {
  CrownSearch search{g, budget};
  search.grow(0, within, within, -1);
  return search.best;
}

// "induced crown H(m,m)", with " with an apex" when apex: the subgraph and its number k.
static std::string crown_reason(int m, bool apex, int k) {
  const std::string side = std::to_string(m);
  return "induced crown H(" + side + "," + side + ")" + (apex ? " with an apex" : "") + ": " +
         std::to_string(k);
}

LowerBound explained_lower_bound(const Graph &g) {
  long budget = kBudget;
  LowerBound bound;
  const int m = largest_crown(g, all_vertices(g.n), budget);
  if (m >= 5 && (m + 1) / 2 > bound.k) bound = {(m + 1) / 2, crown_reason(m, false, (m + 1) / 2)};
  for (int x = 0; x < g.n && budget > 0; ++x) {
    if (popcount(g.adj[x]) < 2 * bound.k) continue; // no crown large enough to raise the bound
    const int around = largest_crown(g, g.adj[x], budget);
    if (around >= 4 && around > bound.k) bound = {around, crown_reason(around, true, around)};
  }
  return bound;
}

} // namespace census
