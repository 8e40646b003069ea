// Models: evaluation of the formula under an assignment, and the model text.
#pragma once

#include "solver/parser.h"

#include <string>
#include <vector>

namespace smt {

// Values of the ground applications, parallel to store.ground_apps()
// (Booleans as 0 or 1).
using Assignment = std::vector<int64_t>;

// The term at fault when the assignment does not satisfy the benchmark: the
// first assertion left false, or an arithmetic term whose value overflows
// 64 bits; kNoTerm when every assertion holds.
TermId violation(const Benchmark &bench, const Assignment &values);
// True when every assertion of the benchmark holds under the assignment.
bool satisfies(const Benchmark &bench, const Assignment &values);

// The model lines, one per ground application in order of first occurrence:
// "(= (A 1 2) 5)", "(= (F 1 2) true)", "(= (c) 3)" is written "(= c 3)".
std::string model_text(const Benchmark &bench, const Assignment &values);

} // namespace smt
