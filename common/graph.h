// Graph input: the vertex count and the edges, read from standard input.
//
// The text is the count on its first line, then one edge "i j" a line, ended
// by the first pair whose first number is 0 or less.  The rest of each line
// after its numbers is ignored; the two numbers of a pair may stand on
// different lines.  Fills N and A; every vertex number is checked against
// 1..20, and a count above 20 stops the program while the matrix is cleared.
#pragma once

namespace wordrep {

// Reads the graph into N and A; stops the program on any bad input.
void read_graph();

} // namespace wordrep
