// Eager encoding of a benchmark into SAT.
//
// Formulas: polarity-aware Tseitin (Plaisted-Greenbaum); top-level
// implications whose antecedent is a disjunction become one clause per
// disjunct.  Integers: members of a permutation class use one Boolean per
// unordered pair ("x before y") with transitivity; every other integer term
// uses the order encoding (one literal per "t >= v") over its interval.
#pragma once

#include "analysis.h"
#include "sat.h"

#include <vector>

namespace smt {

class Encoder {
public:
  Encoder(const Benchmark &bench, const IntAnalysis &ints, SatSolver &sat);

  // Encode every assertion; with implied, add the order constraints that the
  // formula's disjunctions of order chains imply.
  void encode_all(bool implied);
  // Add the transitivity of the permutation classes.  Called last, so that the
  // clauses satisfied by unit facts known by then are never added.
  void finish();
  // Literal meaning "member i of class k comes before member j" (i != j).
  Lit before(uint32_t k, uint32_t i, uint32_t j) const;
  // Preferred, not implied: for each class symbol of arity 2, the copies
  // f(i,1) < f(i,2) < ... of every first argument i in order, as assumptions.
  std::vector<Lit> preferred_orders() const;
  // After a satisfiable solve: value of a ground application (Bool as 0/1).
  int64_t model_value(TermId app) const;

private:
  struct OrderInt {
    int64_t lo = 0, hi = 0;
    std::vector<Lit> ge; // ge[k] <=> (t >= lo + 1 + k)
  };
  enum Pol : uint8_t { kPos = 1, kNeg = 2, kBoth = 3 };

  void assert_signed(TermId t, bool positive);
  void assert_implies(TermId a, bool apos, TermId b, bool bpos);
  // Collect literals of a clause equivalent to the signed term; false when satisfied.
  bool collect(TermId t, bool positive, std::vector<Lit> &clause);
  Lit encode(TermId t, uint8_t pol);
  Lit encode_atom(TermId t, uint8_t pol);
  Lit class_atom(TermId t);
  Lit is_min(uint32_t k, uint32_t i, bool max);
  void le_clauses(Lit L, uint32_t a, uint32_t b, int64_t d, uint8_t need);
  uint32_t int_of(TermId t);
  Lit ge(const OrderInt &x, int64_t v) const;
  uint32_t new_int(int64_t lo, int64_t hi);
  void add_pairs();
  void add_transitivity();
  void add_implied_orders();

  const Benchmark &bench_;
  const TermStore &s_;
  const IntAnalysis &ints_;
  SatSolver &sat_;
  std::vector<Lit> lit_;         // per term: its literal, 0 when none yet
  std::vector<uint8_t> done_;    // per term: directions already constrained
  std::vector<uint32_t> int_id_; // per term: index into ints_ of its order encoding
  std::vector<OrderInt> order_;
  std::vector<std::vector<Lit>> pairs_;     // per class: n*n table, pairs_[k][i*n+j] for i<j
  std::vector<std::vector<Lit>> min_, max_; // per class: "member is the minimum/maximum"
  std::vector<Lit> clause_;
};

} // namespace smt
