// Symmetry breaking for the word search, from the graph's automorphism group.
//
// A uniform word representing a graph stays one when its letters are renamed
// by an automorphism or when it is shifted cyclically.  LetterOrder lists
// what every graph with a K-uniform representing word also has one obeying:
// a given letter first, and some first copies before others.
#pragma once

#include "census/graph.h"

#include <utility>
#include <vector>

namespace census {

// Constraints on a K-uniform word that lose no graph's representability.
struct LetterOrder {
  int start = 0;                          // the word begins with this letter (-1: any)
  std::vector<std::pair<int, int>> first; // (v, u): v's first copy comes before u's
};

// The word begins with letter 0; nothing else (sound for every graph by the
// cyclic shift alone).
LetterOrder plain_order();
// No constraint at all: every K-uniform word is searched.
LetterOrder no_order();

// The word begins with a vertex of largest degree and first copies follow a
// stabiliser chain of the automorphism group (nauty); see symmetry.cpp for
// why this is sound.
LetterOrder symmetric_order(const Graph &g);

} // namespace census
