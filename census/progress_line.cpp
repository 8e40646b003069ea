#include "census/progress_line.h"

#include <cstdio>

namespace census {

ProgressLine::~ProgressLine() {
  if (terminal_ && shown_) std::fputs("\r\033[K", stderr);
}

void ProgressLine::next_graph(const std::string &graph6) {
  ++graph_;
  graph6_ = graph6.size() > 20 ? graph6.substr(0, 17) + "..." : graph6;
}

void ProgressLine::show(const Progress &p) {
  const auto now = std::chrono::steady_clock::now();
  if (shown_ && now - last_ < std::chrono::milliseconds(250)) return;
  shown_ = true;
  last_ = now;
  std::string text = "wordrep-census: graph " + std::to_string(graph_) + " (" + graph6_ +
                     "): trying K = " + std::to_string(p.trying) +
                     ", number >= " + std::to_string(p.bounds.lower) + " (" + p.bounds.reason + ")";
  if (p.bounds.upper) text += ", <= " + std::to_string(*p.bounds.upper);
  std::fputs((terminal_ ? "\r" + text + "\033[K" : text + "\n").c_str(), stderr);
  std::fflush(stderr);
}

} // namespace census
