#include "census/orientation.h"

#include "census/error.h"

namespace census {

using sat::Lit;

int64_t search_clauses(const Graph &g, int shortcut_length) {
  const int64_t n = g.n, m = g.edges(), k = effective_length(shortcut_length, g.n);
  return 2 * m * n + (k ? k * n * n + 6 * (k - 2) * m * n
                        : through_clauses(n, m, through_by_arcs(n, m)) + 2 * m * n);
}

OrientationSearch::OrientationSearch(const Graph &g, int shortcut_length,
                                     const std::atomic<int> *stop)
    : g_(g), sat_({}, stop) {
  const int n = g.n;
  const int64_t most = g.n > 64 ? kMaxLargeClauses : kMaxClauses;
  if (int64_t clauses = search_clauses(g, shortcut_length); clauses > most)
    throw Error("the orientation search would need about " + std::to_string(clauses) +
                " clauses, more than " + std::to_string(most) +
                " (a smaller --shortcut-length keeps it smaller)");
  sat_.reserve(n + 3 * n * n);
  for (int v = 0; v < n; ++v) select_.push_back(sat_.new_var());
  vars_.n = n;
  vars_.arc.assign(n * n, 0);
  for (int u = 0; u < n; ++u)
    for (int v = u + 1; v < n; ++v)
      if (g.adjacent(u, v)) vars_.arc[u * n + v] = sat_.new_var();
  vars_.reach.assign(n * n, 0);
  vars_.through.assign(n * n, 0);
  for (int u = 0; u < n; ++u)
    for (int v = 0; v < n; ++v)
      if (u != v)
        vars_.reach[u * n + v] = sat_.new_var(), vars_.through[u * n + v] = sat_.new_var();
  shortcut_length = effective_length(shortcut_length, n);
  new_bound_vars(sat_, vars_, shortcut_length);
  encode_orientation(sat_, vars_, OrientationGuards{&g, nullptr, &select_}, shortcut_length);
}

bool OrientationSearch::solve(Mask mask) {
  std::vector<Lit> assume;
  for (int v = 0; v < g_.n; ++v)
    if (mask.has(v)) assume.push_back(select_[v]);
  last_arcs_.clear();
  core_ = Mask{};
  if (!sat_.solve(assume)) {
    for (int v = 0; v < g_.n; ++v)
      if (mask.has(v) && sat_.failed(select_[v])) core_ |= bit(v);
    return false;
  }
  for (int u = 0; u < g_.n; ++u)
    for (int v = 0; v < g_.n; ++v)
      if (mask.has(u) && mask.has(v) && g_.adjacent(u, v) && sat_.value(vars_.arc_of(u, v)))
        last_arcs_.emplace_back(u, v);
  return true;
}

// The arcs among the vertices of mask.
static std::vector<Arc> restrict_arcs(const std::vector<Arc> &arcs, Mask mask) {
  std::vector<Arc> out;
  for (const Arc &a : arcs)
    if (mask.has(a.first) && mask.has(a.second)) out.push_back(a);
  return out;
}

// Deletion-based minimisation of the refutation's core: a vertex whose
// removal leaves a graph without semi-transitive orientation goes; one whose
// removal leaves an orientable graph stays, and since induced subgraphs of an
// orientable graph are orientable, it must stay in every smaller set too.
Mask minimal_witness(OrientationSolver &search, const Graph &g, Mask mask, int shortcut_length,
                     std::vector<std::vector<Arc>> *deletions) {
  if (search.solve(mask)) throw Error("the graph has a semi-transitive orientation after all");
  Mask w = search.core();
  std::vector<std::pair<int, std::vector<Arc>>> kept; // vertex, orientation without it
  for (int v = 0; v < g.n; ++v) {
    if (!w.has(v)) continue;
    if (search.solve(w & ~bit(v)))
      kept.emplace_back(v, search.arcs());
    else
      w = search.core();
  }
  if (search.solve(w)) throw Error("the witness has a semi-transitive orientation");
  Mask checked;
  for (const auto &[v, arcs] : kept) {
    if (!w.has(v)) continue;
    Mask rest = w & ~bit(v);
    // The arcs among rest, renumbered as the induced subgraph's vertices.
    std::vector<Arc> local;
    for (const Arc &a : restrict_arcs(arcs, rest))
      local.emplace_back(index_in(rest, a.first), index_in(rest, a.second));
    std::string error = check_orientation(g.induced(rest), local, shortcut_length);
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
