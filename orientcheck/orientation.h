// The orientation of a satisfiable result, printed arc by arc.
#pragma once

namespace wordrep {

// Reads the first max(N, 0)^2 lines of R with 'F' in column 5, shaped
// "(= (F i j) true)" or "(= (F i j) false)", and prints "i j" for each true one.
void print_orientation();

} // namespace wordrep
