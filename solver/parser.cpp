#include "parser.h"

#include "error.h"
#include "lexer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace smt {

namespace {

constexpr int kMaxDepth = 1000;
// The height a formula may reach with its let and flet bindings expanded: the
// encoder and the other passes walk terms recursively.  A text nested at most
// kMaxDepth levels builds at most two nodes a level (chains, binary minus).
constexpr uint32_t kMaxHeight = 2 * kMaxDepth + 1;

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

Head classify(std::string_view s) {
  switch (s.size()) {
  case 1:
    switch (s[0]) {
    case '=':
      return Head::Eq;
    case '<':
      return Head::Lt;
    case '>':
      return Head::Gt;
    case '+':
      return Head::Plus;
    case '-':
      return Head::Minus;
    case '~':
      return Head::Tilde;
    case '*':
      return Head::Times;
    }
    break;
  case 2:
    if (s == "<=") return Head::Le;
    if (s == ">=") return Head::Ge;
    if (s == "or") return Head::Or;
    break;
  case 3:
    if (s == "and") return Head::And;
    if (s == "not") return Head::Not;
    if (s == "iff") return Head::Iff;
    if (s == "xor") return Head::Xor;
    if (s == "let") return Head::Let;
    if (s == "ite") return Head::Ite;
    break;
  case 4:
    if (s == "flet") return Head::Flet;
    break;
  case 7:
    if (s == "implies") return Head::Implies;
    break;
  case 8:
    if (s == "distinct") return Head::Distinct;
    break;
  case 12:
    if (s == "if_then_else") return Head::IfThenElse;
    break;
  }
  return Head::Other;
}

class Parser {
public:
  Parser(std::string_view text, const std::string &file, Benchmark &out)
      : lex_(text, file), out_(out), store_(out.store) {
    for (auto &slot : symbol_cache_) slot = {std::string_view(), UINT32_MAX};
    out_.positions.resize(store_.size()); // the constants true and false
  }

