// alterword: the representation number of a graph and a word that shows it.
//
// Tries K = 2, 3, ... in turn: writes the uniform-word benchmark for K, has
// the solver decide it, prints "no solution for {k}," while the verdict is
// not "sat", then decodes the model into the word and prints it.
#include "alterword/encoding.h"
#include "alterword/word.h"
#include "common/globals.h"
#include "common/graph.h"
#include "common/roundtrip.h"

using namespace wordrep;

static bool Klaar; // a word has been found

int main(int argc, char **argv) {
  start_program(argc, argv);
  read_graph();
  bind(R, "ff");
  Klaar = false;
  K = 2;
  while (!Klaar) {
    round_trip(write_uniform_word_benchmark);
    if (S.equals("sat"))
      Klaar = true;
    else
      write(Output, "no solution for ", K, ",\n");
    if (Klaar) {
      write(Output, "representing word for ", K, ":\n");
      decode_model();
      print_word();
    }
    K = K + 1;
  }
  truncate_result(R);
  return finish_program();
}
