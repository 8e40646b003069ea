// The word of a satisfiable attempt: the model read into the position table
// B, and the word printed from it.
#pragma once

#include "common/globals.h"

namespace wordrep {

extern Matrix<Int> B; // B(i, j): the position of copy j of letter i
extern char C;        // every character that decoding passes over

// Reads N*K model lines "(= (A i j) m)" from R into B; none when N <= 0.
void decode_model();

// Prints, position by position, every letter whose copy holds that position;
// letters from 10 on in parentheses.
void print_word();

} // namespace wordrep
