#include "census/select.h"

#include "census/error.h"

#include <limits>
#include <utility>

namespace census {

Condition parse_condition(const std::string &text) {
  static const std::pair<const char *, Condition::Op> kOps[] = {
      {"==", Condition::Op::kEq}, {"!=", Condition::Op::kNe}, {"<=", Condition::Op::kLe},
      {">=", Condition::Op::kGe}, {"=", Condition::Op::kEq},  {"<", Condition::Op::kLt},
      {">", Condition::Op::kGt}};
  Condition c;
  if (text == "yes") return c;
  if (text == "no") {
    c.kind = Condition::Kind::kNo;
    return c;
  }
  const std::string bad = "--select takes yes, no or K OP N (OP one of = == != < <= > >=, N a "
                          "whole number, no blanks: K>=3), not '" +
                          text + "'";
  if (text.empty() || text[0] != 'K') throw Error(bad, kExitUsage);
  size_t at = 1;
  for (const auto &[name, op] : kOps)
    if (text.compare(1, std::string(name).size(), name) == 0) {
      c.op = op;
      at += std::string(name).size();
      break;
    }
  if (at == 1 || at == text.size() || text.size() - at > 6) throw Error(bad, kExitUsage);
  for (size_t i = at; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') throw Error(bad, kExitUsage);
    c.value = 10 * c.value + (text[i] - '0');
  }
  c.kind = Condition::Kind::kNumber;
  return c;
}

// Whether K OP N holds for every K in [lower, upper]; none when it holds for
// some and not others.
static std::optional<bool> holds(Condition::Op op, int n, int lower, int upper) {
  auto test = [&](int k) {
    switch (op) {
    case Condition::Op::kEq:
      return k == n;
    case Condition::Op::kNe:
      return k != n;
    case Condition::Op::kLt:
      return k < n;
    case Condition::Op::kLe:
      return k <= n;
    case Condition::Op::kGt:
      return k > n;
    case Condition::Op::kGe:
      return k >= n;
    }
    return false;
  };
  bool all = true, any = false;
  for (int k : {lower, upper, n - 1, n, n + 1}) // the comparison changes only near n
    if (k >= lower && k <= upper) {
      all = all && test(k);
      any = any || test(k);
    }
  if (all) return true;
  if (!any) return false;
  return std::nullopt;
}

std::optional<bool> meets(const Condition &condition, const Answer &answer) {
  if (answer.verdict == Verdict::kUnknown) return std::nullopt;
  const bool yes = answer.verdict == Verdict::kYes;
  switch (condition.kind) {
  case Condition::Kind::kYes:
    return yes;
  case Condition::Kind::kNo:
    return !yes;
  case Condition::Kind::kNumber:
    break;
  }
  if (!yes) return false;
  if (!answer.number) return std::nullopt;
  const int unbounded = std::numeric_limits<int>::max() / 2; // no word found yet: no upper bound
  return holds(condition.op, condition.value, answer.number->lower,
               answer.number->upper.value_or(unbounded));
}

} // namespace census
