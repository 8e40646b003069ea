// Swaps of two letters: an automorphism of the letter graph exchanging them,
// kept only when it maps the canonical formula onto itself.
#include "solver/symmetry_letters.h"

#include <algorithm>
#include <functional>

namespace smt {

namespace {

constexpr int kSearchBudget = 5000; // search steps per automorphism

} // namespace

// A permutation of the letter graph exchanging a and b, as close to the identity as found.
bool LetterSymmetry::find_automorphism(size_t a, size_t b, std::vector<int> &perm) {
  size_t m = letters_.size();
  perm.assign(m, -1);
  std::vector<char> used(m, 0);
  perm[a] = static_cast<int>(b);
  perm[b] = static_cast<int>(a);
  used[a] = used[b] = 1;
  std::vector<size_t> order;
  for (size_t x = 0; x < m; ++x)
    if (x != a && x != b) order.push_back(x);
  std::vector<size_t> assigned{a, b};
  int budget = kSearchBudget;
  auto fits = [&](size_t x, size_t y) {
    if (vcolor_[x] != vcolor_[y]) return false;
    for (size_t z : assigned)
      if (ecolor_[x * m + z] != ecolor_[y * m + perm[z]]) return false;
    return true;
  };
  std::function<bool(size_t)> dfs = [&](size_t i) -> bool {
    if (i == order.size()) return true;
    if (--budget < 0) return false;
    size_t x = order[i];
    std::vector<size_t> cands;
    if (!used[x]) cands.push_back(x);
    for (size_t y = 0; y < m; ++y)
      if (!used[y] && y != x) cands.push_back(y);
    for (size_t y : cands) {
      if (!fits(x, y)) continue;
      perm[x] = static_cast<int>(y);
      used[y] = 1;
      assigned.push_back(x);
      if (dfs(i + 1)) return true;
      assigned.pop_back();
      used[y] = 0;
      perm[x] = -1;
    }
    return false;
  };
  return dfs(0);
}

// Image of a canonical term under the letter permutation, or kNoTerm if absent.
TermId LetterSymmetry::image(TermId t, const std::vector<int> &perm) {
  if (stamp_[t] == generation_) return memo_image_[t];
  TermId r = t;
  Kind k = s_.kind(t);
  uint32_t n = s_.num_children(t);
  if (is_letter_app(t)) {
    size_t base = buf_.size();
    buf_.insert(buf_.end(), s_.children(t), s_.children(t) + n);
    int64_t v = letters_[perm[letter_index(t)]];
    buf_[base] = s_.find(Kind::Num, 0, v, nullptr, 0);
    r = buf_[base] == kNoTerm ? kNoTerm : s_.find(Kind::App, sym_, 0, buf_.data() + base, n);
    buf_.resize(base);
  } else if (k != Kind::App && n > 0) {
    size_t base = buf_.size();
    for (uint32_t i = 0; i < n && r != kNoTerm; ++i) {
      TermId x = image(s_.child(t, i), perm);
      if (x == kNoTerm) r = kNoTerm;
      buf_.push_back(x);
    }
    if (r != kNoTerm) {
      if (is_commutative(k)) std::sort(buf_.begin() + base, buf_.end());
      r = s_.find(k, 0, s_.value(t), buf_.data() + base, n);
    }
    buf_.resize(base);
  }
  stamp_[t] = generation_;
  memo_image_[t] = r;
  return r;
}

// The permutation maps the canonical conjunct set onto itself.
bool LetterSymmetry::verify(const std::vector<int> &perm) {
  ++generation_;
  for (TermId c : conj_) {
    TermId r = image(c, perm);
    if (r == kNoTerm || !std::binary_search(conj_.begin(), conj_.end(), r)) return false;
  }
  return true;
}

// A letter-graph automorphism exchanging a and b (empty when none), found once.
const std::vector<int> &LetterSymmetry::candidate(size_t a, size_t b) {
  size_t m = letters_.size();
  size_t key = a < b ? a * m + b : b * m + a;
  if (!tried_[key]) {
    tried_[key] = 1;
    if (vcolor_[a] != vcolor_[b] || !find_automorphism(a, b, swaps_[key])) swaps_[key].clear();
  }
  return swaps_[key];
}

// The candidate swap of a and b, verified on the formula (empty when it fails), once.
const std::vector<int> &LetterSymmetry::swap_of(size_t a, size_t b) {
  size_t m = letters_.size();
  size_t key = a < b ? a * m + b : b * m + a;
  const std::vector<int> &p = candidate(a, b);
  if (!p.empty() && verified_[key] == 0) verified_[key] = verify(p) ? 1 : 2;
  if (verified_[key] == 2) swaps_[key].clear();
  return swaps_[key];
}

} // namespace smt
