// The columns of a census row in CSV and JSON lines, one table for both.
#include "census/rows.h"

#include "census/graph6.h"

#include <cstdio>
#include <optional>

namespace census {

namespace {

// "failed: REASON" when the answer failed at a step this column reports.
std::optional<std::string> failure_in(const Answer &a, bool (*reports)(Step)) {
  if (a.failure && reports(a.failure->step)) return "failed: " + a.failure->reason;
  return std::nullopt;
}

// The verdict's column reports the graph and the orientation steps.
bool verdict_step(Step s) {
  return s != Step::kWord;
}
bool word_step(Step s) {
  return s == Step::kWord;
}

// The representation number, when it is exact.
std::optional<int> exact_number(const Answer &a) {
  if (a.number && a.number->exact()) return a.number->lower;
  return std::nullopt;
}

// The bounds on the representation number, each none when the answer has none.
std::optional<int64_t> number_lower(const Answer &a) {
  return a.number ? std::optional<int64_t>(a.number->lower) : std::nullopt;
}
std::optional<int64_t> number_upper(const Answer &a) {
  return a.number && a.number->upper ? std::optional<int64_t>(*a.number->upper) : std::nullopt;
}
std::optional<std::string> number_reason(const Answer &a) {
  return a.number ? std::optional<std::string>(a.number->reason) : std::nullopt;
}

std::string text(const std::optional<int64_t> &v) {
  return v ? std::to_string(*v) : "";
}

// The text as a JSON string literal: quotes, backslashes and control bytes
// escaped, bytes beyond ASCII as \u00XX.
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

std::string json(const std::optional<int64_t> &v) {
  return v ? std::to_string(*v) : "null";
}

std::string json(const std::optional<std::string> &v) {
  return v ? json_string(*v) : "null";
}

// The orientation as the settings ask: i>j arcs, or digraph6.
std::optional<std::string> orientation_text(const Answer &a, const Settings &s) {
  if (!a.arcs) return std::nullopt;
  return s.digraph6 ? encode_digraph6(static_cast<int>(*a.vertices), *a.arcs)
                    : format_arcs(*a.arcs);
}

// The items, each as item() writes it, separated by sep.
template <typename T, typename F>
std::string joined(const std::vector<T> &items, const char *sep, F item) {
  std::string out;
  for (const T &x : items) {
    if (&x != items.data()) out += sep;
    out += item(x);
  }
  return out;
}

// The vertices of mask, 1-based and ascending.
std::vector<int> numbered(Mask mask) {
  std::vector<int> out;
  for (int v : mask) out.push_back(v + 1);
  return out;
}

std::string number_text(int v) {
  return std::to_string(v);
}

std::string json_arcs(const std::vector<Arc> &arcs) {
  return "[" +
         joined(arcs, ", ",
                [](const Arc &a) {
                  return "[" + std::to_string(a.first + 1) + ", " + std::to_string(a.second + 1) +
                         "]";
                }) +
         "]";
}

std::string json_vertices(Mask mask) {
  return "[" + joined(numbered(mask), ", ", number_text) + "]";
}

const char *verdict_text(const Answer &a) {
  return a.verdict == Verdict::kYes ? "yes" : a.verdict == Verdict::kNo ? "no" : "";
}

// One column: its name, and its field in each format.  A column is one row here.
struct Column {
  const char *name;
  bool length_suffix; // the name ends in _K with a shortcut length K
  std::string (*csv)(const Answer &, const Settings &);
  std::string (*json)(const Answer &, const Settings &);
};

using A = const Answer &;
using S = const Settings &;

const Column kColumns[] = {
    {"graph6", false, [](A a, S) { return a.graph6; },
     [](A a, S) { return json_string(a.graph6); }},
    {"vertices", false, [](A a, S) { return text(a.vertices); },
     [](A a, S) { return json(a.vertices); }},
    {"edges", false, [](A a, S) { return text(a.edges); }, [](A a, S) { return json(a.edges); }},
    {"semi_transitive", true,
     [](A a, S) { return failure_in(a, verdict_step).value_or(verdict_text(a)); },
     [](A a, S) -> std::string {
       if (auto failed = failure_in(a, verdict_step)) return json_string(*failed);
       return a.verdict == Verdict::kYes ? "true" : a.verdict == Verdict::kNo ? "false" : "null";
     }},
    {"representation_number", false,
     [](A a, S) { return failure_in(a, word_step).value_or(text(exact_number(a))); },
     [](A a, S) -> std::string {
       if (auto failed = failure_in(a, word_step)) return json_string(*failed);
       return json(exact_number(a));
     }},
    {"word", false, [](A a, S) { return a.word ? format_word(*a.word) : ""; },
     [](A a, S) { return a.word ? json_string(format_word(*a.word)) : "null"; }},
    {"orientation", false, [](A a, S s) { return orientation_text(a, s).value_or(""); },
     [](A a, S s) {
       return a.arcs && !s.digraph6 ? json_arcs(*a.arcs) : json(orientation_text(a, s));
     }},
    {"witness", false, [](A a, S) { return a.witness ? format_vertices(*a.witness) : ""; },
     [](A a, S) { return a.witness ? json_vertices(*a.witness) : "null"; }},
    {"number_lower", false, [](A a, S) { return text(number_lower(a)); },
     [](A a, S) { return json(number_lower(a)); }},
    {"number_upper", false, [](A a, S) { return text(number_upper(a)); },
     [](A a, S) { return json(number_upper(a)); }},
    {"number_reason", false, [](A a, S) { return number_reason(a).value_or(""); },
     [](A a, S) { return json(number_reason(a)); }},
};

std::string column_name(int c, const Settings &settings) {
  std::string name = kColumns[c].name;
  if (kColumns[c].length_suffix && settings.shortcut_length)
    name += "_" + std::to_string(settings.shortcut_length);
  return name;
}

constexpr int kColumnCount = sizeof kColumns / sizeof kColumns[0];

// The fields as one CSV line (with its line feed), quoted where CSV needs it.
std::string csv_line(const std::vector<std::string> &fields) {
  std::string out;
  for (const std::string &s : fields) {
    if (&s != fields.data()) out += ',';
    if (s.find_first_of(",\"\r\n") == std::string::npos) {
      out += s;
      continue;
    }
    out += '"';
    for (char ch : s) {
      if (ch == '"') out += '"';
      out += ch;
    }
    out += '"';
  }
  return out + '\n';
}

} // namespace

std::string csv_header(const Settings &settings) {
  std::vector<std::string> names;
  for (int c = 0; c < kColumnCount; ++c) names.push_back(column_name(c, settings));
  return csv_line(names);
}

std::string format_csv(const Answer &answer, const Settings &settings) {
  std::vector<std::string> fields;
  for (const Column &column : kColumns) fields.push_back(column.csv(answer, settings));
  return csv_line(fields);
}

std::string format_jsonl(const Answer &answer, const Settings &settings) {
  std::string out = "{";
  for (int c = 0; c < kColumnCount; ++c) {
    if (c) out += ", ";
    out += json_string(column_name(c, settings)) + ": " + kColumns[c].json(answer, settings);
  }
  return out + "}\n";
}

void Counts::add(const Answer &answer) {
  ++graphs;
  if (answer.failure)
    ++failures;
  else if (answer.verdict == Verdict::kNo)
    ++not_representable, minimal += answer.witness_is_graph;
  else if (std::optional<int> k = exact_number(answer))
    ++by_number[*k];
  else if (answer.number)
    ++bounded;
}

std::string format_word(const std::vector<int> &word) {
  std::string out;
  for (int a : word) out += a < 9 ? std::to_string(a + 1) : "(" + std::to_string(a + 1) + ")";
  return out;
}

std::string format_arcs(const std::vector<Arc> &arcs) {
  return joined(arcs, " ", [](const Arc &a) {
    return std::to_string(a.first + 1) + ">" + std::to_string(a.second + 1);
  });
}

std::string format_vertices(Mask mask) {
  return joined(numbered(mask), " ", number_text);
}

} // namespace census
