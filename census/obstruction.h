// The wheel W5 as a ready-made witness.
//
// W5 (a hub joined to the five vertices of a 5-cycle) is the smallest graph
// that is not word-representable, and every proper induced subgraph of it is
// word-representable (Kitaev, Pyatkin, "On representable graphs", J. Autom.
// Lang. Comb. 13 (2008)).  By heredity a graph holding W5 as an induced
// subgraph is not word-representable either, with those six vertices as a
// minimal witness; about half of the graphs on 10 vertices that are not
// word-representable are settled this way without a SAT call.
#pragma once

#include "census/graph.h"

#include <cstdint>

namespace census {

// The six vertices of an induced W5 in g, or 0 when there is none.
Mask find_wheel5(const Graph &g);

// Establish the facts above with the census's own orientation search (the
// deletions' orientations checked), with the shortcut length shortcut_length (0:
// any length; a wheel without a k-semi-transitive orientation for k = 3 has
// none for larger k either); throws Error when they do not hold.
void certify_wheel5(int shortcut_length);

} // namespace census
