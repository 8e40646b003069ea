// Parser for SMT-LIB 1.2 benchmarks of the supported fragment.
//
// Fragment: attributes :logic :status :source :notes :extrafuns :extrapreds
// :assumption :formula (other attributes skipped); connectives not and or
// implies iff xor if_then_else, let/flet, true/false; atoms = distinct < <= >
// >= over integer terms (numerals, uninterpreted functions applied to numeral
// arguments, ite, + - ~, multiplication by a numeral) and predicates.
#pragma once

#include "terms.h"

#include <string>
#include <string_view>
#include <vector>

namespace smt {

// A parsed benchmark: its terms and what is asserted.
struct Benchmark {
  TermStore store;
  std::string file;               // file name used in messages
  std::string name;               // the benchmark's name
  std::string logic;              // :logic, empty when absent
  std::vector<TermId> assertions; // every :assumption then every :formula
  // Line and column of the first occurrence of each ground application,
  // parallel to store.ground_apps().
  std::vector<std::pair<uint32_t, uint32_t>> app_pos;
};

// Parse text (named file in messages).  Throws SmtError "file:line:col: message".
void parse_benchmark(std::string_view text, const std::string &file, Benchmark &out);

// Read a whole file into a string.  Throws SmtError "file:1:1: cannot read ...".
std::string read_file(const std::string &file);

} // namespace smt
