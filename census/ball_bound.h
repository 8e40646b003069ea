// A lower bound of 3 on the representation number of a large graph from a
// small induced subgraph: the vertices near one vertex, when they have no
// 2-uniform word (the graphs with one are the circle graphs).  Cheap where
// the 2-uniform search on the whole graph is not.
#pragma once

#include "census/graph.h"
#include "census/lower_bound.h"

#include "sat/sat.h"

namespace census {

// The most vertices of a ball that ball_lower_bound() searches.
constexpr int kMaxBall = 24;

// {3, "induced subgraph 1 2 5 ...: 3"} (the ball's vertices, 1-based) when the
// largest ball around some vertex with at most kMaxBall vertices (all
// vertices within distance r of it) has no 2-uniform word, found by an
// exhaustive search; else {2, ""}.  Balls around at most `tries` vertices,
// spread over the graph, are searched.  Ends early as limits say.
LowerBound ball_lower_bound(const Graph &g, int tries, const sat::Limits &limits = {});

} // namespace census
