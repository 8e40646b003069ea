// The encoder's frame and its formulas: size accounting, the assertions in
// order, the polarity-aware Tseitin encoding, and the model read back.
#include "solver/encoder.h"

#include "solver/error.h"

namespace smt {

namespace {

// The polarities of a negated formula's argument.
uint8_t flip(uint8_t pol) {
  return static_cast<uint8_t>(((pol & 1) << 1) | ((pol & 2) >> 1));
}

} // namespace

Encoder::Encoder(const Benchmark &bench, const IntAnalysis &ints, SatSolver &sat)
    : bench_(bench), s_(bench.store), ints_(ints), sat_(sat), lit_(s_.size(), 0),
      done_(s_.size(), 0), asserted_(s_.size(), 0), int_id_(s_.size(), UINT32_MAX) {
  seen_[0].assign(s_.size(), 0);
  seen_[1].assign(s_.size(), 0);
}

void Encoder::encode_all(bool implied) {
  estimate();
  add_pairs();
  // Unit conjuncts first, so that clauses they satisfy are never added.
  auto is_literal = [&](TermId c) {
    if (s_.kind(c) == Kind::Not) c = s_.child(c, 0);
    return s_.kind(c) == Kind::App;
  };
  for (TermId c : ints_.conjuncts)
    if (is_literal(c)) assert_signed(at_ = c, true);
  for (TermId c : ints_.conjuncts)
    if (!is_literal(c)) assert_signed(at_ = c, true);
  if (implied) add_implied_orders();
}

void Encoder::add_order(uint32_t k, const std::vector<TermId> &members) {
  at_ = ints_.classes[k].source;
  for (size_t i = 0; i + 1 < members.size(); ++i)
    add({before(k, ints_.index_in[members[i]], ints_.index_in[members[i + 1]])});
}

void Encoder::finish() {
  add_transitivity();
}

void Encoder::assert_signed(TermId t, bool pos) {
  // Each signed term once: a formula shared through bindings is asserted once.
  Pol sign = pos ? kPos : kNeg;
  if (asserted_[t] & sign) return;
  asserted_[t] |= sign;
  Kind k = s_.kind(t);
  if (k == Kind::Not) return assert_signed(s_.child(t, 0), !pos);
  if ((pos && k == Kind::And) || (!pos && k == Kind::Or)) {
    for (uint32_t i = 0; i < s_.num_children(t); ++i) assert_signed(s_.child(t, i), pos);
    return;
  }
  if (!pos && k == Kind::Implies) {
    assert_signed(s_.child(t, 0), true);
    assert_signed(s_.child(t, 1), false);
    return;
  }
  if (pos && k == Kind::Implies) return assert_implies(s_.child(t, 0), true, s_.child(t, 1), true);
  if (pos && k == Kind::Iff) {
    assert_implies(s_.child(t, 0), true, s_.child(t, 1), true);
    assert_implies(s_.child(t, 1), true, s_.child(t, 0), true);
    return;
  }
  start_clause();
  if (!collect(t, pos, clause_)) add(clause_);
}

void Encoder::assert_implies(TermId a, bool apos, TermId b, bool bpos) {
  // One clause per disjunct of a and conjunct of b.
  std::vector<std::pair<TermId, bool>> as, bs;
  split(a, apos, true, as);
  split(b, bpos, false, bs);
  reserve(at_, uint64_t(as.size()) * bs.size());
  for (auto [x, xpos] : as)
    for (auto [y, ypos] : bs) {
      start_clause();
      if (!collect(x, !xpos, clause_) && !collect(y, ypos, clause_)) add(clause_);
    }
}

void Encoder::split(TermId t, bool pos, bool disjuncts, std::vector<std::pair<TermId, bool>> &out) {
  ++stamp_;
  std::vector<std::pair<TermId, bool>> stack{{t, pos}};
  while (!stack.empty()) {
    auto [x, xpos] = stack.back();
    stack.pop_back();
    if (s_.kind(x) == Kind::Not) {
      stack.emplace_back(s_.child(x, 0), !xpos);
      continue;
    }
    uint32_t &seen = seen_[xpos][x];
    if (seen == stamp_) continue;
    seen = stamp_;
    Kind k = s_.kind(x);
    if ((k == Kind::Or && xpos == disjuncts) || (k == Kind::And && xpos != disjuncts)) {
      for (uint32_t i = s_.num_children(x); i-- > 0;) stack.emplace_back(s_.child(x, i), xpos);
    } else {
      out.emplace_back(x, xpos);
    }
  }
}

bool Encoder::collect(TermId t, bool pos, std::vector<Lit> &cl) {
  uint32_t &seen = seen_[pos][t];
  if (seen == stamp_) return false; // already in this clause
  seen = stamp_;
  switch (s_.kind(t)) {
  case Kind::True:
    return pos;
  case Kind::False:
    return !pos;
  case Kind::Not:
    return collect(s_.child(t, 0), !pos, cl);
  case Kind::Or:
  case Kind::And:
    if ((s_.kind(t) == Kind::Or) == pos) {
      for (uint32_t i = 0; i < s_.num_children(t); ++i)
        if (collect(s_.child(t, i), pos, cl)) return true;
      return false;
    }
    break;
  case Kind::Implies:
    if (pos) return collect(s_.child(t, 0), false, cl) || collect(s_.child(t, 1), true, cl);
    break;
  default:
    break;
  }
  cl.push_back(pos ? encode(t, kPos) : -encode(t, kNeg));
  return false;
}

Lit Encoder::encode(TermId t, Pol pol) {
  Kind k = s_.kind(t);
  switch (k) {
  case Kind::True:
    return sat_.lit_true();
  case Kind::False:
    return -sat_.lit_true();
  case Kind::Not:
    return -encode(s_.child(t, 0), static_cast<Pol>(flip(pol)));
  case Kind::App:
    if (!lit_[t]) lit_[t] = fresh();
    return lit_[t];
  case Kind::Eq:
  case Kind::Lt:
  case Kind::Le:
  case Kind::Distinct:
    return encode_atom(t, pol);
  default:
    break;
  }
  if (!lit_[t]) lit_[t] = fresh();
  Lit L = lit_[t];
  auto need = static_cast<Pol>(pol & ~done_[t]);
  if (!need) return L;
  done_[t] |= need;
  return connective(t, k, L, need);
}

// The clauses defining L as the connective t, in the directions needed.
Lit Encoder::connective(TermId t, Kind k, Lit L, Pol need) {
  uint32_t n = s_.num_children(t);
  const TermId *c = s_.children(t);
  bool pos = need & kPos, neg = need & kNeg;
  switch (k) {
  case Kind::And:
  case Kind::Or: {
    bool is_and = k == Kind::And;
    // And: L -> each child (pos), all children -> L (neg).  Or dually.
    if (is_and ? pos : neg)
      for (uint32_t i = 0; i < n; ++i)
        add(is_and ? std::initializer_list<Lit>{-L, encode(c[i], kPos)}
                   : std::initializer_list<Lit>{L, -encode(c[i], kNeg)});
    if (is_and ? neg : pos) {
      std::vector<Lit> big{is_and ? L : -L};
      for (uint32_t i = 0; i < n; ++i)
        big.push_back(is_and ? -encode(c[i], kNeg) : encode(c[i], kPos));
      add(big);
    }
    break;
  }
  case Kind::Implies:
    if (pos) add({-L, -encode(c[0], kNeg), encode(c[1], kPos)});
    if (neg) {
      add({L, encode(c[0], kPos)});
      add({L, -encode(c[1], kNeg)});
    }
    break;
  case Kind::Iff:
  case Kind::Xor: {
    Lit A = encode(c[0], kBoth), B = encode(c[1], kBoth);
    if (k == Kind::Xor) B = -B;
    if (pos) {
      add({-L, -A, B});
      add({-L, A, -B});
    }
    if (neg) {
      add({L, A, B});
      add({L, -A, -B});
    }
    break;
  }
  case Kind::IteBool: {
    Lit C = encode(c[0], kBoth);
    if (pos) {
      add({-L, -C, encode(c[1], kPos)});
      add({-L, C, encode(c[2], kPos)});
    }
    if (neg) {
      add({L, -C, -encode(c[1], kNeg)});
      add({L, C, -encode(c[2], kNeg)});
    }
    break;
  }
  default:
    throw SmtError(bench_.where(t) + ": internal error: unexpected term in formula");
  }
  return L;
}

Lit Encoder::encode_atom(TermId t, Pol pol) {
  uint32_t n = s_.num_children(t);
  for (uint32_t i = 0; i < n; ++i) {
    TermId x = s_.child(t, i);
    if (s_.kind(x) == Kind::App && ints_.class_of[x] >= 0) {
      if (!lit_[t]) lit_[t] = class_atom(t);
      return lit_[t];
    }
  }
  if (!lit_[t]) lit_[t] = fresh();
  Lit L = lit_[t];
  auto need = static_cast<Pol>(pol & ~done_[t]);
  if (!need) return L;
  done_[t] |= need;
  Kind k = s_.kind(t);
  if (k == Kind::Lt || k == Kind::Le) {
    le_clauses(t, L, int_of(s_.child(t, 0)), int_of(s_.child(t, 1)), k == Kind::Lt ? 1 : 0, need);
    return L;
  }
  return encode_equalities(t, L, need);
}

int64_t Encoder::model_value(TermId t) const {
  if (s_.sort(t) == Sort::Bool) return lit_[t] && sat_.value(lit_[t]) ? 1 : 0;
  int32_t cls = ints_.class_of[t];
  if (cls >= 0) {
    uint32_t i = ints_.index_in[t], n = static_cast<uint32_t>(ints_.classes[cls].members.size());
    int64_t rank = 0;
    for (uint32_t j = 0; j < n; ++j)
      if (j != i && sat_.value(before(cls, j, i))) ++rank;
    return ints_.classes[cls].lo + rank;
  }
  if (int_id_[t] == UINT32_MAX) return ints_.lo[t];
  const OrderInt &x = order_[int_id_[t]];
  int64_t v = x.lo;
  for (Lit l : x.ge)
    if (sat_.value(l)) ++v;
  return v;
}

} // namespace smt
