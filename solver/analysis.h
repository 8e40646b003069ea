// Integer analysis: finite domains for the integer variables of a benchmark.
//
// Integer variables are ground applications of integer functions.  Each one
// is either a member of a permutation class (a set of n variables bounded to
// an interval of n values and pairwise distinct, compared only with one
// another and with constants whose meaning follows from the rank) or gets a
// finite interval justified by the formula: explicit constant bounds, or, for
// variables compared only with variables and constants, an interval wide
// enough to hold every order pattern.
#pragma once

#include "solver/parser.h"

#include <cstdint>
#include <vector>

namespace smt {

// A set of variables that take exactly the values lo..lo+n-1, one each.
struct PermClass {
  std::vector<TermId> members;
  int64_t lo = 0;
  TermId source = kNoTerm; // the top-level distinct that makes it
};

// Meaning of "x op c" for a permutation-class member, in terms of its rank.
enum class RankFact { True, False, IsMin, IsMax, NotMin, NotMax, Unsupported };

// Reduce the atom kind(a, b), where exactly one of a, b is the member (the
// other the numeral c), over the value range lo..hi.
RankFact rank_fact(Kind kind, bool member_first, int64_t c, int64_t lo, int64_t hi);

struct IntAnalysis {
  std::vector<TermId> conjuncts;  // top-level conjuncts, And flattened, each once
  std::vector<PermClass> classes; // permutation classes
  std::vector<int32_t> class_of;  // per term: class index or -1
  std::vector<uint32_t> index_in; // per term: index within its class
  std::vector<int64_t> lo, hi;    // per term: interval of an integer variable
};

// Analyse the benchmark.  Throws SmtError (naming the first occurrence of the
// variable) when an integer variable has no finite domain justified by the formula.
void analyse(const Benchmark &bench, IntAnalysis &out);

} // namespace smt
