// Both orientation engines (an instance per graph, and one family instance per
// order fed graph after graph) against a search of every orientation with the
// checker of census/checks.cpp, for semi-transitive and k-semi-transitive
// orientations: the verdict, the orientation found, and the witness (no
// orientation of it, one of every one-vertex deletion).  The word search
// along a fixed orientation against the full word search.
#include "census/checks.h"
#include "census/error.h"
#include "census/graph6.h"
#include "census/orientation.h"
#include "census/orientation_family.h"
#include "census/rows.h"
#include "census/symmetry.h"
#include "census/word.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

using census::Arc;
using census::Graph;
using census::Mask;

// Whether some orientation of g passes check_orientation with the bound.
bool orientable_by_enumeration(const Graph &g, int shortcut_length) {
  std::vector<Arc> edges;
  for (int u = 0; u < g.n; ++u)
    for (int v = u + 1; v < g.n; ++v)
      if (g.adjacent(u, v)) edges.emplace_back(u, v);
  for (uint32_t flips = 0; flips < (uint32_t{1} << edges.size()); ++flips) {
    std::vector<Arc> arcs = edges;
    for (size_t i = 0; i < arcs.size(); ++i)
      if ((flips >> i) & 1u) std::swap(arcs[i].first, arcs[i].second);
    if (census::check_orientation(g, arcs, shortcut_length).empty()) return true;
  }
  return false;
}

// The graphs: the minimal connected 7-vertex graphs that are not
// word-representable, W5, and seeded random graphs on 4 to 7 vertices.
std::vector<Graph> test_graphs() {
  std::vector<Graph> out;
  for (const char *g6 : {"F?z\\w", "FCqnw", "FCx}w", "FEivw", "FEnbo", "FEl~o", "FEl~w", "FUxuo",
                         "FUxvw", "FUz^o", "E|fG"}) {
    census::Graph6 d = census::decode_graph6(g6);
    EXPECT_EQ(d.error, "") << g6;
    out.push_back(d.graph);
  }
  std::mt19937 random(20261209);
  while (out.size() < 90) {
    Graph g;
    g.n = 4 + static_cast<int>(random() % 4);
    const unsigned density = 3 + random() % 5; // in tenths
    for (int u = 0; u < g.n; ++u)
      for (int v = u + 1; v < g.n; ++v)
        if (random() % 10 < density) g.add_edge(u, v);
    if (g.edges() <= 14) out.push_back(g);
  }
  return out;
}

// The answer of one engine for g, checked against the enumeration.
void expect_sound(census::OrientationSolver &search, const Graph &g, int k, bool orientable,
                  const std::string &what) {
  const Mask all = census::all_vertices(g.n);
  ASSERT_EQ(search.solve(all), orientable) << what;
  if (orientable) {
    EXPECT_EQ(census::check_orientation(g, search.arcs(), k), "") << what;
    return;
  }
  const Mask w = census::minimal_witness(search, g, all, k);
  EXPECT_FALSE(orientable_by_enumeration(g.induced(w), k)) << what;
  for (int v : w)
    EXPECT_TRUE(orientable_by_enumeration(g.induced(w & ~census::bit(v)), k))
        << what << " witness " << census::format_vertices(w);
}

TEST(OrientationEngines, FreshAndFamilyAgreeWithEnumeration) {
  const std::vector<Graph> graphs = test_graphs();
  for (int k : {0, 3, 4}) {
    std::unique_ptr<census::OrientationFamily> family[8];
    int refused = 0;
    for (size_t i = 0; i < graphs.size(); ++i) {
      const Graph &g = graphs[i];
      const bool orientable = orientable_by_enumeration(g, k);
      refused += !orientable;
      const std::string what = "graph " + std::to_string(i) + " k=" + std::to_string(k);
      census::OrientationSearch fresh(g, k);
      expect_sound(fresh, g, k, orientable, what + " fresh");
      if (!family[g.n]) family[g.n] = std::make_unique<census::OrientationFamily>(g.n, k);
      family[g.n]->bind(g);
      expect_sound(*family[g.n], g, k, orientable, what + " family");
    }
    EXPECT_GE(refused, 11) << "k=" << k; // the listed graphs at least
  }
}

