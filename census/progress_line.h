// The progress line of one long run: where the word step of the graph at
// hand stands, on standard error.
#pragma once

#include "census/census.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace census {

// The progress of the word step on standard error, at most four lines a
// second: on a terminal one line rewritten in place, else a line each.
class ProgressLine {
public:
  explicit ProgressLine(bool terminal) : terminal_(terminal) {}
  ~ProgressLine(); // clears the line on a terminal, so that the summary starts clean
  // The next graph of the run.
  void next_graph(const std::string &graph6);
  // Shows where the word step stands, unless a line went out less than 0.25 s ago.
  void show(const Progress &p);

private:
  bool terminal_;
  bool shown_ = false;
  std::chrono::steady_clock::time_point last_;
  int64_t graph_ = 0;
  std::string graph6_;
};

} // namespace census
