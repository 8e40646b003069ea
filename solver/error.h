// The one error type of the solver: a message with an optional source position.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace smt {

// Exit status for input errors (bad flags, unreadable file, outside the fragment).
constexpr int kExitInputError = 1;
// Exit status when the model found does not satisfy the formula.
constexpr int kExitBadModel = 2;

// Raised anywhere in the solver; caught only in main, which prints what() and exits.
class SmtError : public std::runtime_error {
public:
  // A message already formatted as one line, e.g. "ff:3:7: expected ')' but found 'x'".
  explicit SmtError(const std::string &line, int status = kExitInputError)
      : std::runtime_error(line), status_(status) {}
  // The exit status main should use.
  int status() const { return status_; }

private:
  int status_;
};

// Text for a message: control bytes (a NUL inside a symbol, say) written as
// \xNN, so that the message stays one printable line.
inline std::string printable(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 && c != '\t') || byte == 0x7f) {
      const char *hex = "0123456789abcdef";
      out += "\\x";
      out += hex[byte >> 4];
      out += hex[byte & 15];
    } else {
      out += c;
    }
  }
  return out;
}

} // namespace smt
