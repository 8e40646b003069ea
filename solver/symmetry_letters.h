// The symmetry finder for the letters of one function symbol inside one
// permutation class, in four steps, one file each:
//   symmetry_canon.cpp   the formula in canonical form and its letters
//   symmetry_graph.cpp   the letter graph and its colour refinement
//   symmetry_swaps.cpp   swaps of two letters: automorphism search, verification
//   symmetry.cpp         chains of swappable letters, and the entry point
#pragma once

#include "solver/analysis.h"
#include "solver/terms.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace smt {

class LetterSymmetry {
public:
  // store: a copy of the benchmark's terms that the canonical form may extend.
  LetterSymmetry(TermStore &store, const IntAnalysis &ints, uint32_t cls, uint32_t sym)
      : s_(store), ints_(ints), cls_(cls), sym_(sym) {}

  // The chains of this symbol's letters: for each, its key applications in order.
  std::vector<std::vector<TermId>> chains();

private:
  // Canonical form and letters (symmetry_canon.cpp).
  bool is_letter_app(TermId t) const;
  int letter_index(TermId app) const;
  TermId canon(TermId t, const std::unordered_map<TermId, TermId> &subst);
  // Conjuncts with "x = c" substituted and commutative children sorted; false
  // when the formula folds to false.
  bool build_canonical();
  void collect_letters();

  // Letter graph and colours (symmetry_graph.cpp).
  // Letters in t, stopping at three.
  void letters_of(TermId t, std::vector<int> &out, std::vector<TermId> &seen);
  // Hash of t's structure with letters l0, l1 marked and the others alike.
  uint64_t shape(TermId t, int l0, int l1, std::unordered_map<TermId, uint64_t> &memo);
  // Vertex colours from one-letter conjuncts, edge colours from two-letter ones.
  void build_letter_graph();
  // Colour refinement until the number of colours is stable.
  void refine_colours();

  // Swaps (symmetry_swaps.cpp).
  // A permutation of the letter graph exchanging a and b, near the identity.
  bool find_automorphism(size_t a, size_t b, std::vector<int> &perm);
  // Image of a canonical term under a letter permutation; kNoTerm if absent.
  TermId image(TermId t, const std::vector<int> &perm);
  // The permutation maps the canonical conjunct set onto itself.
  bool verify(const std::vector<int> &perm);
  // A letter-graph automorphism exchanging a and b (empty when none), found once.
  const std::vector<int> &candidate(size_t a, size_t b);
  // The candidate verified on the formula (empty when it fails), once.
  const std::vector<int> &swap_of(size_t a, size_t b);

  // Chains (symmetry.cpp).
  // For each letter of the set, the application with the smallest common rest arguments.
  std::vector<TermId> key_apps(const std::vector<size_t> &set);

  TermStore &s_;
  const IntAnalysis &ints_;
  uint32_t cls_, sym_;
  std::unordered_map<TermId, TermId> memo_; // canon()
  std::vector<TermId> conj_;                // canonical conjuncts, sorted
  std::vector<int64_t> letters_;            // letter values, sorted
  std::vector<uint64_t> vcolor_, ecolor_;   // per letter, per pair of letters
  std::vector<std::vector<int>> swaps_;     // per pair: candidate permutation
  std::vector<char> tried_, verified_;      // verified_: 0 unknown, 1 holds, 2 fails
  std::vector<TermId> memo_image_, buf_;    // image()
  std::vector<uint32_t> stamp_;
  uint32_t generation_ = 0;
};

} // namespace smt
