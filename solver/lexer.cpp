#include "solver/lexer.h"

#include "solver/error.h"

#include <algorithm>

namespace smt {

std::string describe(const Token &tok) {
  if (tok.kind == Tok::End) return "end of file";
  std::string_view text = tok.text;
  // Cut at 40 characters and at a line end (strings and user values may span
  // lines), so that every message stays one line.
  const size_t cut = std::min<size_t>(40, text.find_first_of("\r\n"));
  if (text.size() > cut) return "'" + printable(text.substr(0, cut)) + "...'";
  return "'" + printable(text) + "'";
}

Lexer::Lexer(std::string_view text, std::string file) : text_(text), file_(std::move(file)) {
  scan();
}

void Lexer::fail(const Token &at, const std::string &message) const {
  throw SmtError(file_ + ":" + std::to_string(at.line) + ":" + std::to_string(at.col) + ": " +
                 message);
}

namespace {

// Character classes: bit 2 ends a symbol, bit 4 digit.
constexpr uint8_t kEnds = 2, kDigit = 4;

struct CharTable {
  uint8_t c[256] = {};
  constexpr CharTable() {
    for (unsigned char x : {' ', '\t', '\r', '\f', '\v', '\n', '(', ')', ';', '{', '"'})
      c[x] = kEnds;
    for (int d = '0'; d <= '9'; ++d) c[d] = kDigit;
  }
};

constexpr CharTable kChars;

} // namespace

size_t Lexer::skip_blanks(size_t p) {
  const char *s = text_.data();
  size_t n = text_.size();
  for (;;) {
    while (p < n && (s[p] == ' ' || s[p] == '\t' || s[p] == '\r' || s[p] == '\f' || s[p] == '\v'))
      ++p;
    if (p < n && s[p] == '\n') {
      ++p;
      ++line_;
      line_start_ = p;
      continue;
    }
    if (p < n && s[p] == ';') {
      while (p < n && s[p] != '\n') ++p;
      continue;
    }
    return p;
  }
}

void Lexer::scan() {
  const char *s = text_.data();
  size_t n = text_.size();
  size_t p = skip_blanks(pos_);
  Token t;
  t.line = line_;
  t.col = static_cast<uint32_t>(p - line_start_ + 1);
  size_t start = p;
  if (p >= n) {
    t.kind = Tok::End;
    t.text = std::string_view();
    pos_ = p;
    tok_ = t;
    return;
  }
  char c = s[p];
  if (c == '(' || c == ')') {
    t.kind = c == '(' ? Tok::LParen : Tok::RParen;
    t.text = text_.substr(p, 1);
    pos_ = p + 1;
    tok_ = t;
    return;
  }
  if (c == '{' || c == '"') {
    char close = c == '{' ? '}' : '"';
    Token open = t;
    ++p;
    while (p < n && s[p] != close) {
      if (s[p] == '\\' && p + 1 < n) ++p; // escaped quote or brace
      if (s[p] == '\n') {
        ++line_;
        line_start_ = p + 1;
      }
      ++p;
    }
    if (p >= n) {
      open.kind = Tok::End;
      open.text = text_.substr(start, 1);
      fail(open, std::string("unterminated ") + (c == '{' ? "user value '{'" : "string '\"'"));
    }
    t = open;
    t.kind = c == '{' ? Tok::UserValue : Tok::String;
    t.text = text_.substr(start, p + 1 - start);
    pos_ = p + 1;
    tok_ = t;
    return;
  }
  uint8_t all = kDigit;
  while (p < n) {
    uint8_t k = kChars.c[static_cast<unsigned char>(s[p])];
    if (k & kEnds) break;
    all &= k;
    ++p;
  }
  t.text = text_.substr(start, p - start);
  pos_ = p;
  if (c == '?')
    t.kind = Tok::Var;
  else if (c == '$')
    t.kind = Tok::FVar;
  else if (c == ':')
    t.kind = Tok::Keyword;
  else
    t.kind = all ? Tok::Numeral : Tok::Symbol;
  tok_ = t; // one store of the whole token
}

} // namespace smt
