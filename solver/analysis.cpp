#include "solver/analysis.h"

#include "solver/error.h"

#include <algorithm>

namespace smt {

namespace {

using Wide = __int128;
constexpr int64_t kNone = INT64_MIN; // "no bound" marker for lo; INT64_MAX for hi
constexpr Wide kMaxDomain = Wide(1) << 22;
constexpr Wide kMaxTotal = Wide(1) << 24;

RankFact at_most(Wide v, Wide lo, Wide hi) {
  if (v >= hi) return RankFact::True;
  if (v < lo) return RankFact::False;
  if (v == lo) return RankFact::IsMin;
  if (v == hi - 1) return RankFact::NotMax;
  return RankFact::Unsupported;
}

RankFact at_least(Wide v, Wide lo, Wide hi) {
  if (v <= lo) return RankFact::True;
  if (v > hi) return RankFact::False;
  if (v == hi) return RankFact::IsMax;
  if (v == lo + 1) return RankFact::NotMin;
  return RankFact::Unsupported;
}

} // namespace

RankFact rank_fact(Kind kind, bool member_first, int64_t c, int64_t lo, int64_t hi) {
  Wide w = c;
  switch (kind) {
  case Kind::Eq:
    if (c < lo || c > hi) return RankFact::False;
    if (lo == hi) return RankFact::True;
    if (c == lo) return RankFact::IsMin;
    if (c == hi) return RankFact::IsMax;
    return RankFact::Unsupported;
  case Kind::Lt:
    return member_first ? at_most(w - 1, lo, hi) : at_least(w + 1, lo, hi);
  case Kind::Le:
    return member_first ? at_most(w, lo, hi) : at_least(w, lo, hi);
  default:
    return RankFact::Unsupported;
  }
}

namespace {

// One analysis, phase by phase (run() calls them in order).
class Analyser {
public:
  Analyser(const Benchmark &bench, IntAnalysis &out)
      : bench_(bench), s_(bench.store), out_(out), n_(s_.size()) {}

  void run() {
    collect_conjuncts();
    explicit_bounds();
    candidate_classes();
    reach_ = s_.reachable(bench_.assertions);
    check_class_uses();
    keep_classes();
    intervals();
  }

private:
  bool is_var(TermId t) const { return s_.sort(t) == Sort::Int && s_.kind(t) == Kind::App; }
  bool is_num(TermId t) const { return s_.kind(t) == Kind::Num; }
  static bool is_atom(Kind k) {
    return k == Kind::Eq || k == Kind::Lt || k == Kind::Le || k == Kind::Distinct;
  }
  std::string name(TermId t) const { return printable(s_.symbol(s_.node(t).sym).name); }
  int64_t hi_of(int32_t k) const { return cands_[k].lo + int64_t(cands_[k].members.size()) - 1; }

  // Top-level conjuncts, And flattened.
  void collect_conjuncts();
  // Explicit bounds from top-level comparisons of a variable with a numeral.
  void explicit_bounds();
  // Candidate permutation classes: top-level distinct over bounded variables.
  void candidate_classes();
  // Every use of class candidates checked; variables used beyond comparisons noted.
  void check_class_uses();
  // One atom's use of candidates: false when it spoils their classes.
  bool class_use_allowed(TermId t, int32_t cls, bool mixed) const;
  // The candidates that passed, as the analysis' classes.
  void keep_classes();
  // Intervals of the other variables, each justified by the formula.
  void intervals();
  // The interval of one variable outside the classes.
  void interval_of(TermId t, Wide &total);

