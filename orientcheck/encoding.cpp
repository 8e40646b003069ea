#include "orientcheck/encoding.h"

#include "common/globals.h"

namespace wordrep {

void write_orientation_benchmark() {
  write(R, "(benchmark test.smt\n");
  write(R, ":extrapreds ((F Int Int))\n");
  write(R, ":extrapreds ((R Int Int))\n");
  write(R, ":extrafuns ((W Int Int))\n");
  write(R, ":formula (and\n");
  for (I = 1; I <= N; ++I)
    for (J = 1; J <= N; ++J) {
      write(R, "(implies (F ", I, " ", J, ") (> (W ", I, ") (W ", J, ")))\n");
      if (A(I, J))
        write(R, "(or (F ", I, " ", J, ") (F ", J, " ", I, "))\n");
      else
        write(R, "(not (F ", I, " ", J, ")) (not (F ", J, " ", I, "))\n");
      // R(i, j) holds exactly when a directed path leads from i to j.
      write(R, "(iff (R ", I, " ", J, ") (or (F ", I, " ", J, ")\n");
      for (K = 1; K <= N; ++K) write(R, "(and (F ", I, " ", K, ") (R ", K, " ", J, "))\n");
      write(R, "))\n");
      // i before j on a path from the tail to the head of an arc k -> m
      // needs the arc i -> j.
      write(R, "(implies (or\n");
      for (K = 1; K <= N; ++K)
        for (M = 1; M <= N; ++M) {
          write(R, "(and (R ", I, " ", J, ") (F ", K, " ", M, ")");
          if (K != I) write(R, "(R ", K, " ", I, ")");
          if (J != M) write(R, "(R ", J, " ", M, ")");
          write(R, ")\n");
        }
      write(R, ") (F ", I, " ", J, "))\n");
    }
  write(R, "))\n");
}

} // namespace wordrep
