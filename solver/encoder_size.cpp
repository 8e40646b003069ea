// The encoder's size limit: the checks made while encoding, and the estimate
// of the whole encoding from the integer bounds made before any of it is
// built, so that a small text asking for gigabytes is refused at once.
#include "solver/encoder.h"

#include "solver/error.h"

#include <algorithm>

namespace smt {

namespace {

constexpr int64_t kMaxWork = int64_t(1) << 24; // values of one integer term

} // namespace

void Encoder::reserve(TermId at, uint64_t more) const {
  if (more > kMaxLiterals - std::min(size_, kMaxLiterals)) refuse(at);
}

void Encoder::refuse(TermId at) const {
  throw SmtError(bench_.where(at) + ": encoding too large (more than " +
                 std::to_string(kMaxLiterals) + " literals)");
}

void Encoder::check_size(TermId at, Wide size) const {
  if (size > kMaxWork)
    throw SmtError(bench_.where(at) + ": integer domain too large for the order encoding");
}

void Encoder::check_bounds(TermId at, Wide lo, Wide hi) const {
  if (lo < INT64_MIN || hi > INT64_MAX)
    throw SmtError(bench_.where(at) + ": integer bounds too large for the order encoding");
}

void Encoder::estimate() const {
  Wide total = 0;
  for (const PermClass &pc : ints_.classes) {
    Wide n = Wide(pc.members.size()), pairs = n * (n - 1) / 2;
    total += kVarCost * pairs + (n < 3 ? 0 : 6 * (pairs * (n - 2) / 3));
    if (total > Wide(kMaxLiterals)) refuse(pc.source);
  }
  // Intervals of the integer terms, children before parents.
  std::vector<int64_t> lo(s_.size(), 0), hi(s_.size(), 0);
  std::vector<char> reach = s_.reachable(ints_.conjuncts);
  // Atoms asserted at the top level are encoded in one direction only.
  std::vector<uint8_t> need(s_.size(), kBoth);
  for (TermId c : ints_.conjuncts) {
    if (s_.kind(c) == Kind::Not)
      need[s_.child(c, 0)] &= kNeg;
    else
      need[c] &= kPos;
  }
  for (TermId t = 0; t < s_.size(); ++t) {
    if (!reach[t]) continue;
    total += s_.sort(t) == Sort::Int ? estimate_int(t, lo, hi)
                                     : estimate_atom(t, static_cast<Pol>(need[t]), lo, hi);
    if (total > Wide(kMaxLiterals)) refuse(t);
  }
}

// An integer term's interval (into lo and hi) and the size of its own
// encoding, with the checks the encoder makes on it.
Encoder::Wide Encoder::estimate_int(TermId t, std::vector<int64_t> &lo,
                                    std::vector<int64_t> &hi) const {
  const TermId *c = s_.children(t);
  Wide table = 3 + kVarCost; // per value of a fresh order-encoded integer
  switch (s_.kind(t)) {
  case Kind::Num:
    lo[t] = hi[t] = s_.value(t);
    return 0;
  case Kind::App:
    lo[t] = ints_.lo[t];
    hi[t] = ints_.hi[t];
    return ints_.class_of[t] >= 0 ? 0 : table * (Wide(hi[t]) - lo[t]);
  case Kind::Neg:
  case Kind::Mul: {
    Wide f = s_.kind(t) == Kind::Neg ? -1 : s_.value(t);
    Wide a = f * lo[c[0]], b = f * hi[c[0]];
    if (a > b) std::swap(a, b);
    check_size(t, b - a);
    check_bounds(t, a, b);
    lo[t] = static_cast<int64_t>(a);
    hi[t] = static_cast<int64_t>(b);
    return b - a;
  }
  case Kind::Add: {
    Wide l = lo[c[0]], h = hi[c[0]], size = 0;
    for (uint32_t i = 1; i < s_.num_children(t); ++i) {
      Wide xs = h - l + 1, ys = Wide(hi[c[i]]) - lo[c[i]] + 1;
      check_size(t, xs * ys);
      l += lo[c[i]];
      h += hi[c[i]];
      check_bounds(t, l, h);
      size += 3 * (xs + ys) + 6 * xs * ys + table * (h - l);
    }
    lo[t] = static_cast<int64_t>(l);
    hi[t] = static_cast<int64_t>(h);
    return size;
  }
  case Kind::IteInt: {
    lo[t] = std::min(lo[c[1]], lo[c[2]]);
    hi[t] = std::max(hi[c[1]], hi[c[2]]);
    check_size(t, Wide(hi[t]) - lo[t]);
    return (12 + table) * (Wide(hi[t]) - lo[t]);
  }
  default:
    throw SmtError(bench_.where(t) + ": internal error: unexpected integer term");
  }
}

// The size of a formula's own encoding in the directions needed: an atom's
// clauses over the order encodings of its terms, a connective's definition.
Encoder::Wide Encoder::estimate_atom(TermId t, Encoder::Pol need, const std::vector<int64_t> &lo,
                                     const std::vector<int64_t> &hi) const {
  uint32_t n = s_.num_children(t);
  const TermId *c = s_.children(t);
  Wide values = 0; // of the terms compared, in all
  auto width = [&](TermId x) { return Wide(hi[x]) - lo[x] + 1; };
  switch (s_.kind(t)) {
  case Kind::True:
  case Kind::False:
  case Kind::Not:
    return 0;
  case Kind::Lt:
  case Kind::Le:
  case Kind::Eq:
  case Kind::Distinct:
    for (uint32_t i = 0; i < n; ++i) {
      int32_t cls = s_.kind(c[i]) == Kind::App ? ints_.class_of[c[i]] : -1;
      if (cls >= 0) // the member's rank: at most one clause per other member
        return kVarCost + 3 * Wide(ints_.classes[cls].members.size());
      values += width(c[i]);
    }
    // a <= b: one clause per value of a one way, of b the other way.
    if (s_.kind(t) == Kind::Lt || s_.kind(t) == Kind::Le)
      return kVarCost + ((need & kPos) ? 3 * width(c[0]) : 0) +
             ((need & kNeg) ? 3 * width(c[1]) : 0);
    // Two comparisons a pair, each one way or both.
    return Wide(n) * (n - 1) / 2 * (3 * kVarCost + 10) +
           (s_.kind(t) == Kind::Eq && need != kBoth ? 3 : 6) * Wide(n - 1) * values;
  default: // a predicate, or a connective's variable and definition
    return kVarCost + 3 * Wide(n) + 1;
  }
}

} // namespace smt
