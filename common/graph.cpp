#include "common/graph.h"

#include "common/globals.h"

namespace wordrep {

void read_graph() {
  N = read_int(Input);
  skip_line(Input);
  // Clearing changes no value, but its index check rejects a count above 20.
  for (I = 1; I <= N; ++I)
    for (J = 1; J <= N; ++J) A(I, J) = false;
  I = read_int(Input);
  J = read_int(Input);
  skip_line(Input);
  while (I > 0) {
    A(I, J) = true;
    A(J, I) = true;
    I = read_int(Input);
    J = read_int(Input);
    skip_line(Input);
  }
}

} // namespace wordrep