  void benchmark();

private:
  TermId formula();
  TermId term();
  TermId formula_app();
  TermId term_app();
  void declarations(bool predicates);
  void skip_annotations();
  void skip_sexpr();
  Token expect(Tok kind, const char *what);
  void expect_close(const char *what);
  TermId build(const Token &at, Kind kind, const TermId *args, size_t n, int64_t value = 0);
  TermId chain(const Token &at, Kind kind, size_t base, bool swap);
  int64_t numeral(const Token &tok);
  // Symbol lookup with a one-entry cache per first character.
  uint32_t symbol(std::string_view name) {
    auto &slot = symbol_cache_[static_cast<unsigned char>(name[0])];
    if (slot.second != UINT32_MAX && slot.first == name) return slot.second;
    uint32_t sym = store_.find_symbol(name);
    if (sym != UINT32_MAX) slot = {store_.symbol_name(sym), sym};
    return sym;
  }
  // Reads integer terms onto args_ up to the closing parenthesis.
  void read_terms() {
    while (lex_.peek().kind != Tok::RParen && lex_.peek().kind != Tok::Keyword)
      args_.push_back(term());
  }
  // The application of a declared symbol of result `sort` (`role` names it in
  // messages) to the terms that follow; its arguments must be numerals.
  TermId declared_app(const Token &head, Sort sort, const char *role, const char *expected,
                      size_t base);
  TermId app(const Token &at, uint32_t sym, const TermId *args, size_t n) {
    return settle(at, store_.mk_app(sym, args, n));
  }
  TermId num(const Token &at, int64_t value) { return settle(at, store_.mk_num(value)); }
  // Positions and heights of the nodes made since the last call, at `at`; returns t.
  TermId settle(const Token &at, TermId t);
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
  std::vector<uint32_t> height_; // per term: height of its DAG, see build()
};

Token Parser::expect(Tok kind, const char *what) {
  if (lex_.peek().kind != kind) unexpected(lex_.peek(), what);
  return lex_.next();
}

void Parser::expect_close(const char *what) {
  if (lex_.peek().kind != Tok::RParen) {
    lex_.fail(lex_.peek(),
              std::string("expected ')' to close ") + what + " but found " + describe(lex_.peek()));
  }
  lex_.next();
}

int64_t Parser::numeral(const Token &tok) {
  int64_t v = 0;
  for (char c : tok.text) {
    if (__builtin_mul_overflow(v, 10, &v) || __builtin_add_overflow(v, c - '0', &v))
      lex_.fail(tok, "numeral " + describe(tok) + " is too large");
  }
  return v;
}

TermId Parser::settle(const Token &at, TermId t) {
  out_.positions.resize(store_.size(), Position{at.line, at.col});
  // Children precede parents.
  for (size_t id = height_.size(); id < store_.size(); ++id) {
    uint32_t h = 0;
    for (uint32_t i = 0; i < store_.num_children(static_cast<TermId>(id)); ++i)
      h = std::max(h, height_[store_.child(static_cast<TermId>(id), i)]);
    height_.push_back(h + 1);
  }
  return t;
}

TermId Parser::build(const Token &at, Kind kind, const TermId *args, size_t n, int64_t value) {
  TermId t;
  try {
    t = settle(at, store_.mk(kind, args, n, value));
  } catch (const SmtError &e) {
    lex_.fail(at, e.what());
  }
  if (height_[t] > kMaxHeight)
    lex_.fail(at, "formula nested deeper than " + std::to_string(kMaxHeight) +
                      " levels with its let and flet bindings expanded");
  return t;
}

void Parser::benchmark() {
  expect(Tok::LParen, "'(benchmark'");
  Token head = lex_.next();
  if (head.kind != Tok::Symbol || head.text != "benchmark") unexpected(head, "'benchmark'");
  Token name = lex_.next();
  if (name.kind != Tok::Symbol && name.kind != Tok::Numeral) unexpected(name, "benchmark name");
  out_.name = std::string(name.text);
  for (;;) {
    Token tok = lex_.next();
    if (tok.kind == Tok::RParen) break;
    if (tok.kind != Tok::Keyword) unexpected(tok, "attribute or ')'");
    std::string_view key = tok.text;
    if (key == ":logic") {
      out_.logic = std::string(expect(Tok::Symbol, "logic name").text);
    } else if (key == ":status") {
      Token st = expect(Tok::Symbol, "status");
      if (st.text != "sat" && st.text != "unsat" && st.text != "unknown")
        unexpected(st, "'sat', 'unsat' or 'unknown'");
    } else if (key == ":source") {
      expect(Tok::UserValue, "'{' starting the source");
    } else if (key == ":notes") {
      expect(Tok::String, "string");
    } else if (key == ":extrafuns") {
      declarations(false);
    } else if (key == ":extrapreds") {
      declarations(true);
    } else if (key == ":extrasorts") {
      lex_.fail(tok, "sort declarations (" + describe(tok) + ") are not supported");
    } else if (key == ":assumption" || key == ":formula") {
      Token at = lex_.peek();
      TermId f = formula();
      if (store_.sort(f) != Sort::Bool) unexpected(at, "formula");
      out_.assertions.push_back(f);
    } else {
      Tok k = lex_.peek().kind;
      if (k == Tok::UserValue || k == Tok::String || k == Tok::Symbol || k == Tok::Numeral)
        lex_.next();
      else if (k == Tok::LParen)
        skip_sexpr();
    }
  }
  if (lex_.peek().kind != Tok::End) unexpected(lex_.peek(), "end of file");
}

void Parser::declarations(bool predicates) {
  expect(Tok::LParen, "'(' starting the declarations");
  while (lex_.peek().kind == Tok::LParen) {
    lex_.next();
    Token name = lex_.next();
    if (name.kind != Tok::Symbol || classify(name.text) != Head::Other || name.text == "true" ||
        name.text == "false" || name.text == "Int" || name.text == "benchmark")
      unexpected(name, predicates ? "predicate name" : "function name");
    if (store_.find_symbol(name.text) != UINT32_MAX)
      lex_.fail(name, "symbol " + describe(name) + " is declared twice");
    std::vector<Sort> sorts;
    while (lex_.peek().kind != Tok::RParen) {
      Token sort = lex_.next();
      if (sort.kind != Tok::Symbol || sort.text != "Int") unexpected(sort, "sort 'Int'");
      sorts.push_back(Sort::Int);
    }
    Sort result = Sort::Bool;
    if (!predicates) {
      if (sorts.empty()) unexpected(lex_.peek(), "sort 'Int'");
      sorts.pop_back();
      result = Sort::Int;
    }
    store_.declare(std::string(name.text), std::move(sorts), result);
    skip_annotations();
    expect_close("the declaration");
  }
  expect_close("the declarations");
}

void Parser::skip_sexpr() {
  int level = 0;
  do {
    Token tok = lex_.next();
    if (tok.kind == Tok::End) unexpected(tok, "')'");
    if (tok.kind == Tok::LParen) ++level;
    if (tok.kind == Tok::RParen) --level;
  } while (level > 0);
}

void Parser::skip_annotations() {
  while (lex_.peek().kind == Tok::Keyword) {
    lex_.next();
    if (lex_.peek().kind == Tok::UserValue) lex_.next();
  }
}

TermId Parser::formula() {
  Token tok = lex_.next();
  switch (tok.kind) {
  case Tok::Symbol: {
    if (tok.text == "true") return store_.mk_true();
    if (tok.text == "false") return store_.mk_false();
    uint32_t sym = symbol(tok.text);
    if (sym == UINT32_MAX) lex_.fail(tok, "unknown symbol " + describe(tok));
    const Symbol &s = store_.symbol(sym);
    if (s.result != Sort::Bool) unexpected(tok, "formula");
    if (!s.args.empty())
      lex_.fail(tok, "predicate " + describe(tok) + " needs " + std::to_string(s.args.size()) +
                         " arguments");
    return app(tok, sym, nullptr, 0);
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

// Reads a chainable comparison's arguments (already on the stack from base).
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

TermId Parser::declared_app(const Token &head, Sort sort, const char *role, const char *expected,
                            size_t base) {
  uint32_t sym = symbol(head.text);
  if (sym == UINT32_MAX) lex_.fail(head, "unknown symbol " + describe(head));
  const Symbol &s = store_.symbol(sym);
  if (s.result != sort) unexpected(head, expected);
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

TermId Parser::formula_app() {
  Token head = lex_.next();
  if (head.kind != Tok::Symbol) unexpected(head, "connective, comparison or predicate");
  Head h = classify(head.text);
  size_t base = args_.size();
  TermId result = kNoTerm;
  auto formulas = [&](size_t min, size_t max) {
    while (lex_.peek().kind != Tok::RParen && lex_.peek().kind != Tok::Keyword) {
      if (args_.size() - base == max) unexpected(lex_.peek(), "')'");
      args_.push_back(formula());
    }
    if (args_.size() - base < min)
      lex_.fail(head, describe(head) + " needs " + std::to_string(min) + " arguments");
  };
  switch (h) {
  case Head::Not:
  case Head::And:
  case Head::Or:
  case Head::Implies:
  case Head::Iff:
  case Head::Xor:
  case Head::IfThenElse: {
    static const Kind kinds[] = {Kind::Not, Kind::And, Kind::Or,     Kind::Implies,
                                 Kind::Iff, Kind::Xor, Kind::IteBool};
    Kind kind = kinds[static_cast<int>(h)];
    size_t arity = h == Head::Not ? 1 : h == Head::IfThenElse ? 3 : 2;
    if (h == Head::And || h == Head::Or)
      formulas(0, SIZE_MAX);
    else
      formulas(arity, arity);
    result = build(head, kind, args_.data() + base, args_.size() - base);
    args_.resize(base);
    break;
  }
  case Head::Let:
  case Head::Flet: {
    bool is_let = h == Head::Let;
    expect(Tok::LParen, is_let ? "'(' starting the let binding" : "'(' starting the flet binding");
    Token var = lex_.next();
    if (var.kind != (is_let ? Tok::Var : Tok::FVar))
      unexpected(var, is_let ? "term variable like '?x'" : "formula variable like '$f'");
    TermId value = is_let ? term() : formula();
    expect_close("the binding");
    auto &scope = is_let ? lets_ : flets_;
    scope.emplace_back(var.text, value);
    result = formula();
    scope.pop_back();
    break;
  }
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
    uint32_t sym = symbol(tok.text);
    if (sym == UINT32_MAX) lex_.fail(tok, "unknown symbol " + describe(tok));
    const Symbol &s = store_.symbol(sym);
    if (s.result != Sort::Int) unexpected(tok, "integer term");
    if (!s.args.empty())
      lex_.fail(tok, "function " + describe(tok) + " needs " + std::to_string(s.args.size()) +
                         " arguments");
    return app(tok, sym, nullptr, 0);
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
  auto need = [&](size_t min, size_t max) {
    size_t n = args_.size() - base;
    if (n < min || n > max)
      lex_.fail(head, describe(head) + " takes " +
                          (min == max ? std::to_string(min) : "at least " + std::to_string(min)) +
                          " arguments, found " + std::to_string(n));
  };
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
    need(1, SIZE_MAX);
    result = build(head, Kind::Add, args_.data() + base, args_.size() - base);
    args_.resize(base);
    break;
  case Head::Minus:
    read_terms();
    need(1, SIZE_MAX);
    if (args_.size() - base == 1) {
      result = build(head, Kind::Neg, args_.data() + base, 1);
    } else {
      for (size_t i = base + 1; i < args_.size(); ++i)
        args_[i] = build(head, Kind::Neg, &args_[i], 1);
      result = build(head, Kind::Add, args_.data() + base, args_.size() - base);
    }
    args_.resize(base);
    break;
  case Head::Tilde:
    read_terms();
    need(1, 1);
    result = build(head, Kind::Neg, args_.data() + base, 1);
    args_.resize(base);
    break;
  case Head::Times: {
    read_terms();
    need(2, SIZE_MAX);
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
    result = other == kNoTerm ? num(head, factor) : build(head, Kind::Mul, &other, 1, factor);
    break;
  }
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

} // namespace

std::string Benchmark::where(TermId t) const {
  Position at = t < positions.size() ? positions[t] : Position{};
  return file + ":" + std::to_string(at.line) + ":" + std::to_string(at.col);
}

void parse_benchmark(std::string_view text, const std::string &file, Benchmark &out) {
  out.file = file;
  out.store.reserve(text.size() / 32 + 16); // about one term per 32 bytes of text
  out.positions.reserve(text.size() / 32 + 16);
  Parser parser(text, file, out);
  out.store.share_connectives(false);
  parser.benchmark();
  out.store.share_connectives(true);
}

std::string read_file(const std::string &file) {
  FILE *f = std::fopen(file.c_str(), "rb");
  if (!f) throw SmtError(file + ":1:1: cannot read file: " + std::strerror(errno));
  std::string text;
  struct stat info;
  if (fstat(fileno(f), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0)
    text.reserve(static_cast<size_t>(info.st_size));
  char buffer[1 << 16];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, got);
  int error = std::ferror(f) ? (errno ? errno : EIO) : 0; // EISDIR for a directory
  std::fclose(f);
  if (error) throw SmtError(file + ":1:1: cannot read file: " + std::strerror(error));
  return text;
}

} // namespace smt
