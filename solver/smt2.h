// SMT-LIB 2 export of a parsed benchmark, so other solvers can run the same work.
#pragma once

#include "solver/parser.h"

#include <string>

namespace smt {

// The benchmark as SMT-LIB 2: produce-models, set-logic, declare-fun, define-fun for shared
// compound subterms, assert, check-sat and get-value over every ground
// application in order of first occurrence.
std::string to_smt2(const Benchmark &bench);

} // namespace smt
