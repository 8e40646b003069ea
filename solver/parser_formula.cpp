// Formulas: connectives, let and flet, comparisons, predicate applications.
#include "solver/parser_impl.h"

namespace smt {

namespace {

Kind connective_kind(Head h) {
  switch (h) {
  case Head::Not:
    return Kind::Not;
  case Head::And:
    return Kind::And;
  case Head::Or:
    return Kind::Or;
  case Head::Implies:
    return Kind::Implies;
  case Head::Iff:
    return Kind::Iff;
  case Head::Xor:
    return Kind::Xor;
  default:
    return Kind::IteBool;
  }
}

} // namespace

TermId Parser::formula() {
  Token tok = lex_.next();
  switch (tok.kind) {
  case Tok::Symbol: {
    if (tok.text == "true") return store_.mk_true();
    if (tok.text == "false") return store_.mk_false();
    return constant(tok, Sort::Bool, "predicate", "formula");
  }
  case Tok::FVar:
    for (size_t i = flets_.size(); i-- > 0;)
      if (flets_[i].first == tok.text) return flets_[i].second;
    lex_.fail(tok, "unbound formula variable " + describe(tok));
  case Tok::LParen: {
    enter(tok);
    TermId f = formula_app();
    --depth_;
    return f;
  }
  default:
    unexpected(tok, "formula");
  }
}

TermId Parser::formula_app() {
  Token head = lex_.next();
  if (head.kind != Tok::Symbol) unexpected(head, "connective, comparison or predicate");
  Head h = classify(head.text);
  size_t base = args_.size();
  TermId result = kNoTerm;
  switch (h) {
  case Head::Not:
  case Head::And:
  case Head::Or:
  case Head::Implies:
  case Head::Iff:
  case Head::Xor:
  case Head::IfThenElse: {
    size_t arity = h == Head::Not ? 1 : h == Head::IfThenElse ? 3 : 2;
    if (h == Head::And || h == Head::Or)
      read_formulas(head, base, 0, SIZE_MAX);
    else
      read_formulas(head, base, arity, arity);
    result = build(head, connective_kind(h), args_.data() + base, args_.size() - base);
    args_.resize(base);
    break;
  }
  case Head::Let:
  case Head::Flet:
    result = binding(h);
    break;
  case Head::Eq:
  case Head::Lt:
  case Head::Le:
  case Head::Gt:
  case Head::Ge: {
    read_terms();
    Kind kind = h == Head::Eq ? Kind::Eq : (h == Head::Lt || h == Head::Gt) ? Kind::Lt : Kind::Le;
    result = chain(head, kind, base, h == Head::Gt || h == Head::Ge);
    break;
  }
  case Head::Distinct:
    read_terms();
    result = build(head, Kind::Distinct, args_.data() + base, args_.size() - base);
    args_.resize(base);
    break;
  case Head::Other:
    result =
        declared_app(head, Sort::Bool, "predicate", "predicate, connective or comparison", base);
    break;
  default:
    unexpected(head, "connective, comparison or predicate");
  }
  skip_annotations();
  expect_close("the formula");
  return result;
}

void Parser::read_formulas(const Token &head, size_t base, size_t min, size_t max) {
  while (lex_.peek().kind != Tok::RParen && lex_.peek().kind != Tok::Keyword) {
    if (args_.size() - base == max) unexpected(lex_.peek(), "')'");
    args_.push_back(formula());
  }
  if (args_.size() - base < min)
    lex_.fail(head, describe(head) + " needs " + std::to_string(min) + " arguments");
}

TermId Parser::binding(Head h) {
  bool is_let = h == Head::Let;
  expect(Tok::LParen, is_let ? "'(' starting the let binding" : "'(' starting the flet binding");
  Token var = lex_.next();
  if (var.kind != (is_let ? Tok::Var : Tok::FVar))
    unexpected(var, is_let ? "term variable like '?x'" : "formula variable like '$f'");
  TermId value = is_let ? term() : formula();
  expect_close("the binding");
  auto &scope = is_let ? lets_ : flets_;
  scope.emplace_back(var.text, value);
  TermId result = formula();
  scope.pop_back();
  return result;
}

TermId Parser::chain(const Token &at, Kind kind, size_t base, bool swap) {
  size_t n = args_.size() - base;
  if (n < 2) lex_.fail(at, describe(at) + " needs at least 2 arguments");
  std::vector<TermId> parts;
  for (size_t i = base; i + 1 < args_.size(); ++i) {
    TermId pair[2] = {args_[i], args_[i + 1]};
    if (swap) std::swap(pair[0], pair[1]);
    parts.push_back(build(at, kind, pair, 2));
  }
  args_.resize(base);
  if (parts.size() == 1) return parts[0];
  return build(at, Kind::And, parts.data(), parts.size());
}

void Parser::refuse_symbol(const Token &tok, uint32_t sym, const char *expected) {
  if (sym == UINT32_MAX) lex_.fail(tok, "unknown symbol " + describe(tok));
  unexpected(tok, expected);
}

TermId Parser::constant(const Token &tok, Sort sort, const char *role, const char *expected) {
  uint32_t sym = declared_symbol(tok, sort, expected);
  size_t arity = store_.symbol(sym).args.size();
  if (arity > 0)
    lex_.fail(tok, std::string(role) + " " + describe(tok) + " needs " + std::to_string(arity) +
                       " arguments");
  return app(tok, sym, nullptr, 0);
}

TermId Parser::declared_app(const Token &head, Sort sort, const char *role, const char *expected,
                            size_t base) {
  uint32_t sym = declared_symbol(head, sort, expected);
  const Symbol &s = store_.symbol(sym);
  read_terms();
  size_t n = args_.size() - base;
  if (n != s.args.size())
    lex_.fail(head, std::string(role) + " " + describe(head) + " takes " +
                        std::to_string(s.args.size()) + " arguments, found " + std::to_string(n));
  for (size_t i = base; i < args_.size(); ++i)
    if (store_.kind(args_[i]) != Kind::Num)
      lex_.fail(head,
                "application of " + describe(head) + " to non-constant arguments is not supported");
  TermId result = app(head, sym, args_.data() + base, n);
  args_.resize(base);
  return result;
}

} // namespace smt
