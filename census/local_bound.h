// Lower bounds on the representation number of a large graph from small
// induced subgraphs near one vertex, searched exhaustively: one without a
// 2-uniform word (not a circle graph) gives 3, one without a 3-uniform word
// gives 4.  Cheap where the searches on the whole graph are not: the
// hypercube Q6 has Q4 (number 4) as the interval between two vertices at
// distance 4.
#pragma once

#include "census/graph.h"
#include "census/lower_bound.h"

#include "sat/sat.h"

namespace census {

// The most vertices of a subgraph searched for a 2-uniform word, and for a
// 3-uniform one.
constexpr int kMaxLocal2 = 24;
constexpr int kMaxLocal3 = 16;

// The largest bound found, 3 or 4, with its reason ("induced subgraph 1 2 5
// ...: 3", the subgraph's vertices 1-based); else {2, ""}.  The subgraphs:
// around at most `tries` vertices v spread over the graph, the ball (all
// vertices within distance r of v, r the largest that keeps at most
// kMaxLocal2) and the largest interval between v and another vertex (the
// vertices on their shortest paths) of at most kMaxLocal2 vertices.  Ends
// early as limits say.
LowerBound local_lower_bound(const Graph &g, int tries, const sat::Limits &limits = {});

} // namespace census
