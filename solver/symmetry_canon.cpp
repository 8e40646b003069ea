// The formula in canonical form and its letters.
#include "solver/symmetry_letters.h"

#include <algorithm>

namespace smt {

bool LetterSymmetry::is_letter_app(TermId t) const {
  return s_.kind(t) == Kind::App && s_.node(t).sym == sym_ && s_.num_children(t) > 0 &&
         s_.is_ground_app(t);
}

TermId LetterSymmetry::canon(TermId t, const std::unordered_map<TermId, TermId> &subst) {
  auto it = memo_.find(t);
  if (it != memo_.end()) return it->second;
  TermId r = t;
  Kind k = s_.kind(t);
  if (k == Kind::App) {
    auto sub = subst.find(t);
    if (sub != subst.end()) r = sub->second;
  } else if (s_.num_children(t) > 0) {
    std::vector<TermId> c(s_.children(t), s_.children(t) + s_.num_children(t));
    for (TermId &x : c) x = canon(x, subst);
    if (is_commutative(k)) std::sort(c.begin(), c.end());
    r = s_.mk(k, c.data(), c.size(), s_.value(t));
  }
  memo_.emplace(t, r);
  return r;
}

// Canonical conjuncts: units "x = c" kept, c substituted for x elsewhere,
// children of commutative operators sorted.
bool LetterSymmetry::build_canonical() {
  std::unordered_map<TermId, TermId> subst;
  std::vector<TermId> units;
  for (TermId c : ints_.conjuncts) {
    if (s_.kind(c) != Kind::Eq) continue;
    TermId a = s_.child(c, 0), b = s_.child(c, 1);
    if (s_.kind(a) == Kind::Num) std::swap(a, b);
    if (s_.kind(b) != Kind::Num || s_.kind(a) != Kind::App || subst.count(a)) continue;
    subst.emplace(a, b);
    TermId pair[2] = {std::min(a, b), std::max(a, b)};
    units.push_back(s_.mk(Kind::Eq, pair, 2));
  }
  conj_ = units;
  for (TermId c : ints_.conjuncts) {
    TermId r = canon(c, subst);
    if (r == s_.mk_false()) return false;
    if (r != s_.mk_true()) conj_.push_back(r);
  }
  std::sort(conj_.begin(), conj_.end());
  conj_.erase(std::unique(conj_.begin(), conj_.end()), conj_.end());
  return true;
}

void LetterSymmetry::collect_letters() {
  std::vector<int64_t> values;
  for (TermId t : s_.ground_apps())
    if (is_letter_app(t)) values.push_back(s_.value(s_.child(t, 0)));
  std::sort(values.begin(), values.end());
  values.erase(std::unique(values.begin(), values.end()), values.end());
  letters_ = values;
}

int LetterSymmetry::letter_index(TermId app) const {
  int64_t v = s_.value(s_.child(app, 0));
  return static_cast<int>(std::lower_bound(letters_.begin(), letters_.end(), v) - letters_.begin());
}

} // namespace smt
