// Census rows as JSON lines.
#include "census/jsonl.h"

#include <cstdio>

namespace census {

namespace {

bool is_number(const std::string &field) {
  if (field.empty()) return false;
  for (char c : field)
    if (c < '0' || c > '9') return false;
  return true;
}

// Space-separated tokens of a field: "1>2 3>2" or "1 4 5".
template <typename F> void for_each_token(const std::string &field, F f) {
  size_t at = 0;
  while (at < field.size()) {
    size_t end = field.find(' ', at);
    if (end == std::string::npos) end = field.size();
    if (end > at) f(field.substr(at, end - at));
    at = end + 1;
  }
}

// "1>2 3>2" as [[1, 2], [3, 2]].
std::string arcs_array(const std::string &field) {
  std::string out = "[";
  for_each_token(field, [&](const std::string &arc) {
    size_t gt = arc.find('>');
    if (out.size() > 1) out += ", ";
    out += "[" + arc.substr(0, gt) + ", " + arc.substr(gt + 1) + "]";
  });
  return out + "]";
}

// "1 4 5" as [1, 4, 5].
std::string vertex_array(const std::string &field) {
  std::string out = "[";
  for_each_token(field, [&](const std::string &v) {
    if (out.size() > 1) out += ", ";
    out += v;
  });
  return out + "]";
}

// One field's JSON value, given the row's semi_transitive and
// representation_number fields (which decide whether it applies).
std::string value(int column, const std::array<std::string, kColumns> &f) {
  const std::string &s = f[column];
  bool failed = s.compare(0, 7, "failed:") == 0;
  bool yes = f[kSemiTransitive] == "yes", no = f[kSemiTransitive] == "no";
  switch (column) {
  case kGraph6:
    return json_string(s);
  case kSemiTransitive:
    return yes ? "true" : no ? "false" : s.empty() ? "null" : json_string(s);
  case kWord: // the empty word of the empty graph is a word
    return is_number(f[kNumber]) || !s.empty() ? json_string(s) : "null";
  case kOrientation:
    if (!yes && s.empty()) return "null";
    return failed || s[0] == '&' ? json_string(s) : arcs_array(s);
  case kWitness:
    if (!no && s.empty()) return "null";
    return failed ? json_string(s) : vertex_array(s);
  default: // the numbers
    return is_number(s) ? s : s.empty() ? "null" : json_string(s);
  }
}

} // namespace

std::string json_string(const std::string &text) {
  std::string out = "\"";
  for (char c : text) {
    auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20 || u >= 0x7f) {
      char code[8];
      std::snprintf(code, sizeof code, "\\u%04x", u);
      out += code;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string format_jsonl(const std::array<std::string, kColumns> &header,
                         const std::array<std::string, kColumns> &fields) {
  std::string out = "{";
  for (int c = 0; c < kColumns; ++c) {
    if (c) out += ", ";
    out += json_string(header[c]) + ": " + value(c, fields);
  }
  return out + "}\n";
}

} // namespace census
