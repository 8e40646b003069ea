// Lower bounds on the representation number from induced subgraphs whose
// number is published, so that the word search can skip the K below them.
#pragma once

#include "census/graph.h"

#include <string>

namespace census {

// A lower bound on the representation number and its reason: the induced
// subgraph whose published number it is ("induced crown H(6,6): 3"), or
// empty for 2, the least K.
struct LowerBound {
  int k = 2;
  std::string reason;
};

// A K such that the graph has no representing word with fewer than K copies of
// each letter (2 when nothing better is known), with the induced subgraph it
// comes from: the largest induced crown H(m,m) (K_{m,m} less a perfect
// matching) and crown with an apex that a bounded search finds.  The search is
// cut off, never the bound made larger.
LowerBound explained_lower_bound(const Graph &g);

// The largest m (at most 128) of an induced crown H(m,m) among the vertices of
// within, as far as a search of budget nodes finds (0 for none).
int largest_crown(const Graph &g, Mask within, long &budget);

} // namespace census
