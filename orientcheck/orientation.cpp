#include "orientcheck/orientation.h"

#include "common/globals.h"

namespace wordrep {

namespace {

// The code of the character in column x of S, from 0 to 255 whatever the
// signedness of char: a digit column contributes this minus the code of '0'.
Int code_at(Int x) {
  return static_cast<unsigned char>(S.at(x));
}

} // namespace

void print_orientation() {
  // A count of 0 or less has no F atom to read.
  const Int lines = N > 0 ? N * N : 0;
  for (P = 1; P <= lines; ++P) {
    read_line(R, S);
    while (S.at(5) != 'F') read_line(R, S);
    M = 7;
    I = code_at(7) - '0';
    if (S.at(8) != ' ') {
      M = 8;
      I = 10 * I + (code_at(8) - '0');
    }
    M = M + 2;
    J = code_at(M) - '0';
    if (S.at(M + 1) != ')') {
      M = M + 1;
      J = 10 * J + (code_at(M) - '0');
    }
    M = M + 3;
    if (S.at(M) == 't') write(Output, I, " ", J, "\n");
  }
}

} // namespace wordrep
