// graph6, digraph6 and the word notation of the census against the shared test vectors
// (tests/vectors/formats.tsv), which the Python tests read as well.
#include "census/graph6.h"
#include "census/rows.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using Fields = std::vector<std::string>;
using Pairs = std::vector<std::pair<int, int>>;

// The bytes a field stands for: \n, \r, \t, \\ and \xNN escaped.
std::string unescape(const std::string &field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '\\') {
      out += field[i];
    } else if (field[i + 1] == 'x') {
      out += static_cast<char>(std::stoi(field.substr(i + 2, 2), nullptr, 16));
      i += 3;
    } else {
      const char c = field[++i];
      out += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
    }
  }
  return out;
}

// The cases of one kind, each its fields after the kind.
std::vector<Fields> rows(const std::string &kind) {
  std::ifstream in(WORDREP_VECTORS);
  EXPECT_TRUE(in) << "cannot read " << WORDREP_VECTORS;
  std::vector<Fields> out;
  for (std::string line; std::getline(in, line);) {
    Fields fields;
    std::stringstream s(line);
    for (std::string f; std::getline(s, f, '\t');) fields.push_back(f);
    if (line.size() > 1 && line[0] != '#' && fields[0] == kind) {
      fields.erase(fields.begin());
      fields.resize(3); // an empty last field is not read by getline
      out.push_back(fields);
    }
  }
  EXPECT_FALSE(out.empty()) << "no " << kind << " cases";
  return out;
}

// "1-2 2-3" (sep '-') or "1>2" (sep '>'), 0-based.
Pairs pairs(const std::string &field, char sep) {
  Pairs out;
  std::stringstream s(field);
  for (std::string t; s >> t;) {
    size_t at = t.find(sep);
    out.emplace_back(std::stoi(t.substr(0, at)) - 1, std::stoi(t.substr(at + 1)) - 1);
  }
  return out;
}

// The edges of a graph, 0-based, in the vectors' order (by the first end).
Pairs edges_of(const census::Graph &g) {
  Pairs out;
  for (int u = 0; u < g.n; ++u)
    for (int v = u + 1; v < g.n; ++v)
      if (g.adjacent(u, v)) out.emplace_back(u, v);
  return out;
}

TEST(Formats, Graph6DecodesToTheVectorsGraphs) {
  for (const char *kind : {"graph6", "graph6-read"})
    for (const Fields &f : rows(kind)) {
      census::Graph6 d = census::decode_graph6(census::graph6_text(unescape(f[0])));
      EXPECT_EQ(d.error, "") << f[0];
      EXPECT_EQ(d.graph.n, std::stoi(f[1])) << f[0];
      EXPECT_EQ(edges_of(d.graph), pairs(f[2], '-')) << f[0];
      EXPECT_EQ(d.edges, static_cast<int64_t>(pairs(f[2], '-').size())) << f[0];
      if (kind == std::string("graph6")) { // the rows name sparse6 input so
        EXPECT_EQ(census::encode_graph6(d.graph), unescape(f[0])) << f[0];
      }
    }
}

TEST(Formats, Graph6RefusesWithTheVectorsMessages) {
  for (const char *kind : {"graph6-error", "graph6-over-census"})
    for (const Fields &f : rows(kind)) {
      census::Graph6 d = census::decode_graph6(census::graph6_text(unescape(f[0])));
      EXPECT_EQ(d.error, unescape(f[1])) << f[0];
    }
}

TEST(Formats, WordsAreWrittenInTheVectorsNotation) {
  for (const Fields &f : rows("word")) {
    std::vector<int> letters;
    std::stringstream s(f[1]);
    for (int a; s >> a;) letters.push_back(a - 1);
    EXPECT_EQ(census::format_word(letters), unescape(f[0])) << f[0];
  }
}

TEST(Formats, Digraph6EncodesTheVectorsArcs) {
  for (const Fields &f : rows("digraph6"))
    EXPECT_EQ(census::encode_digraph6(std::stoi(f[1]), pairs(f[2], '>')), unescape(f[0]));
}

} // namespace
