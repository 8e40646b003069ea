// orientcheck: does the graph have a semi-transitive orientation?
//
// Writes the orientation benchmark once, has the solver decide it, and
// prints "Not semi-transitive" on the verdict "unsat", otherwise the heading
// and one line "i j" for every arc i -> j of the model's orientation.
#include "encoding.h"
#include "globals.h"
#include "graph.h"
#include "roundtrip.h"

using namespace wordrep;

namespace {

// Reads the first max(N, 0)^2 lines with 'F' in column 5, "(= (F i j) true)"
// or "(= (F i j) false)", and prints the arcs that are true.
void print_orientation() {
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

} // namespace

int main(int argc, char **argv) {
  start_program(argc, argv);
  read_graph();
  bind(R, "ff");
  round_trip(write_orientation_benchmark);
  if (S.equals("unsat")) {
    write(Output, "Not semi-transitive\n");
  } else {
    write(Output, "Semi-transitive by orientation:\n");
    print_orientation();
  }
  truncate_result(R);
  return finish_program();
}
