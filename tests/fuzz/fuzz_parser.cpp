// Fuzz target: the solver fed arbitrary benchmarks.
//
// The parser must accept the text or reject it with the solver's one error
// type, SmtError, carrying "fuzz.smt:LINE:COL: message" on one line with a
// position inside the text and the input-error exit status; anything else
// (another exception, a crash, a stack overflow on deep nesting) is a fault.
// A benchmark it accepts whose numerals stay small goes through the whole
// solver as yices runs it (solve_benchmark); a model failing the solver's own
// check (status 2) is a fault like any other.  A "sat" verdict must come with a model that
// satisfies every assertion under the evaluation below, written here from
// the meaning of the term kinds in terms.h, and under the solver's own
// check; an "unsat" verdict must stand against a search for a witness over
// small values when there are few enough combinations.
#include "tests/fuzz/support.h"

#include "solver/error.h"
#include "solver/model.h"
#include "solver/parser.h"
#include "solver/solve.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

using fuzz::require;
using namespace smt;

namespace {

using Wide = __int128;
constexpr Wide kHuge = static_cast<Wide>(1) << 100; // beyond it the evaluation gives up

void check_error(const SmtError &e, const std::string &text) {
  const std::string m = e.what();
  require(e.status() == kExitInputError, "exit status of a rejection: " + m);
  require(m.find('\n') == std::string::npos, "a message of more than one line: " + m);
  const std::string prefix = "fuzz.smt:";
  require(m.compare(0, prefix.size(), prefix) == 0, "a message without the file name: " + m);
  std::size_t at = prefix.size();
  auto number = [&]() {
    std::size_t start = at;
    unsigned long long v = 0;
    while (at < m.size() && m[at] >= '0' && m[at] <= '9' && at - start < 12)
      v = v * 10 + (m[at++] - '0');
    require(at > start && at < m.size() && m[at] == ':', "a message without line and column: " + m);
    ++at;
    return v;
  };
  const unsigned long long line = number(), column = number();
  const auto lines =
      static_cast<unsigned long long>(std::count(text.begin(), text.end(), '\n')) + 1;
  require(line >= 1 && line <= lines && column >= 1 && column <= text.size() + 1,
          "a position outside the text: " + m);
  require(m.size() > at + 1 && m[at] == ' ', "a message without text: " + m);
}

// The value of every term under `values` (Booleans 0 or 1), or false when a
// value runs beyond kHuge.
bool evaluate(const TermStore &s, const Assignment &values, std::vector<Wide> &val) {
  val.assign(s.size(), 0);
  const auto &apps = s.ground_apps();
  std::vector<long> app_index(s.size(), -1);
  for (std::size_t i = 0; i < apps.size(); ++i) app_index[apps[i]] = static_cast<long>(i);
  for (TermId t = 0; t < s.size(); ++t) {
    const uint32_t m = s.num_children(t);
    auto c = [&](uint32_t i) {
      require(s.child(t, i) < t, "a child made after its parent");
      return val[s.child(t, i)];
    };
    Wide v = 0;
    switch (s.kind(t)) {
    case Kind::True:
      v = 1;
      break;
    case Kind::False:
      v = 0;
      break;
    case Kind::Num:
      v = s.value(t);
      break;
    case Kind::App:
      require(app_index[t] >= 0, "an application that is not ground");
      v = values[static_cast<std::size_t>(app_index[t])];
      break;
    case Kind::Not:
      v = !c(0);
      break;
    case Kind::And:
      v = 1;
      for (uint32_t i = 0; i < m; ++i) v = v && c(i);
      break;
    case Kind::Or:
      v = 0;
      for (uint32_t i = 0; i < m; ++i) v = v || c(i);
      break;
    case Kind::Implies:
      v = !c(0) || c(1);
      break;
    case Kind::Iff:
      v = (c(0) != 0) == (c(1) != 0);
      break;
    case Kind::Xor:
      v = (c(0) != 0) != (c(1) != 0);
      break;
    case Kind::IteBool:
    case Kind::IteInt:
      v = c(0) ? c(1) : c(2);
      break;
    case Kind::Eq:
      v = c(0) == c(1);
      break;
    case Kind::Distinct:
      v = 1;
      for (uint32_t i = 0; i < m; ++i)
        for (uint32_t j = i + 1; j < m; ++j) v = v && c(i) != c(j);
      break;
    case Kind::Lt:
      v = c(0) < c(1);
      break;
    case Kind::Le:
      v = c(0) <= c(1);
      break;
    case Kind::Add:
      for (uint32_t i = 0; i < m; ++i) v += c(i);
      break;
    case Kind::Neg:
      v = -c(0);
      break;
    case Kind::Mul:
      v = static_cast<Wide>(s.value(t)) * c(0);
      break;
    }
    if (v > kHuge || v < -kHuge) return false;
    val[t] = v;
  }
  return true;
}

// True when every assertion holds; `known` false when the evaluation gave up.
bool holds(const Benchmark &b, const Assignment &values, bool &known) {
  std::vector<Wide> val;
  known = evaluate(b.store, values, val);
  if (!known) return false;
  for (TermId a : b.assertions)
    if (!val[a]) return false;
  return true;
}

// A model of a satisfiable benchmark: every assertion true where the
// evaluation can tell, the solver's own check passed, one line per application.
void check_model(const Benchmark &parsed, const Assignment &values) {
  const auto &apps = parsed.store.ground_apps();
  bool known = false;
  const bool ok = holds(parsed, values, known);
  if (known && !ok) {
    std::string shown;
    for (std::size_t i = 0; i < apps.size(); ++i) shown += " " + std::to_string(values[i]);
    require(false, "sat, but the model leaves an assertion false; values:" + shown);
  }
  require(satisfies(parsed, values), "sat, but the solver's own check fails its model");
  const std::string lines = model_text(parsed, values);
  require(static_cast<std::size_t>(std::count(lines.begin(), lines.end(), '\n')) == apps.size(),
          "a model text without one line per application");
}

// An unsatisfiable benchmark: no assignment with values from just below the
// least numeral to just above the greatest one satisfies it (when there are
// few enough to try them all).
void check_no_witness(const Benchmark &parsed, Wide lowest, Wide highest) {
  const TermStore &s = parsed.store;
  const auto &apps = s.ground_apps();
  std::size_t ints_count = 0;
  for (TermId a : apps) ints_count += s.sort(a) == Sort::Int;
  const Wide lo = lowest - static_cast<Wide>(ints_count) - 1,
             hi = highest + static_cast<Wide>(ints_count) + 1;
  double combinations = 1;
  for (TermId a : apps)
    combinations *= s.sort(a) == Sort::Int ? static_cast<double>(hi - lo + 1) : 2.0;
  if (combinations > 4096) return;
  Assignment trial(apps.size());
  for (std::size_t i = 0; i < apps.size(); ++i)
    trial[i] = s.sort(apps[i]) == Sort::Int ? static_cast<int64_t>(lo) : 0;
  for (;;) {
    bool known = false;
    if (holds(parsed, trial, known)) {
      std::string shown;
      for (int64_t v : trial) shown += " " + std::to_string(v);
      require(false, "unsat, but these values satisfy every assertion:" + shown);
    }
    std::size_t i = 0;
    for (; i < apps.size(); ++i) {
      const int64_t top = s.sort(apps[i]) == Sort::Int ? static_cast<int64_t>(hi) : 1;
      const int64_t bottom = s.sort(apps[i]) == Sort::Int ? static_cast<int64_t>(lo) : 0;
      if (trial[i] < top) {
        ++trial[i];
        break;
      }
      trial[i] = bottom;
    }
    if (i == apps.size()) return;
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::string text(reinterpret_cast<const char *>(data), size);
  Benchmark bench;
  try {
    parse_benchmark(text, "fuzz.smt", bench);
  } catch (const SmtError &e) {
    check_error(e, text);
    return 0;
  }
  const TermStore &s = bench.store;
  for (TermId a : bench.assertions)
    require(s.sort(a) == Sort::Bool, "an assertion that is no formula");

  // Small numerals only, so that the integer domains stay small.
  Wide lowest = 0, highest = 0;
  for (TermId t = 0; t < s.size(); ++t)
    if (s.kind(t) == Kind::Num || s.kind(t) == Kind::Mul) {
      if (s.value(t) > 2000 || s.value(t) < -2000) return 0;
      if (s.kind(t) == Kind::Num) {
        lowest = std::min<Wide>(lowest, s.value(t));
        highest = std::max<Wide>(highest, s.value(t));
      }
    }

  const std::vector<TermId> assertions = bench.assertions; // as parsed
  const auto &apps = s.ground_apps();
  bool found = false;
  Assignment values(apps.size());
  try {
    const Outcome outcome = solve_benchmark(bench); // as yices -smt -e runs it
    found = outcome.sat;
    if (found) {
      require(outcome.values.size() == apps.size(), "a model without a value per application");
      values = outcome.values;
    }
  } catch (const SmtError &e) {
    check_error(e, text); // outside the supported fragment: refused, no verdict
    return 0;
  }
  Benchmark &parsed = bench;
  parsed.assertions = assertions;

  if (found)
    check_model(parsed, values);
  else
    check_no_witness(parsed, lowest, highest);
  return 0;
}
