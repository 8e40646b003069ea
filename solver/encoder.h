// Eager encoding of a benchmark into SAT (encoder.cpp: frame and formulas,
// encoder_classes.cpp: permutation classes, encoder_order.cpp: integer terms,
// encoder_size.cpp: the size limit and the estimate made before encoding).
//
// Formulas: polarity-aware Tseitin (Plaisted-Greenbaum); top-level
// implications whose antecedent is a disjunction become one clause per
// disjunct.  Integers: members of a permutation class use one Boolean per
// unordered pair ("x before y") with transitivity; every other integer term
// uses the order encoding (one literal per "t >= v") over its interval.
#pragma once

#include "sat/sat.h"
#include "solver/analysis.h"

#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

namespace smt {

// The SAT wrapper's literals and engine (sat/sat.h), as the solver names them.
using sat::Lit;
using sat::SatSolver;

class Encoder {
public:
  // The most literals the encoding may hold, in its clauses and its tables
  // (order-encoding and pair variables) together, each variable counted as
  // kVarCost literals (its share of the SAT engine's memory); beyond it the
  // term whose encoding would exceed it is refused.  About 32 bytes a
  // literal: some 600 MB of memory at the limit.
  static constexpr uint64_t kMaxLiterals = uint64_t(1) << 24;
  static constexpr uint64_t kVarCost = 5;

  Encoder(const Benchmark &bench, const IntAnalysis &ints, SatSolver &sat);

  // Encode every assertion; with implied, add the order constraints that the
  // formula's disjunctions of order chains imply.  The encoding's size is
  // estimated first from the integer bounds alone, and refused at the term
  // that would take it beyond the limit before any of it is built.
  void encode_all(bool implied);
  // Require the members of class k in this order (symmetry breaking): each
  // one before the next.
  void add_order(uint32_t k, const std::vector<TermId> &members);
  // Add the transitivity of the permutation classes.  Called last, so that the
  // clauses satisfied by unit facts known by then are never added.
  void finish();
  // Literal meaning "member i of class k comes before member j" (i != j).
  Lit before(uint32_t k, uint32_t i, uint32_t j) const;
  // Preferred, not implied: for each class symbol of arity 2, the copies
  // f(i,1) < f(i,2) < ... of every first argument i in order, as assumptions.
  std::vector<Lit> preferred_orders() const;
  // Literals held so far, as counted against kMaxLiterals.
  uint64_t size() const { return size_; }
  // After a satisfiable solve: value of a ground application (Bool as 0/1).
  int64_t model_value(TermId app) const;

private:
  struct OrderInt {
    int64_t lo = 0, hi = 0;
    std::vector<Lit> ge; // ge[k] <=> (t >= lo + 1 + k)
  };
  // Polarities a formula is needed in, as a set: positive, negative or both.
  enum Pol : uint8_t { kPos = 1, kNeg = 2, kBoth = 3 };
  using Wide = __int128; // values and widths computed without overflow

  // Size accounting: refuse at `at` when `more` literals would pass the limit;
  // refuse at `at` a single integer term wider than the order encoding allows,
  // or one whose values leave the 64-bit range.
  void reserve(TermId at, uint64_t more) const;
  void check_size(TermId at, Wide size) const;
  void check_bounds(TermId at, Wide lo, Wide hi) const;
  // The whole encoding's size from the bounds, refused at the term where it
  // passes the limit; each term's share by its kind (encoder_size.cpp).
  void estimate() const;
  Wide estimate_int(TermId t, std::vector<int64_t> &lo, std::vector<int64_t> &hi) const;
  Wide estimate_atom(TermId t, Pol need, const std::vector<int64_t> &lo,
                     const std::vector<int64_t> &hi) const;
  // A fresh variable, counted against the limit (refused at at_).
  Lit fresh() {
    size_ += kVarCost;
    if (size_ > kMaxLiterals) refuse(at_);
    return sat_.new_var();
  }
  // Give a clause to the SAT solver, counted against the limit (refused at at_).
  void add(const Lit *lits, size_t n) {
    size_ += n;
    if (size_ > kMaxLiterals) refuse(at_);
    sat_.add_clause(lits, n);
  }
  [[noreturn]] void refuse(TermId at) const;
  void add(std::initializer_list<Lit> lits) { add(lits.begin(), lits.size()); }
  void add(const std::vector<Lit> &lits) { add(lits.data(), lits.size()); }

  // Formulas (Tseitin).
  void assert_signed(TermId t, bool positive);
  void assert_implies(TermId a, bool apos, TermId b, bool bpos);
  // The signed disjuncts (or conjuncts) of a signed formula, each once.
  void split(TermId t, bool pos, bool disjuncts, std::vector<std::pair<TermId, bool>> &out);
  // Begin a clause in clause_: no signed term collected into it yet.
  void start_clause() {
    clause_.clear();
    ++stamp_;
  }
  // Collect literals of a clause equivalent to the signed term, each signed
  // term once per clause; false when satisfied.
  bool collect(TermId t, bool positive, std::vector<Lit> &clause);
  Lit encode(TermId t, Pol pol);
  Lit connective(TermId t, Kind k, Lit L, Pol need);
  Lit encode_atom(TermId t, Pol pol);
  Lit encode_equalities(TermId t, Lit L, Pol need);
  // Atoms over permutation-class members.
  Lit class_atom(TermId t);
  // "Member i of class k is the minimum" (or with max, the maximum).
  Lit extreme(uint32_t k, uint32_t i, bool max);
  void add_pairs();
  void add_transitivity();
  void add_implied_orders();

  // Integer terms (order encoding): the index into order_ of a term's encoding.
  void le_clauses(TermId at, Lit L, uint32_t a, uint32_t b, int64_t d, Pol need);
  uint32_t int_of(TermId t);
  uint32_t scaled_int(TermId t, int64_t factor, TermId x);
  uint32_t sum_int(TermId t);
  uint32_t ite_int(TermId t);
  uint32_t new_int(TermId at, int64_t lo, int64_t hi);
  // The fewest values an integer term can have, without encoding it.
  uint64_t known_width(TermId t) const;
  // The literal "x >= v"; constant outside x's interval.
  Lit ge(const OrderInt &x, Wide v) const;

  const Benchmark &bench_;
  const TermStore &s_;
  const IntAnalysis &ints_;
  SatSolver &sat_;
  std::vector<Lit> lit_;          // per term: its literal, 0 when none yet
  std::vector<uint8_t> done_;     // per term: polarities already constrained (a Pol)
  std::vector<uint8_t> asserted_; // per term: polarities asserted at the top level (a Pol)
  std::vector<uint32_t> seen_[2]; // per sign and term: the stamp of its last visit
  uint32_t stamp_ = 0;            // one per clause collected or formula split
  std::vector<uint32_t> int_id_;  // per term: index into order_ of its encoding
  std::vector<OrderInt> order_;
  std::vector<std::vector<Lit>> pairs_;     // per class: n*n table, pairs_[k][i*n+j] for i<j
  std::vector<std::vector<Lit>> min_, max_; // per class: "member is the minimum/maximum"
  std::vector<Lit> clause_;
  uint64_t size_ = 0;   // literals held so far
  TermId at_ = kNoTerm; // the conjunct (or class) being encoded, for add()
};

} // namespace smt
