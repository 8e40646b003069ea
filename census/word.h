// K-uniform representing words through SAT.
#pragma once

#include "census/checks.h"
#include "census/graph.h"
#include "census/symmetry.h"

#include "sat/sat.h"

#include <atomic>
#include <optional>
#include <vector>

namespace census {

// A word (0-based letters) in which every vertex occurs k times and two
// vertices alternate exactly when they are adjacent; none when there is none.
// Only words obeying order are searched (there is one among them whenever
// there is one at all).  Ends early as limits say (see sat::Limits).
std::optional<std::vector<int>> find_word(const Graph &g, int k, const LetterOrder &order,
                                          const sat::Limits &limits = {});

// A K-uniform representing word whose first occurrences orient every edge as
// the arcs do (a semi-transitive orientation of g); none when the search finds
// none within its clause and round budget, which proves nothing for other
// orientations.  Much smaller a search than find_word() on large sparse graphs.
// Ends early as limits say (see sat::Limits).
std::optional<std::vector<int>> find_oriented_word(const Graph &g, int k,
                                                   const std::vector<Arc> &arcs,
                                                   const sat::Limits &limits = {});

// The order of a word's copies as literals: before[x * size + y] means "copy x
// comes before copy y", copy x being one of letter x / k.

// Clauses that the copies of letters a and b do not alternate (neither
// a1 b1 a2 b2 ... nor b1 a1 b2 a2 ...), each with guard added (0: none).
void add_not_alternating(sat::SatSolver &sat, const std::vector<sat::Lit> &before, int size, int k,
                         int a, int b, sat::Lit guard = 0);
// Clauses against every cycle x < y < z < x of three copies.
void add_transitivity(sat::SatSolver &sat, const std::vector<sat::Lit> &before, int size);
// The word of a model of the order (Error when the model orders nothing).
std::vector<int> word_of_model(const sat::SatSolver &sat, const std::vector<sat::Lit> &before,
                               int size, int k);

} // namespace census
