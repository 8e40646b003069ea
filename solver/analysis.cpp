#include "analysis.h"

#include "error.h"

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

void analyse(const Benchmark &bench, IntAnalysis &out) {
  const TermStore &s = bench.store;
  size_t n = s.size();
  auto is_var = [&](TermId t) { return s.sort(t) == Sort::Int && s.kind(t) == Kind::App; };
  auto is_num = [&](TermId t) { return s.kind(t) == Kind::Num; };
  auto name = [&](TermId t) { return printable(s.symbol(s.node(t).sym).name); };
  auto is_atom = [&](Kind k) {
    return k == Kind::Eq || k == Kind::Lt || k == Kind::Le || k == Kind::Distinct;
  };

  // Top-level conjuncts.
  std::vector<TermId> stack(bench.assertions.rbegin(), bench.assertions.rend());
  while (!stack.empty()) {
    TermId t = stack.back();
    stack.pop_back();
    if (s.kind(t) == Kind::And) {
      for (uint32_t i = s.num_children(t); i-- > 0;) stack.push_back(s.child(t, i));
    } else {
      out.conjuncts.push_back(t);
    }
  }

  // Explicit bounds from top-level comparisons of a variable with a numeral.
  std::vector<int64_t> lo(n, kNone), hi(n, INT64_MAX);
  for (TermId c : out.conjuncts) {
    Kind k = s.kind(c);
    if (k != Kind::Eq && k != Kind::Lt && k != Kind::Le) continue;
    TermId a = s.child(c, 0), b = s.child(c, 1);
    bool var_first = is_var(a) && is_num(b);
    if (!var_first && !(is_num(a) && is_var(b))) continue;
    TermId x = var_first ? a : b;
    Wide v = s.value(var_first ? b : a);
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
    if (new_lo > lo[x]) lo[x] = static_cast<int64_t>(new_lo);
    if (new_hi < hi[x]) hi[x] = static_cast<int64_t>(new_hi);
  }

  // Candidate permutation classes: top-level distinct over bounded variables.
  std::vector<int32_t> cand(n, -1);
  std::vector<PermClass> cands;
  for (TermId c : out.conjuncts) {
    if (s.kind(c) != Kind::Distinct) continue;
    uint32_t m = s.num_children(c);
    bool ok = true;
    Wide L = INT64_MAX, H = INT64_MIN;
    for (uint32_t i = 0; i < m && ok; ++i) {
      TermId x = s.child(c, i);
      ok = is_var(x) && cand[x] < 0 && lo[x] != kNone && hi[x] != INT64_MAX;
      if (ok) L = std::min<Wide>(L, lo[x]), H = std::max<Wide>(H, hi[x]);
    }
    if (!ok || H - L + 1 != m) continue;
    PermClass pc;
    pc.lo = static_cast<int64_t>(L);
    pc.source = c;
    for (uint32_t i = 0; i < m; ++i) {
      cand[s.child(c, i)] = static_cast<int32_t>(cands.size());
      pc.members.push_back(s.child(c, i));
    }
    cands.push_back(std::move(pc));
  }

  // Reachable terms (children always have smaller ids than their parents).
  std::vector<char> reach(n, 0);
  for (TermId a : bench.assertions) reach[a] = 1;
  for (TermId t = static_cast<TermId>(n); t-- > 0;)
    if (reach[t])
      for (uint32_t i = 0; i < s.num_children(t); ++i) reach[s.child(t, i)] = 1;

  // Check every use of class candidates; note variables used beyond comparisons.
  std::vector<char> valid(cands.size(), 1), arith(n, 0);
  std::vector<Wide> consts;
  auto hi_of = [&](int32_t k) { return cands[k].lo + int64_t(cands[k].members.size()) - 1; };
  for (TermId t = 0; t < n; ++t) {
    if (!reach[t]) continue;
    Kind k = s.kind(t);
    uint32_t m = s.num_children(t);
    if (k == Kind::App) continue;
    if (!is_atom(k)) {
      for (uint32_t i = 0; i < m; ++i) {
        TermId x = s.child(t, i);
        if (is_var(x)) {
          arith[x] = 1;
          if (cand[x] >= 0) valid[cand[x]] = 0;
        }
      }
      continue;
    }
    bool plain = true; // only variables and numerals
    for (uint32_t i = 0; i < m; ++i) {
      TermId x = s.child(t, i);
      if (is_num(x)) consts.push_back(s.value(x));
      plain = plain && (is_var(x) || is_num(x));
    }
    int32_t cls = -1;
    bool mixed = !plain;
    for (uint32_t i = 0; i < m; ++i) {
      TermId x = s.child(t, i);
      if (!is_var(x)) continue;
      if (!plain) arith[x] = 1;
      if (cand[x] < 0) {
        mixed = true;
        continue;
      }
      if (cls >= 0 && cls != cand[x]) mixed = true;
      cls = cand[x];
    }
    if (cls < 0) continue;
    if (!mixed && k != Kind::Distinct && m == 2) {
      TermId a = s.child(t, 0), b = s.child(t, 1);
      if (is_num(a) || is_num(b)) {
        bool first = !is_num(a);
        int64_t c = s.value(first ? b : a);
        if (rank_fact(k, first, c, cands[cls].lo, hi_of(cls)) == RankFact::Unsupported)
          mixed = true;
      }
    } else if (!mixed && k == Kind::Distinct) {
      for (uint32_t i = 0; i < m; ++i) mixed = mixed || is_num(s.child(t, i));
    }
    if (mixed) {
      for (uint32_t i = 0; i < m; ++i) {
        TermId x = s.child(t, i);
        if (is_var(x) && cand[x] >= 0) valid[cand[x]] = 0;
      }
    }
  }

  out.class_of.assign(n, -1);
  out.index_in.assign(n, 0);
  for (size_t k = 0; k < cands.size(); ++k) {
    if (!valid[k]) continue;
    auto idx = static_cast<int32_t>(out.classes.size());
    for (uint32_t i = 0; i < cands[k].members.size(); ++i) {
      out.class_of[cands[k].members[i]] = idx;
      out.index_in[cands[k].members[i]] = i;
    }
    out.classes.push_back(std::move(cands[k]));
  }

  // Intervals of the other variables.
  Wide count = 0;
  for (TermId t = 0; t < n; ++t) {
    if (!is_var(t) || out.class_of[t] >= 0) continue;
    if (lo[t] != kNone) consts.push_back(lo[t]);
    if (hi[t] != INT64_MAX) consts.push_back(hi[t]);
    if (reach[t] && !arith[t]) ++count;
  }
  Wide min_c = 0, max_c = -1;
  if (!consts.empty()) {
    min_c = *std::min_element(consts.begin(), consts.end());
    max_c = *std::max_element(consts.begin(), consts.end());
  }
  out.lo.assign(n, 0);
  out.hi.assign(n, 0);
  Wide total = 0;
  for (TermId t = 0; t < n; ++t) {
    if (!is_var(t)) continue;
    if (out.class_of[t] >= 0) {
      const PermClass &pc = out.classes[out.class_of[t]];
      out.lo[t] = pc.lo;
      out.hi[t] = pc.lo + int64_t(pc.members.size()) - 1;
      continue;
    }
    Wide l = lo[t] == kNone ? INT64_MIN : lo[t];
    Wide h = hi[t];
    if (!reach[t]) {
      l = lo[t] != kNone ? l : hi[t] != INT64_MAX ? h : 0;
      h = l;
    } else if (!arith[t]) {
      Wide dl = consts.empty() ? 0 : min_c - count;
      Wide dh = consts.empty() ? count - 1 : max_c + count;
      l = std::max(l, dl);
      h = std::min(h, dh);
    } else if (lo[t] == kNone || hi[t] == INT64_MAX) {
      throw SmtError(bench.where(t) + ": unbounded integer term not supported: '" + name(t) +
                     "' needs constant lower and upper bounds at the top level");
    }
    if (h < l) h = l; // contradictory bounds: the bound atoms make the formula false
    if (h - l + 1 > kMaxDomain || (total += h - l + 1) > kMaxTotal) {
      throw SmtError(bench.where(t) + ": integer domain too large for '" + name(t) + "' (" +
                     std::to_string(int64_t(h - l + 1)) + " values)");
    }
    if (l < INT64_MIN / 4 || h > INT64_MAX / 4)
      throw SmtError(bench.where(t) + ": integer bounds too large for '" + name(t) + "'");
    out.lo[t] = static_cast<int64_t>(l);
    out.hi[t] = static_cast<int64_t>(h);
  }
}

} // namespace smt
