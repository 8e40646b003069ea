// The census's rows: an Answer written as a CSV line or a JSON line, and the
// totals of a run.  The columns, their names and their forms in both formats
// are one table in rows.cpp.  Usage:
//
//   out << csv_header(settings);
//   census::Answer answer = census.answer(line);
//   out << (jsonl ? format_jsonl(answer, settings) : format_csv(answer, settings));
//   counts.add(answer);
//
// CSV: graph6, vertices, edges, semi_transitive ("yes" or "no"),
// representation_number, word, orientation, witness, number_lower,
// number_upper, number_reason (the bounds of answer.h's NumberBounds: the
// representation number is filled only when they are equal); a field that
// does not apply is empty; a step that failed writes "failed: REASON" in its column
// (semi_transitive for the graph and the orientation, representation_number
// for the word).  JSON lines: the same columns as keys, in order, with typed
// values: numbers as numbers, semi_transitive true or false, the word a
// string, the orientation an array of arcs [i, j] for i -> j (a string in
// digraph6), the witness an array of vertices, the failure a string, null
// where a field does not apply; spacing as Python's json.dumps writes it.
#pragma once

#include "census/answer.h"
#include "census/census.h"
#include "census/graph.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace census {

// The CSV header line (with its line feed); with a shortcut length K the
// fourth column is semi_transitive_K.  The JSON lines use the same names.
std::string csv_header(const Settings &settings);

// The answer as one CSV line (with its line feed), quoted where CSV needs it.
std::string format_csv(const Answer &answer, const Settings &settings);

// The answer as one JSON object (with its line feed).
std::string format_jsonl(const Answer &answer, const Settings &settings);

// Totals over the answers counted so far.
struct Counts {
  int64_t graphs = 0;
  std::map<int, int64_t> by_number; // representation number -> graphs
  int64_t bounded = 0;              // the number as bounds only (a time limit ended the search)
  int64_t not_representable = 0;
  int64_t minimal = 0;
  int64_t failures = 0;
  // Counts one answer.
  void add(const Answer &answer);
};

// A word of 0-based letters in alterword's notation: letters 1..9 as digits,
// from 10 on in parentheses: 9(10)(11).
std::string format_word(const std::vector<int> &word);

// Arcs i -> j (0-based) as "i>j", 1-based, in the given order, separated by single spaces.
std::string format_arcs(const std::vector<Arc> &arcs);

// The vertices of mask, 1-based and ascending, separated by single spaces.
std::string format_vertices(Mask mask);

} // namespace census
