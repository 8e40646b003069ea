// orientcheck: does the graph have a semi-transitive orientation?
//
// Writes the orientation benchmark once, has the solver decide it, and
// prints "Not semi-transitive" on the verdict "unsat", otherwise the heading
// and one line "i j" for every arc i -> j of the model's orientation.
#include "common/globals.h"
#include "common/graph.h"
#include "common/roundtrip.h"
#include "orientcheck/encoding.h"
#include "orientcheck/orientation.h"

using namespace wordrep;

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
