// yices: a small SMT-LIB 1.2 solver for the word-representability benchmarks.
#include "solver/error.h"
#include "solver/parser.h"
#include "solver/smt2.h"
#include "solver/solve.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#ifndef WORDREP_VERSION
#define WORDREP_VERSION "unknown"
#endif

namespace smt {

namespace {

// The command line, as a plain struct.
struct Options {
  std::string file;     // the benchmark file
  bool smt = false;     // -smt: read SMT-LIB 1.2 (the only input language)
  bool model = false;   // -e: print the model after "sat"
  bool smt2 = false;    // --smt2: write the benchmark as SMT-LIB 2 and stop
  bool stats = false;   // --stats: print encoding statistics to standard error
  bool help = false;    // --help: print the help and stop
  bool version = false; // --version: print the version and stop
  SolveSettings solve;  // --no-symmetry, --no-implied
};

const char *kUsage = "usage: yices -smt [-e] FILE | yices --smt2 FILE";

// One option: its name, its line in the help, and what it sets.
struct OptionRow {
  const char *name;
  const char *help;
  void (*apply)(Options &o);
};

const OptionRow kOptions[] = {
    {"-smt", "read FILE as SMT-LIB 1.2 (the only input language)",
     [](Options &o) { o.smt = true; }},
    {"-e", "print the model after sat, one (= TERM VALUE) line per symbol",
     [](Options &o) { o.model = true; }},
    {"--smt2", "write the benchmark as SMT-LIB 2 on standard output and stop",
     [](Options &o) { o.smt2 = true; }},
    {"--no-symmetry", "no symmetry breaking", [](Options &o) { o.solve.symmetry = false; }},
    {"--no-implied", "no order constraints implied by disjunctions",
     [](Options &o) { o.solve.implied = false; }},
    {"--stats", "encoding statistics and times on standard error",
     [](Options &o) { o.stats = true; }},
    {"--help", "print this help and exit", [](Options &o) { o.help = true; }},
    {"--version", "print the version and exit", [](Options &o) { o.version = true; }},
};

std::string help() {
  std::string text = "yices - SMT-LIB 1.2 solver for the benchmarks of alterword and orientcheck\n"
                     "\n"
                     "Usage: yices -smt [-e] FILE\n"
                     "  or:  yices --smt2 FILE\n"
                     "\n"
                     "Decides the SMT-LIB 1.2 benchmark in FILE (the fragment alterword and\n"
                     "orientcheck write: integer constants and functions applied to numerals,\n"
                     "linear arithmetic, let and flet) and prints sat or unsat.\n"
                     "\n"
                     "Options:\n";
  for (const OptionRow &row : kOptions) {
    std::string left =
        (row.name == std::string("--help") ? "  -h, " : "  ") + std::string(row.name);
    left.resize(std::max<size_t>(left.size() + 2, 20), ' ');
    text += left + row.help + "\n";
  }
  return text + "  --                end of options: the next argument is FILE\n"
                "\n"
                "Exit status: 0 a verdict printed; 1 bad command line, unreadable file or a\n"
                "benchmark outside the fragment or its limits (one line FILE:LINE:COL: message);\n"
                "2 a model found failed the solver's own check.\n";
}

// Parse argv; throws SmtError with a usage line on bad flags.
Options parse_options(int argc, char **argv) {
  Options o;
  bool options_end = false;
  for (int i = 1; i < argc && !o.help && !o.version; ++i) {
    std::string a = argv[i];
    if (!options_end && a == "-h") a = "--help";
    const OptionRow *row = nullptr;
    for (const OptionRow &s : kOptions)
      if (!options_end && a == s.name) row = &s;
    if (row)
      row->apply(o);
    else if (!options_end && a == "--")
      options_end = true;
    else if (!options_end && !a.empty() && a[0] == '-')
      throw SmtError("yices: unknown option '" + a + "'; " + kUsage);
    else if (!o.file.empty())
      throw SmtError("yices: more than one file ('" + o.file + "' and '" + a + "'); " + kUsage);
    else
      o.file = a;
  }
  if (o.help || o.version) return o;
  if (o.file.empty()) throw SmtError(std::string("yices: no benchmark file given; ") + kUsage);
  if (!o.smt && !o.smt2) throw SmtError(std::string("yices: expected -smt or --smt2; ") + kUsage);
  return o;
}

void write_out(const std::string &text) {
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout))
    throw SmtError("yices: cannot write to standard output");
}

// Seconds since the previous call (for --stats).
double lap() {
  static auto last = std::chrono::steady_clock::now();
  auto now = std::chrono::steady_clock::now();
  double d = std::chrono::duration<double>(now - last).count();
  last = now;
  return d;
}

int run(int argc, char **argv) {
  lap();
  Options opt = parse_options(argc, argv);
  if (opt.help || opt.version) {
    write_out(opt.help ? help() : std::string("yices ") + WORDREP_VERSION + "\n");
    return 0;
  }
  std::string text = read_file(opt.file);
  Benchmark bench;
  parse_benchmark(text, opt.file, bench);
  std::string().swap(text);
  double t_parse = lap();
  if (opt.smt2) {
    write_out(to_smt2(bench));
    return 0;
  }
  Outcome res = solve_benchmark(bench, opt.solve);
  if (opt.stats)
    std::fprintf(stderr,
                 "yices: %zu terms, %zu classes, %d vars, %zu clauses, %llu literals, "
                 "%zu symmetry units; parse %.3f s, encode %.3f s, solve %.3f s\n",
                 bench.store.size(), res.classes, res.vars, res.clauses,
                 static_cast<unsigned long long>(res.literals), res.symmetry, t_parse, res.encode_s,
                 res.solve_s);
  if (!res.sat)
    write_out("unsat\n");
  else
    write_out(opt.model ? "sat\n" + model_text(bench, res.values) : "sat\n");
  return 0;
}

} // namespace
} // namespace smt

int main(int argc, char **argv) {
  try {
    return smt::run(argc, argv);
  } catch (const smt::SmtError &e) {
    std::fprintf(stderr, "%s\n", e.what());
    return e.status();
  } catch (const std::bad_alloc &) {
    std::fprintf(stderr, "yices: out of memory\n");
    return smt::kExitInputError;
  } catch (const std::exception &e) {
    std::fprintf(stderr, "yices: internal error: %s\n", e.what());
    return smt::kExitInputError;
  }
}
