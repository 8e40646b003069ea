// The census's own checkers reject what the definitions reject: every
// certificate the census reports passes them, so a checker that accepted too
// much would let a wrong answer through.
#include "census/checks.h"
#include "census/graph6.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using census::Arc;

census::Graph graph(const char *g6) {
  census::Graph6 d = census::decode_graph6(g6);
  EXPECT_EQ(d.error, "") << g6;
  return d.graph;
}

// Letters and arcs 1-based as written, 0-based for the checkers.
std::vector<int> letters(const std::string &word) {
  std::vector<int> out;
  for (char c : word) out.push_back(c - '1');
  return out;
}

struct WordCase {
  const char *g6;
  int k;
  const char *word;
  const char *error; // "" when valid
};

TEST(CensusCheckers, Words) {
  const WordCase cases[] = {
      {"Bg", 2, "121323", ""}, // the path 1-2-3
      {"Bg", 2, "112233", "1 and 2 are adjacent but do not alternate"},
      {"Bg", 2, "123123", "1 and 3 alternate but are not adjacent"},
      {"Bg", 2, "12132", "vertex 3 occurs 1 times, not 2"},
      {"Bg", 3, "121323", "vertex 1 occurs 2 times, not 3"},
      {"Bg", 2, "121324", "letter 4 is not a vertex"},
      {"Bw", 2, "123123", ""}, // the triangle
      {"Bw", 2, "123132", "2 and 3 are adjacent but do not alternate"},
      {"@", 2, "11", ""},
      {"?", 2, "", ""},
  };
  for (const WordCase &c : cases)
    EXPECT_EQ(census::check_word(graph(c.g6), c.k, letters(c.word)), c.error)
        << c.g6 << " " << c.word;
}

struct OrientationCase {
  const char *g6;
  std::vector<Arc> arcs; // 1-based
  const char *error;
};

TEST(CensusCheckers, Orientations) {
  // Cn: 1 2 3 4 with every edge but 1 3.
  const OrientationCase cases[] = {
      {"Bg", {{2, 1}, {2, 3}}, ""},
      {"Bg", {{1, 2}}, "an edge at vertex 2 has no arc"},
      {"Bg", {{1, 2}, {2, 1}, {2, 3}}, "edge 1 and 2 is oriented twice"},
      {"Bg", {{1, 2}, {2, 3}, {1, 3}}, "arc 1 and 3 is not an edge"},
      {"Bw", {{1, 2}, {2, 3}, {3, 1}}, "vertex 1 lies on a directed cycle"},
      {"Bw", {{1, 2}, {2, 3}, {1, 3}}, ""},
      {"Cn", {{2, 1}, {2, 3}, {2, 4}, {1, 4}, {3, 4}}, ""},
      {"Cn",
       {{1, 2}, {2, 3}, {3, 4}, {1, 4}, {2, 4}},
       "shortcut: arc 1 and 4 with the path through 1 and 3, which are not adjacent"},
  };
  for (const OrientationCase &c : cases) {
    std::vector<Arc> arcs;
    for (const Arc &a : c.arcs) arcs.emplace_back(a.first - 1, a.second - 1);
    EXPECT_EQ(census::check_orientation(graph(c.g6), arcs), c.error) << c.g6;
  }
}

struct BoundedCase {
  const char *g6;
  std::vector<Arc> arcs; // 1-based
  int shortcut_length;   // 0: any length
  const char *error;
};

TEST(CensusCheckers, ShortcutLengthBound) {
  // Dhc: the 5-cycle 1 2 3 4 5; Cl: the 4-cycle 1 2 3 4; Cn as above.
  const std::vector<Arc> path5 = {{1, 2}, {2, 3}, {3, 4}, {4, 5}, {1, 5}};
  const std::vector<Arc> path4 = {{1, 2}, {2, 3}, {3, 4}, {1, 4}};
  const std::vector<Arc> relabelled = {{3, 1}, {1, 4}, {4, 2}, {2, 5}, {3, 5}};
  const BoundedCase cases[] = {
      {"Dhc", path5, 3, ""}, // a shortcut of length 4 and none of length 3
      {"Dhc", path5, 4,
       "shortcut of length 4: arc 1 and 5 with the path through 1 and 3, which are not adjacent"},
      {"Dhc", path5, 0,
       "shortcut: arc 1 and 5 with the path through 1 and 3, which are not adjacent"},
      {"Dhc", path5, 9, // longer than any path
       "shortcut of length 4: arc 1 and 5 with the path through 1 and 3, which are not adjacent"},
      {"DUW", relabelled, 3, ""}, // the 5-cycle 3 1 4 2 5
      {"DUW", relabelled, 4,
       "shortcut of length 4: arc 3 and 5 with the path through 1 and 2, which are not adjacent"},
      {"DUW", relabelled, 0,
       "shortcut: arc 3 and 5 with the path through 1 and 2, which are not adjacent"},
      {"Cl", path4, 3,
       "shortcut of length 3: arc 1 and 4 with the path through 1 and 3, which are not adjacent"},
      {"Cl", {{1, 2}, {2, 3}, {3, 4}, {4, 1}}, 3, "vertex 1 lies on a directed cycle"},
      {"Cl", {{1, 2}, {3, 2}, {3, 4}, {1, 4}}, 3, ""},
      {"Cn", {{2, 1}, {2, 3}, {2, 4}, {1, 4}, {3, 4}}, 3, ""},
      {"Cn", {{1, 2}, {2, 3}, {3, 4}, {1, 4}}, 3, "an edge at vertex 2 has no arc"},
  };
  for (const BoundedCase &c : cases) {
    std::vector<Arc> arcs;
    for (const Arc &a : c.arcs) arcs.emplace_back(a.first - 1, a.second - 1);
    EXPECT_EQ(census::check_orientation(graph(c.g6), arcs, c.shortcut_length), c.error)
        << c.g6 << " k=" << c.shortcut_length;
  }
}

} // namespace
