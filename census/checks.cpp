#include "census/checks.h"

#include <algorithm>
#include <vector>

namespace census {

static std::string pair_text(int a, int b) {
  return std::to_string(a + 1) + " and " + std::to_string(b + 1);
}

std::string check_word(const Graph &g, int k, const std::vector<int> &word) {
  std::vector<int> count(g.n, 0);
  for (int a : word) {
    if (a < 0 || a >= g.n) return "letter " + std::to_string(a + 1) + " is not a vertex";
    ++count[a];
  }
  for (int v = 0; v < g.n; ++v)
    if (count[v] != k)
      return "vertex " + std::to_string(v + 1) + " occurs " + std::to_string(count[v]) +
             " times, not " + std::to_string(k);
  // Two letters alternate when the word restricted to them never repeats a letter.
  for (int a = 0; a < g.n; ++a)
    for (int b = a + 1; b < g.n; ++b) {
      int last = -1;
      bool alternate = true;
      for (int c : word) {
        if (c != a && c != b) continue;
        if (c == last) alternate = false;
        last = c;
      }
      if (alternate != g.adjacent(a, b))
        return pair_text(a, b) + (alternate ? " alternate but are not adjacent"
                                            : " are adjacent but do not alternate");
    }
  return "";
}

// The arcs as out-neighbour masks; an error when they are not the edges.
static std::string out_masks(const Graph &g, const std::vector<Arc> &arcs, Mask *out) {
  std::vector<Mask> seen(g.n);
  for (const Arc &a : arcs) {
    if (a.first < 0 || a.first >= g.n || a.second < 0 || a.second >= g.n)
      return "arc " + pair_text(a.first, a.second) + " is not between vertices";
    if (!g.adjacent(a.first, a.second))
      return "arc " + pair_text(a.first, a.second) + " is not an edge";
    if (seen[a.first].has(a.second))
      return "edge " + pair_text(std::min(a.first, a.second), std::max(a.first, a.second)) +
             " is oriented twice";
    seen[a.first] |= bit(a.second);
    seen[a.second] |= bit(a.first);
    out[a.first] |= bit(a.second);
  }
  for (int v = 0; v < g.n; ++v)
    if (seen[v] != g.adj[v]) return "an edge at vertex " + std::to_string(v + 1) + " has no arc";
  return "";
}

// The first shortcut of at most k arcs, or "": an arc a -> b and non-adjacent
// x, y with a path a ... x ... y ... b of at most k arcs in all.  In an acyclic
// orientation the three shortest pieces join into one path, so shortest path
// lengths decide it.
static std::string bounded_shortcut(const Graph &g, const Mask *out, int k) {
  const int n = g.n, far = kMaxVertices + 1;
  std::vector<int> dist(n * n, far); // dist[u * n + v]: fewest arcs from u to v
  for (int u = 0; u < n; ++u) {
    dist[u * n + u] = 0;
    Mask seen = bit(u), layer = bit(u);
    for (int d = 1; layer; ++d) {
      Mask next;
      for (int v : layer) next |= out[v];
      layer = next & ~seen;
      seen |= layer;
      for (int v : layer) dist[u * n + v] = d;
    }
  }
  for (int a = 0; a < n; ++a)
    for (int b : out[a]) {
      for (int x = 0; x < n; ++x)
        for (int y = 0; y < n; ++y) {
          if (x == y || g.adjacent(x, y)) continue;
          if (dist[a * n + x] + dist[x * n + y] + dist[y * n + b] > k) continue;
          return "shortcut of length " +
                 std::to_string(dist[a * n + x] + dist[x * n + y] + dist[y * n + b]) + ": arc " +
                 pair_text(a, b) + " with the path through " + pair_text(x, y) +
                 ", which are not adjacent";
        }
    }
  return "";
}

std::string check_orientation(const Graph &g, const std::vector<Arc> &arcs, int shortcut_length) {
  std::vector<Mask> out(g.n);
  std::string error = out_masks(g, arcs, out.data());
  if (!error.empty()) return error;
  // reach[v]: the vertices reachable from v by a directed path of length >= 1.
  std::vector<Mask> reach = out;
  for (bool grew = true; grew;) {
    grew = false;
    for (int v = 0; v < g.n; ++v) {
      Mask more = reach[v];
      for (int u = 0; u < g.n; ++u)
        if (reach[v].has(u)) more |= reach[u];
      grew = grew || more != reach[v];
      reach[v] = more;
    }
  }
  for (int v = 0; v < g.n; ++v)
    if (reach[v].has(v)) return "vertex " + std::to_string(v + 1) + " lies on a directed cycle";
  if (shortcut_length > 0) return bounded_shortcut(g, out.data(), shortcut_length);
  for (int a = 0; a < g.n; ++a)
    for (int b = 0; b < g.n; ++b) {
      if (!out[a].has(b)) continue;
      // The vertices on directed paths from a to b.
      Mask on_path = bit(a) | bit(b);
      for (int x = 0; x < g.n; ++x)
        if (reach[a].has(x) && reach[x].has(b)) on_path |= bit(x);
      for (int x = 0; x < g.n; ++x) {
        if (!on_path.has(x)) continue;
        Mask far = reach[x] & on_path & ~g.adj[x];
        if (far)
          return "shortcut: arc " + pair_text(a, b) + " with the path through " +
                 pair_text(x, lowest(far)) + ", which are not adjacent";
      }
    }
  return "";
}

} // namespace census
