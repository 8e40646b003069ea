// A census row as one line of JSON: the CSV's columns as keys, in order, with
// typed values.  Usage:
//
//   out << format_jsonl(header, row.fields);
//
// Values: graph6 a string; vertices, edges and representation_number numbers;
// semi_transitive true or false; the word a string in the CSV's notation
// (letters from 10 on as "(10)"); the orientation an array of arcs [i, j]
// for i -> j (a string in digraph6); the witness an array of vertices; a
// field holding a failure the string "failed: ..."; null where a field does
// not apply.  Every key is present.  Spacing as Python's json.dumps writes it.
#pragma once

#include "census/census.h"

#include <array>
#include <string>

namespace census {

// The row as one JSON object (with its line feed); header gives the keys.
std::string format_jsonl(const std::array<std::string, kColumns> &header,
                         const std::array<std::string, kColumns> &fields);

// The text as a JSON string literal: quotes, backslashes and control bytes
// escaped, bytes beyond ASCII as \u00XX.
std::string json_string(const std::string &text);

} // namespace census