// The run's engines (family instances and known witnesses), with the
// instances of other orders freed now and then as before a large word search:
// the graphs twice over, the second time with every witness known.
TEST(OrientationEngines, RunAnswersStayRightWhenInstancesAreFreed) {
  const std::vector<Graph> graphs = test_graphs();
  census::OrientationEngines engines(true, true, 0);
  for (int pass = 0; pass < 2; ++pass)
    for (size_t i = 0; i < graphs.size(); ++i) {
      const Graph &g = graphs[i];
      const std::string what = "graph " + std::to_string(i) + " pass " + std::to_string(pass);
      if (i % 3 == 0) engines.keep_only(g.n);
      std::vector<Arc> arcs;
      Mask w;
      const bool orientable = engines.orient(g, &arcs, &w);
      ASSERT_EQ(orientable, orientable_by_enumeration(g, 0)) << what;
      if (orientable) {
        EXPECT_EQ(census::check_orientation(g, arcs, 0), "") << what;
        continue;
      }
      EXPECT_FALSE(orientable_by_enumeration(g.induced(w), 0)) << what;
      for (int v : w)
        EXPECT_TRUE(orientable_by_enumeration(g.induced(w & ~census::bit(v)), 0)) << what;
    }
}

} // namespace

namespace {

// W5 with its hub at vertex hub and its rim in the given order, on n vertices.
Graph wheel(int n, int hub, const std::vector<int> &rim) {
  Graph g;
  g.n = n;
  for (size_t i = 0; i < rim.size(); ++i) {
    g.add_edge(hub, rim[i]);
    g.add_edge(rim[i], rim[(i + 1) % rim.size()]);
  }
  return g;
}

TEST(KnownWitnesses, CopiesFoundAndTheirOrientationsChecked) {
  const Graph w5 = wheel(6, 0, {1, 2, 3, 4, 5});
  census::OrientationSearch search(w5);
  std::vector<std::vector<Arc>> deletions;
  const Mask all = census::all_vertices(6);
  ASSERT_EQ(census::minimal_witness(search, w5, all, 0, &deletions), all);
  census::KnownWitnesses known;
  known.add(w5, all, deletions);

  // A relabelled copy inside 9 vertices, with pendant vertices 0 and 2 and an isolated 8.
  Graph host = wheel(9, 4, {7, 1, 6, 3, 5});
  host.add_edge(0, 7);
  host.add_edge(2, 3);
  const Mask copy = census::bit(1) | census::bit(3) | census::bit(4) | census::bit(5) |
                    census::bit(6) | census::bit(7);
  EXPECT_EQ(known.find(host, census::all_vertices(9), 0), std::optional<Mask>(copy));
  // Not among the vertices given, and not in a graph without one.
  EXPECT_EQ(known.find(host, census::all_vertices(9) & ~census::bit(6), 0), std::nullopt);
  Graph cycle6;
  cycle6.n = 6;
  for (int v = 0; v < 6; ++v) cycle6.add_edge(v, (v + 1) % 6);
  EXPECT_EQ(known.find(cycle6, census::all_vertices(6), 0), std::nullopt);

  // A carried orientation that is not one is refused, never reported.
  std::vector<std::vector<Arc>> broken = deletions;
  std::swap(broken[3][0].first, broken[3][0].second);
  std::swap(broken[3][1].first, broken[3][1].second);
  census::KnownWitnesses bad;
  bad.add(w5, all, broken);
  EXPECT_THROW(bad.find(host, census::all_vertices(9), 0), census::Error);
}

// The edges oriented from the letter whose first occurrence comes first, sorted.
std::vector<Arc> first_occurrence_arcs(const Graph &g, const std::vector<int> &word) {
  std::vector<int> first(g.n, -1);
  for (size_t i = word.size(); i-- > 0;) first[word[i]] = static_cast<int>(i);
  std::vector<Arc> arcs;
  for (int u = 0; u < g.n; ++u)
    for (int v = 0; v < g.n; ++v)
      if (g.adjacent(u, v) && first[u] < first[v]) arcs.emplace_back(u, v);
  return arcs;
}

// Along the orientation of any word the full search finds, the oriented
// search finds a word too; every word it finds is checked and follows its
// orientation; and it never finds a word where the full search has none.
TEST(WordSearch, OrientedSearchAgreesWithTheFullSearch) {
  int along_word = 0, along_search = 0;
  const std::vector<Graph> graphs = test_graphs();
  for (size_t i = 0; i < graphs.size(); ++i) {
    const Graph &g = graphs[i];
    census::OrientationSearch search(g);
    const bool orientable = search.solve(census::all_vertices(g.n));
    std::vector<Arc> arcs = search.arcs();
    std::sort(arcs.begin(), arcs.end());
    for (int k = 2; k <= 4; ++k) {
      const auto full = census::find_word(g, k, census::plain_order());
      const std::string what = "graph " + std::to_string(i) + ", K = " + std::to_string(k);
      if (full) {
        const std::vector<Arc> own = first_occurrence_arcs(g, *full);
        const auto word = census::find_oriented_word(g, k, own);
        ASSERT_TRUE(word) << what;
        EXPECT_EQ(census::check_word(g, k, *word), "") << what;
        EXPECT_EQ(first_occurrence_arcs(g, *word), own) << what;
        ++along_word;
      }
      if (!orientable) continue;
      if (const auto word = census::find_oriented_word(g, k, arcs)) {
        EXPECT_TRUE(full) << what;
        EXPECT_EQ(census::check_word(g, k, *word), "") << what;
        EXPECT_EQ(first_occurrence_arcs(g, *word), arcs) << what;
        ++along_search;
      }
    }
  }
  EXPECT_GT(along_word, 100);
  EXPECT_GT(along_search, 100);
}

} // namespace

