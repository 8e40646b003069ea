#include "alterword/encoding.h"

#include "common/globals.h"

namespace wordrep {

void write_uniform_word_benchmark() {
  write(R, "(benchmark test.smt\n");
  write(R, ":extrafuns ((A Int Int Int))\n");
  write(R, ":formula (and\n");
  // Every position lies in 1..N*K.
  for (I = 1; I <= N; ++I)
    for (J = 1; J <= K; ++J) {
      write(R, "(< 0 (A ", I, " ", J, "))\n");
      write(R, "(>= ", N * K, " (A ", I, " ", J, "))\n");
    }
  write(R, "(= (A 1 1) 1)\n");
  write(R, "(distinct\n");
  for (I = 1; I <= N; ++I)
    for (J = 1; J <= K; ++J) write(R, "(A ", I, " ", J, ")\n");
  write(R, ")\n");
  // One pair block for each pair of letters: the two alternating chains,
  // negated when the vertices are not adjacent.
  for (I = 1; I <= N - 1; ++I)
    for (J = I + 1; J <= N; ++J) {
      if (!A(I, J)) write(R, "(not\n");
      write(R, "(or\n");
      write(R, "(and\n");
      write(R, "(= 1 (A 1 1))\n");
      for (P = 1; P <= K; ++P) write(R, "(< (A ", I, " ", P, ") (A ", J, " ", P, "))\n");
      for (P = 1; P <= K - 1; ++P) write(R, "(< (A ", J, " ", P, ") (A ", I, " ", P + 1, "))\n");
      write(R, ") (and\n");
      for (P = 1; P <= K; ++P) write(R, "(< (A ", J, " ", P, ") (A ", I, " ", P, "))\n");
      for (P = 1; P <= K - 1; ++P) write(R, "(< (A ", I, " ", P, ") (A ", J, " ", P + 1, "))\n");
      write(R, "))\n");
      if (!A(I, J)) write(R, ")\n");
    }
  write(R, "))\n");
}

} // namespace wordrep
