// The letter graph: vertex colours from one-letter conjuncts, edge colours
// from two-letter ones, refined until stable.
#include "solver/symmetry_letters.h"

#include <algorithm>

namespace smt {

void LetterSymmetry::letters_of(TermId t, std::vector<int> &out, std::vector<TermId> &seen) {
  if (std::find(seen.begin(), seen.end(), t) != seen.end()) return;
  seen.push_back(t);
  if (is_letter_app(t)) {
    int l = letter_index(t);
    if (std::find(out.begin(), out.end(), l) == out.end()) out.push_back(l);
    return;
  }
  if (out.size() > 2) return;
  for (uint32_t i = 0; i < s_.num_children(t); ++i) letters_of(s_.child(t, i), out, seen);
}

uint64_t LetterSymmetry::shape(TermId t, int l0, int l1,
                               std::unordered_map<TermId, uint64_t> &memo) {
  auto it = memo.find(t);
  if (it != memo.end()) return it->second;
  uint64_t h = mix(static_cast<uint64_t>(s_.kind(t)) + 1, static_cast<uint64_t>(s_.value(t)));
  if (is_letter_app(t)) {
    int l = letter_index(t);
    h = mix(h, l == l0 ? 1 : l == l1 ? 2 : 3);
    for (uint32_t i = 1; i < s_.num_children(t); ++i)
      h = mix(h, static_cast<uint64_t>(s_.value(s_.child(t, i))));
  } else {
    h = mix(h, s_.node(t).sym);
    std::vector<uint64_t> c;
    for (uint32_t i = 0; i < s_.num_children(t); ++i)
      c.push_back(shape(s_.child(t, i), l0, l1, memo));
    if (is_commutative(s_.kind(t))) std::sort(c.begin(), c.end());
    for (uint64_t x : c) h = mix(h, x);
  }
  memo.emplace(t, h);
  return h;
}

// Vertex colours from one-letter conjuncts, edge colours from two-letter ones.
void LetterSymmetry::build_letter_graph() {
  size_t m = letters_.size();
  std::vector<std::vector<uint64_t>> unary(m), binary(m * m);
  for (TermId c : conj_) {
    std::vector<int> ls;
    std::vector<TermId> seen;
    letters_of(c, ls, seen);
    if (ls.size() == 1) {
      std::unordered_map<TermId, uint64_t> memo;
      unary[ls[0]].push_back(shape(c, ls[0], -1, memo));
    } else if (ls.size() == 2) {
      std::unordered_map<TermId, uint64_t> m1, m2;
      uint64_t h = std::min(shape(c, ls[0], ls[1], m1), shape(c, ls[1], ls[0], m2));
      binary[ls[0] * m + ls[1]].push_back(h);
      binary[ls[1] * m + ls[0]].push_back(h);
    }
  }
  vcolor_.assign(m, 0);
  ecolor_.assign(m * m, 0);
  for (size_t a = 0; a < m; ++a) {
    std::sort(unary[a].begin(), unary[a].end());
    for (uint64_t x : unary[a]) vcolor_[a] = mix(vcolor_[a], x);
  }
  for (size_t e = 0; e < m * m; ++e) {
    std::sort(binary[e].begin(), binary[e].end());
    for (uint64_t x : binary[e]) ecolor_[e] = mix(ecolor_[e] + 1, x);
  }
}

// Colour refinement: a letter's colour absorbs the multiset of (edge colour,
// neighbour colour) until the number of colours is stable.
void LetterSymmetry::refine_colours() {
  size_t m = letters_.size();
  auto count = [&](const std::vector<uint64_t> &c) {
    std::vector<uint64_t> d(c);
    std::sort(d.begin(), d.end());
    return std::unique(d.begin(), d.end()) - d.begin();
  };
  for (size_t round = 0; round < m; ++round) {
    std::vector<uint64_t> next(m);
    for (size_t x = 0; x < m; ++x) {
      std::vector<uint64_t> around;
      for (size_t y = 0; y < m; ++y)
        if (y != x) around.push_back(mix(ecolor_[x * m + y], vcolor_[y]));
      std::sort(around.begin(), around.end());
      uint64_t h = vcolor_[x];
      for (uint64_t a : around) h = mix(h, a);
      next[x] = h;
    }
    bool stable = count(next) == count(vcolor_);
    vcolor_.swap(next);
    if (stable) break;
  }
}

} // namespace smt
