// The encoder's integer terms: the order encoding (one literal per "t >= v"
// over a finite interval), sums, multiples, if-then-else, and the
// comparisons between them.
#include "solver/encoder.h"

#include "solver/error.h"

#include <algorithm>

namespace smt {

namespace {

using Wide = __int128;

Wide ceil_div(Wide a, Wide b) { // b > 0
  Wide q = a / b;
  return (a % b != 0 && a > 0) ? q + 1 : q;
}

} // namespace

// Eq and Distinct through pairwise equalities e <-> (a <= b and b <= a).
Lit Encoder::encode_equalities(TermId t, Lit L, Pol need) {
  Kind k = s_.kind(t);
  uint32_t n = s_.num_children(t);
  // At least 8 literals a pair, more for wider terms: refused before the
  // quadratic work when the known widths already exceed the limit.
  uint64_t widths = 0;
  for (uint32_t i = 0; i < n; ++i) widths += known_width(s_.child(t, i));
  reserve(t, uint64_t(n - 1) * (3 * widths + 2 * uint64_t(n)));
  std::vector<Lit> eqs;
  for (uint32_t i = 0; i < n; ++i)
    for (uint32_t j = i + 1; j < n; ++j) {
      uint32_t a = int_of(s_.child(t, i)), b = int_of(s_.child(t, j));
      Lit e = k == Kind::Eq ? L : fresh();
      Pol dirs = k == Kind::Eq ? need : kBoth;
      Lit l1 = fresh(), l2 = fresh();
      le_clauses(t, l1, a, b, 0, dirs);
      le_clauses(t, l2, b, a, 0, dirs);
      if (dirs & kPos) {
        add({-e, l1});
        add({-e, l2});
      }
      if (dirs & kNeg) add({e, -l1, -l2});
      eqs.push_back(e);
    }
  if (k == Kind::Distinct) {
    if (need & kPos)
      for (Lit e : eqs) add({-L, -e});
    if (need & kNeg) {
      eqs.push_back(L);
      add(eqs);
    }
  }
  return L;
}

Lit Encoder::ge(const OrderInt &x, Wide v) const {
  if (v <= x.lo) return sat_.lit_true();
  if (v > x.hi) return -sat_.lit_true();
  return x.ge[static_cast<size_t>(v - x.lo - 1)];
}

// L -> a + d <= b (pos) and !L -> b + 1 - d <= a (neg).
void Encoder::le_clauses(TermId at, Lit L, uint32_t a, uint32_t b, int64_t d, Pol need) {
  const OrderInt &X = order_[a], &Y = order_[b];
  reserve(at, ((need & kPos) ? 3 * uint64_t(X.hi - X.lo + 1) : 0) +
                  ((need & kNeg) ? 3 * uint64_t(Y.hi - Y.lo + 1) : 0));
  if (need & kPos)
    for (Wide v = X.lo; v <= X.hi; ++v) add({-L, -ge(X, v), ge(Y, v + d)});
  if (need & kNeg)
    for (Wide v = Y.lo; v <= Y.hi; ++v) add({L, -ge(Y, v), ge(X, v + 1 - d)});
}

// A fresh order-encoded integer over lo..hi: its table and the clauses
// ge[k] -> ge[k-1].
uint32_t Encoder::new_int(TermId at, int64_t lo, int64_t hi) {
  check_size(at, Wide(hi) - lo);
  reserve(at, (3 + kVarCost) * uint64_t(hi - lo));
  size_ += uint64_t(hi - lo);
  OrderInt x;
  x.lo = lo;
  x.hi = hi;
  for (int64_t v = lo; v < hi; ++v) x.ge.push_back(fresh());
  for (size_t k = 1; k < x.ge.size(); ++k) add({-x.ge[k], x.ge[k - 1]});
  order_.push_back(std::move(x));
  return static_cast<uint32_t>(order_.size() - 1);
}

uint64_t Encoder::known_width(TermId t) const {
  if (int_id_[t] != UINT32_MAX) return uint64_t(order_[int_id_[t]].hi - order_[int_id_[t]].lo) + 1;
  if (s_.kind(t) == Kind::App && ints_.class_of[t] < 0)
    return uint64_t(ints_.hi[t] - ints_.lo[t]) + 1;
  return 1;
}

uint32_t Encoder::int_of(TermId t) {
  if (int_id_[t] != UINT32_MAX) return int_id_[t];
  uint32_t id = 0;
  switch (s_.kind(t)) {
  case Kind::Num:
    id = new_int(t, s_.value(t), s_.value(t));
    break;
  case Kind::App:
    id = new_int(t, ints_.lo[t], ints_.hi[t]);
    break;
  case Kind::Neg:
    id = scaled_int(t, -1, s_.child(t, 0));
    break;
  case Kind::Mul:
    id = scaled_int(t, s_.value(t), s_.child(t, 0));
    break;
  case Kind::Add:
    id = sum_int(t);
    break;
  case Kind::IteInt:
    id = ite_int(t);
    break;
  default:
    throw SmtError(bench_.where(t) + ": internal error: unexpected integer term");
  }
  int_id_[t] = id;
  return id;
}

// factor * x: a table of literals of x, no new variable.
uint32_t Encoder::scaled_int(TermId t, int64_t f, TermId x_term) {
  uint32_t xi = int_of(x_term);
  int64_t lo = order_[xi].lo, hi = order_[xi].hi;
  Wide a = Wide(f) * lo, b = Wide(f) * hi;
  if (a > b) std::swap(a, b);
  check_size(t, b - a);
  check_bounds(t, a, b);
  reserve(t, uint64_t(b - a));
  size_ += uint64_t(b - a);
  OrderInt r;
  r.lo = static_cast<int64_t>(a);
  r.hi = static_cast<int64_t>(b);
  Wide af = f < 0 ? -Wide(f) : Wide(f);
  for (Wide v = Wide(r.lo) + 1; v <= r.hi; ++v) {
    // f*x >= v  <=>  x >= ceil(v/f) for f > 0;  x <= -ceil(v/|f|) for f < 0.
    const OrderInt &x = order_[xi];
    r.ge.push_back(f > 0 ? ge(x, ceil_div(v, af)) : -ge(x, -ceil_div(v, af) + 1));
  }
  order_.push_back(std::move(r));
  return static_cast<uint32_t>(order_.size() - 1);
}

// A sum, one child after the other: each partial sum a fresh integer.
uint32_t Encoder::sum_int(TermId t) {
  const TermId *c = s_.children(t);
  // The whole sum's size from the widths known now (a lower bound), refused
  // before the work when it already exceeds the limit.
  uint64_t width = known_width(c[0]), total = 0;
  for (uint32_t i = 1; i < s_.num_children(t) && total <= kMaxLiterals; ++i) {
    uint64_t w = known_width(c[i]);
    total += 3 * (width + w) + 6 * width * w;
    width += w - 1;
  }
  reserve(t, total);
  uint32_t id = int_of(c[0]);
  for (uint32_t i = 1; i < s_.num_children(t); ++i) {
    uint32_t yi = int_of(c[i]);
    int64_t xs = order_[id].hi - order_[id].lo + 1, ys = order_[yi].hi - order_[yi].lo + 1;
    check_size(t, xs * ys);
    reserve(t, 3 * uint64_t(xs + ys) + 6 * uint64_t(xs * ys));
    Wide lo = Wide(order_[id].lo) + order_[yi].lo, hi = Wide(order_[id].hi) + order_[yi].hi;
    check_bounds(t, lo, hi);
    uint32_t ri = new_int(t, static_cast<int64_t>(lo), static_cast<int64_t>(hi));
    const OrderInt &X = order_[id], &Y = order_[yi], &R = order_[ri];
    for (Wide vx = X.lo; vx <= X.hi; ++vx)
      for (Wide vy = Y.lo; vy <= Y.hi; ++vy) {
        add({-ge(X, vx), -ge(Y, vy), ge(R, vx + vy)});
        add({ge(X, vx + 1), ge(Y, vy + 1), -ge(R, vx + vy + 1)});
      }
    id = ri;
  }
  return id;
}

uint32_t Encoder::ite_int(TermId t) {
  const TermId *c = s_.children(t);
  Lit C = encode(c[0], kBoth);
  uint32_t ai = int_of(c[1]), bi = int_of(c[2]);
  int64_t lo = std::min(order_[ai].lo, order_[bi].lo), hi = std::max(order_[ai].hi, order_[bi].hi);
  check_size(t, Wide(hi) - lo);
  reserve(t, 15 * uint64_t(hi - lo));
  uint32_t ri = new_int(t, lo, hi);
  const OrderInt &A = order_[ai], &B = order_[bi], &R = order_[ri];
  for (Wide v = Wide(R.lo) + 1; v <= R.hi; ++v) {
    add({-C, -ge(R, v), ge(A, v)});
    add({-C, ge(R, v), -ge(A, v)});
    add({C, -ge(R, v), ge(B, v)});
    add({C, ge(R, v), -ge(B, v)});
  }
  return ri;
}

} // namespace smt
