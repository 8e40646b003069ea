#include "symmetry.h"

#include <algorithm>
#include <functional>
#include <map>
#include <unordered_map>

namespace smt {

namespace {

constexpr int kSearchBudget = 5000;

uint64_t mix(uint64_t h, uint64_t v) {
  h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
  return h * 0xBF58476D1CE4E5B9ull;
}

// Symmetry finder for the letters of one function symbol inside one class.
class LetterSymmetry {
public:
  LetterSymmetry(TermStore &s, const IntAnalysis &ints, uint32_t cls, uint32_t sym)
      : s_(s), ints_(ints), cls_(cls), sym_(sym) {}

  size_t run(Encoder &enc, SatSolver &sat) {
    if (!build_canonical()) return 0;
    collect_letters();
    if (letters_.size() < 3) return 0;
    build_letter_graph();
    refine_colours();
    size_t m = letters_.size();
    swaps_.assign(m * m, {});
    tried_.assign(m * m, 0);
    verified_.assign(m * m, 0);
    memo_image_.assign(s_.size(), kNoTerm);
    stamp_.assign(s_.size(), 0);
    return add_orders(enc, sat);
  }

private:
  bool is_letter_app(TermId t) const {
    return s_.kind(t) == Kind::App && s_.node(t).sym == sym_ && s_.num_children(t) > 0 &&
           s_.is_ground_app(t);
  }

