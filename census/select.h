// The conditions of the filter mode (--select COND): which graphs pass.
//
// COND is one of
//   yes      word-representable (with a shortcut length K: K-semi-transitive)
//   no       not word-representable (not K-semi-transitive)
//   K OP N   word-representable with representation number K such that
//            K OP N, OP one of = == != < <= > >=, N a decimal integer
// written without blanks: "K>=3", "K=2".
#pragma once

#include "census/answer.h"

#include <optional>
#include <string>

namespace census {

// A parsed condition.
struct Condition {
  enum class Kind { kYes, kNo, kNumber };
  enum class Op { kEq, kNe, kLt, kLe, kGt, kGe };
  Kind kind = Kind::kYes;
  Op op = Op::kEq;
  int value = 0; // N of K OP N
};

// The condition COND names; throws Error (kExitUsage) naming the grammar.
Condition parse_condition(const std::string &text);

// Whether an answer meets the condition; none when the answer does not
// settle it (a failure, or bounds on K on both sides of N).
std::optional<bool> meets(const Condition &condition, const Answer &answer);

} // namespace census
