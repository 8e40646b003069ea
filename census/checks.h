// Checkers written from the definitions, run on every certificate before it
// is reported.  Each returns an empty string when the certificate holds, else
// the first reason it does not.
#pragma once

#include "census/graph.h"

#include <string>
#include <vector>

namespace census {

// The word (0-based letters) is K-uniform over the vertices, and two distinct
// vertices alternate in it exactly when they are adjacent.
std::string check_word(const Graph &g, int k, const std::vector<int> &word);

// The arcs orient every edge exactly once and nothing else, have no directed
// cycle, and have no shortcut: for every arc a -> b, any two vertices x, y on
// a directed path from a to b, with y reachable from x, are adjacent.  With
// shortcut_length k >= 3 only shortcuts of length k or less count (a path of at
// most k arcs from a to b); 0 means any length.
std::string check_orientation(const Graph &g, const std::vector<Arc> &arcs,
                              int shortcut_length = 0);

} // namespace census
