// One graph's answer, typed: what the engine found, before any row format.
//
// The census fills an Answer step by step (the graph, then the orientation,
// then the word); a step that fails leaves what the steps before it found
// and a Failure naming it.  census/rows.h writes an Answer as a CSV or JSON
// line and counts it.
#pragma once

#include "census/graph.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace census {

// Whether the graph has a (k-)semi-transitive orientation; unknown when the
// answer failed before that was settled.
enum class Verdict { kUnknown, kYes, kNo };

// The steps of an answer, in the order they run.
enum class Step {
  kGraph,       // decoding the line
  kOrientation, // an orientation or a witness
  kWord,        // the representation number and a word
};

// A step that did not finish, and why.
struct Failure {
  Step step = Step::kGraph;
  std::string reason;
};

// Bounds on the representation number, lower <= K <= upper; exact when equal.
// The upper bound is the K of the answer's word (none without a word); the
// lower one has its reason: "searched" (no word with lower - 1 copies), an
// induced subgraph whose number is published (lower_bound.h), or "least" (2,
// the least K).
struct NumberBounds {
  int lower = 2;
  std::optional<int> upper;
  std::string reason = "least";
  // Whether the number is known.
  bool exact() const { return upper == lower; }
};

// One graph's answer.  Each optional part is set when its step found it.
struct Answer {
  std::string graph6;              // the line's graph6 text, shown safely (census.h's printable)
  std::optional<int64_t> vertices; // the order the header announces
  std::optional<int64_t> edges;    // the edges of the body, when it decodes
  std::optional<Graph> graph;      // the graph, when the line decodes
  Verdict verdict = Verdict::kUnknown;
  std::optional<NumberBounds> number;   // the representation number (with words, for kYes)
  std::optional<std::vector<int>> word; // a representing word, 0-based letters
  std::optional<std::vector<Arc>> arcs; // a checked orientation, arcs in increasing order
  std::optional<Mask> witness;          // a minimal induced subgraph without one (for kNo)
  bool witness_is_graph = false;        // the witness holds every vertex
  std::optional<Failure> failure;       // the step that failed, if any
};

} // namespace census
