// Vertex sets (census/mask.h) against std::bitset<256>, and a graph of 256
// vertices through the graph functions that use them.
#include "census/graph.h"

#include <gtest/gtest.h>

#include <bitset>
#include <random>
#include <vector>

namespace {

using census::Mask;
using Bits = std::bitset<census::kMaxVertices>;

// A Mask and a bitset holding the same random vertices, about one in `spread`.
std::pair<Mask, Bits> random_set(std::mt19937 &rng, int spread) {
  Mask m;
  Bits b;
  for (int v = 0; v < census::kMaxVertices; ++v)
    if (rng() % spread == 0) m.add(v), b.set(v);
  return {m, b};
}

// The vertices of b in increasing order.
std::vector<int> members(const Bits &b) {
  std::vector<int> out;
  for (int v = 0; v < census::kMaxVertices; ++v)
    if (b.test(v)) out.push_back(v);
  return out;
}

// Whether m holds exactly the vertices of b.
bool same(const Mask &m, const Bits &b) {
  std::vector<int> walked;
  for (int v : m) walked.push_back(v);
  bool ok = walked == members(b) && m.count() == static_cast<int>(b.count()) &&
            static_cast<bool>(m) == b.any();
  for (int v = 0; v < census::kMaxVertices; ++v) ok = ok && m.has(v) == b.test(v);
  return ok;
}

TEST(Mask, OperationsAgreeWithBitset) {
  std::mt19937 rng(20);
  for (int spread : {1, 2, 7, 60, 300}) // full, half, sparse, a few, mostly empty
    for (int round = 0; round < 40; ++round) {
      auto [a, x] = random_set(rng, spread);
      auto [b, y] = random_set(rng, spread);
      ASSERT_TRUE(same(a, x)) << spread;
      EXPECT_TRUE(same(a & b, x & y)) << spread;
      EXPECT_TRUE(same(a | b, x | y)) << spread;
      EXPECT_TRUE(same(a ^ b, x ^ y)) << spread;
      EXPECT_TRUE(same(~a, ~x)) << spread;
      EXPECT_EQ(a == b, x == y) << spread;
      EXPECT_EQ(a != a, false) << spread;
      if (x.any()) {
        EXPECT_EQ(census::lowest(a), members(x).front()) << spread;
        Mask rest = a;
        rest.drop_first();
        EXPECT_TRUE(same(rest, Bits(x).reset(members(x).front()))) << spread;
      }
      const int v = static_cast<int>(rng() % census::kMaxVertices);
      EXPECT_TRUE(same(Mask(a).remove(v), Bits(x).reset(v))) << v;
      EXPECT_TRUE(same(Mask(a).add(v), Bits(x).set(v))) << v;
      EXPECT_EQ(census::index_in(a, v), static_cast<int>((x << (census::kMaxVertices - v)).count()))
          << v;
    }
  for (int n : {0, 1, 63, 64, 65, 127, 128, 129, 200, 255, 256}) {
    Bits all;
    for (int v = 0; v < n; ++v) all.set(v);
    EXPECT_TRUE(same(census::all_vertices(n), all)) << n;
  }
}

// The 16 x 16 grid: 480 edges, triangle-free, and its induced subgraphs
// renumbered as the vertex sets say.
TEST(Mask, AGridOf256VerticesKeepsItsEdgesAndInducedSubgraphs) {
  census::Graph g;
  g.n = 256;
  for (int r = 0; r < 16; ++r)
    for (int c = 0; c < 16; ++c) {
      if (c + 1 < 16) g.add_edge(16 * r + c, 16 * r + c + 1);
      if (r + 1 < 16) g.add_edge(16 * r + c, 16 * (r + 1) + c);
    }
  EXPECT_EQ(g.edges(), 480);
  EXPECT_EQ(g.clique_number(), 2);
  EXPECT_FALSE(g.complete());
  EXPECT_TRUE(g.adjacent(254, 255));
  EXPECT_TRUE(g.adjacent(239, 255));
  EXPECT_FALSE(g.adjacent(0, 255));
  // The last two rows: a 2 x 16 grid, 16 + 2 * 15 edges, vertices from 0.
  Mask rows;
  for (int v = 224; v < 256; ++v) rows.add(v);
  const census::Graph h = g.induced(rows);
  EXPECT_EQ(h.n, 32);
  EXPECT_EQ(h.edges(), 46);
  EXPECT_TRUE(h.adjacent(0, 16));
  EXPECT_TRUE(h.adjacent(30, 31));
  EXPECT_FALSE(h.adjacent(15, 16));
}

} // namespace
