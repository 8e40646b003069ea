#include "census/ball_bound.h"

#include "census/symmetry.h"
#include "census/word.h"

#include <string>

namespace census {

// All vertices within distance r of v, for the largest r that keeps at most
// kMaxBall of them.
static Mask ball(const Graph &g, int v) {
  Mask inside, frontier;
  inside.add(v);
  frontier.add(v);
  while (frontier) {
    Mask next;
    for (int u = 0; u < g.n; ++u)
      if (frontier.has(u)) next |= g.adj[u];
    next &= ~inside;
    if (!next || popcount(inside | next) > kMaxBall) break;
    inside |= next;
    frontier = next;
  }
  return inside;
}

LowerBound ball_lower_bound(const Graph &g, int tries, const sat::Limits &limits) {
  const LetterOrder any = plain_order(); // sound for every graph: a cyclic shift
  const int step = g.n > tries ? (g.n + tries - 1) / tries : 1;
  for (int v = 0; v < g.n; v += step) {
    const Mask near = ball(g, v);
    const Graph sub = g.induced(near);
    if (popcount(near) < 5 || sub.complete()) continue; // a word of 2 copies, or 1
    if (find_word(sub, 2, any, limits)) continue;
    std::string vertices;
    for (int u = 0; u < g.n; ++u)
      if (near.has(u)) vertices += (vertices.empty() ? "" : " ") + std::to_string(u + 1);
    return {3, "induced subgraph " + vertices + ": 3"};
  }
  return {};
}

} // namespace census
