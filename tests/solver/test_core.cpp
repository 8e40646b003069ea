// Unit tests of the solver library: lexer, term store, parser, analysis,
// encoder and model, each checked against hand-derived expectations.
#include "sat/sat.h"
#include "solver/analysis.h"
#include "solver/encoder.h"
#include "solver/error.h"
#include "solver/lexer.h"
#include "solver/model.h"
#include "solver/parser.h"
#include "solver/symmetry.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace smt {
namespace {

TEST(Lexer, TokensWithPositions) {
  Lexer lex("(a ?x\n  $f :k {u\nv} \"s\" 12 <= ; c\n)", "f");
  struct Want {
    Tok kind;
    std::string text;
    uint32_t line, col;
  };
  std::vector<Want> want = {
      {Tok::LParen, "(", 1, 1},     {Tok::Symbol, "a", 1, 2},   {Tok::Var, "?x", 1, 4},
      {Tok::FVar, "$f", 2, 3},      {Tok::Keyword, ":k", 2, 6}, {Tok::UserValue, "{u\nv}", 2, 9},
      {Tok::String, "\"s\"", 3, 4}, {Tok::Numeral, "12", 3, 8}, {Tok::Symbol, "<=", 3, 11},
      {Tok::RParen, ")", 4, 1},     {Tok::End, "", 4, 2}};
  for (const Want &w : want) {
    Token t = lex.next();
    EXPECT_EQ(t.kind, w.kind) << w.text;
    EXPECT_EQ(std::string(t.text), w.text);
    EXPECT_EQ(t.line, w.line) << w.text;
    EXPECT_EQ(t.col, w.col) << w.text;
  }
}

TEST(TermStore, HashConsingAndFolding) {
  TermStore s;
  uint32_t f = s.declare("f", {Sort::Int}, Sort::Int);
  TermId one = s.mk_num(1), two = s.mk_num(2);
  TermId a = s.mk_app(f, &one, 1), b = s.mk_app(f, &one, 1), c = s.mk_app(f, &two, 1);
  EXPECT_EQ(a, b);
  EXPECT_NE(a, c);
  EXPECT_EQ(s.ground_apps(), (std::vector<TermId>{a, c}));
  struct Case {
    const char *name;
    TermId got, want;
  };
  TermId lt = s.mk(Kind::Lt, {a, c});
  std::vector<Case> cases = {
      {"sum of numerals", s.mk(Kind::Add, {one, two, one}), s.mk_num(4)},
      {"negated numeral", s.mk(Kind::Neg, {two}), s.mk_num(-2)},
      {"product with numeral", s.mk(Kind::Mul, {two}, 3), s.mk_num(6)},
      {"x < x", s.mk(Kind::Lt, {a, a}), s.mk_false()},
      {"x <= x", s.mk(Kind::Le, {a, a}), s.mk_true()},
      {"1 < 2", s.mk(Kind::Lt, {one, two}), s.mk_true()},
      {"1 = 2", s.mk(Kind::Eq, {one, two}), s.mk_false()},
      {"distinct with a repeat", s.mk(Kind::Distinct, {a, c, a}), s.mk_false()},
      {"and drops true", s.mk(Kind::And, {s.mk_true(), lt}), lt},
      {"or with true", s.mk(Kind::Or, {lt, s.mk_true()}), s.mk_true()},
      {"double negation", s.mk(Kind::Not, {s.mk(Kind::Not, {lt})}), lt},
      {"ite on true", s.mk(Kind::IteInt, {s.mk_true(), a, c}), a},
      {"same structure", s.mk(Kind::Lt, {a, c}), lt},
  };
  for (const Case &k : cases) EXPECT_EQ(k.got, k.want) << k.name;
  EXPECT_THROW(s.mk(Kind::Add, {s.mk_num(INT64_MAX), one}), SmtError);
}

TEST(TermStore, CopyOutlivesTheOriginal) {
  auto original = std::make_unique<TermStore>();
  uint32_t f = original->declare("f", {Sort::Int}, Sort::Int);
  TermId one = original->mk_num(1);
  TermId a = original->mk_app(f, &one, 1);
  TermStore copy(*original);
  original.reset(); // the copy's symbol index must not refer to the original's names
  EXPECT_EQ(copy.find_symbol("f"), f);
  EXPECT_EQ(copy.find(Kind::App, f, 0, &one, 1), a);
  EXPECT_EQ(copy.mk_app(f, &one, 1), a);
  uint32_t g = copy.declare("g", {}, Sort::Bool);
  EXPECT_EQ(copy.find_symbol("g"), g);
}

Benchmark parse(const std::string &text) {
  Benchmark b;
  parse_benchmark(text, "t.smt", b);
  return b;
}

TEST(Parser, NormalisesComparisonsAndArithmetic) {
  Benchmark b = parse("(benchmark t :extrafuns ((x Int) (y Int))\n"
                      ":formula (and (> x y) (>= x 2) (= (- x y 1) (~ y)) (< x y 3)))");
  const TermStore &s = b.store;
  ASSERT_EQ(b.assertions.size(), 1u);
  TermId f = b.assertions[0];
  ASSERT_EQ(s.kind(f), Kind::And);
  ASSERT_EQ(s.num_children(f), 4u);
  TermId x = s.ground_apps()[0], y = s.ground_apps()[1];
  TermId gt = s.child(f, 0);
  EXPECT_EQ(s.kind(gt), Kind::Lt);
  EXPECT_EQ(s.child(gt, 0), y);
  EXPECT_EQ(s.child(gt, 1), x);
  TermId ge = s.child(f, 1);
  EXPECT_EQ(s.kind(ge), Kind::Le);
  EXPECT_EQ(s.value(s.child(ge, 0)), 2);
  TermId eq = s.child(f, 2);
  TermId sum = s.child(eq, 0);
  EXPECT_EQ(s.kind(sum), Kind::Add);
  EXPECT_EQ(s.num_children(sum), 3u);
  EXPECT_EQ(s.kind(s.child(sum, 1)), Kind::Neg);
  TermId chain = s.child(f, 3);
  EXPECT_EQ(s.kind(chain), Kind::And); // x < y and y < 3
  // Each term at the token that first built it: x and y at their first use,
  // the chain at its '<', the folded sum at its '-'.
  struct Want {
    const char *name;
    TermId term;
    uint32_t line, col;
  };
  for (const Want &w : std::vector<Want>{{"x", x, 2, 18},
                                         {"y", y, 2, 20},
                                         {"x > y", gt, 2, 16},
                                         {"2", s.child(ge, 0), 2, 29},
                                         {"x - y - 1", sum, 2, 36},
                                         {"x < y < 3", chain, 2, 53},
                                         {"the formula", f, 2, 11}}) {
    ASSERT_LT(w.term, b.positions.size()) << w.name;
    EXPECT_EQ(b.positions[w.term].line, w.line) << w.name;
    EXPECT_EQ(b.positions[w.term].col, w.col) << w.name;
  }
  EXPECT_EQ(b.where(chain), "t.smt:2:53");
}

TEST(Parser, LetAndFletShareTerms) {
  Benchmark b = parse("(benchmark t :extrafuns ((x Int)) :extrapreds ((p))\n"
                      ":formula (let (?v (+ x 1)) (flet ($g p) (and $g (< ?v 3) (< ?v 4)))))");
  const TermStore &s = b.store;
  TermId f = b.assertions[0];
  ASSERT_EQ(s.num_children(f), 3u);
  EXPECT_EQ(s.kind(s.child(f, 0)), Kind::App);
  EXPECT_EQ(s.child(s.child(f, 1), 0), s.child(s.child(f, 2), 0));
}

TEST(Analysis, PermutationClassAndDomains) {
  Benchmark b = parse("(benchmark t :extrafuns ((a Int) (b Int) (c Int) (w Int) (z Int))\n"
                      ":formula (and (< 0 a) (<= a 3) (< 0 b) (<= b 3) (< 0 c) (<= c 3)\n"
                      "(distinct a b c) (= a 1) (< b c) (< w z) (<= 0 z) (<= z 5)))");
  IntAnalysis ints;
  analyse(b, ints);
  const auto &apps = b.store.ground_apps(); // a b c w z
  ASSERT_EQ(ints.classes.size(), 1u);
  EXPECT_EQ(ints.classes[0].members, (std::vector<TermId>{apps[0], apps[1], apps[2]}));
  EXPECT_EQ(ints.classes[0].lo, 1);
  // w and z are compared only with each other and numerals: 2 variables,
  // constants 0..5 (from the atoms and z's bounds), so w ranges over -2..7.
  EXPECT_EQ(ints.lo[apps[3]], -2);
  EXPECT_EQ(ints.hi[apps[3]], 7);
  EXPECT_EQ(ints.lo[apps[4]], 0);
  EXPECT_EQ(ints.hi[apps[4]], 5);
}

TEST(Analysis, MiddleConstantDisablesClass) {
  Benchmark b = parse("(benchmark t :extrafuns ((a Int) (b Int) (c Int))\n"
                      ":formula (and (<= 1 a) (<= a 3) (<= 1 b) (<= b 3) (<= 1 c) (<= c 3)\n"
                      "(distinct a b c) (= b 2)))");
  IntAnalysis ints;
  analyse(b, ints);
  EXPECT_TRUE(ints.classes.empty());
  // The top-level equation fixes b; a keeps its explicit bounds.
  EXPECT_EQ(ints.lo[b.store.ground_apps()[1]], 2);
  EXPECT_EQ(ints.hi[b.store.ground_apps()[1]], 2);
  EXPECT_EQ(ints.lo[b.store.ground_apps()[0]], 1);
  EXPECT_EQ(ints.hi[b.store.ground_apps()[0]], 3);
}

TEST(RankFact, Table) {
  struct Case {
    Kind kind;
    bool member_first;
    int64_t c;
    RankFact want;
  };
  // Values 1..5.
  std::vector<Case> cases = {
      {Kind::Eq, true, 1, RankFact::IsMin},       {Kind::Eq, true, 5, RankFact::IsMax},
      {Kind::Eq, true, 3, RankFact::Unsupported}, {Kind::Eq, true, 9, RankFact::False},
      {Kind::Lt, false, 0, RankFact::True},       {Kind::Le, true, 5, RankFact::True},
      {Kind::Lt, true, 2, RankFact::IsMin},       {Kind::Lt, true, 5, RankFact::NotMax},
      {Kind::Lt, false, 1, RankFact::NotMin},     {Kind::Le, false, 5, RankFact::IsMax},
      {Kind::Lt, true, 1, RankFact::False},       {Kind::Lt, false, 5, RankFact::False},
  };
  for (const Case &k : cases)
    EXPECT_EQ(rank_fact(k.kind, k.member_first, k.c, 1, 5), k.want)
        << static_cast<int>(k.kind) << " " << k.member_first << " " << k.c;
}

TEST(Symmetry, ChainsOfInterchangeableLettersLeaveTheBenchmarkAsParsed) {
  // Three letters with two copies each and nothing but the permutation: any
  // two letters can be swapped, so the first copies form one chain.
  Benchmark b = parse("(benchmark t :extrafuns ((A Int Int Int))\n:formula (and"
                      " (<= 1 (A 1 1)) (<= (A 1 1) 6) (<= 1 (A 1 2)) (<= (A 1 2) 6)"
                      " (<= 1 (A 2 1)) (<= (A 2 1) 6) (<= 1 (A 2 2)) (<= (A 2 2) 6)"
                      " (<= 1 (A 3 1)) (<= (A 3 1) 6) (<= 1 (A 3 2)) (<= (A 3 2) 6)"
                      " (distinct (A 1 1) (A 1 2) (A 2 1) (A 2 2) (A 3 1) (A 3 2))))");
  IntAnalysis ints;
  analyse(b, ints);
  size_t terms = b.store.size();
  std::vector<SymmetryChain> chains = symmetry_chains(b, ints);
  EXPECT_EQ(b.store.size(), terms);
  const auto &apps = b.store.ground_apps(); // A11 A12 A21 A22 A31 A32
  ASSERT_EQ(chains.size(), 1u);
  EXPECT_EQ(chains[0].cls, 0u);
  EXPECT_EQ(chains[0].members, (std::vector<TermId>{apps[0], apps[2], apps[4]}));
}

// Solve a benchmark; returns "unsat" or the model text after "sat".
// The cases below have exactly one model each.
std::string solve_text(const std::string &text) {
  Benchmark b = parse(text);
  IntAnalysis ints;
  analyse(b, ints);
  SatSolver sat;
  Encoder enc(b, ints, sat);
  enc.encode_all(true);
  enc.finish();
  if (!sat.solve()) return "unsat";
  Assignment values;
  for (TermId t : b.store.ground_apps()) values.push_back(enc.model_value(t));
  EXPECT_TRUE(satisfies(b, values));
  return model_text(b, values);
}

TEST(Encoder, SmallFormulas) {
  struct Case {
    const char *formula;
    const char *want;
  };
  const char *decl = "(benchmark t :extrafuns ((x Int) (y Int)) :extrapreds ((p) (q))\n";
  std::vector<Case> cases = {
      {"(and (<= 0 x) (<= x 3) (<= 0 y) (<= y 3) (= (+ x y) 6))", "(= x 3)\n(= y 3)\n"},
      {"(and (<= 0 x) (<= x 3) (<= 0 y) (<= y 3) (= (+ x y) 7))", "unsat"},
      {"(and (<= 0 x) (<= x 3) (<= 0 y) (<= y 3) (= (* 3 x) (+ y 6)) (> y 0))",
       "(= x 3)\n(= y 3)\n"},
      {"(and (<= 0 x) (<= x 4) (<= 0 y) (<= y 4) (= x (ite p 4 1)) (= y (~ (- 0 x))) (not q)"
       " (xor p q))",
       "(= x 4)\n(= y 4)\n(= p true)\n(= q false)\n"},
      {"(and (< x y) (< y x))", "unsat"},
      {"(and (distinct x y) (< x y) (<= 0 x) (<= y 1) (iff p (= x y)) (if_then_else p q (not q)))",
       "(= x 0)\n(= y 1)\n(= p false)\n(= q false)\n"},
  };
  for (const Case &k : cases)
    EXPECT_EQ(solve_text(std::string(decl) + ":formula " + k.formula + ")"), k.want) << k.formula;
}

TEST(Model, EvaluationRejectsWrongAssignment) {
  Benchmark b = parse("(benchmark t :extrafuns ((x Int)) :extrapreds ((p))\n"
                      ":formula (and (< x 3) (implies p (= x 1))))");
  EXPECT_TRUE(satisfies(b, {1, 1}));
  EXPECT_TRUE(satisfies(b, {2, 0}));
  EXPECT_FALSE(satisfies(b, {2, 1}));
  EXPECT_FALSE(satisfies(b, {3, 0}));
  EXPECT_EQ(model_text(b, {-7, 1}), "(= x -7)\n(= p true)\n");
}

} // namespace
} // namespace smt