// The pigeonhole principle for pigeons pigeons and one hole fewer: no
// model, and beyond CaDiCaL's reach for 13 pigeons (its resolution proofs
// are exponential), so only the stop flag ends the solve.
static void add_pigeonhole(sat::SatSolver &sat, int pigeons) {
  const int holes = pigeons - 1;
  std::vector<std::vector<sat::Lit>> in(pigeons, std::vector<sat::Lit>(holes));
  for (auto &row : in)
    for (sat::Lit &l : row) l = sat.new_var();
  for (const auto &row : in) sat.add_clause(row);
  for (int h = 0; h < holes; ++h)
    for (int p = 0; p < pigeons; ++p)
      for (int q = p + 1; q < pigeons; ++q) sat.add_clause({-in[p][h], -in[q][h]});
}

TEST(SatSolver, TheStopFlagEndsASolve) {
  std::atomic<int> stop{0};
  sat::SatSolver small({}, &stop);
  add_pigeonhole(small, 4); // answered while the flag is down
  EXPECT_FALSE(small.solve());
  stop = 15;
  sat::SatSolver hard({}, &stop);
  add_pigeonhole(hard, 13);
  EXPECT_THROW(hard.solve(), sat::Stopped);
}

// One watch serves the stop flag and the deadline: setting or lifting a
// deadline never drops the flag, and each limit throws its own error.
TEST(SatSolver, StopFlagAndDeadlineEndASolveEachWithItsOwnError) {
  using Clock = std::chrono::steady_clock;
  enum class Ends { kAnswer, kStopped, kInterrupted };
  struct Case {
    int flag;
    sat::Deadline deadline;
    int pigeons;
    Ends ends;
  };
  const Clock::time_point now = Clock::now();
  const Case cases[] = {
      {15, std::nullopt, 13, Ends::kStopped},
      {15, now + std::chrono::hours(1), 13, Ends::kStopped},
      {15, now - std::chrono::seconds(1), 13, Ends::kStopped},
      {0, now - std::chrono::seconds(1), 13, Ends::kInterrupted},
      {0, now - std::chrono::seconds(1), 4, Ends::kInterrupted},
      {0, now + std::chrono::hours(1), 4, Ends::kAnswer},
      {0, std::nullopt, 4, Ends::kAnswer},
  };
  for (const Case &c : cases) {
    std::atomic<int> stop{0};
    sat::SatSolver sat({}, &stop);
    add_pigeonhole(sat, c.pigeons);
    sat.set_deadline(now + std::chrono::hours(2)); // replaced below: the flag must stay watched
    sat.set_deadline(c.deadline);
    stop = c.flag;
    Ends ends = Ends::kAnswer;
    try {
      EXPECT_FALSE(sat.solve());
    } catch (const sat::Stopped &) {
      ends = Ends::kStopped;
    } catch (const sat::Interrupted &) {
      ends = Ends::kInterrupted;
    }
    EXPECT_EQ(ends, c.ends) << "flag " << c.flag << ", " << c.pigeons << " pigeons";
  }
}
