// alterword: the representation number of a graph and a word that shows it.
//
// Tries K = 2, 3, ... in turn: writes the uniform-word benchmark for K, has
// the solver decide it, prints "no solution for {k}," while the verdict is
// not "sat", then decodes the model into the word and prints it.
#include "encoding.h"
#include "globals.h"
#include "graph.h"
#include "roundtrip.h"

using namespace wordrep;

namespace {

Matrix<Int> B; // B(i, j): the position of copy j of letter i
char C;        // every character that decoding passes over
bool Klaar;    // a word has been found

// Reads N*K model lines "(= (A i j) m)" into B.
void decode_model() {
  const Int lines = N * K;
  for (P = 1; P <= lines; ++P) {
    for (int column = 1; column <= 5; ++column) C = read_char(R);
    I = read_int(R);
    J = read_int(R);
    C = read_char(R);
    M = read_int(R);
    skip_line(R);
    B(I, J) = M;
  }
}

// Prints, position by position, every letter whose copy holds that position.
void print_word() {
  for (P = 1; P <= N * K; ++P)
    for (I = 1; I <= N; ++I)
      for (J = 1; J <= K; ++J)
        if (B(I, J) == P) {
          if (I <= 9)
            write(Output, I);
          else
            write(Output, "(", I, ")");
        }
  write(Output, "\n");
}

} // namespace

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
