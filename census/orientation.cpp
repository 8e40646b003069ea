#include "census/orientation.h"

#include "census/error.h"

namespace census {

using smt::Lit;

int64_t search_clauses(const Graph &g, int max_shortcut) {
  const int64_t n = g.n, m = g.edges(), k = effective_bound(max_shortcut, g.n);
  return 2 * m * n + (k ? k * n * n + 6 * (k - 2) * m * n : n * n * n + 2 * m * n);
}

OrientationSearch::OrientationSearch(const Graph &g, int max_shortcut) : g_(g) {
  const int n = g.n;
  if (int64_t clauses = search_clauses(g, max_shortcut); clauses > kMaxClauses)
    throw Error("the orientation search would need about " + std::to_string(clauses) +
                " clauses, more than " + std::to_string(kMaxClauses) +
                " (a smaller --shortcut-length keeps it smaller)");
  sat_.reserve(n + 3 * n * n);
  for (int v = 0; v < n; ++v) select_.push_back(sat_.new_var());
  arc_.assign(n * n, 0);
  for (int u = 0; u < n; ++u)
    for (int v = u + 1; v < n; ++v)
      if (g.adjacent(u, v)) arc_[u * n + v] = sat_.new_var();
  reach_.assign(n * n, 0);
  through_.assign(n * n, 0);
  for (int u = 0; u < n; ++u)
    for (int v = 0; v < n; ++v)
      if (u != v) reach_[u * n + v] = sat_.new_var(), through_[u * n + v] = sat_.new_var();
  encode_acyclic();
  if (int k = effective_bound(max_shortcut, n)) {
    near_.assign(k, {});
    via_.assign(k + 1, {});
    for (int l = 1; l < k; ++l) near_[l] = new_pair_vars(sat_, n);
    for (int j = 2; j <= k; ++j) via_[j] = new_pair_vars(sat_, n);
    encode_bounded(k);
  } else {
    encode_shortcuts();
  }
}

std::vector<Lit> new_pair_vars(smt::SatSolver &sat, int n) {
  std::vector<Lit> vars(n * n, 0);
  for (int u = 0; u < n; ++u)
    for (int v = 0; v < n; ++v)
      if (u != v) vars[u * n + v] = sat.new_var();
  return vars;
}

Lit OrientationSearch::arc(int u, int v) const {
  return u < v ? arc_[u * g_.n + v] : -arc_[v * g_.n + u];
}

// A constraint on the vertices in mask: active only while all are selected.
void OrientationSearch::add(std::initializer_list<Lit> lits, Mask vertices) {
  clause_.clear();
  for (Lit l : lits)
    if (l != 0) clause_.push_back(l);
  for (Mask m = vertices; m; m &= m - 1) clause_.push_back(-select_[lowest(m)]);
  sat_.add_clause(clause_);
}

// reach(u, v) holds for every arc u -> v and grows along arcs; no arc u -> v
// may have reach(v, u).
void OrientationSearch::encode_acyclic() {
  const int n = g_.n;
  for (int u = 0; u < n; ++u)
    for (int v = 0; v < n; ++v) {
      if (u == v || !g_.adjacent(u, v)) continue;
      add({-arc(u, v), reach(u, v)}, bit(u) | bit(v));
      add({-arc(u, v), -reach(v, u)}, bit(u) | bit(v)); // no cycle through u -> v
      for (int w = 0; w < n; ++w)
        if (w != u && w != v)
          add({-arc(u, v), -reach(v, w), reach(u, w)}, bit(u) | bit(v) | bit(w));
    }
}

// An orientation is semi-transitive when it is acyclic and has no shortcut:
// no arc a -> b with a directed path from a to b through two vertices x, y
// (x before y) that are not adjacent (Halldorsson, Kitaev, Pyatkin,
// "Semi-transitive orientations and word-representable graphs", Discrete
// Appl. Math. 201 (2016)).  reach(u, v) over-approximates "v is reachable
// from u": it holds for every arc and grows along arcs, so forbidding its
// patterns forbids the real ones, while the exact reachability of a
// semi-transitive orientation satisfies every clause.  through(a, y) stands
// for "a reaches y by a path through a vertex x (maybe a) not adjacent to y".
void OrientationSearch::encode_shortcuts() {
  const int n = g_.n;
  for (int x = 0; x < n; ++x)
    for (int y = 0; y < n; ++y) {
      if (x == y || g_.adjacent(x, y)) continue;
      for (int a = 0; a < n; ++a)
        if (a != y)
          add({a != x ? -reach(a, x) : 0, -reach(x, y), through(a, y)}, bit(a) | bit(x) | bit(y));
    }
  for (int a = 0; a < n; ++a)
    for (int b = 0; b < n; ++b) {
      if (!g_.adjacent(a, b)) continue;
      for (int y = 0; y < n; ++y)
        if (y != a)
          add({-arc(a, b), -through(a, y), y != b ? -reach(y, b) : 0}, bit(a) | bit(b) | bit(y));
    }
}

// A shortcut of at most k arcs: an arc a -> b, and non-adjacent x, y with a
// path a ... x (maybe x = a), x ... y, y ... b (maybe y = b) of at most k
// arcs in all.  near(l, u, v) over-approximates "a path of at most l arcs
// from u to v", via(j, a, y) "a path of at most j arcs from a to y through
// some x not adjacent to y" (x ... y given by near, a ... x arc by arc), so
// forbidding their patterns forbids every short shortcut, while the exact
// values of a k-semi-transitive orientation satisfy every clause (see
// encode_shortcuts()).  About 3 k n^3 clauses.
void OrientationSearch::encode_bounded(int k) {
  const int n = g_.n;
  for (int u = 0; u < n; ++u)
    for (int v = 0; v < n; ++v) {
      if (u == v) continue;
      if (g_.adjacent(u, v)) add({-arc(u, v), near(1, u, v)}, bit(u) | bit(v));
      for (int l = 2; l < k; ++l) {
        add({-near(l - 1, u, v), near(l, u, v)}, bit(u) | bit(v));
        if (!g_.adjacent(u, v)) {
          add({-near(l, u, v), via(l, u, v)}, bit(u) | bit(v));
          continue;
        }
        for (int w = 0; w < n; ++w)
          if (w != u && w != v)
            add({-arc(u, v), -near(l - 1, v, w), near(l, u, w)}, bit(u) | bit(v) | bit(w));
      }
    }
  for (int a = 0; a < n; ++a)
    for (int b = 0; b < n; ++b) {
      if (a == b || !g_.adjacent(a, b)) continue;
      for (int j = 2; j <= k; ++j) {
        add({-arc(a, b), -via(j, a, b)}, bit(a) | bit(b));
        for (int y = 0; y < n; ++y) {
          if (y == a || y == b) continue;
          if (j > 2) add({-arc(a, b), -via(j - 1, b, y), via(j, a, y)}, bit(a) | bit(b) | bit(y));
          if (j < k) add({-arc(a, b), -via(j, a, y), -near(k - j, y, b)}, bit(a) | bit(b) | bit(y));
        }
      }
    }
}

bool OrientationSearch::solve(Mask mask) {
  std::vector<Lit> assume;
  for (int v = 0; v < g_.n; ++v)
    if ((mask >> v) & 1u) assume.push_back(select_[v]);
  last_arcs_.clear();
  core_ = 0;
  if (!sat_.solve(assume)) {
    for (int v = 0; v < g_.n; ++v)
      if (((mask >> v) & 1u) && sat_.failed(select_[v])) core_ |= bit(v);
    return false;
  }
  for (int u = 0; u < g_.n; ++u)
    for (int v = 0; v < g_.n; ++v)
      if (((mask >> u) & (mask >> v) & 1u) && g_.adjacent(u, v) && sat_.value(arc(u, v)))
        last_arcs_.emplace_back(u, v);
  return true;
}

// The arcs among the vertices of mask.
static std::vector<Arc> restrict_arcs(const std::vector<Arc> &arcs, Mask mask) {
  std::vector<Arc> out;
  for (const Arc &a : arcs)
    if ((mask >> a.first) & (mask >> a.second) & 1u) out.push_back(a);
  return out;
}

// Deletion-based minimisation of the refutation's core: a vertex whose
// removal leaves a graph without semi-transitive orientation goes; one whose
// removal leaves an orientable graph stays, and since induced subgraphs of an
// orientable graph are orientable, it must stay in every smaller set too.
Mask minimal_witness(OrientationSolver &search, const Graph &g, Mask mask, int max_shortcut,
                     std::vector<std::vector<Arc>> *deletions) {
  if (search.solve(mask)) throw Error("the graph has a semi-transitive orientation after all");
  Mask w = search.core();
  std::vector<std::pair<int, std::vector<Arc>>> kept; // vertex, orientation without it
  for (int v = 0; v < g.n; ++v) {
    if (!((w >> v) & 1u)) continue;
    if (search.solve(w & ~bit(v)))
      kept.emplace_back(v, search.arcs());
    else
      w = search.core();
  }
  if (search.solve(w)) throw Error("the witness has a semi-transitive orientation");
  Mask checked = 0;
  for (const auto &[v, arcs] : kept) {
    if (!((w >> v) & 1u)) continue;
    Mask rest = w & ~bit(v);
    // The arcs among rest, renumbered as the induced subgraph's vertices.
    std::vector<Arc> local;
    for (const Arc &a : restrict_arcs(arcs, rest))
      local.emplace_back(popcount(rest & (bit(a.first) - 1)), popcount(rest & (bit(a.second) - 1)));
    std::string error = check_orientation(g.induced(rest), local, max_shortcut);
    if (!error.empty())
      throw Error("orientation without vertex " + std::to_string(v + 1) +
                  " fails its check: " + error);
    checked |= bit(v);
    if (deletions) deletions->push_back(restrict_arcs(arcs, rest));
  }
  if (checked != w) throw Error("a vertex of the witness was never tested");
  return w;
}

} // namespace census