  TermId canon(TermId t, const std::unordered_map<TermId, TermId> &subst) {
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
  bool build_canonical() {
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

  void collect_letters() {
    std::vector<int64_t> values;
    for (TermId t : s_.ground_apps())
      if (is_letter_app(t)) values.push_back(s_.value(s_.child(t, 0)));
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    letters_ = values;
  }

  int letter_index(TermId app) const {
    int64_t v = s_.value(s_.child(app, 0));
    return static_cast<int>(std::lower_bound(letters_.begin(), letters_.end(), v) -
                            letters_.begin());
  }

  void letters_of(TermId t, std::vector<int> &out, std::vector<TermId> &seen) {
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

  uint64_t shape(TermId t, int l0, int l1, std::unordered_map<TermId, uint64_t> &memo) {
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
  void build_letter_graph() {
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
  void refine_colours() {
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

  // A permutation of the letter graph exchanging a and b, as close to the identity as found.
  bool find_automorphism(size_t a, size_t b, std::vector<int> &perm) {
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
  TermId image(TermId t, const std::vector<int> &perm) {
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
  bool verify(const std::vector<int> &perm) {
    ++generation_;
    for (TermId c : conj_) {
      TermId r = image(c, perm);
      if (r == kNoTerm || !std::binary_search(conj_.begin(), conj_.end(), r)) return false;
    }
    return true;
  }

  // A letter-graph automorphism exchanging a and b (empty when none), found once.
  const std::vector<int> &candidate(size_t a, size_t b) {
    size_t m = letters_.size();
    size_t key = a < b ? a * m + b : b * m + a;
    if (!tried_[key]) {
      tried_[key] = 1;
      if (vcolor_[a] != vcolor_[b] || !find_automorphism(a, b, swaps_[key])) swaps_[key].clear();
    }
    return swaps_[key];
  }

  // The candidate swap of a and b, verified on the formula (empty when it fails), once.
  const std::vector<int> &swap_of(size_t a, size_t b) {
    size_t m = letters_.size();
    size_t key = a < b ? a * m + b : b * m + a;
    const std::vector<int> &p = candidate(a, b);
    if (!p.empty() && verified_[key] == 0) verified_[key] = verify(p) ? 1 : 2;
    if (verified_[key] == 2) swaps_[key].clear();
    return swaps_[key];
  }

  // Greedy chains c1, c2, ... of letters where each swap of neighbours c_i, c_i+1
  // exists and fixes every other letter of the chain and of earlier chains.
  // Neighbour swaps generate every permutation of the chain, so the key
  // variables of the chain may be required to be increasing.
  size_t add_orders(Encoder &enc, SatSolver &sat) {
    size_t m = letters_.size(), units = 0;
    std::vector<char> used(m, 0);
    std::vector<size_t> fixed_letters; // letters of earlier chains: must stay fixed
    for (size_t a = 0; a < m; ++a) {
      if (used[a]) continue;
      std::vector<size_t> chain{a};
      for (size_t b = a + 1; b < m; ++b) {
        if (used[b]) continue;
        // Cheap conditions on the candidate first, the formula check last.
        const std::vector<int> &p = candidate(chain.back(), b);
        bool ok = !p.empty();
        for (size_t j = 0; j + 1 < chain.size() && ok; ++j) ok = p[chain[j]] == int(chain[j]);
        for (size_t f : fixed_letters) ok = ok && p[f] == static_cast<int>(f);
        for (size_t j = 0; j + 1 < chain.size() && ok; ++j)
          ok = swap_of(chain[j], chain[j + 1])[b] == static_cast<int>(b);
        if (ok) ok = !swap_of(chain.back(), b).empty();
        if (ok) chain.push_back(b);
      }
      if (chain.size() < 2) continue;
      std::vector<TermId> keys = key_apps(chain);
      if (keys.empty()) continue;
      for (size_t x : chain) used[x] = 1, fixed_letters.push_back(x);
      for (size_t i = 0; i + 1 < keys.size(); ++i) {
        sat.add_clause({enc.before(cls_, ints_.index_in[keys[i]], ints_.index_in[keys[i + 1]])});
        ++units;
      }
    }
    return units;
  }

  // For each letter of the set, the application with the smallest common rest arguments.
  std::vector<TermId> key_apps(const std::vector<size_t> &set) {
    std::map<std::vector<int64_t>, std::vector<TermId>> by_rest;
    for (TermId t : s_.ground_apps()) {
      if (!is_letter_app(t) || ints_.class_of[t] != static_cast<int32_t>(cls_)) continue;
      std::vector<int64_t> rest;
      for (uint32_t i = 1; i < s_.num_children(t); ++i) rest.push_back(s_.value(s_.child(t, i)));
      auto &row = by_rest[rest];
      row.resize(letters_.size(), kNoTerm);
      row[letter_index(t)] = t;
    }
    for (auto &entry : by_rest) {
      bool all = true;
      for (size_t x : set) all = all && entry.second[x] != kNoTerm;
      if (!all) continue;
      std::vector<TermId> keys;
      for (size_t x : set) keys.push_back(entry.second[x]);
      return keys;
    }
    return {};
  }

  TermStore &s_;
  const IntAnalysis &ints_;
  uint32_t cls_, sym_;
  std::unordered_map<TermId, TermId> memo_;
  std::vector<TermId> conj_;
  std::vector<int64_t> letters_;
  std::vector<uint64_t> vcolor_, ecolor_;
  std::vector<std::vector<int>> swaps_;
  std::vector<char> tried_, verified_; // verified_: 0 unknown, 1 holds, 2 fails
  std::vector<TermId> memo_image_, buf_;
  std::vector<uint32_t> stamp_;
  uint32_t generation_ = 0;
};

} // namespace

size_t break_symmetries(Benchmark &bench, const IntAnalysis &ints, Encoder &enc, SatSolver &sat) {
  TermStore &s = bench.store;
  size_t units = 0;
  for (uint32_t k = 0; k < ints.classes.size(); ++k) {
    // Symbols all of whose ground applications lie in class k.
    for (uint32_t sym = 0; sym < s.num_symbols(); ++sym) {
      if (s.symbol(sym).result != Sort::Int || s.symbol(sym).args.empty()) continue;
      bool all = true, any = false;
      for (TermId t : s.ground_apps()) {
        if (s.node(t).sym != sym || s.kind(t) != Kind::App) continue;
        any = true;
        all = all && ints.class_of[t] == static_cast<int32_t>(k);
      }
      if (!any || !all) continue;
      units += LetterSymmetry(s, ints, k, sym).run(enc, sat);
    }
  }
  return units;
}

} // namespace smt
