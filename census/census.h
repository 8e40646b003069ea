// The census: one CSV row per graph6 line, answered in process.
//
// For each graph: whether it has a semi-transitive orientation (equivalently,
// whether it is word-representable) with one; if so, its representation
// number (the smallest K >= 2 with a K-uniform representing word; 2 for
// complete graphs) with a word; if not, a minimal induced subgraph without
// one.  Every word and orientation passes the checkers of checks.h before it
// is reported; a certificate that fails makes the row a failure.  With a
// shortcut length K the question is K-semi-transitive orientations instead,
// without words.  The orientation and word instances live across the graphs
// of a run (see family.h, word_family.h), so a word, orientation or witness
// may depend on the graphs answered before; the verdicts, the numbers and
// whether a graph is its own minimal witness do not.  Usage:
//
//   census::Census census({});  // one per run: it keeps SAT instances across graphs
//   census::Row row = census.answer(line);
//   out << format_csv(row.fields);
#pragma once

#include "census/family.h"
#include "census/word_family.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace census {

// What the census computes.
struct Settings {
  bool words = true;     // representation numbers and words (else only orientations and witnesses)
  bool shortcuts = true; // an induced W5 settles a graph; words begin with vertex 1; a
                         // 2-uniform word stands for the orientation (with fresh)
  bool digraph6 = false; // the orientation column in digraph6 (nauty's format), not i>j arcs
  bool symmetry = true;  // with shortcuts: the word search breaks the graph's automorphisms
  bool lower_bounds = true; // with shortcuts: K starts at a published bound (lower_bound.h)
  int shortcut_length = 0;  // k >= 3: k-semi-transitive orientations instead (no words); 0: any
  bool family = true;       // one incremental orientation instance per order, not one per graph
};

// The CSV columns, in order.
enum Column { kGraph6, kVertices, kEdges, kSemiTransitive, kNumber, kWord, kOrientation, kWitness };
constexpr int kColumns = 8;
// The header line's names, parallel to Column.
extern const std::array<const char *, kColumns> kHeader;
// The header for these settings: the fourth column is semi_transitive_K with a shortcut length K.
std::array<std::string, kColumns> header(const Settings &settings);

// One graph's answer.
struct Row {
  std::array<std::string, kColumns> fields;
  bool failed = false;  // some field holds "failed: ..."
  bool minimal = false; // not word-representable, and the witness is the whole graph
};

// Totals over the rows answered so far.
struct Counts {
  int64_t graphs = 0;
  std::map<int, int64_t> by_number; // representation number -> graphs
  int64_t not_representable = 0;
  int64_t minimal = 0;
  int64_t failures = 0;
  void add(const Row &row);
};

class Census {
public:
  // With shortcuts, first checks the wheel W5 as an obstruction (Error if not).
  explicit Census(Settings settings);
  // The row for one non-blank graph6 line (with or without ">>graph6<<").
  Row answer(std::string_view line);

private:
  Settings settings_;
  OrientationEngines engines_; // kept across graphs
  WordEngine words_;           // lives across the graphs: its shared instances serve them all
};

// The text with every byte outside printable ASCII written as \xNN, so that
// a row shows any line safely (graph6 itself is printable ASCII).
std::string printable(std::string_view text);

// Whether a line holds no graph (blank, or a bare ">>graph6<<"): it gets no row.
bool graph6_blank(std::string_view line);

// A word of 0-based letters in alterword's notation: letters 1..9 as digits,
// from 10 on in parentheses: 9(10)(11).
std::string format_word(const std::vector<int> &word);

// The fields as one CSV line (with its line feed), quoted where CSV needs it.
std::string format_csv(const std::array<std::string, kColumns> &fields);

} // namespace census
