#include "census/census.h"

#include "census/checks.h"
#include "census/error.h"
#include "census/graph6.h"
#include "census/lower_bound.h"
#include "census/obstruction.h"
#include "census/orientation.h"

#include <algorithm>

namespace census {

const std::array<const char *, kColumns> kHeader = {
    "graph6", "vertices",    "edges",  "semi_transitive", "representation_number",
    "word",   "orientation", "witness"};

std::array<std::string, kColumns> header(const Settings &settings) {
  std::array<std::string, kColumns> out;
  for (int c = 0; c < kColumns; ++c) out[c] = kHeader[c];
  if (settings.shortcut_length)
    out[kSemiTransitive] += "_" + std::to_string(settings.shortcut_length);
  return out;
}

void Counts::add(const Row &row) {
  ++graphs;
  if (row.failed)
    ++failures;
  else if (row.fields[kSemiTransitive] == "no")
    ++not_representable, minimal += row.minimal;
  else if (!row.fields[kNumber].empty())
    ++by_number[std::stoi(row.fields[kNumber])];
}

std::string format_word(const std::vector<int> &word) {
  std::string out;
  for (int a : word) out += a < 9 ? std::to_string(a + 1) : "(" + std::to_string(a + 1) + ")";
  return out;
}

// Arcs i -> j as "i>j" in increasing order, separated by single spaces.
static std::string format_arcs(std::vector<Arc> arcs) {
  std::sort(arcs.begin(), arcs.end());
  std::string out;
  for (const Arc &a : arcs) {
    if (!out.empty()) out += ' ';
    out += std::to_string(a.first + 1) + ">" + std::to_string(a.second + 1);
  }
  return out;
}

// The representation number of a word-representable graph that is not
// complete is at most 2(n - w), w its clique number (Halldorsson, Kitaev,
// Pyatkin, "Semi-transitive orientations and word-representable graphs",
// Discrete Appl. Math. 201 (2016)); complete graphs are answered with 2, the
// least K searched.  The bound only ends the search: a graph that reaches it
// without a word is reported as a failure, never as an answer.
static int word_bound(const Graph &g) {
  return g.complete() ? 2 : std::max(2, 2 * (g.n - g.clique_number()));
}

// Each edge oriented from the letter whose first occurrence comes first: for
// a uniform representing word this is semi-transitive (Halldorsson, Kitaev,
// Pyatkin, Discrete Appl. Math. 201 (2016)); checked like any orientation.
static std::vector<Arc> orientation_of_word(const Graph &g, const std::vector<int> &word) {
  std::vector<int> first(g.n, -1);
  for (size_t i = 0; i < word.size(); ++i)
    if (first[word[i]] < 0) first[word[i]] = static_cast<int>(i);
  std::vector<Arc> arcs;
  for (int u = 0; u < g.n; ++u)
    for (int v = 0; v < g.n; ++v)
      if (g.adjacent(u, v) && first[u] < first[v]) arcs.emplace_back(u, v);
  return arcs;
}

// The representation number of a word-representable graph with a word.  K
// runs up from 2 or, when there is no 2-uniform word, from the published lower
// bound of lower_bound.h: no K below it has a word, so the first K with one is
// the number, without proving each K below the bound word-free again.
static std::pair<int, std::vector<int>>
smallest_word(const Graph &g, const Settings &settings, WordEngine &words,
              const std::optional<std::vector<int>> &word2) {
  std::optional<std::vector<int>> word = settings.shortcuts ? word2 : words.find(2);
  if (word) return {2, *word};
  int k = 3;
  if (settings.shortcuts && settings.lower_bounds) k = std::max(k, number_lower_bound(g));
  const int bound = word_bound(g);
  for (; k <= bound; ++k)
    if ((word = words.find(k))) return {k, *word};
  throw Error("no representing word with K up to " + std::to_string(bound));
}

// Fill the answer fields of a decoded graph; step names the field a failure
// goes to.  An induced wheel W5 settles the graph at once.  With a fresh instance per graph a
// 2-uniform word is sought first: when there is one (most graphs), it settles
// word-representability and gives the orientation, so the orientation search is left out.  When the
// orientation search fails, the engines give a minimal witness.
static void answer_graph(const Graph &g, const Settings &settings, OrientationEngines &engines,
                         WordEngine &words, Row &row, Column &step) {
  auto &f = row.fields;
  step = kSemiTransitive;
  if (Mask wheel = settings.shortcuts ? find_wheel5(g) : 0) {
    f[kSemiTransitive] = "no";
    f[kWitness] = format_vertices(wheel);
    row.minimal = wheel == all_vertices(g.n);
    return;
  }
  // A family instance answers the orientation question for less than a
  // 2-uniform word costs, so with it the orientation comes first and graphs
  // without one never build a word instance.
  const bool orientation_first = settings.family;
  if (settings.words) words.begin(g);
  std::optional<std::vector<int>> word2;
  if (settings.words && settings.shortcuts && !orientation_first) word2 = words.find(2);
  std::vector<Arc> arcs;
  if (word2) {
    arcs = orientation_of_word(g, *word2);
  } else {
    Mask w = 0;
    if (!engines.orient(g, &arcs, &w)) {
      f[kSemiTransitive] = "no";
      f[kWitness] = format_vertices(w);
      row.minimal = w == all_vertices(g.n);
      return;
    }
    if (orientation_first && settings.words && settings.shortcuts) word2 = words.find(2);
  }
  std::string error = check_orientation(g, arcs, settings.shortcut_length);
  if (!error.empty()) throw Error("orientation check: " + error);
  f[kSemiTransitive] = "yes";
  f[kOrientation] = settings.digraph6 ? encode_digraph6(g.n, arcs) : format_arcs(arcs);
  if (!settings.words) return;
  step = kNumber;
  // A graph too large for the shared word instances gets instances of its
  // own, which may be large: the orientation instances of other orders go.
  if (g.n > WordEngine::kSharedMaxVertices) engines.keep_only(g.n);
  auto [k, word] = smallest_word(g, settings, words, word2);
  error = check_word(g, k, word);
  if (!error.empty()) throw Error("word check: " + error);
  f[kNumber] = std::to_string(k);
  f[kWord] = format_word(word);
}

std::string printable(std::string_view text) {
  std::string out;
  for (char c : text) {
    auto u = static_cast<unsigned char>(c);
    if (u >= 32 && u < 127) {
      out += c;
      continue;
    }
    const char *hex = "0123456789abcdef";
    out += "\\x";
    out += hex[u >> 4];
    out += hex[u & 15];
  }
  return out;
}

Census::Census(Settings settings)
    : settings_(settings), engines_(settings.family, settings.shortcuts, settings.shortcut_length),
      words_(WordSettings{settings.shortcuts, settings.symmetry, !settings.family}) {
  if (settings.shortcut_length) settings_.words = false;
  if (settings.shortcuts) certify_wheel5(settings.shortcut_length);
}

Row Census::answer(std::string_view line) {
  Row row;
  auto &f = row.fields;
  std::string_view text = graph6_text(line);
  f[kGraph6] = printable(text);
  Graph6 decoded = decode_graph6(text);
  if (decoded.order >= 0) f[kVertices] = std::to_string(decoded.order);
  if (decoded.edges >= 0) f[kEdges] = std::to_string(decoded.edges);
  Column step = kSemiTransitive;
  std::string error = decoded.error;
  if (error.empty()) {
    try {
      answer_graph(decoded.graph, settings_, engines_, words_, row, step);
    } catch (const std::exception &e) { // Error, or the SAT engine out of memory
      error = e.what();
    }
  }
  if (!error.empty()) {
    for (int c = step; c < kColumns; ++c)
      if (c != kOrientation || step != kNumber) f[c].clear();
    f[step] = "failed: " + error;
    row.failed = true;
    row.minimal = false;
  }
  return row;
}

bool graph6_blank(std::string_view line) {
  return graph6_text(line).empty();
}

std::string format_csv(const std::array<std::string, kColumns> &fields) {
  std::string out;
  for (int c = 0; c < kColumns; ++c) {
    if (c) out += ',';
    const std::string &s = fields[c];
    if (s.find_first_of(",\"\r\n") == std::string::npos) {
      out += s;
      continue;
    }
    out += '"';
    for (char ch : s) {
      if (ch == '"') out += '"';
      out += ch;
    }
    out += '"';
  }
  out += '\n';
  return out;
}

} // namespace census
