// Lexer for SMT-LIB 1.2 benchmark text held in memory.
//
// Tokens are views into the text; no token allocates.  Comments (';' to the
// end of the line) and white space are skipped.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace smt {

enum class Tok : uint8_t {
  LParen,    // (
  RParen,    // )
  Numeral,   // 0, 12, ...
  Symbol,    // and, A, <=, if_then_else, ...
  Var,       // ?x  (term variable of let)
  FVar,      // $f  (formula variable of flet)
  Keyword,   // :formula, :extrafuns, ...
  UserValue, // { ... } (braces included)
  String,    // "..." (quotes included)
  End,       // end of text
};

struct Token {
  Tok kind;
  std::string_view text;
  uint32_t line;
  uint32_t col;
};

// Printable name of a token for messages: the text in quotes, or "end of file".
std::string describe(const Token &tok);

class Lexer {
public:
  // The text must outlive the lexer; file is used in messages only.
  Lexer(std::string_view text, std::string file);

  // The current token, not consumed.
  const Token &peek() const { return tok_; }
  // Consume the current token and return it.
  Token next() {
    Token current = tok_;
    scan();
    return current;
  }
  // Throw SmtError "file:line:col: message" at the given token.
  [[noreturn]] void fail(const Token &at, const std::string &message) const;
  // The file name given at construction.
  const std::string &file() const { return file_; }

private:
  void scan();
  size_t skip_blanks(size_t p); // past white space and comments, counting lines

  std::string_view text_;
  std::string file_;
  size_t pos_ = 0;
  uint32_t line_ = 1;
  size_t line_start_ = 0;
  Token tok_{};
};

} // namespace smt
