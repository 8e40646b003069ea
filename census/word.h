// K-uniform representing words through SAT.
#pragma once

#include "census/graph.h"
#include "census/symmetry.h"

#include <optional>
#include <vector>

namespace census {

// A word (0-based letters) in which every vertex occurs k times and two
// vertices alternate exactly when they are adjacent; none when there is none.
// Only words obeying order are searched (there is one among them whenever
// there is one at all).
std::optional<std::vector<int>> find_word(const Graph &g, int k, const LetterOrder &order);

} // namespace census
