// Command-line options of the solver, as a plain struct.
#pragma once

#include <string>

namespace smt {

struct Options {
  std::string file;     // the benchmark file
  bool smt = false;     // -smt: read SMT-LIB 1.2 (the only input language)
  bool model = false;   // -e: print the model after "sat"
  bool smt2 = false;    // --smt2: write the benchmark as SMT-LIB 2 and stop
  bool symmetry = true; // --no-symmetry turns symmetry breaking off
  bool implied = true;  // --no-implied turns implied order constraints off
  bool stats = false;   // --stats: print encoding statistics to standard error
};

// Parse argv; throws SmtError with a usage line on bad flags.
Options parse_options(int argc, char **argv);

} // namespace smt
