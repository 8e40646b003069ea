// wordrep-census: word-representability of every graph of a graph6 list, in process.
#include "census/census.h"
#include "census/error.h"
#include "census/graph6.h"
#include "census/io.h"
#include "census/progress_line.h"
#include "census/rows.h"
#include "census/select.h"
#include "census/signals.h"

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
  bool jsonl = false;              // --format jsonl: rows as JSON lines, no header
  int progress = -1;               // progress on standard error: 1 yes, 0 no, -1 on a terminal
  std::optional<Condition> select; // --select: the graph6 lines of the graphs that meet it
  std::vector<std::string> files;  // "-" is standard input
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
    {"--select", "COND",
     "no rows: the graph6 lines of the graphs that meet COND (yes, no, K=N, K>=N, ...; see "
     "below), for nauty's tools",
     [](Options &o, const std::string &v) { o.select = parse_condition(v); }},
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

// The short names of options, as nauty's tools spell them.
static const std::pair<const char *, const char *> kShortNames[] = {{"-h", "--help"},
                                                                    {"-q", "--no-summary"}};

// The row of the table an argument names ("--format" or "--format=jsonl";
// a short name), or nullptr.
static const OptionRow *find_option(const std::string &arg) {
  std::string name = arg.substr(0, arg.find('='));
  for (const auto &[short_name, long_name] : kShortNames)
    if (arg == short_name) name = long_name;
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
  if (o.select && o.jsonl)
    throw Error("--select writes graph6 lines; leave out --format", kExitUsage);
  if (o.select && o.select->kind == Condition::Kind::kNumber &&
      (!o.settings.words || o.settings.shortcut_length))
    throw Error("--select K... needs representation numbers: leave out --no-words and "
                "--shortcut-length",
                kExitUsage);
  return o;
}

// The help, for people and for help2man: name, usage, one line per option.
static std::string help() {
  std::string text = "wordrep-census - word-representability of every graph of a graph6 list\n"
                     "\n"
                     "Usage: wordrep-census [OPTION]... [FILE]...\n"
                     "\n"
                     "Reads graphs in graph6 or sparse6, one per line (a >>graph6<< or\n"
                     ">>sparse6<< prefix and blank lines allowed), from each FILE in turn, or\n"
                     "standard input when there is none or FILE is -, and writes one row per\n"
                     "graph in input order: graph6, vertices, edges, semi_transitive,\n"
                     "representation_number, word, orientation, witness, number_lower,\n"
                     "number_upper, number_reason (bounds on the representation number, equal\n"
                     "when it is known; the number is filled only then).  A graph given in\n"
                     "sparse6 is named in graph6 in its row.  A line that cannot be answered\n"
                     "gets a row with \"failed: REASON\".\n"
                     "\n"
                     "Options:\n";
  for (const OptionRow &row : kOptions) {
    std::string left = "  ";
    for (const auto &[short_name, long_name] : kShortNames)
      if (row.name == std::string(long_name)) left += short_name + std::string(", ");
    left += shown(row);
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
          "--select COND writes, in input order and as given, the lines of the graphs\n"
          "that meet COND, and no header: yes (word-representable; with\n"
          "--shortcut-length K, K-semi-transitive), no (not so), or K OP N (the\n"
          "representation number K compared with the whole number N, OP one of = == !=\n"
          "< <= > >=; quote it in the shell: --select 'K>=3').  A graph that cannot be\n"
          "answered is named on standard error and counts as a failed row.\n"
          "\n"
          "On SIGTERM, SIGINT or SIGHUP the rows answered so far are written whole, the\n"
          "graph at hand is left unanswered, and the exit status is 128 + the signal.\n"
          "\n"
          "Exit status: 0 every graph answered; 1 some rows failed; 2 bad command line or\n"
          "an input that cannot be opened or read (the rows before it are kept); 3 the\n"
          "rows (or the help, or the version) cannot be written; 128 + N stopped by\n"
          "signal N.\n";
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

// What one graph writes: its row, or with --select its line when it meets
// the condition.  A graph whose answer does not settle the condition is
// named on standard error and counted as a failure.
static std::string emit(const Options &o, const Answer &answer, std::string_view line,
                        const std::string &where, Counts &counts) {
  if (!o.select) return o.jsonl ? format_jsonl(answer, o.settings) : format_csv(answer, o.settings);
  std::optional<bool> pass = meets(*o.select, answer);
  if (!pass) {
    std::string reason = answer.failure ? answer.failure->reason : "the bounds do not settle it";
    std::fprintf(stderr, "wordrep-census: %s: %s: failed: %s\n", where.c_str(),
                 answer.graph6.c_str(), reason.c_str());
    if (!answer.failure) ++counts.failures;
  }
  return pass.value_or(false) ? std::string(graph6_text(line)) + "\n" : std::string();
}

// Rows for every graph of the inputs, in order, until the stop flag rises:
// then the graph at hand gets no row.
static void answer_all(const Options &o, const std::vector<int> &fds, Output &out, Counts &counts,
                       const SignalWatch &signals) {
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
  for (size_t i = 0; i < fds.size() && !signals.flag(); ++i) {
    const std::string name = o.files[i] == "-" ? "standard input" : o.files[i];
    LineReader in(fds[i], name);
    in.wait_on(signals.wake_fd(), [&out] { out.flush(); }); // rows leave before a wait
    for (int64_t number = 1; in.next(line, cut) && !signals.flag(); ++number) {
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
      if (signals.flag()) break; // stopped inside the answer: no answer
      counts.add(answer);
      out.write(emit(o, answer, line, name + " line " + std::to_string(number), counts));
    }
    if (fds[i] != 0) ::close(fds[i]);
  }
}

// The help or the version.
static int inform(const Options &o) {
  const bool help_asked = o.action == Options::Action::Help;
  Output out(1, help_asked ? "the help" : "the version");
  out.write(help_asked ? help() : std::string("wordrep-census ") + WORDREP_VERSION + "\n");
  out.flush();
  return 0;
}

static int run(Options o) {
  if (o.action != Options::Action::Run) return inform(o);
  std::vector<int> fds = open_inputs(o.files);
  SignalWatch signals;
  o.settings.stop = &signals.flag();
  Counts counts;
  Output out(1, o.select ? "the graph6 lines" : o.jsonl ? "the JSON lines" : "the CSV");
  if (!o.jsonl && !o.select) out.write(csv_header(o.settings));
  try {
    answer_all(o, fds, out, counts, signals);
  } catch (const Error &e) { // an input that fails midway: keep the rows answered
    if (e.status() == kExitOutput) throw;
    out.flush();
    throw;
  }
  out.flush();
  if (int sig = signals.settle()) { // a signal before the end of the run counts
    std::fprintf(stderr, "wordrep-census: stopped by signal %d after %lld graphs\n", sig,
                 static_cast<long long>(counts.graphs));
    return 128 + sig;
  }
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
