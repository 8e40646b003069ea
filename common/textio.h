// Text input and output: the statements through which the programs read and
// write every byte, on files that textfile.h opens and closes.
//
// Writing.  A write statement collects its items (integers in decimal, texts,
// single characters) in the file's 16384-byte statement buffer and hands them
// to the operating system with one write(2) when it ends, so nothing is ever
// held back between statements.  `write(f, items...)` is one whole statement
// followed by its status check:
//
//   write(Output, "no solution for ", K, ",\n");
//
// Reading.  Input arrives in chunks of up to 16384 bytes.  Line feeds are
// delivered as blanks with the line-end flag set; a carriage return is an
// ordinary character.  Each read function below is one whole read statement
// followed by its status check, so a failure stops the program right there.
#pragma once

#include "common/textfile.h"

#include <type_traits>

namespace wordrep {

constexpr Int line_capacity = 255; // capacity of a line read into S

// --- Write statements -----------------------------------------------------

void begin_write(TextFile &f);         // 450 unless open for writing
void put_item(TextFile &f, Int value); // decimal, "-" when negative
void put_item(TextFile &f, const char *text);
void put_item(TextFile &f, char c);

namespace detail {
template <class T> inline void put_any(TextFile &f, const T &item) {
  if constexpr (std::is_same_v<T, char>)
    put_item(f, item);
  else if constexpr (std::is_integral_v<T>)
    put_item(f, static_cast<Int>(item));
  else
    put_item(f, static_cast<const char *>(item));
}
// Hands the statement's text over, then the status check.
[[gnu::noinline]] void end_statement(TextFile &f);
} // namespace detail

// One write statement of `items`, then the status check.
template <class... Items>
[[gnu::always_inline]] inline void write(TextFile &f, const Items &...items) {
  begin_write(f);
  (detail::put_any(f, items), ...);
  detail::end_statement(f);
}

// --- Read statements (each ends with its status check) --------------------

// Reads an integer: blanks, tabs and line ends skipped; optional sign; then
// decimal digits, "$" and hexadecimal digits, or "base#digits" (base 2..36).
Int read_int(TextFile &f);

// Reads one character; a line end reads as a blank.
char read_char(TextFile &f);

// Skips the rest of the line, its line end included; a last line without a
// line end is accepted once.
void skip_line(TextFile &f);

// A string of capacity 255, such as the line last read from the result file.
struct Line {
  char text[line_capacity];
  Int length = 0;
  // The character in column x (from 1); stops with "value out of range"
  // unless 1 <= x <= length.
  char at(Int x) const;
  bool equals(const char *word) const; // same length, same characters
};

// Reads at most 255 characters of the current line into `s`, then skips the
// rest of the line.
void read_line(TextFile &f, Line &s);

// The three items the statements above are built of, for callers that need
// to combine them in one statement; none of them makes the status check.
Int read_int_item(TextFile &f);
void read_line_item(TextFile &f, Line &s);
void skip_line_item(TextFile &f);

} // namespace wordrep
