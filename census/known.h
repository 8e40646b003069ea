// Witnesses already found in a run, looked for again in later graphs.
//
// A minimal witness is a graph without a (k-)semi-transitive orientation all
// of whose one-vertex deletions have one.  Once the search has established
// one, a later graph holding an induced copy of it has that copy as a minimal
// witness too (heredity); the deletions' orientations, kept with it, are
// carried over to the copy and checked again there before it is reported.
// Usage:
//
//   KnownWitnesses known;
//   if (auto w = known.find(g, core, bound)) use(*w);
//   else known.add(g, w, deletions);
#pragma once

#include "census/checks.h"
#include "census/graph.h"

#include <list>
#include <optional>
#include <vector>

namespace census {

class KnownWitnesses {
public:
  // How many are kept: the most recently found or used.
  static constexpr size_t kCapacity = 128;

  // Remember the witness w of g; deletions[i] orients g induced by w minus
  // its i-th vertex (ascending), arcs in g's numbering.
  void add(const Graph &g, Mask w, const std::vector<std::vector<Arc>> &deletions);
  // A known witness induced in g among the vertices of within, its deletions'
  // orientations checked with the shortcut bound; none when none is there.
  // Throws Error when a carried orientation fails its check.
  std::optional<Mask> find(const Graph &g, Mask within, int shortcut_length);

private:
  struct Pattern {
    Graph graph;                           // vertices 0..k-1
    std::vector<int> order;                // the matching order, neighbours early
    std::vector<std::vector<Arc>> without; // [i]: orientation of graph minus vertex i
  };
  // An embedding of p into g among within as induced subgraph: image[v] for
  // vertex v of p.  Set is Mask, or one 64-bit word for a graph that fits
  // (faster on the small graphs of a family); adj[v] is v's neighbours in g.
  template <typename Set>
  static bool embed(const Pattern &p, const Set *adj, Set within, std::vector<int> &image);
  static void check_copy(const Pattern &p, const Graph &g, const std::vector<int> &image,
                         int shortcut_length);

  std::list<Pattern> patterns_; // most recently found or used first
};

} // namespace census
