// The induced-crown search behind the census's lower bounds: it finds only
// true induced crowns, the largest on small graphs (against an exhaustive
// search from the definition), and the bounds the published numbers give.
#include "census/lower_bound.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using census::Graph;

// H(m,m) on vertices 0..2m-1 (a_i = i, b_j = m + j) and, when apex, vertex 2m joined to all.
Graph crown(int m, bool apex = false) {
  Graph g;
  g.n = 2 * m + apex;
  for (int i = 0; i < m; ++i)
    for (int j = 0; j < m; ++j)
      if (i != j) g.add_edge(i, m + j);
  if (apex)
    for (int v = 0; v < 2 * m; ++v) g.add_edge(v, 2 * m);
  return g;
}

// The largest m with an induced H(m,m), by trying every split of the vertices
// into a side, b side and the rest: both sides independent, of equal size, and
// each vertex with exactly one non-neighbour on the other side.
int exhaustive_crown(const Graph &g) {
  int best = 0, splits = 1;
  for (int v = 0; v < g.n; ++v) splits *= 3;
  for (int code = 0; code < splits; ++code) {
    census::Mask side[2];
    for (int v = 0, c = code; v < g.n; ++v, c /= 3)
      if (c % 3 < 2) side[c % 3] |= census::bit(v);
    int m = census::popcount(side[0]);
    if (m != census::popcount(side[1]) || m <= best) continue;
    bool ok = true;
    for (int s = 0; s < 2 && ok; ++s)
      for (int v : side[s])
        ok = ok && !(g.adj[v] & side[s]) && census::popcount(side[1 - s] & ~g.adj[v]) == 1;
    if (ok) best = m;
  }
  return best;
}

TEST(LowerBound, LargestInducedCrownAgreesWithExhaustiveSearch) {
  std::mt19937 rng(20261209);
  int nonzero = 0;
  for (int t = 0; t < 60; ++t) {
    Graph g;
    g.n = 6 + t % 4;
    std::bernoulli_distribution edge(0.3 + 0.1 * (t % 5));
    for (int u = 0; u < g.n; ++u)
      for (int v = u + 1; v < g.n; ++v)
        if (edge(rng)) g.add_edge(u, v);
    long budget = 1000000;
    int m = census::largest_crown(g, census::all_vertices(g.n), budget);
    EXPECT_EQ(m, exhaustive_crown(g)) << "graph " << t;
    nonzero += m >= 2;
  }
  EXPECT_GT(nonzero, 10);
}

TEST(LowerBound, CrownsAndCrownsWithAnApexGiveTheirPublishedNumbers) {
  struct Case {
    Graph g;
    int bound;
  } cases[] = {
      {crown(4), 2},       {crown(5), 3},       {crown(10), 5},        {crown(12), 6},
      {crown(3, true), 2}, {crown(4, true), 4}, {crown(10, true), 10}, {crown(31, true), 31},
  };
  for (const Case &c : cases) EXPECT_EQ(census::explained_lower_bound(c.g).k, c.bound) << c.g.n;
}

TEST(LowerBound, ACrownAmongOtherVerticesIsFoundAndTheSearchStopsAtItsBudget) {
  Graph g = crown(6);
  g.n = 20; // vertices 12..19: a path hanging off a1
  g.add_edge(0, 12);
  for (int v = 12; v < 19; ++v) g.add_edge(v, v + 1);
  EXPECT_EQ(census::explained_lower_bound(g).k, 3);
  long budget = 1000000;
  EXPECT_EQ(census::largest_crown(g, census::all_vertices(g.n), budget), 6);
  long none = 0; // no node to spend: nothing found, never more than there is
  EXPECT_EQ(census::largest_crown(g, census::all_vertices(g.n), none), 0);
}

} // namespace
