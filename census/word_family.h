// The word search of a run: one incremental SAT instance per (n, K) shared by
// the small graphs of a run, a fresh instance per graph for the others.
//
// A shared instance holds the order of the copies as in word.h, with letter
// 0 first, and one literal "ab is an edge" per pair of letters; each graph
// enters as assumptions on those literals, so the instance is built once and
// what the engine learns on one graph serves the next.
#pragma once

#include "census/checks.h"
#include "census/graph.h"
#include "census/symmetry.h"

#include "sat/sat.h"

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace census {

// How the engine searches.
struct WordSettings {
  bool speedups = true; // words begin with a chosen letter (else any word is searched)
  bool symmetry = true; // fresh instances break the graph's automorphisms
  bool fresh = false;   // every graph in instances of its own (no shared instance)
  const std::atomic<int> *stop = nullptr; // as for sat::SatSolver, given to every instance
};

class WordEngine {
public:
  explicit WordEngine(WordSettings settings);
  ~WordEngine();
  // Start on a graph; find() answers for it until the next begin(), and
  // throws sat::Interrupted when the deadline passes first.
  void begin(const Graph &g, sat::Deadline deadline = {});
  // A K-uniform word representing the graph (as find_word), or none.
  std::optional<std::vector<int>> find(int k);
  // A K-uniform word along one semi-transitive orientation of the graph
  // (find_oriented_word), sought until `until` at most (never past the
  // graph's deadline); none when there is none along it, or time ran out
  // first.  A quick upper bound on large sparse graphs; it proves nothing
  // when it finds none.
  std::optional<std::vector<int>> find_oriented(int k, std::chrono::steady_clock::time_point until);
  // The graph's deadline, as given to begin().
  sat::Deadline deadline() const { return deadline_; }

  // The largest graphs and words (n * K letters) that go to a shared instance.
  static constexpr int kSharedMaxVertices = 12;
  static constexpr int kSharedMaxLetters = 48;
  // From this many letters on (where find_word() orders its copies lazily),
  // on graphs of average degree at most kOrientedMaxDegree, a word is first
  // sought along one semi-transitive orientation of the graph.  (On denser
  // graphs, such as crowns, that try mostly fails and costs more than it saves.)
  static constexpr int kOrientedMinLetters = 151;
  static constexpr int kOrientedMaxDegree = 8;
  // Whether g's average degree is at most kOrientedMaxDegree.
  static bool sparse(const Graph &g) { return 2 * g.edges() <= kOrientedMaxDegree * g.n; }

private:
  class Shared;
  const LetterOrder &order();     // the graph's letter order, computed once
  const std::vector<Arc> &arcs(); // a semi-transitive orientation of the graph, computed once

  WordSettings settings_;
  const Graph *graph_ = nullptr;
  sat::Deadline deadline_;
  std::optional<LetterOrder> order_;
  std::optional<std::vector<Arc>> arcs_;
  int shared_n_ = -1;                             // the order of the shared instances
  std::map<int, std::unique_ptr<Shared>> shared_; // by K, for graphs on shared_n_ vertices
};

} // namespace census
