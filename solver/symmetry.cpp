// Chains of swappable letters, and the entry point over every class and symbol.
#include "solver/symmetry.h"

#include "solver/symmetry_letters.h"

#include <map>
#include <memory>

namespace smt {

// Greedy chains c1, c2, ... of letters where each swap of neighbours c_i, c_i+1
// exists and fixes every other letter of the chain and of earlier chains.
// Neighbour swaps generate every permutation of the chain, so the key
// variables of the chain may be required to be increasing.
std::vector<std::vector<TermId>> LetterSymmetry::chains() {
  if (!build_canonical()) return {};
  collect_letters();
  if (letters_.size() < 3) return {};
  build_letter_graph();
  refine_colours();
  size_t m = letters_.size();
  swaps_.assign(m * m, {});
  tried_.assign(m * m, 0);
  verified_.assign(m * m, 0);
  memo_image_.assign(s_.size(), kNoTerm);
  stamp_.assign(s_.size(), 0);
  std::vector<std::vector<TermId>> out;
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
    out.push_back(std::move(keys));
  }
  return out;
}

std::vector<TermId> LetterSymmetry::key_apps(const std::vector<size_t> &set) {
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

std::vector<SymmetryChain> symmetry_chains(const Benchmark &bench, const IntAnalysis &ints) {
  const TermStore &s = bench.store;
  std::vector<SymmetryChain> out;
  std::unique_ptr<TermStore> copy; // made at the first symbol worth a search
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
      if (!copy) copy = std::make_unique<TermStore>(s);
      for (auto &members : LetterSymmetry(*copy, ints, k, sym).chains())
        out.push_back(SymmetryChain{k, std::move(members)});
    }
  }
  return out;
}

} // namespace smt
