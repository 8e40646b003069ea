#include "census/census.h"

#include "census/checks.h"
#include "census/error.h"
#include "census/graph6.h"
#include "census/local_bound.h"
#include "census/lower_bound.h"
#include "census/obstruction.h"
#include "census/orientation.h"

#include <algorithm>
#include <chrono>

namespace census {

// The representation number of a word-representable graph that is not
// complete is at most 2(n - w), w its clique number (Halldorsson, Kitaev,
// Pyatkin, "Semi-transitive orientations and word-representable graphs",
// Discrete Appl. Math. 201 (2016)); complete graphs never search (see
// represent).  The bound only ends the search: a graph that reaches it
// without a word is reported as a failure, never as an answer.
static int word_bound(const Graph &g) {
  return std::max(2, 2 * (g.n - g.clique_number()));
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

// The bounds when the K of the word search is its first: the published lower
// bound of lower_bound.h when it is above k (with the speedups), else k.
static NumberBounds bounds_from(const Graph &g, int k, const std::string &reason,
                                const Settings &settings) {
  NumberBounds bounds{k, std::nullopt, reason};
  if (!settings.speedups || !settings.lower_bounds) return bounds;
  LowerBound known = explained_lower_bound(g);
  if (known.k > k) bounds = {known.k, std::nullopt, known.reason};
  return bounds;
}

void Census::report(int k, const NumberBounds &bounds) const {
  if (settings_.progress) settings_.progress(Progress{k, bounds});
}

// With a time limit, on sparse graphs of many letters, words along one
// orientation (WordEngine::find_oriented) give an upper bound before the
// exact search: from K = lower + 2 down while words are found, up while none
// is, within half the time left.  The word of the least K found (checked), or
// none; bounds.upper is set to that K.
std::optional<std::vector<int>> Census::upper_first(const Graph &g, NumberBounds &bounds,
                                                    int bound) {
  using Clock = std::chrono::steady_clock;
  const sat::Deadline deadline = words_.deadline();
  if (!deadline || !settings_.speedups || !WordEngine::sparse(g) ||
      g.n * (bounds.lower + 1) < kUpperFirstMinLetters)
    return std::nullopt;
  const Clock::time_point until = Clock::now() + (*deadline - Clock::now()) / 2;
  std::optional<std::vector<int>> best;
  for (int k = std::min(bound, bounds.lower + 2); k >= bounds.lower && k <= bound;) {
    if (Clock::now() >= until) break;
    report(k, bounds);
    std::optional<std::vector<int>> word = words_.find_oriented(k, until);
    if (!word) {
      if (best) break;
      ++k;
      continue;
    }
    std::string error = check_word(g, k, *word);
    if (!error.empty()) throw Error("word check: " + error);
    bounds.upper = k;
    best = std::move(word);
    --k;
  }
  return best;
}

// The representation number of a word-representable graph with a word.  A
// complete graph (the null graph included) has number 1, the word of one copy
// of each vertex (the published counts count it so).  Otherwise K
// runs up from 2 or, when there is no 2-uniform word, from the published lower
// bound of lower_bound.h: no K below it has a word, so the first K with one is
// the number, without proving each K below the bound word-free again.  When
// the time limit ends a search, the bounds so far are the answer, with the
// word of the upper one when upper_first() found one.
std::pair<NumberBounds, std::optional<std::vector<int>>>
Census::represent(const Graph &g, Orientation &orientation) {
  // A graph too large for the shared word instances gets instances of its
  // own, which may be large: the orientation instances of other orders go.
  if (g.n > WordEngine::kSharedMaxVertices) engines_.keep_only(g.n);
  NumberBounds bounds;
  std::optional<std::vector<int>> word, upper_word;
  int k = 1;
  if (g.complete()) {
    word.emplace(g.n);
    for (int v = 0; v < g.n; ++v) (*word)[v] = v;
    bounds = {1, std::nullopt, "least"};
  } else {
    k = 2;
    try {
      // On large graphs small induced subgraphs without a 2- or 3-uniform
      // word settle those K at once.
      LowerBound near;
      if (!orientation.word2_sought && g.n >= kLocalMinVertices && settings_.speedups &&
          settings_.lower_bounds)
        near = local_lower_bound(g, kLocalTries, {settings_.stop, std::nullopt}); // no deadline
      report(k, bounds);
      if (near.k < 3)
        word = orientation.word2_sought ? std::move(orientation.word2) : words_.find(2);
      if (!word) {
        const int bound = word_bound(g);
        bounds = near.k >= 3 ? bounds_from(g, near.k, near.reason, settings_)
                             : bounds_from(g, 3, "searched", settings_);
        upper_word = upper_first(g, bounds, bound);
        const int last = bounds.upper ? *bounds.upper - 1 : bound;
        for (k = bounds.lower; k <= last; bounds.lower = ++k, bounds.reason = "searched") {
          report(k, bounds);
          if ((word = words_.find(k))) break;
        }
        if (!word && !upper_word)
          throw Error("no representing word with K up to " + std::to_string(bound));
        if (!word) word = std::move(upper_word), k = *bounds.upper; // no K below it has a word
      }
    } catch (const std::exception &e) {
      // The time limit, or (with one) a K beyond the search's limits: what is
      // proved so far.
      const bool limit = dynamic_cast<const sat::Interrupted *>(&e) ||
                         (words_.deadline() && dynamic_cast<const OverLimits *>(&e));
      if (!limit) throw;
      if (k == 2) return {bounds_from(g, 2, bounds.reason, settings_), std::nullopt};
      return {bounds, std::move(upper_word)};
    }
  }
  std::string error = check_word(g, k, *word);
  if (!error.empty()) throw Error("word check: " + error);
  bounds.upper = k;
  return {bounds, std::move(word)};
}

// An induced wheel W5 settles the graph at once.  With a fresh instance per
// graph a 2-uniform word is sought first: when there is one (most graphs), it
// settles word-representability and gives the orientation, so the orientation
// search is left out.  A family instance answers the orientation question for
// less than a 2-uniform word costs, so with it the orientation comes first and
// graphs without one never build a word instance.  When the orientation search
// fails, the engines give a minimal witness.
Census::Orientation Census::orient(const Graph &g) {
  Orientation out;
  if (Mask wheel = settings_.speedups ? find_wheel5(g) : Mask{}) {
    out.witness = wheel;
    return out;
  }
  if (settings_.words) words_.begin(g, deadline());
  if (settings_.words && settings_.speedups && !settings_.family) {
    try {
      out.word2 = words_.find(2);
      out.word2_sought = true;
    } catch (const sat::Interrupted &) { // the orientation search answers; the words get bounds
    } catch (const OverLimits &) {       // the same: the word step reports it
    }
  }
  std::vector<Arc> arcs;
  if (out.word2)
    arcs = orientation_of_word(g, *out.word2);
  else if (!engines_.orient(g, &arcs, &out.witness))
    return out;
  std::string error = check_orientation(g, arcs, settings_.shortcut_length);
  if (!error.empty()) throw Error("orientation check: " + error);
  std::sort(arcs.begin(), arcs.end());
  out.arcs = std::move(arcs);
  return out;
}

// Runs one step of an answer: its result, or none with the failure in answer.
template <typename F>
static auto attempt(Answer &answer, Step step, F run) -> std::optional<decltype(run())> {
  try {
    return run();
  } catch (const std::exception &e) { // Error, or the SAT engine out of memory
    answer.failure = Failure{step, e.what()};
    return std::nullopt;
  }
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

sat::Deadline Census::deadline() const {
  if (settings_.time_limit <= 0) return std::nullopt;
  return std::chrono::steady_clock::now() +
         std::chrono::duration_cast<std::chrono::steady_clock::duration>(
             std::chrono::duration<double>(settings_.time_limit));
}

Census::Census(Settings settings)
    : settings_(settings),
      engines_(settings.family, settings.speedups, settings.shortcut_length, settings.stop),
      words_(WordSettings{settings.speedups, settings.symmetry, !settings.family, settings.stop}) {
  if (settings.shortcut_length) settings_.words = false;
  if (settings.speedups) certify_wheel5(settings.shortcut_length);
}

Answer Census::answer(std::string_view line) {
  Answer answer;
  std::string_view text = graph6_text(line);
  answer.graph6 = printable(text);
  Graph6 decoded = decode_graph6(text);
  if (decoded.order >= 0) answer.vertices = decoded.order;
  if (decoded.edges >= 0) answer.edges = decoded.edges;
  if (!decoded.error.empty()) {
    answer.failure = Failure{Step::kGraph, decoded.error};
    return answer;
  }
  if (text[0] == ':') answer.graph6 = encode_graph6(decoded.graph); // the row names it in graph6
  answer.graph = decoded.graph;
  const Graph &g = *answer.graph;
  std::optional<Orientation> orientation =
      attempt(answer, Step::kOrientation, [&] { return orient(g); });
  if (!orientation) return answer;
  if (!orientation->arcs) {
    answer.verdict = Verdict::kNo;
    answer.witness = orientation->witness;
    answer.witness_is_graph = orientation->witness == all_vertices(g.n);
    return answer;
  }
  answer.verdict = Verdict::kYes;
  answer.arcs = orientation->arcs;
  if (!settings_.words) return answer;
  if (auto word = attempt(answer, Step::kWord, [&] { return represent(g, *orientation); })) {
    answer.number = std::move(word->first);
    answer.word = std::move(word->second);
  }
  return answer;
}

bool graph6_blank(std::string_view line) {
  return graph6_text(line).empty();
}

} // namespace census
