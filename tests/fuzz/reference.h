// A reference model of the reading rules, for the fuzz targets to check the
// text reader of common/ against.
//
// It works on the whole text held in a string and follows the rules as the
// README, the unit tests and textio.h state them, without the reader's chunk
// buffer: a line feed reads as a blank and counts as a line end; a number
// leaves the character after it unread; integers are blanks, tabs and line
// ends, an optional sign, then decimal digits, "$" and hexadecimal digits, or
// "base#digits" with a base from 2 to 36; a value outside 64 bits is error
// 553, judged after the last digit, while a base prefix is judged on the
// value wrapped to 64 bits; the end of the text while a character is due is
// error 454.  Skipping a line succeeds once at the very end of a text whose
// last line has no line end.
#pragma once

#include <cstdint>
#include <string>

namespace reference {

using Int = std::int64_t;

// The result of one read: code 0 and the value (or text), or the error number.
struct Outcome {
  int code = 0;
  Int value = 0;
  std::string text;
};

// The documented message of each error number the readers can stop with;
// "%" stands for the description of the file.
inline std::string message(int code, const std::string &file) {
  std::string m;
  switch (code) {
  case 300:
    m = "value out of range";
    break;
  case 454:
    m = "attempt to read past end of %";
    break;
  case 551:
    m = "digit expected after sign";
    break;
  case 552:
    m = "sign or digit expected";
    break;
  case 553:
    m = "overflow while reading integer";
    break;
  case 557:
    m = "digit expected after `$' in integer constant";
    break;
  case 558:
    m = "digit expected after `#' in integer constant";
    break;
  case 559:
    m = "only one base specifier allowed in integer constant";
    break;
  case 560:
    m = "base out of range (2 .. 36)";
    break;
  default:
    return "(no documented message)";
  }
  const auto percent = m.find('%');
  if (percent != std::string::npos) m.replace(percent, 1, file);
  return m;
}

class Reader {
public:
  explicit Reader(std::string text)
      : text_(std::move(text)), last_line_ended_(!text_.empty() && text_.back() == '\n') {}

  Outcome read_int() {
    Outcome o;
    int c;
    do {
      c = next();
      if (seen_end_) return error(454);
    } while (c == ' ' || c == '\t');
    bool negative = false, signed_ = false;
    if (c == '+' || c == '-') {
      negative = c == '-';
      signed_ = true;
      c = next();
      if (seen_end_) return error(454);
    }
    unsigned base = 10;
    bool base_given = false;
    if (c == '$') {
      c = next();
      if (seen_end_) return error(454);
      if (digit(c) >= 16) return error(557);
      base = 16;
      base_given = true;
    } else if (c < '0' || c > '9') {
      return error(signed_ ? 551 : 552);
    }
    // The exact value, capped just above 64 bits, beside the value wrapped
    // to 64 bits that a base prefix is judged on.
    const unsigned __int128 cap = static_cast<unsigned __int128>(1) << 64;
    unsigned __int128 exact = 0;
    std::uint64_t wrapped = 0;
    bool too_big = false;
    for (;;) {
      while (c != end_of_text && digit(c) < base) {
        exact = exact * base + digit(c);
        if (exact >= cap) {
          too_big = true;
          exact = cap; // stays above every 64-bit value
        }
        wrapped = wrapped * base + digit(c);
        c = next();
      }
      if (c != '#') break;
      if (base_given) return error(559);
      if (wrapped < 2 || wrapped > 36) return error(560);
      base = static_cast<unsigned>(wrapped);
      exact = 0;
      wrapped = 0;
      c = next();
      if (seen_end_) return error(454);
      if (digit(c) >= base) return error(558);
      base_given = true;
    }
    if (c != end_of_text) held_ = c;
    const unsigned __int128 limit = negative ? (static_cast<unsigned __int128>(1) << 63)
                                             : (static_cast<unsigned __int128>(1) << 63) - 1;
    if (too_big || exact > limit) return error(553);
    if (!negative)
      o.value = static_cast<Int>(exact);
    else if (exact != 0)
      o.value = -static_cast<Int>(exact - 1) - 1; // reaches -2^63 without overflow
    return o;
  }

  Outcome read_char() {
    const int c = next();
    if (seen_end_) return error(454);
    Outcome o;
    o.value = c;
    return o;
  }

  // The line item: at most 255 characters up to the line end, which stays unread.
  Outcome read_line_item() {
    if (seen_end_) return error(454);
    Outcome o;
    if (line_end_last_) return o;
    while (o.text.size() < 255) {
      const int c = next();
      if (c == end_of_text) return o;
      if (line_end_last_) {
        held_ = c;
        return o;
      }
      o.text += static_cast<char>(c);
    }
    return o;
  }

  // The skip item: through the next line end, one just read counting.
  Outcome skip_line() {
    if (seen_end_) {
      if (last_line_ended_) return error(454);
      last_line_ended_ = true; // the tolerance for a last line without line end
      return {};
    }
    held_ = none;
    if (line_end_last_) {
      line_end_last_ = false;
      return {};
    }
    for (;;) {
      const int c = raw_next();
      if (c == end_of_text) {
        last_line_ended_ = true;
        line_end_last_ = false;
        return {};
      }
      if (line_end_last_) {
        line_end_last_ = false;
        return {};
      }
    }
  }

  Outcome read_line() {
    Outcome o = read_line_item();
    if (o.code != 0) return o;
    Outcome skip = skip_line();
    if (skip.code != 0) return skip;
    return o;
  }

  // The verdict line of a result: a line, and error 454 for a result
  // without a single byte.
  Outcome read_verdict() {
    Outcome o = read_line();
    if (o.code == 0 && seen_end_ && text_.empty()) return error(454);
    return o;
  }

private:
  static constexpr int end_of_text = -1;
  static constexpr int none = -2;

  static unsigned digit(int c) {
    if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
    if (c >= 'a' && c <= 'z') return static_cast<unsigned>(c - 'a' + 10);
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned>(c - 'A' + 10);
    return 1000;
  }

  static Outcome error(int code) {
    Outcome o;
    o.code = code;
    return o;
  }

  // The next character of the text, ignoring one held back.
  int raw_next() {
    if (seen_end_) return end_of_text;
    if (pos_ == text_.size()) {
      seen_end_ = true;
      line_end_last_ = true;
      return end_of_text;
    }
    const unsigned char c = static_cast<unsigned char>(text_[pos_++]);
    line_end_last_ = c == '\n';
    return c == '\n' ? ' ' : static_cast<int>(c);
  }

  int next() {
    if (held_ != none) {
      const int c = held_;
      held_ = none;
      return c;
    }
    return raw_next();
  }

  std::string text_;
  std::size_t pos_ = 0;
  int held_ = none;            // a character looked at but not read
  bool line_end_last_ = false; // the last character looked at was a line end
  bool seen_end_ = false;      // a read has met the end of the text
  bool last_line_ended_;       // the last line has had its line end
};

} // namespace reference
