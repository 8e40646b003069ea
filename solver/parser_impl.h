// The parser's state and steps, shared by its three files:
//   parser.cpp          the benchmark (attributes, declarations) and the frame
//                       (tokens, numerals, terms made with positions and heights)
//   parser_formula.cpp  formulas: connectives, let and flet, comparisons, predicates
//   parser_term.cpp     integer terms: numerals, applications, arithmetic
#pragma once

#include "solver/lexer.h"
#include "solver/parser.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace smt {

// Nesting the text may reach.
constexpr int kMaxDepth = 1000;
// The height a formula may reach with its let and flet bindings expanded: the
// encoder and the other passes walk terms recursively.  A text nested at most
// kMaxDepth levels builds at most two nodes a level (chains, binary minus).
constexpr uint32_t kMaxHeight = 2 * kMaxDepth + 1;

// The head symbol of an application: a connective, a comparison, an
// arithmetic operator, or Other (a declared symbol or an unknown one).
enum class Head {
  Not,
  And,
  Or,
  Implies,
  Iff,
  Xor,
  IfThenElse,
  Let,
  Flet,
  Eq,
  Distinct,
  Lt,
  Le,
  Gt,
  Ge,
  Ite,
  Plus,
  Minus,
  Tilde,
  Times,
  Other
};

// The head a symbol names.
Head classify(std::string_view s);

class Parser {
public:
  Parser(std::string_view text, const std::string &file, Benchmark &out);
  // The whole benchmark, up to the end of the text.
  void benchmark();

private:
  // Attributes and declarations (parser.cpp).
  void declarations(bool predicates);
  void skip_annotations();
  void skip_sexpr();

  // Formulas (parser_formula.cpp).
  TermId formula();
  // After '(': a connective, binding, comparison or predicate application.
  TermId formula_app();
  // Formulas onto args_ up to the closing parenthesis, between min and max of them.
  void read_formulas(const Token &head, size_t base, size_t min, size_t max);
  // let or flet: the binding, then the formula in its scope.
  TermId binding(Head h);
  // A chainable comparison of the terms on args_ from base: a < b < c.
  TermId chain(const Token &at, Kind kind, size_t base, bool swap);
  // A declared symbol of result `sort` (`expected` names what is due in messages).
  uint32_t declared_symbol(const Token &tok, Sort sort, const char *expected) {
    uint32_t sym = symbol(tok.text);
    if (sym == UINT32_MAX || store_.symbol(sym).result != sort) refuse_symbol(tok, sym, expected);
    return sym;
  }
  [[noreturn]] void refuse_symbol(const Token &tok, uint32_t sym, const char *expected);
  // A declared constant (`role`: "predicate" or "function" in messages).
  TermId constant(const Token &tok, Sort sort, const char *role, const char *expected);
  // The application of a declared symbol of result `sort` (`role` names it in
  // messages) to the terms that follow; its arguments must be numerals.
  TermId declared_app(const Token &head, Sort sort, const char *role, const char *expected,
                      size_t base);

  // Integer terms (parser_term.cpp).
  TermId term();
  // After '(': ite, arithmetic or a function application.
  TermId term_app();
  // Integer terms onto args_ up to the closing parenthesis.
  void read_terms() {
    while (lex_.peek().kind != Tok::RParen && lex_.peek().kind != Tok::Keyword)
      args_.push_back(term());
  }
  // Refuses fewer than min or more than max terms on args_ from base.
  void need_terms(const Token &head, size_t base, size_t min, size_t max);
  // Binary minus as a sum of negations; unary minus as a negation.
  TermId difference(const Token &head, size_t base);
  // A product: numerals folded into one factor, at most one other term.
  TermId product(const Token &head, size_t base);
  // The value of a numeral token; refused beyond 2^63-1.
  int64_t numeral(const Token &tok) {
    if (tok.text.size() > 18) return long_numeral(tok); // 18 digits cannot overflow
    int64_t v = 0;
    for (char c : tok.text) v = v * 10 + (c - '0');
    return v;
  }
  int64_t long_numeral(const Token &tok);

  // The frame (parser.cpp, small ones here).
  Token expect(Tok kind, const char *what);
  void expect_close(const char *what);
  // Symbol lookup with a one-entry cache per first character.
  uint32_t symbol(std::string_view name) {
    auto &slot = symbol_cache_[static_cast<unsigned char>(name[0])];
    if (slot.second != UINT32_MAX && slot.first == name) return slot.second;
    uint32_t sym = store_.find_symbol(name);
    if (sym != UINT32_MAX) slot = {store_.symbol_name(sym), sym};
    return sym;
  }
  // Terms made at a token: connectives and arithmetic (refused when overflowing
  // or too high), applications, numerals.
  TermId build(const Token &at, Kind kind, const TermId *args, size_t n, int64_t value = 0);
  TermId app(const Token &at, uint32_t sym, const TermId *args, size_t n) {
    return settle(at, store_.mk_app(sym, args, n));
  }
  TermId num(const Token &at, int64_t value) { return settle(at, store_.mk_num(value)); }
  // Positions and heights of the nodes made since the last call, at `at`; returns t.
  TermId settle(const Token &at, TermId t) {
    if (height_.size() != store_.size()) settle_new(at);
    return t;
  }
  void settle_new(const Token &at);
  [[noreturn]] void unexpected(const Token &tok, const char *what) {
    lex_.fail(tok, std::string("expected ") + what + " but found " + describe(tok));
  }
  void enter(const Token &at) {
    if (++depth_ > kMaxDepth) lex_.fail(at, "nesting deeper than 1000 levels");
  }

  Lexer lex_;
  Benchmark &out_;
  TermStore &store_;
  std::vector<TermId> args_; // argument stack shared by all nested applications
  std::vector<std::pair<std::string_view, TermId>> lets_, flets_;
  std::pair<std::string_view, uint32_t> symbol_cache_[256];
  int depth_ = 0;
  std::vector<uint32_t> height_; // per term: height of its DAG, see settle()
};

} // namespace smt
