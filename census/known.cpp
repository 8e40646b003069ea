#include "census/known.h"

#include "census/error.h"

namespace census {

void KnownWitnesses::add(const Graph &g, Mask w, const std::vector<std::vector<Arc>> &deletions) {
  Pattern p;
  p.graph = g.induced(w);
  const int k = p.graph.n;
  for (const std::vector<Arc> &arcs : deletions) {
    std::vector<Arc> local;
    for (const Arc &a : arcs) local.emplace_back(index_in(w, a.first), index_in(w, a.second));
    p.without.push_back(local);
  }
  if (static_cast<int>(p.without.size()) != k) throw Error("internal: a witness without deletions");
  // Each next vertex with the most neighbours among those before it, so that
  // the embedding search prunes early; the first of largest degree.
  Mask chosen;
  for (int d = 0; d < k; ++d) {
    int best = -1;
    for (int v = 0; v < k; ++v) {
      if (chosen.has(v)) continue;
      auto key = [&](int u) {
        return 64 * popcount(p.graph.adj[u] & chosen) + popcount(p.graph.adj[u]);
      };
      if (best < 0 || key(v) > key(best)) best = v;
    }
    p.order.push_back(best);
    chosen |= bit(best);
  }
  patterns_.push_front(std::move(p));
  if (patterns_.size() > kCapacity) patterns_.pop_back();
}

namespace {

// What embed() does with a set, for a Mask and for one word.
int ones(uint64_t s) {
  return __builtin_popcountll(s);
}
int ones(const Mask &s) {
  return s.count();
}
int first(uint64_t s) {
  return __builtin_ctzll(s);
}
int first(const Mask &s) {
  return s.first();
}
void drop_first(uint64_t &s) {
  s &= s - 1;
}
void drop_first(Mask &s) {
  s.drop_first();
}
template <typename Set> Set single(int v);
template <> Mask single<Mask>(int v) {
  return bit(v);
}
template <> uint64_t single<uint64_t>(int v) {
  return uint64_t{1} << v;
}

} // namespace

template <typename Set>
bool KnownWitnesses::embed(const Pattern &p, const Set *adj, Set within, std::vector<int> &image) {
  const int k = p.graph.n;
  if (ones(within) < k) return false;
  image.assign(k, -1);
  std::vector<Set> candidates(k);
  Set used{};
  // The vertices of g that may stand for the pattern's d-th vertex.
  auto candidates_at = [&](int d) {
    const int v = p.order[d];
    Set m = within & ~used;
    for (int e = 0; e < d; ++e) {
      const int u = p.order[e];
      m &= p.graph.adjacent(v, u) ? adj[image[u]] : ~adj[image[u]];
    }
    const int degree = popcount(p.graph.adj[v]);
    for (Set c = m; c; drop_first(c))
      if (ones(adj[first(c)] & within) < degree) m &= ~single<Set>(first(c));
    return m;
  };
  int d = 0;
  candidates[0] = candidates_at(0);
  for (;;) {
    const int v = p.order[d];
    if (image[v] >= 0) used &= ~single<Set>(image[v]), image[v] = -1;
    if (!candidates[d]) {
      if (d == 0) return false;
      --d;
      continue;
    }
    image[v] = first(candidates[d]);
    drop_first(candidates[d]);
    used |= single<Set>(image[v]);
    if (d + 1 == k) return true;
    ++d;
    candidates[d] = candidates_at(d);
  }
}

void KnownWitnesses::check_copy(const Pattern &p, const Graph &g, const std::vector<int> &image,
                                int shortcut_length) {
  const int k = p.graph.n;
  Mask w;
  for (int v = 0; v < k; ++v) w |= bit(image[v]);
  for (int u = 0; u < k; ++u)
    for (int v = u + 1; v < k; ++v)
      if (p.graph.adjacent(u, v) != g.adjacent(image[u], image[v]))
        throw Error("internal: a known witness copied with a wrong pair");
  for (int i = 0; i < k; ++i) {
    const Mask rest = w & ~bit(image[i]);
    std::vector<Arc> local;
    for (const Arc &a : p.without[i])
      local.emplace_back(index_in(rest, image[a.first]), index_in(rest, image[a.second]));
    std::string error = check_orientation(g.induced(rest), local, shortcut_length);
    if (!error.empty())
      throw Error("orientation without vertex " + std::to_string(image[i] + 1) +
                  " of a known witness fails its check: " + error);
  }
}

std::optional<Mask> KnownWitnesses::find(const Graph &g, Mask within, int shortcut_length) {
  std::vector<int> image;
  // A graph of at most 64 vertices in one word a set.
  const bool narrow = g.n <= 64;
  uint64_t adj64[64];
  if (narrow)
    for (int v = 0; v < g.n; ++v) adj64[v] = g.adj[v].word(0);
  for (auto it = patterns_.begin(); it != patterns_.end(); ++it) {
    if (!(narrow ? embed(*it, adj64, within.word(0), image) : embed(*it, g.adj, within, image)))
      continue;
    check_copy(*it, g, image, shortcut_length);
    patterns_.splice(patterns_.begin(), patterns_, it);
    Mask w;
    for (int v : image) w |= bit(v);
    return w;
  }
  return std::nullopt;
}

} // namespace census
