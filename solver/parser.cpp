// The benchmark and the parser's frame: attributes, declarations, tokens,
// numerals, and the terms made with their positions and heights.
#include "solver/parser_impl.h"

#include "solver/error.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace smt {

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

Parser::Parser(std::string_view text, const std::string &file, Benchmark &out)
    : lex_(text, file), out_(out), store_(out.store) {
  for (auto &slot : symbol_cache_) slot = {std::string_view(), UINT32_MAX};
  // The constants true and false, made with the store.
  out_.positions.assign(store_.size(), Position{});
  height_.assign(store_.size(), 1);
}

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

void Parser::settle_new(const Token &at) {
  // Children precede parents.
  for (size_t id = height_.size(); id < store_.size(); ++id) {
    uint32_t h = 0;
    for (uint32_t i = 0; i < store_.num_children(static_cast<TermId>(id)); ++i)
      h = std::max(h, height_[store_.child(static_cast<TermId>(id), i)]);
    height_.push_back(h + 1);
    out_.positions.push_back(Position{at.line, at.col});
  }
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
  if (!f) throw SmtError(file + ": cannot read file: " + std::strerror(errno));
  std::string text;
  struct stat info;
  if (fstat(fileno(f), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0)
    text.reserve(static_cast<size_t>(info.st_size));
  char buffer[1 << 16];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, got);
  int error = std::ferror(f) ? (errno ? errno : EIO) : 0; // EISDIR for a directory
  std::fclose(f);
  if (error) throw SmtError(file + ": cannot read file: " + std::strerror(error));
  return text;
}

} // namespace smt
