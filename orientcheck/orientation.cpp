#include "orientation.h"

#include "globals.h"

namespace wordrep {

void print_orientation() {
  // A count of 0 or less has no F atom to read.
  const Int lines = N > 0 ? N * N : 0;
  for (P = 1; P <= lines; ++P) {
    read_line(R, S);
    while (S.at(5) != 'F') read_line(R, S);
    M = 7;
    I = S.at(7) - '0';
    if (S.at(8) != ' ') {
      M = 8;
      I = 10 * I + (S.at(8) - '0');
    }
    M = M + 2;
    J = S.at(M) - '0';
    if (S.at(M + 1) != ')') {
      M = M + 1;
      J = 10 * J + (S.at(M) - '0');
    }
    M = M + 3;
    if (S.at(M) == 't') write(Output, I, " ", J, "\n");
  }
}

} // namespace wordrep
