#include "solver/model.h"

namespace smt {

namespace {

// Sets val[t] from the values of t's children (Booleans 0 or 1; applications
// keep the value given); false when an arithmetic value overflows 64 bits.
bool evaluate(const TermStore &s, TermId t, std::vector<int64_t> &val) {
  const TermId *c = s.children(t);
  uint32_t m = s.num_children(t);
  int64_t &v = val[t];
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
    break; // assigned above
  case Kind::Not:
    v = !val[c[0]];
    break;
  case Kind::And:
    v = 1;
    for (uint32_t i = 0; i < m; ++i) v = v && val[c[i]];
    break;
  case Kind::Or:
    v = 0;
    for (uint32_t i = 0; i < m; ++i) v = v || val[c[i]];
    break;
  case Kind::Implies:
    v = !val[c[0]] || val[c[1]];
    break;
  case Kind::Iff:
    v = val[c[0]] == val[c[1]];
    break;
  case Kind::Xor:
    v = val[c[0]] != val[c[1]];
    break;
  case Kind::IteBool:
  case Kind::IteInt:
    v = val[c[0]] ? val[c[1]] : val[c[2]];
    break;
  case Kind::Eq:
    v = val[c[0]] == val[c[1]];
    break;
  case Kind::Lt:
    v = val[c[0]] < val[c[1]];
    break;
  case Kind::Le:
    v = val[c[0]] <= val[c[1]];
    break;
  case Kind::Distinct:
    v = 1;
    for (uint32_t i = 0; i < m && v; ++i)
      for (uint32_t j = i + 1; j < m && v; ++j) v = val[c[i]] != val[c[j]];
    break;
  case Kind::Add: {
    __int128 sum = 0;
    for (uint32_t i = 0; i < m; ++i) sum += val[c[i]];
    if (sum > INT64_MAX || sum < INT64_MIN) return false;
    v = static_cast<int64_t>(sum);
    break;
  }
  case Kind::Neg:
    v = -val[c[0]];
    break;
  case Kind::Mul: {
    __int128 p = __int128(s.value(t)) * val[c[0]];
    if (p > INT64_MAX || p < INT64_MIN) return false;
    v = static_cast<int64_t>(p);
    break;
  }
  }
  return true;
}

} // namespace

TermId violation(const Benchmark &bench, const Assignment &values) {
  const TermStore &s = bench.store;
  std::vector<char> reach = s.reachable(bench.assertions);
  std::vector<int64_t> val(s.size(), 0);
  const auto &apps = s.ground_apps();
  for (size_t i = 0; i < apps.size(); ++i) val[apps[i]] = values[i];
  for (TermId t = 0; t < s.size(); ++t)
    if (reach[t] && !evaluate(s, t, val)) return t;
  for (TermId a : bench.assertions)
    if (!val[a]) return a;
  return kNoTerm;
}

bool satisfies(const Benchmark &bench, const Assignment &values) {
  return violation(bench, values) == kNoTerm;
}

std::string model_text(const Benchmark &bench, const Assignment &values) {
  const TermStore &s = bench.store;
  const auto &apps = s.ground_apps();
  std::string out;
  out.reserve(apps.size() * 20);
  for (size_t i = 0; i < apps.size(); ++i) {
    TermId t = apps[i];
    out += "(= ";
    const std::string &name = s.symbol(s.node(t).sym).name;
    if (s.num_children(t) == 0) {
      out += name;
    } else {
      out += '(';
      out += name;
      for (uint32_t j = 0; j < s.num_children(t); ++j) {
        out += ' ';
        out += std::to_string(s.value(s.child(t, j)));
      }
      out += ')';
    }
    out += ' ';
    if (s.sort(t) == Sort::Bool)
      out += values[i] ? "true" : "false";
    else
      out += std::to_string(values[i]);
    out += ")\n";
  }
  return out;
}

} // namespace smt
