// wordrep-census: word-representability of every graph of a graph6 list, in process.
#include "census/census.h"
#include "census/error.h"
#include "census/io.h"
#include "census/rows.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <initializer_list>
#include <optional>
#include <unistd.h>
#include <vector>

#ifndef WORDREP_VERSION
#define WORDREP_VERSION "unknown"
#endif

namespace census {

constexpr double kMaxSeconds = 1e7; // the longest --time-limit (about four months)

// What the command line asks for.
struct Options {
  enum class Action { Run, Help, Version };
  Action action = Action::Run;
  Settings settings;
  bool summary = true;
  bool jsonl = false;             // --format jsonl: rows as JSON lines, no header
  int progress = -1;              // progress on standard error: 1 yes, 0 no, -1 on a terminal
  std::vector<std::string> files; // "-" is standard input
};

// The index of value among the choices, or a usage error naming the option.
static int choice(const char *option, const std::string &value,
                  std::initializer_list<const char *> choices);

// The value of --shortcut-length: a decimal integer from 3 to kMaxVertices.
static int parse_length(const std::string &text);

// The value of --time-limit: seconds, a decimal number above 0.
static double parse_seconds(const std::string &text);

// One option: its name, the name of its value in the help (nullptr for a
// flag), its line in the help, and what it sets.  A new option is one more row.
struct OptionRow {
  const char *name;
  const char *value;
  const char *help;
  void (*apply)(Options &o, const std::string &value);
};

static const OptionRow kOptions[] = {
    {"--no-words", nullptr, "no representation numbers or words (orientations and witnesses only)",
     [](Options &o, const std::string &) { o.settings.words = false; }},
    {"--no-speedups", nullptr,
     "every answer by the full searches: no W5 check, no first letter, no known witnesses, no "
     "shared word instances",
     [](Options &o, const std::string &) { o.settings.speedups = false; }},
    {"--no-shortcuts", nullptr, "the same as --no-speedups (its former name)",
     [](Options &o, const std::string &) { o.settings.speedups = false; }},
    {"--no-symmetry", nullptr, "no symmetry breaking in the word search of a single graph",
     [](Options &o, const std::string &) { o.settings.symmetry = false; }},
    {"--no-lower-bounds", nullptr,
     "search every K from 2, without lower bounds from induced crowns",
     [](Options &o, const std::string &) { o.settings.lower_bounds = false; }},
    {"--no-summary", nullptr, "no summary of the counts on standard error",
     [](Options &o, const std::string &) { o.summary = false; }},
    {"--orientation-format", "arcs|digraph6", "the orientation as i>j arcs (default) or digraph6",
     [](Options &o, const std::string &v) {
       o.settings.digraph6 = choice("--orientation-format", v, {"arcs", "digraph6"}) == 1;
     }},
    {"--format", "csv|jsonl", "rows as CSV with a header (default) or as JSON lines",
     [](Options &o, const std::string &v) {
       o.jsonl = choice("--format", v, {"csv", "jsonl"});
     }},
    {"--shortcut-length", "K",
     "k-semi-transitive orientations (no shortcut of length K or less, 3 <= K <= 256) instead; no "
     "words",
     [](Options &o, const std::string &v) { o.settings.shortcut_length = parse_length(v); }},
    {"--time-limit", "SECONDS",
     "stop the word search of a graph after SECONDS: the number as bounds (number_lower, "
     "number_upper)",
     [](Options &o, const std::string &v) { o.settings.time_limit = parse_seconds(v); }},
    {"--progress", nullptr,
     "the K tried and the bounds so far on standard error (default: when it is a terminal)",
     [](Options &o, const std::string &) { o.progress = 1; }},
    {"--no-progress", nullptr, "no progress on standard error",
     [](Options &o, const std::string &) { o.progress = 0; }},
    {"--engine", "family|fresh",
     "one SAT instance per order (and K) shared by the graphs (default), or one per graph",
     [](Options &o, const std::string &v) {
       o.settings.family = choice("--engine", v, {"family", "fresh"}) == 0;
     }},
    {"--help", nullptr, "print this help and exit",
     [](Options &o, const std::string &) { o.action = Options::Action::Help; }},
    {"--version", nullptr, "print the version and exit",
     [](Options &o, const std::string &) { o.action = Options::Action::Version; }},
};

// An option as the help and the usage show it: "--format csv|jsonl".
static std::string shown(const OptionRow &row) {
  return row.name + (row.value ? std::string(" ") + row.value : std::string());
}

// The one-line usage of error messages, from the table.
static std::string usage() {
  std::string text = "usage: wordrep-census";
  for (const OptionRow &row : kOptions) text += " [" + shown(row) + "]";
  return text + " [--] [FILE...]";
}

static int choice(const char *option, const std::string &value,
                  std::initializer_list<const char *> choices) {
  int index = 0;
  std::string names;
  for (const char *c : choices) {
    if (value == c) return index;
    names += (index++ ? " or " : "") + std::string(c);
  }
  throw Error(std::string(option) + " takes " + names + "; " + usage(), kExitUsage);
}

// The row of the table an argument names ("--format" or "--format=jsonl";
// "-h" for --help), or nullptr.
static const OptionRow *find_option(const std::string &arg) {
  std::string name = arg == "-h" ? "--help" : arg.substr(0, arg.find('='));
  for (const OptionRow &row : kOptions)
    if (name == row.name) return &row;
  return nullptr;
}

static int parse_length(const std::string &text) {
  int k = 0;
  for (char c : text) {
    if (c < '0' || c > '9' || k > kMaxVertices) {
      k = 0;
      break;
    }
    k = 10 * k + (c - '0');
  }
  if (k < 3 || k > kMaxVertices)
    throw Error("--shortcut-length takes an integer from 3 to " + std::to_string(kMaxVertices) +
                    "; " + usage(),
                kExitUsage);
  return k;
}

static double parse_seconds(const std::string &text) {
  char *end = nullptr;
  const double seconds = text.empty() || text[0] == '-' || text[0] == '+' || std::isspace(text[0])
                             ? 0
                             : std::strtod(text.c_str(), &end);
  if (!end || *end || !(seconds > 0 && seconds <= kMaxSeconds))
    throw Error("--time-limit takes a number of seconds above 0 and at most " +
                    std::to_string(static_cast<int>(kMaxSeconds)) + "; " + usage(),
                kExitUsage);
  return seconds;
}

static Options parse_options(int argc, char **argv) {
  Options o;
  bool options_end = false;
  for (int i = 1; i < argc && o.action == Options::Action::Run; ++i) {
    std::string a = argv[i];
    if (options_end || a == "-" || a.empty() || a[0] != '-') {
      o.files.push_back(a);
      continue;
    }
    if (a == "--") {
      options_end = true;
      continue;
    }
    const OptionRow *row = find_option(a);
    if (!row) throw Error("unknown option '" + a + "'; " + usage(), kExitUsage);
    size_t eq = a.find('=');
    std::string value;
    if (row->value && eq != std::string::npos)
      value = a.substr(eq + 1);
    else if (row->value)
      value = i + 1 < argc ? argv[++i] : "";
    else if (eq != std::string::npos)
      throw Error("option '" + a.substr(0, eq) + "' takes no value; " + usage(), kExitUsage);
    row->apply(o, value);
  }
  if (o.files.empty()) o.files.push_back("-");
  return o;
}

// The help, for people and for help2man: name, usage, one line per option.
static std::string help() {
  std::string text = "wordrep-census - word-representability of every graph of a graph6 list\n"
                     "\n"
                     "Usage: wordrep-census [OPTION]... [FILE]...\n"
                     "\n"
                     "Reads graphs in graph6, one per line (a >>graph6<< prefix and blank lines\n"
                     "allowed), from each FILE in turn, or standard input when there is none or\n"
                     "FILE is -, and writes one row per graph in input order: graph6, vertices,\n"
                     "edges, semi_transitive, representation_number, word, orientation, witness,\n"
                     "number_lower, number_upper, number_reason (bounds on the representation\n"
                     "number, equal when it is known; the number is filled only then).\n"
                     "A line that cannot be answered gets a row with \"failed: REASON\".\n"
                     "\n"
                     "Options:\n";
  for (const OptionRow &row : kOptions) {
    std::string left = (row.name == std::string("--help") ? "  -h, " : "  ") + shown(row);
    left.resize(std::max<size_t>(left.size() + 2, 30), ' ');
    text += left + row.help + "\n";
  }
  text += "  --                          end of options: every later argument is a FILE\n"
          "\n"
          "JSON lines (--format jsonl): one object per graph, the CSV's columns as keys,\n"
          "every key present: numbers as numbers, semi_transitive true or false, the\n"
          "word a string (letters from 10 on as \"(10)\"), the orientation an array of\n"
          "arcs [i, j] for i -> j (a string in digraph6), the witness an array of\n"
          "vertices, \"failed: REASON\" where a step failed, and null where a field does\n"
          "not apply.\n"
          "\n"
          "Exit status: 0 every graph answered; 1 some rows failed; 2 bad command line or\n"
          "an input that cannot be opened or read (the rows before it are kept); 3 the\n"
          "rows cannot be written.\n";
  return text;
}

// Every input opened before the first row, so a missing file stops the run at once.
static std::vector<int> open_inputs(const std::vector<std::string> &files) {
  std::vector<int> fds;
  for (const std::string &f : files) {
    int fd = f == "-" ? 0 : ::open(f.c_str(), O_RDONLY);
    if (fd < 0) throw Error("cannot open " + f + ": " + std::strerror(errno), kExitUsage);
    fds.push_back(fd);
  }
  return fds;
}

static void print_summary(const Counts &c, const Settings &settings) {
  std::fprintf(stderr, "wordrep-census: %lld graphs\n", static_cast<long long>(c.graphs));
  for (const auto &[k, count] : c.by_number)
    std::fprintf(stderr, "  representation number %d: %lld\n", k, static_cast<long long>(count));
  if (int k = settings.shortcut_length) {
    std::fprintf(stderr, "  not %d-semi-transitive: %lld\n", k,
                 static_cast<long long>(c.not_representable));
    std::fprintf(stderr, "  minimal not %d-semi-transitive: %lld\n", k,
                 static_cast<long long>(c.minimal));
  } else {
    std::fprintf(stderr, "  not word-representable: %lld\n",
                 static_cast<long long>(c.not_representable));
    std::fprintf(stderr, "  minimal non-word-representable: %lld\n",
                 static_cast<long long>(c.minimal));
  }
  if (c.bounded)
    std::fprintf(stderr, "  number as bounds (time limit): %lld\n",
                 static_cast<long long>(c.bounded));
  std::fprintf(stderr, "  failures: %lld\n", static_cast<long long>(c.failures));
}

// The progress of the word step on standard error, at most four lines a
// second: on a terminal one line rewritten in place, else a line each.
class ProgressLine {
public:
  explicit ProgressLine(bool terminal) : terminal_(terminal) {}
  ~ProgressLine() {
    if (terminal_ && shown_) std::fputs("\r\033[K", stderr); // the summary starts clean
  }
  // The next graph of the run.
  void next_graph(const std::string &graph6) {
    ++graph_;
    graph6_ = graph6.size() > 20 ? graph6.substr(0, 17) + "..." : graph6;
  }
  // Shows where the word step stands, unless a line went out less than 0.25 s ago.
  void show(const Progress &p) {
    const auto now = std::chrono::steady_clock::now();
    if (shown_ && now - last_ < std::chrono::milliseconds(250)) return;
    shown_ = true;
    last_ = now;
    std::string text = "wordrep-census: graph " + std::to_string(graph_) + " (" + graph6_ +
                       "): trying K = " + std::to_string(p.trying) +
                       ", number >= " + std::to_string(p.bounds.lower) + " (" + p.bounds.reason +
                       ")";
    if (p.bounds.upper) text += ", <= " + std::to_string(*p.bounds.upper);
    std::fputs((terminal_ ? "\r" + text + "\033[K" : text + "\n").c_str(), stderr);
    std::fflush(stderr);
  }

private:
  bool terminal_;
  bool shown_ = false;
  std::chrono::steady_clock::time_point last_;
  int64_t graph_ = 0;
  std::string graph6_;
};

// Rows for every graph of the inputs, in order.
static void answer_all(const Options &o, const std::vector<int> &fds, Output &out, Counts &counts) {
  const bool terminal = ::isatty(2);
  std::optional<ProgressLine> progress;
  Settings settings = o.settings;
  if (o.progress == 1 || (o.progress < 0 && terminal)) {
    progress.emplace(terminal);
    settings.progress = [&progress](const Progress &p) { progress->show(p); };
  }
  Census census(settings);
  std::string line;
  bool cut = false;
  for (size_t i = 0; i < fds.size(); ++i) {
    LineReader in(fds[i], o.files[i] == "-" ? "standard input" : o.files[i]);
    while (in.next(line, cut)) {
      Answer answer;
      if (cut) {
        answer.graph6 = printable(line.substr(0, 64)) + "...";
        answer.failure = Failure{Step::kGraph, "line longer than " +
                                                   std::to_string(LineReader::kMaxLine) + " bytes"};
      } else if (graph6_blank(line)) {
        continue;
      } else {
        if (progress) progress->next_graph(printable(line));
        answer = census.answer(line);
      }
      counts.add(answer);
      out.write(o.jsonl ? format_jsonl(answer, o.settings) : format_csv(answer, o.settings));
    }
    if (fds[i] != 0) ::close(fds[i]);
  }
}

static int run(const Options &o) {
  if (o.action != Options::Action::Run) {
    std::string text = o.action == Options::Action::Help
                           ? help()
                           : std::string("wordrep-census ") + WORDREP_VERSION + "\n";
    Output out(1);
    out.write(text);
    out.flush();
    return 0;
  }
  std::vector<int> fds = open_inputs(o.files);
  Counts counts;
  Output out(1);
  if (!o.jsonl) out.write(csv_header(o.settings));
  try {
    answer_all(o, fds, out, counts);
  } catch (const Error &e) { // an input that fails midway: keep the rows answered
    if (e.status() == kExitOutput) throw;
    out.flush();
    throw;
  }
  out.flush();
  if (o.summary) print_summary(counts, o.settings);
  return counts.failures ? kExitFailures : 0;
}

} // namespace census

int main(int argc, char **argv) {
  try {
    return census::run(census::parse_options(argc, argv));
  } catch (const census::Error &e) {
    std::fprintf(stderr, "wordrep-census: %s\n", e.what());
    return e.status();
  }
}
