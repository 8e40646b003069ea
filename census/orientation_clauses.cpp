#include "census/orientation_clauses.h"

namespace census {

using sat::Lit;

std::vector<Lit> new_pair_vars(sat::SatSolver &sat, int n) {
  std::vector<Lit> vars(n * n, 0);
  for (int u = 0; u < n; ++u)
    for (int v = 0; v < n; ++v)
      if (u != v) vars[u * n + v] = sat.new_var();
  return vars;
}

void new_bound_vars(sat::SatSolver &sat, OrientationVars &vars, int shortcut_length) {
  if (!shortcut_length) return;
  vars.near.assign(shortcut_length, {});
  vars.via.assign(shortcut_length + 1, {});
  for (int l = 1; l < shortcut_length; ++l) vars.near[l] = new_pair_vars(sat, vars.n);
  for (int j = 2; j <= shortcut_length; ++j) vars.via[j] = new_pair_vars(sat, vars.n);
}

int64_t through_clauses(int64_t n, int64_t m, bool by_arcs) {
  const int64_t non_edges = n * (n - 1) - 2 * m; // ordered pairs
  return by_arcs ? non_edges + 2 * m * (n - 2) : non_edges * (n - 1);
}

bool through_by_arcs(int64_t n, int64_t m) {
  return through_clauses(n, m, true) < through_clauses(n, m, false);
}

namespace {

// Writes the clauses under one kind of guard.
class ClauseWriter {
public:
  ClauseWriter(sat::SatSolver &sat, const OrientationVars &vars, const OrientationGuards &guards)
      : sat_(sat), x_(vars), guards_(guards), n_(vars.n) {}

  void acyclic();
  void shortcuts();
  void through_by_triples();
  void through_along_arcs();
  void bounded(int shortcut_length);

private:
  Lit reach(int u, int v) const { return x_.reach[u * n_ + v]; }
  Lit through(int u, int v) const { return x_.through[u * n_ + v]; }
  Lit near(int l, int u, int v) const { return x_.near[l][u * n_ + v]; }
  Lit via(int j, int u, int v) const { return x_.via[j][u * n_ + v]; }
  bool may_be_edge(int u, int v) const { return !guards_.graph || guards_.graph->adjacent(u, v); }
  bool may_be_non_edge(int u, int v) const {
    return !guards_.graph || !guards_.graph->adjacent(u, v);
  }
  // A clause on the vertices in mask: [guard] lits [negated selectors].
  void add(Lit guard, std::initializer_list<Lit> lits, Mask vertices);
  // A clause that holds for every arc a -> b (and any others in mask).
  void for_arc(int a, int b, std::initializer_list<Lit> rest, Mask others = {});
  // A clause that holds whenever x and y are not adjacent.
  void for_non_edge(int x, int y, std::initializer_list<Lit> lits, Mask others = {});
  Lit edge(int u, int v) const { return (*guards_.edge)[u * n_ + v]; }

