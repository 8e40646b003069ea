#include "encoder.h"

#include "error.h"

#include <algorithm>

namespace smt {

namespace {

constexpr int64_t kMaxWork = int64_t(1) << 24;

uint8_t flip(uint8_t pol) {
  return static_cast<uint8_t>(((pol & 1) << 1) | ((pol & 2) >> 1));
}

int64_t ceil_div(int64_t a, int64_t b) { // b > 0
  int64_t q = a / b;
  return (a % b != 0 && a > 0) ? q + 1 : q;
}

} // namespace

void Encoder::check_size(TermId at, int64_t size) const {
  if (size > kMaxWork)
    throw SmtError(bench_.where(at) + ": integer domain too large for the order encoding");
}

void Encoder::reserve(TermId at, uint64_t more) const {
  if (more > kMaxLiterals - size_)
    throw SmtError(bench_.where(at) + ": encoding too large (more than " +
                   std::to_string(kMaxLiterals) + " literals)");
}

void Encoder::add(const Lit *lits, size_t n) {
  reserve(at_, n);
  size_ += n;
  sat_.add_clause(lits, n);
}

Encoder::Encoder(const Benchmark &bench, const IntAnalysis &ints, SatSolver &sat)
    : bench_(bench), s_(bench.store), ints_(ints), sat_(sat), lit_(s_.size(), 0),
      done_(s_.size(), 0), int_id_(s_.size(), UINT32_MAX) {}

Lit Encoder::before(uint32_t k, uint32_t i, uint32_t j) const {
  size_t n = ints_.classes[k].members.size();
  return i < j ? pairs_[k][i * n + j] : -pairs_[k][j * n + i];
}

void Encoder::add_pairs() {
  pairs_.resize(ints_.classes.size());
  min_.resize(ints_.classes.size());
  max_.resize(ints_.classes.size());
  for (size_t k = 0; k < ints_.classes.size(); ++k) {
    uint64_t n = ints_.classes[k].members.size();
    // The pair variables and, to come in finish(), the transitivity clauses.
    uint64_t pairs = n * (n - 1) / 2, triples = n < 3 ? 0 : pairs * (n - 2) / 3;
    reserve(ints_.classes[k].source, pairs + 6 * triples);
    size_ += pairs;
    pairs_[k].assign(n * n, 0);
    min_[k].assign(n, 0);
    max_[k].assign(n, 0);
    for (size_t i = 0; i < n; ++i)
      for (size_t j = i + 1; j < n; ++j) pairs_[k][i * n + j] = sat_.new_var();
  }
}

void Encoder::finish() {
  add_transitivity();
}

void Encoder::add_transitivity() {
  for (size_t k = 0; k < ints_.classes.size(); ++k) {
    at_ = ints_.classes[k].source;
    size_t n = ints_.classes[k].members.size();
    const std::vector<Lit> &p = pairs_[k];
    for (size_t i = 0; i < n; ++i)
      for (size_t j = i + 1; j < n; ++j)
        for (size_t l = j + 1; l < n; ++l) {
          Lit ij = p[i * n + j], jl = p[j * n + l], il = p[i * n + l];
          add({-ij, -jl, il});
          add({ij, jl, -il});
        }
  }
}

Lit Encoder::is_min(uint32_t k, uint32_t i, bool max) {
  Lit &m = (max ? max_ : min_)[k][i];
  if (m) return m;
  m = sat_.new_var();
  uint32_t n = static_cast<uint32_t>(ints_.classes[k].members.size());
  std::vector<Lit> back{m};
  for (uint32_t j = 0; j < n; ++j) {
    if (j == i) continue;
    Lit b = max ? before(k, j, i) : before(k, i, j);
    add({-m, b});
    back.push_back(-b);
  }
  add(back);
  return m;
}

void Encoder::encode_all(bool implied) {
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

// Each top-level disjunction of conjunctions of order atoms of one class
// implies the orders common to the transitive closures of all its disjuncts.
void Encoder::add_implied_orders() {
  for (TermId c : ints_.conjuncts) {
    if (s_.kind(c) != Kind::Or) continue;
    at_ = c;
    int32_t cls = -1;
    std::vector<std::pair<uint32_t, uint32_t>> common;
    bool first = true;
    for (uint32_t d = 0; d < s_.num_children(c) && (first || !common.empty()); ++d) {
      TermId dj = s_.child(c, d);
      std::vector<TermId> facts;
      if (s_.kind(dj) == Kind::And)
        facts.assign(s_.children(dj), s_.children(dj) + s_.num_children(dj));
      else
        facts.push_back(dj);
      std::vector<uint32_t> local;
      std::vector<std::pair<uint32_t, uint32_t>> edges;
      for (TermId f : facts) {
        if (s_.kind(f) != Kind::Lt && s_.kind(f) != Kind::Le) continue;
        TermId a = s_.child(f, 0), b = s_.child(f, 1);
        int32_t ka = ints_.class_of[a];
        if (ka < 0 || ints_.class_of[b] != ka) continue;
        if (cls < 0) cls = ka;
        if (ka != cls) continue;
        edges.emplace_back(ints_.index_in[a], ints_.index_in[b]);
        local.push_back(ints_.index_in[a]);
        local.push_back(ints_.index_in[b]);
      }
      std::sort(local.begin(), local.end());
      local.erase(std::unique(local.begin(), local.end()), local.end());
      size_t m = local.size();
      auto at = [&](uint32_t x) {
        return std::lower_bound(local.begin(), local.end(), x) - local.begin();
      };
      std::vector<char> r(m * m, 0);
      for (auto &e : edges) r[at(e.first) * m + at(e.second)] = 1;
      for (size_t k = 0; k < m; ++k)
        for (size_t i = 0; i < m; ++i)
          if (r[i * m + k])
            for (size_t j = 0; j < m; ++j)
              if (r[k * m + j]) r[i * m + j] = 1;
      std::vector<std::pair<uint32_t, uint32_t>> closure;
      for (size_t i = 0; i < m; ++i)
        for (size_t j = 0; j < m; ++j)
          if (i != j && r[i * m + j]) closure.emplace_back(local[i], local[j]);
      if (first) {
        common = closure;
      } else {
        std::vector<std::pair<uint32_t, uint32_t>> kept;
        std::sort(closure.begin(), closure.end());
        for (auto &e : common)
          if (std::binary_search(closure.begin(), closure.end(), e)) kept.push_back(e);
        common.swap(kept);
      }
      first = false;
    }
    for (auto &e : common)
      if (e.first != e.second) add({before(cls, e.first, e.second)});
  }
}

void Encoder::assert_signed(TermId t, bool pos) {
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
  clause_.clear();
  if (!collect(t, pos, clause_)) add(clause_);
}

void Encoder::assert_implies(TermId a, bool apos, TermId b, bool bpos) {
  Kind ka = s_.kind(a), kb = s_.kind(b);
  if (ka == Kind::Not) return assert_implies(s_.child(a, 0), !apos, b, bpos);
  if (kb == Kind::Not) return assert_implies(a, apos, s_.child(b, 0), !bpos);
  if ((apos && ka == Kind::Or) || (!apos && ka == Kind::And)) {
    for (uint32_t i = 0; i < s_.num_children(a); ++i) assert_implies(s_.child(a, i), apos, b, bpos);
    return;
  }
  if ((bpos && kb == Kind::And) || (!bpos && kb == Kind::Or)) {
    for (uint32_t i = 0; i < s_.num_children(b); ++i) assert_implies(a, apos, s_.child(b, i), bpos);
    return;
  }
  clause_.clear();
  if (!collect(a, !apos, clause_) && !collect(b, bpos, clause_)) add(clause_);
}

bool Encoder::collect(TermId t, bool pos, std::vector<Lit> &cl) {
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

Lit Encoder::encode(TermId t, uint8_t pol) {
  Kind k = s_.kind(t);
  switch (k) {
  case Kind::True:
    return sat_.lit_true();
  case Kind::False:
    return -sat_.lit_true();
  case Kind::Not:
    return -encode(s_.child(t, 0), flip(pol));
  case Kind::App:
    if (!lit_[t]) lit_[t] = sat_.new_var();
    return lit_[t];
  case Kind::Eq:
  case Kind::Lt:
  case Kind::Le:
  case Kind::Distinct:
    return encode_atom(t, pol);
  default:
    break;
  }
  if (!lit_[t]) lit_[t] = sat_.new_var();
  Lit L = lit_[t];
  uint8_t need = pol & ~done_[t];
  if (!need) return L;
  done_[t] |= need;
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

Lit Encoder::class_atom(TermId t) {
  Kind k = s_.kind(t);
  if (k == Kind::Distinct) return sat_.lit_true();
  TermId a = s_.child(t, 0), b = s_.child(t, 1);
  if (s_.kind(a) != Kind::Num && s_.kind(b) != Kind::Num) {
    uint32_t cls = ints_.class_of[a];
    if (k == Kind::Eq) return -sat_.lit_true();
    return before(cls, ints_.index_in[a], ints_.index_in[b]);
  }
  bool first = s_.kind(a) != Kind::Num;
  TermId x = first ? a : b;
  uint32_t cls = ints_.class_of[x], i = ints_.index_in[x];
  const PermClass &pc = ints_.classes[cls];
  int64_t hi = pc.lo + int64_t(pc.members.size()) - 1;
  switch (rank_fact(k, first, s_.value(first ? b : a), pc.lo, hi)) {
  case RankFact::True:
    return sat_.lit_true();
  case RankFact::False:
    return -sat_.lit_true();
  case RankFact::IsMin:
    return is_min(cls, i, false);
  case RankFact::IsMax:
    return is_min(cls, i, true);
  case RankFact::NotMin:
    return -is_min(cls, i, false);
  case RankFact::NotMax:
    return -is_min(cls, i, true);
  default:
    throw SmtError(bench_.where(t) + ": internal error: unsupported rank comparison");
  }
}

Lit Encoder::encode_atom(TermId t, uint8_t pol) {
  uint32_t n = s_.num_children(t);
  for (uint32_t i = 0; i < n; ++i) {
    TermId x = s_.child(t, i);
    if (s_.kind(x) == Kind::App && ints_.class_of[x] >= 0) {
      if (!lit_[t]) lit_[t] = class_atom(t);
      return lit_[t];
    }
  }
  if (!lit_[t]) lit_[t] = sat_.new_var();
  Lit L = lit_[t];
  uint8_t need = pol & ~done_[t];
  if (!need) return L;
  done_[t] |= need;
  Kind k = s_.kind(t);
  if (k == Kind::Lt || k == Kind::Le) {
    le_clauses(t, L, int_of(s_.child(t, 0)), int_of(s_.child(t, 1)), k == Kind::Lt ? 1 : 0, need);
    return L;
  }
  return encode_equalities(t, L, need);
}

// Eq and Distinct through pairwise equalities e <-> (a <= b and b <= a).
Lit Encoder::encode_equalities(TermId t, Lit L, uint8_t need) {
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
      Lit e = k == Kind::Eq ? L : sat_.new_var();
      uint8_t dirs = k == Kind::Eq ? need : uint8_t(kBoth);
      Lit l1 = sat_.new_var(), l2 = sat_.new_var();
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

Lit Encoder::ge(const OrderInt &x, int64_t v) const {
  if (v <= x.lo) return sat_.lit_true();
  if (v > x.hi) return -sat_.lit_true();
  return x.ge[static_cast<size_t>(v - x.lo - 1)];
}

// L -> a + d <= b (pos) and !L -> b + 1 - d <= a (neg).
void Encoder::le_clauses(TermId at, Lit L, uint32_t a, uint32_t b, int64_t d, uint8_t need) {
  const OrderInt &X = order_[a], &Y = order_[b];
  reserve(at, ((need & kPos) ? 3 * uint64_t(X.hi - X.lo + 1) : 0) +
                  ((need & kNeg) ? 3 * uint64_t(Y.hi - Y.lo + 1) : 0));
  if (need & kPos)
    for (int64_t v = X.lo; v <= X.hi; ++v) add({-L, -ge(X, v), ge(Y, v + d)});
  if (need & kNeg)
    for (int64_t v = Y.lo; v <= Y.hi; ++v) add({L, -ge(Y, v), ge(X, v + 1 - d)});
}

// A fresh order-encoded integer over lo..hi: its table and the clauses
// ge[k] -> ge[k-1].
uint32_t Encoder::new_int(TermId at, int64_t lo, int64_t hi) {
  check_size(at, hi - lo);
  reserve(at, 3 * uint64_t(hi - lo));
  size_ += uint64_t(hi - lo);
  OrderInt x;
  x.lo = lo;
  x.hi = hi;
  for (int64_t v = lo; v < hi; ++v) x.ge.push_back(sat_.new_var());
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
  __int128 a = __int128(f) * lo, b = __int128(f) * hi;
  if (a > b) std::swap(a, b);
  if (b - a > kMaxWork) check_size(t, kMaxWork + 1);
  reserve(t, uint64_t(b - a));
  size_ += uint64_t(b - a);
  OrderInt r;
  r.lo = static_cast<int64_t>(a);
  r.hi = static_cast<int64_t>(b);
  int64_t af = f < 0 ? -f : f;
  for (int64_t v = r.lo + 1; v <= r.hi; ++v) {
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
    uint32_t ri = new_int(t, order_[id].lo + order_[yi].lo, order_[id].hi + order_[yi].hi);
    const OrderInt &X = order_[id], &Y = order_[yi], &R = order_[ri];
    for (int64_t vx = X.lo; vx <= X.hi; ++vx)
      for (int64_t vy = Y.lo; vy <= Y.hi; ++vy) {
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
  reserve(t, 15 * uint64_t(hi - lo));
  uint32_t ri = new_int(t, lo, hi);
  const OrderInt &A = order_[ai], &B = order_[bi], &R = order_[ri];
  for (int64_t v = R.lo + 1; v <= R.hi; ++v) {
    add({-C, -ge(R, v), ge(A, v)});
    add({-C, ge(R, v), -ge(A, v)});
    add({C, -ge(R, v), ge(B, v)});
    add({C, ge(R, v), -ge(B, v)});
  }
  return ri;
}

std::vector<Lit> Encoder::preferred_orders() const {
  std::vector<Lit> out;
  std::vector<std::pair<std::pair<uint32_t, int64_t>, std::pair<int64_t, TermId>>> apps;
  for (TermId t : s_.ground_apps()) {
    if (s_.sort(t) != Sort::Int || s_.num_children(t) != 2 || ints_.class_of[t] < 0) continue;
    apps.push_back({{s_.node(t).sym, s_.value(s_.child(t, 0))}, {s_.value(s_.child(t, 1)), t}});
  }
  std::sort(apps.begin(), apps.end());
  for (size_t i = 0; i + 1 < apps.size(); ++i) {
    TermId a = apps[i].second.second, b = apps[i + 1].second.second;
    if (apps[i].first != apps[i + 1].first || ints_.class_of[a] != ints_.class_of[b]) continue;
    out.push_back(before(ints_.class_of[a], ints_.index_in[a], ints_.index_in[b]));
  }
  return out;
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
