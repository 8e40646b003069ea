// Parser for SMT-LIB 1.2 benchmarks of the supported fragment.
//
// Fragment: attributes :logic :status :source :notes :extrafuns :extrapreds
// :assumption :formula (other attributes skipped); connectives not and or
// implies iff xor if_then_else, let/flet, true/false; atoms = distinct < <= >
// >= over integer terms (numerals, uninterpreted functions applied to numeral
// arguments, ite, + - ~, multiplication by a numeral) and predicates.
#pragma once

#include "solver/terms.h"

#include <string>
#include <string_view>
#include <vector>

namespace smt {

// A place in the text: line and column, both from 1.
struct Position {
  uint32_t line = 1;
  uint32_t col = 1;
};

// A parsed benchmark: its terms and what is asserted.
struct Benchmark {
  TermStore store;
  std::string file;               // file name used in messages
  std::string name;               // the benchmark's name
  std::string logic;              // :logic, empty when absent
  std::vector<TermId> assertions; // every :assumption then every :formula
  // Per term of the store: the token that first built it (an application's
  // symbol, an operator, a numeral).
  std::vector<Position> positions;

  // "file:line:col" of a term, the prefix of a message about it.
  std::string where(TermId t) const;
};

// Parse text (named file in messages).  Throws SmtError "file:line:col: message".
void parse_benchmark(std::string_view text, const std::string &file, Benchmark &out);

// Read a whole file into a string.  Throws SmtError "file: cannot read file: reason"
// (no position: the error is about the whole file).
std::string read_file(const std::string &file);

} // namespace smt