  sat::SatSolver &sat_;
  const OrientationVars &x_;
  const OrientationGuards &guards_;
  const int n_;
  std::vector<Lit> clause_; // scratch
};

void ClauseWriter::add(Lit guard, std::initializer_list<Lit> lits, Mask vertices) {
  clause_.clear();
  if (guard != 0) clause_.push_back(guard);
  for (Lit l : lits)
    if (l != 0) clause_.push_back(l);
  if (guards_.select)
    for (int v : vertices) clause_.push_back(-(*guards_.select)[v]);
  sat_.add_clause(clause_);
}

void ClauseWriter::for_arc(int a, int b, std::initializer_list<Lit> rest, Mask others) {
  clause_.clear();
  if (!guards_.graph) clause_.push_back(-edge(a, b));
  clause_.push_back(-x_.arc_of(a, b));
  for (Lit l : rest)
    if (l != 0) clause_.push_back(l);
  if (guards_.select)
    for (int v : bit(a) | bit(b) | others) clause_.push_back(-(*guards_.select)[v]);
  sat_.add_clause(clause_);
}

void ClauseWriter::for_non_edge(int x, int y, std::initializer_list<Lit> lits, Mask others) {
  add(guards_.graph ? 0 : edge(x, y), lits, bit(x) | bit(y) | others);
}

// reach(u, v) holds for every arc u -> v and grows along arcs; no arc u -> v
// may have reach(v, u).
void ClauseWriter::acyclic() {
  for (int u = 0; u < n_; ++u)
    for (int v = 0; v < n_; ++v) {
      if (u == v || !may_be_edge(u, v)) continue;
      for_arc(u, v, {reach(u, v)});
      for_arc(u, v, {-reach(v, u)}); // no cycle through u -> v
      for (int w = 0; w < n_; ++w)
        if (w != u && w != v) for_arc(u, v, {-reach(v, w), reach(u, w)}, bit(w));
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
void ClauseWriter::shortcuts() {
  if (guards_.graph && through_by_arcs(n_, guards_.graph->edges()))
    through_along_arcs();
  else
    through_by_triples();
  for (int a = 0; a < n_; ++a)
    for (int b = 0; b < n_; ++b) {
      if (a == b || !may_be_edge(a, b)) continue;
      for (int y = 0; y < n_; ++y)
        if (y != a) for_arc(a, b, {-through(a, y), y != b ? -reach(y, b) : 0}, bit(y));
    }
}

// through(a, y) from every a reaching x, x not adjacent to y, x reaching y.
void ClauseWriter::through_by_triples() {
  for (int x = 0; x < n_; ++x)
    for (int y = 0; y < n_; ++y) {
      if (x == y || !may_be_non_edge(x, y)) continue;
      for (int a = 0; a < n_; ++a)
        if (a != y)
          for_non_edge(x, y, {a != x ? -reach(a, x) : 0, -reach(x, y), through(a, y)}, bit(a));
    }
}

// The same through(a, y), grown arc by arc: through(x, y) for x not adjacent
// to y that reaches y, and through(a, y) for every arc a -> c with
// through(c, y).  A path a -> ... -> x passes only arcs whose clauses hold, so
// every real through(a, y) is forced as before, and the exact values satisfy
// every clause.
void ClauseWriter::through_along_arcs() {
  for (int x = 0; x < n_; ++x)
    for (int y = 0; y < n_; ++y)
      if (x != y && may_be_non_edge(x, y)) for_non_edge(x, y, {-reach(x, y), through(x, y)});
  for (int a = 0; a < n_; ++a)
    for (int c = 0; c < n_; ++c) {
      if (a == c || !may_be_edge(a, c)) continue;
      for (int y = 0; y < n_; ++y)
        if (y != a && y != c) for_arc(a, c, {-through(c, y), through(a, y)}, bit(y));
    }
}

// A shortcut of at most shortcut_length arcs (k below): an arc a -> b, and
// non-adjacent x, y with a path a ... x (maybe x = a), x ... y, y ... b (maybe
// y = b) of at most k arcs in all.  near(l, u, v) over-approximates "a path
// of at most l arcs from u to v", via(j, a, y) "a path of at most j arcs from
// a to y through some x not adjacent to y" (x ... y given by near, a ... x
// arc by arc), so forbidding their patterns forbids every short shortcut,
// while the exact values of a k-semi-transitive orientation satisfy every
// clause (see shortcuts()).  About 3 k n^3 clauses.
void ClauseWriter::bounded(int shortcut_length) {
  for (int u = 0; u < n_; ++u)
    for (int v = 0; v < n_; ++v) {
      if (u == v) continue;
      if (may_be_edge(u, v)) for_arc(u, v, {near(1, u, v)});
      for (int l = 2; l < shortcut_length; ++l) {
        add(0, {-near(l - 1, u, v), near(l, u, v)}, bit(u) | bit(v));
        if (may_be_non_edge(u, v)) for_non_edge(u, v, {-near(l, u, v), via(l, u, v)});
        if (!may_be_edge(u, v)) continue;
        for (int w = 0; w < n_; ++w)
          if (w != u && w != v) for_arc(u, v, {-near(l - 1, v, w), near(l, u, w)}, bit(w));
      }
    }
  for (int a = 0; a < n_; ++a)
    for (int b = 0; b < n_; ++b) {
      if (a == b || !may_be_edge(a, b)) continue;
      for (int j = 2; j <= shortcut_length; ++j) {
        for_arc(a, b, {-via(j, a, b)});
        for (int y = 0; y < n_; ++y) {
          if (y == a || y == b) continue;
          if (j > 2) for_arc(a, b, {-via(j - 1, b, y), via(j, a, y)}, bit(y));
          if (j < shortcut_length)
            for_arc(a, b, {-via(j, a, y), -near(shortcut_length - j, y, b)}, bit(y));
        }
      }
    }
}

} // namespace

void encode_orientation(sat::SatSolver &sat, const OrientationVars &vars,
                        const OrientationGuards &guards, int shortcut_length) {
  ClauseWriter writer(sat, vars, guards);
  writer.acyclic();
  if (shortcut_length)
    writer.bounded(shortcut_length);
  else
    writer.shortcuts();
}

} // namespace census
