// yices: a small SMT-LIB 1.2 solver for the word-representability benchmarks.
#include "solver/error.h"
#include "solver/parser.h"
#include "solver/smt2.h"
#include "solver/solve.h"

#include <chrono>
#include <cstdio>
#include <cstring>

namespace smt {

namespace {

// The command line, as a plain struct.
struct Options {
  std::string file;    // the benchmark file
  bool smt = false;    // -smt: read SMT-LIB 1.2 (the only input language)
  bool model = false;  // -e: print the model after "sat"
  bool smt2 = false;   // --smt2: write the benchmark as SMT-LIB 2 and stop
  bool stats = false;  // --stats: print encoding statistics to standard error
  SolveSettings solve; // --no-symmetry, --no-implied
};

const char *kUsage = "usage: yices -smt [-e] FILE | yices --smt2 FILE";

// Parse argv; throws SmtError with a usage line on bad flags.
Options parse_options(int argc, char **argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "-smt")
      o.smt = true;
    else if (a == "-e")
      o.model = true;
    else if (a == "--smt2")
      o.smt2 = true;
    else if (a == "--no-symmetry")
      o.solve.symmetry = false;
    else if (a == "--no-implied")
      o.solve.implied = false;
    else if (a == "--stats")
      o.stats = true;
    else if (!a.empty() && a[0] == '-')
      throw SmtError("yices: unknown option '" + a + "'; " + kUsage);
    else if (!o.file.empty())
      throw SmtError("yices: more than one file ('" + o.file + "' and '" + a + "'); " + kUsage);
    else
      o.file = a;
  }
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
