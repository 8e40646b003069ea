#include "alterword/word.h"

namespace wordrep {

Matrix<Int> B;
char C;

namespace {

// N * K, the length of the word: 0 for a count of 0 or less, whose product
// with K could overflow; a count above 20 never gets here.
Int word_length() {
  return N > 0 ? N * K : 0;
}

} // namespace

void decode_model() {
  const Int lines = word_length();
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

void print_word() {
  const Int length = word_length();
  for (P = 1; P <= length; ++P)
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

} // namespace wordrep
