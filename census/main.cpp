// wordrep-census: word-representability of every graph of a graph6 list, in process.
#include "census/census.h"
#include "census/error.h"
#include "census/io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace census {

static const char *kUsage = "usage: wordrep-census [--no-words] [--no-shortcuts] [--no-summary] "
                            "[--orientation-format arcs|digraph6] [--shortcut-length K] "
                            "[--engine family|fresh] [FILE...]";

struct Options {
  Settings settings;
  bool summary = true;
  std::vector<std::string> files; // "-" is standard input
};

// The value of --shortcut-length: a decimal integer from 3 to kMaxVertices.
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
                    "; " + kUsage,
                kExitUsage);
  return k;
}

static Options parse_options(int argc, char **argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--no-summary")
      o.summary = false;
    else if (a == "--no-words")
      o.settings.words = false;
    else if (a == "--no-shortcuts")
      o.settings.shortcuts = false;
    else if (a == "--orientation-format") {
      std::string format = i + 1 < argc ? argv[++i] : "";
      if (format != "arcs" && format != "digraph6")
        throw Error("--orientation-format takes arcs or digraph6; " + std::string(kUsage),
                    kExitUsage);
      o.settings.digraph6 = format == "digraph6";
    } else if (a == "--shortcut-length") {
      o.settings.shortcut_length = parse_length(i + 1 < argc ? argv[++i] : "");
    } else if (a == "--engine") {
      std::string engine = i + 1 < argc ? argv[++i] : "";
      if (engine != "family" && engine != "fresh")
        throw Error("--engine takes family or fresh; " + std::string(kUsage), kExitUsage);
      o.settings.family = engine == "family";
    } else if (a == "-h" || a == "--help")
      throw Error(kUsage, 0);
    else if (a.size() > 1 && a[0] == '-')
      throw Error("unknown option '" + a + "'; " + kUsage, kExitUsage);
    else
      o.files.push_back(a);
  }
  if (o.files.empty()) o.files.push_back("-");
  return o;
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
  std::fprintf(stderr, "  failures: %lld\n", static_cast<long long>(c.failures));
}

// Rows for every graph of the inputs, in order.
static void answer_all(const Options &o, const std::vector<int> &fds, Output &out, Counts &counts) {
  Census census(o.settings);
  std::string line;
  bool cut = false;
  for (size_t i = 0; i < fds.size(); ++i) {
    LineReader in(fds[i], o.files[i] == "-" ? "standard input" : o.files[i]);
    while (in.next(line, cut)) {
      Row row;
      if (cut) {
        row.fields[kGraph6] = printable(line.substr(0, 64)) + "...";
        row.fields[kSemiTransitive] =
            "failed: line longer than " + std::to_string(LineReader::kMaxLine) + " bytes";
        row.failed = true;
      } else if (graph6_blank(line)) {
        continue;
      } else {
        row = census.answer(line);
      }
      counts.add(row);
      out.write(format_csv(row.fields));
    }
    if (fds[i] != 0) ::close(fds[i]);
  }
}

static int run(const Options &o) {
  std::vector<int> fds = open_inputs(o.files);
  Counts counts;
  Output out(1);
  out.write(format_csv(header(o.settings)));
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
    std::fprintf(e.status() ? stderr : stdout, "%s%s\n", e.status() ? "wordrep-census: " : "",
                 e.what());
    return e.status();
  }
}
