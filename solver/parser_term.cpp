// Integer terms: numerals, let variables, function applications, ite and
// arithmetic.
#include "solver/parser_impl.h"

namespace smt {

int64_t Parser::long_numeral(const Token &tok) {
  int64_t v = 0;
  for (char c : tok.text) {
    if (__builtin_mul_overflow(v, 10, &v) || __builtin_add_overflow(v, c - '0', &v))
      lex_.fail(tok, "numeral " + describe(tok) + " is too large");
  }
  return v;
}

TermId Parser::term() {
  Token tok = lex_.next();
  switch (tok.kind) {
  case Tok::Numeral:
    return num(tok, numeral(tok));
  case Tok::Var:
    for (size_t i = lets_.size(); i-- > 0;)
      if (lets_[i].first == tok.text) return lets_[i].second;
    lex_.fail(tok, "unbound term variable " + describe(tok));
  case Tok::Symbol: {
    if (tok.text[0] >= '0' && tok.text[0] <= '9') unexpected(tok, "integer numeral");
    return constant(tok, Sort::Int, "function", "integer term");
  }
  case Tok::LParen: {
    enter(tok);
    TermId t = term_app();
    --depth_;
    return t;
  }
  default:
    unexpected(tok, "integer term");
  }
}

TermId Parser::term_app() {
  Token head = lex_.next();
  if (head.kind != Tok::Symbol) unexpected(head, "function symbol or arithmetic operator");
  Head h = classify(head.text);
  size_t base = args_.size();
  TermId result = kNoTerm;
  switch (h) {
  case Head::Ite: {
    TermId c = formula();
    TermId a = term();
    TermId b = term();
    TermId args[3] = {c, a, b};
    result = build(head, Kind::IteInt, args, 3);
    break;
  }
  case Head::Plus:
    read_terms();
    need_terms(head, base, 1, SIZE_MAX);
    result = build(head, Kind::Add, args_.data() + base, args_.size() - base);
    args_.resize(base);
    break;
  case Head::Minus:
    result = difference(head, base);
    break;
  case Head::Tilde:
    read_terms();
    need_terms(head, base, 1, 1);
    result = build(head, Kind::Neg, args_.data() + base, 1);
    args_.resize(base);
    break;
  case Head::Times:
    result = product(head, base);
    break;
  case Head::Other:
    result =
        declared_app(head, Sort::Int, "function", "function symbol or arithmetic operator", base);
    break;
  default:
    unexpected(head, "function symbol or arithmetic operator");
  }
  skip_annotations();
  expect_close("the term");
  return result;
}

void Parser::need_terms(const Token &head, size_t base, size_t min, size_t max) {
  size_t n = args_.size() - base;
  if (n < min || n > max)
    lex_.fail(head, describe(head) + " takes " +
                        (min == max ? std::to_string(min) : "at least " + std::to_string(min)) +
                        " arguments, found " + std::to_string(n));
}

TermId Parser::difference(const Token &head, size_t base) {
  read_terms();
  need_terms(head, base, 1, SIZE_MAX);
  TermId result;
  if (args_.size() - base == 1) {
    result = build(head, Kind::Neg, args_.data() + base, 1);
  } else {
    for (size_t i = base + 1; i < args_.size(); ++i)
      args_[i] = build(head, Kind::Neg, &args_[i], 1);
    result = build(head, Kind::Add, args_.data() + base, args_.size() - base);
  }
  args_.resize(base);
  return result;
}

TermId Parser::product(const Token &head, size_t base) {
  read_terms();
  need_terms(head, base, 2, SIZE_MAX);
  int64_t factor = 1;
  TermId other = kNoTerm;
  for (size_t i = base; i < args_.size(); ++i) {
    TermId a = args_[i];
    if (store_.kind(a) == Kind::Num) {
      if (__builtin_mul_overflow(factor, store_.value(a), &factor))
        lex_.fail(head, "integer overflow in constant arithmetic");
    } else if (other == kNoTerm) {
      other = a;
    } else {
      lex_.fail(head, "multiplication of two non-constant terms is not supported");
    }
  }
  args_.resize(base);
  return other == kNoTerm ? num(head, factor) : build(head, Kind::Mul, &other, 1, factor);
}

} // namespace smt
