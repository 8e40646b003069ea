// The census: one CSV row per graph6 line, answered in process.
//
// For each graph: whether it has a semi-transitive orientation (equivalently,
// whether it is word-representable) with one; if so, its representation
// number (the smallest K with a K-uniform representing word: 1 for complete
// graphs, the null graph included) with a word; if not, a minimal induced subgraph without
// one.  Every word and orientation passes the checkers of checks.h before it
// is reported; a certificate that fails makes the row a failure.  With a
// shortcut length K the question is K-semi-transitive orientations instead,
// without words.  The orientation and word instances live across the graphs
// of a run (see orientation_family.h, word_family.h), so a word, orientation or witness
// may depend on the graphs answered before; the verdicts, the numbers and
// whether a graph is its own minimal witness do not.  Usage:
//
//   census::Census census({});  // one per run: it keeps SAT instances across graphs
//   census::Answer answer = census.answer(line);
//   out << format_csv(answer, settings); // census/rows.h
#pragma once

#include "census/answer.h"
#include "census/orientation_family.h"
#include "census/word_family.h"

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace census {

// Where the word step of a graph stands: the K it now tries, and the bounds so far.
struct Progress {
  int trying = 2;
  NumberBounds bounds;
};

// What the census computes.
struct Settings {
  bool words = true;     // representation numbers and words (else only orientations and witnesses)
  bool speedups = true;  // an induced W5 settles a graph; words begin with vertex 1; a
                         // 2-uniform word stands for the orientation (with fresh); known
                         // witnesses; shared word instances
  bool digraph6 = false; // the orientation column in digraph6 (nauty's format), not i>j arcs
  bool symmetry = true;  // with speedups: the word search breaks the graph's automorphisms
  bool lower_bounds = true; // with speedups: K starts at a published bound (lower_bound.h)
  int shortcut_length = 0;  // k >= 3: k-semi-transitive orientations instead (no words); 0: any
  bool family = true;       // one incremental orientation instance per order, not one per graph
  double time_limit = 0;    // seconds per graph for the words (0: none); then the number as bounds
  std::function<void(const Progress &)> progress; // told before each K the word step tries
  const std::atomic<int> *stop = nullptr; // non-zero: end the SAT search of the graph at hand
};

class Census {
public:
  // With speedups, first checks the wheel W5 as an obstruction (Error if not).
  explicit Census(Settings settings);
  // The answer for one non-blank graph6 line (with or without ">>graph6<<").
  // When the stop flag is raised during it, the answer is a failure that is
  // no answer: the caller drops it.
  Answer answer(std::string_view line);

private:
  // What the orientation step found: the arcs of an orientation or a witness,
  // and the 2-uniform word it sought on the way, if it sought one.
  struct Orientation {
    std::optional<std::vector<Arc>> arcs;
    Mask witness;
    bool word2_sought = false;
    std::optional<std::vector<int>> word2;
  };
  // The orientation step: an orientation, or a minimal witness.
  Orientation orient(const Graph &g);
  // The word step, for a graph with an orientation: bounds on the representation
  // number (exact without a time limit) and the word of the upper one, if any.
  std::pair<NumberBounds, std::optional<std::vector<int>>> represent(const Graph &g,
                                                                     Orientation &orientation);
  // A quick upper bound and its word, before the exact search (see census.cpp).
  std::optional<std::vector<int>> upper_first(const Graph &g, NumberBounds &bounds, int bound);
  // The fewest vertices on which small subgraphs (local_bound.h) are
  // searched before K = 2, and around how many vertices at most.
  static constexpr int kLocalMinVertices = 40;
  static constexpr int kLocalTries = 32;
  // The fewest letters (n * K) on which upper_first() searches.
  static constexpr int kUpperFirstMinLetters = 100;
  // When the word search of a graph that starts now must stop (none without a time limit).
  sat::Deadline deadline() const;
  // Tells the progress callback, if any, that the word step tries k.
  void report(int k, const NumberBounds &bounds) const;

  Settings settings_;
  OrientationEngines engines_; // kept across graphs
  WordEngine words_;           // lives across the graphs: its shared instances serve them all
};

// The text with every byte outside printable ASCII written as \xNN, so that
// a row shows any line safely (graph6 itself is printable ASCII).
std::string printable(std::string_view text);

// Whether a line holds no graph (blank, or a bare ">>graph6<<"): it gets no row.
bool graph6_blank(std::string_view line);

} // namespace census