  const Benchmark &bench_;
  const TermStore &s_;
  IntAnalysis &out_;
  size_t n_;
  std::vector<int64_t> lo_, hi_; // per term: explicit bounds, kNone / INT64_MAX if none
  std::vector<int32_t> cand_;    // per term: candidate class or -1
  std::vector<PermClass> cands_;
  std::vector<char> reach_, valid_, arith_; // per term, per candidate, per term
  std::vector<Wide> consts_;                // numerals compared with variables, and bounds
  Wide count_ = 0;                          // variables compared only with variables and numerals
  Wide min_c_ = 0, max_c_ = -1;             // range of consts_
};

void Analyser::collect_conjuncts() {
  // Each term once: a conjunction shared through let and flet bindings is
  // flattened once, not once per path to it.
  std::vector<char> seen(n_, 0);
  std::vector<TermId> stack(bench_.assertions.rbegin(), bench_.assertions.rend());
  while (!stack.empty()) {
    TermId t = stack.back();
    stack.pop_back();
    if (seen[t]) continue;
    seen[t] = 1;
    if (s_.kind(t) == Kind::And) {
      for (uint32_t i = s_.num_children(t); i-- > 0;) stack.push_back(s_.child(t, i));
    } else {
      out_.conjuncts.push_back(t);
    }
  }
}

void Analyser::explicit_bounds() {
  lo_.assign(n_, kNone);
  hi_.assign(n_, INT64_MAX);
  for (TermId c : out_.conjuncts) {
    Kind k = s_.kind(c);
    if (k != Kind::Eq && k != Kind::Lt && k != Kind::Le) continue;
    TermId a = s_.child(c, 0), b = s_.child(c, 1);
    bool var_first = is_var(a) && is_num(b);
    if (!var_first && !(is_num(a) && is_var(b))) continue;
    TermId x = var_first ? a : b;
    Wide v = s_.value(var_first ? b : a);
    Wide new_lo = kNone, new_hi = INT64_MAX;
    if (k == Kind::Eq) new_lo = new_hi = v;
    if (k == Kind::Lt) (var_first ? new_hi : new_lo) = var_first ? v - 1 : v + 1;
    if (k == Kind::Le) (var_first ? new_hi : new_lo) = v;
    // Bounds beyond the int64 range are clamped just inside it (kNone and
    // INT64_MAX mean "no bound").
    if (new_lo != kNone)
      new_lo = std::min<Wide>(std::max<Wide>(new_lo, INT64_MIN + Wide(1)), INT64_MAX - 1);
    if (new_hi != INT64_MAX)
      new_hi = std::max<Wide>(std::min<Wide>(new_hi, INT64_MAX - Wide(1)), INT64_MIN + 1);
    if (new_lo > lo_[x]) lo_[x] = static_cast<int64_t>(new_lo);
    if (new_hi < hi_[x]) hi_[x] = static_cast<int64_t>(new_hi);
  }
}

void Analyser::candidate_classes() {
  cand_.assign(n_, -1);
  for (TermId c : out_.conjuncts) {
    if (s_.kind(c) != Kind::Distinct) continue;
    uint32_t m = s_.num_children(c);
    bool ok = true;
    Wide L = INT64_MAX, H = INT64_MIN;
    for (uint32_t i = 0; i < m && ok; ++i) {
      TermId x = s_.child(c, i);
      ok = is_var(x) && cand_[x] < 0 && lo_[x] != kNone && hi_[x] != INT64_MAX;
      if (ok) L = std::min<Wide>(L, lo_[x]), H = std::max<Wide>(H, hi_[x]);
    }
    if (!ok || H - L + 1 != m) continue;
    PermClass pc;
    pc.lo = static_cast<int64_t>(L);
    pc.source = c;
    for (uint32_t i = 0; i < m; ++i) {
      cand_[s_.child(c, i)] = static_cast<int32_t>(cands_.size());
      pc.members.push_back(s_.child(c, i));
    }
    cands_.push_back(std::move(pc));
  }
}

void Analyser::check_class_uses() {
  valid_.assign(cands_.size(), 1);
  arith_.assign(n_, 0);
  for (TermId t = 0; t < n_; ++t) {
    if (!reach_[t]) continue;
    Kind k = s_.kind(t);
    uint32_t m = s_.num_children(t);
    if (k == Kind::App) continue;
    if (!is_atom(k)) {
      for (uint32_t i = 0; i < m; ++i) {
        TermId x = s_.child(t, i);
        if (is_var(x)) {
          arith_[x] = 1;
          if (cand_[x] >= 0) valid_[cand_[x]] = 0;
        }
      }
      continue;
    }
    bool plain = true; // only variables and numerals
    for (uint32_t i = 0; i < m; ++i) {
      TermId x = s_.child(t, i);
      if (is_num(x)) consts_.push_back(s_.value(x));
      plain = plain && (is_var(x) || is_num(x));
    }
    int32_t cls = -1;
    bool mixed = !plain;
    for (uint32_t i = 0; i < m; ++i) {
      TermId x = s_.child(t, i);
      if (!is_var(x)) continue;
      if (!plain) arith_[x] = 1;
      if (cand_[x] < 0) {
        mixed = true;
        continue;
      }
      if (cls >= 0 && cls != cand_[x]) mixed = true;
      cls = cand_[x];
    }
    if (cls < 0 || class_use_allowed(t, cls, mixed)) continue;
    for (uint32_t i = 0; i < m; ++i) {
      TermId x = s_.child(t, i);
      if (is_var(x) && cand_[x] >= 0) valid_[cand_[x]] = 0;
    }
  }
}

bool Analyser::class_use_allowed(TermId t, int32_t cls, bool mixed) const {
  if (mixed) return false;
  Kind k = s_.kind(t);
  uint32_t m = s_.num_children(t);
  if (k != Kind::Distinct && m == 2) {
    TermId a = s_.child(t, 0), b = s_.child(t, 1);
    if (!is_num(a) && !is_num(b)) return true;
    bool first = !is_num(a);
    int64_t c = s_.value(first ? b : a);
    return rank_fact(k, first, c, cands_[cls].lo, hi_of(cls)) != RankFact::Unsupported;
  }
  if (k == Kind::Distinct) {
    for (uint32_t i = 0; i < m; ++i)
      if (is_num(s_.child(t, i))) return false;
  }
  return true;
}

void Analyser::keep_classes() {
  out_.class_of.assign(n_, -1);
  out_.index_in.assign(n_, 0);
  for (size_t k = 0; k < cands_.size(); ++k) {
    if (!valid_[k]) continue;
    auto idx = static_cast<int32_t>(out_.classes.size());
    for (uint32_t i = 0; i < cands_[k].members.size(); ++i) {
      out_.class_of[cands_[k].members[i]] = idx;
      out_.index_in[cands_[k].members[i]] = i;
    }
    out_.classes.push_back(std::move(cands_[k]));
  }
}

void Analyser::intervals() {
  for (TermId t = 0; t < n_; ++t) {
    if (!is_var(t) || out_.class_of[t] >= 0) continue;
    if (lo_[t] != kNone) consts_.push_back(lo_[t]);
    if (hi_[t] != INT64_MAX) consts_.push_back(hi_[t]);
    if (reach_[t] && !arith_[t]) ++count_;
  }
  if (!consts_.empty()) {
    min_c_ = *std::min_element(consts_.begin(), consts_.end());
    max_c_ = *std::max_element(consts_.begin(), consts_.end());
  }
  out_.lo.assign(n_, 0);
  out_.hi.assign(n_, 0);
  Wide total = 0;
  for (TermId t = 0; t < n_; ++t) {
    if (!is_var(t)) continue;
    if (out_.class_of[t] >= 0) {
      const PermClass &pc = out_.classes[out_.class_of[t]];
      out_.lo[t] = pc.lo;
      out_.hi[t] = pc.lo + int64_t(pc.members.size()) - 1;
    } else {
      interval_of(t, total);
    }
  }
}

void Analyser::interval_of(TermId t, Wide &total) {
  Wide l = lo_[t] == kNone ? INT64_MIN : lo_[t];
  Wide h = hi_[t];
  if (!reach_[t]) {
    l = lo_[t] != kNone ? l : hi_[t] != INT64_MAX ? h : 0;
    h = l;
  } else if (!arith_[t]) {
    // Compared only with variables and numerals: wide enough for every order pattern.
    Wide dl = consts_.empty() ? 0 : min_c_ - count_;
    Wide dh = consts_.empty() ? count_ - 1 : max_c_ + count_;
    l = std::max(l, dl);
    h = std::min(h, dh);
  } else if (lo_[t] == kNone || hi_[t] == INT64_MAX) {
    throw SmtError(bench_.where(t) + ": unbounded integer term not supported: '" + name(t) +
                   "' needs constant lower and upper bounds at the top level");
  }
  if (h < l) h = l; // contradictory bounds: the bound atoms make the formula false
  if (h - l + 1 > kMaxDomain || (total += h - l + 1) > kMaxTotal) {
    throw SmtError(bench_.where(t) + ": integer domain too large for '" + name(t) + "' (" +
                   std::to_string(int64_t(h - l + 1)) + " values)");
  }
  if (l < INT64_MIN / 4 || h > INT64_MAX / 4)
    throw SmtError(bench_.where(t) + ": integer bounds too large for '" + name(t) + "'");
  out_.lo[t] = static_cast<int64_t>(l);
  out_.hi[t] = static_cast<int64_t>(h);
}

} // namespace

void analyse(const Benchmark &bench, IntAnalysis &out) {
  Analyser(bench, out).run();
}

} // namespace smt
