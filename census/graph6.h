// graph6 and sparse6, nauty's one-line formats for undirected graphs.
#pragma once

#include "census/graph.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace census {

// What a graph6 line held: the graph, or the reason it is unusable.  When the
// line is unusable, order and edges still say what could be decoded.
struct Graph6 {
  Graph graph;
  std::string error;  // empty when graph holds the line's graph
  int64_t order = -1; // vertices announced by the header, -1 when unreadable
  int64_t edges = -1; // edges of the body, -1 when it cannot be decoded
};

// The text of a line without a leading ">>graph6<<" or ">>sparse6<<" and
// surrounding blanks (spaces, tabs, CR, LF); empty for a blank line.
std::string_view graph6_text(std::string_view line);

// Decode one graph6 or sparse6 (":" first) string (after graph6_text).
// Graphs on more than kMaxVertices vertices are refused with order and edges
// filled in; so are sparse6 strings with a loop or an edge given twice (the
// census answers simple graphs) and the incremental sparse6 form (";").
Graph6 decode_graph6(std::string_view text);

// The graph6 string of g (nauty's form: the size, then the upper triangle
// column by column, six bits to a byte plus 63).
std::string encode_graph6(const Graph &g);

// The digraph6 string (nauty's format for directed graphs) of arcs u -> v on
// vertices 0..n-1: "&", the size byte n + 63, then the n x n adjacency matrix
// row by row, six bits to a byte plus 63, the last byte padded with zeros.
std::string encode_digraph6(int n, const std::vector<std::pair<int, int>> &arcs);

} // namespace census
