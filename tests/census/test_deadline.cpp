// The deadline of the SAT wrapper and of the word search: a search whose
// deadline has passed throws sat::Interrupted instead of answering (never a
// false "no word"), and the same instance answers once the deadline is lifted.
#include "census/checks.h"
#include "census/graph6.h"
#include "census/word_family.h"

#include "sat/sat.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <vector>

namespace {

// Already over: set before any search starts.
sat::Deadline passed() {
  return std::chrono::steady_clock::now() - std::chrono::seconds(1);
}

TEST(Deadline, ThePassedDeadlineInterruptsThenTheInstanceAnswers) {
  sat::SatSolver sat;
  const sat::Lit a = sat.new_var(), b = sat.new_var();
  sat.add_clause({a, b});
  sat.add_clause({-a, b});
  sat.add_clause({a, -b});
  sat.set_deadline(passed());
  EXPECT_THROW(sat.solve(), sat::Interrupted);
  EXPECT_THROW(sat.solve({-a}), sat::Interrupted);
  sat.set_deadline(std::chrono::steady_clock::now() + std::chrono::hours(1));
  EXPECT_TRUE(sat.solve());
  EXPECT_TRUE(sat.value(a) && sat.value(b));
  sat.set_deadline(std::nullopt);
  EXPECT_FALSE(sat.solve({-a}));
}

TEST(Deadline, WordSearchesAreInterruptedInSharedAndFreshInstances) {
  const census::Graph path = census::decode_graph6("Ch").graph; // a 2-uniform word
  for (bool fresh : {false, true}) {
    census::WordEngine words(census::WordSettings{true, true, fresh});
    words.begin(path, passed());
    EXPECT_THROW(words.find(2), sat::Interrupted) << fresh;
    words.begin(path);
    std::optional<std::vector<int>> word = words.find(2);
    ASSERT_TRUE(word) << fresh;
    EXPECT_EQ(census::check_word(path, 2, *word), "") << fresh;
  }
}

} // namespace
