// The uniform-word benchmark: for K copies of every letter 1..N, positions
// A(i, j) of copy j of letter i form a permutation of 1..N*K with A(1, 1) = 1,
// and the copies of two letters alternate exactly when they are adjacent.
#pragma once

namespace wordrep {

// Writes the benchmark for the current N, A and K into R, line by line.
void write_uniform_word_benchmark();

} // namespace wordrep
