// Fuzz target: graph input, read_graph on arbitrary text as standard input.
//
// A run must either fill N and A exactly as the documented rules give them
// for that text (the count on the first line, then pairs "i j" up to the
// first one whose first number is 0 or less, every vertex number in 1..20,
// the rest of each line ignored) or stop with the documented error number
// and message of the first bad read.  The matrix stays symmetric and no
// count above 20 is ever taken.
#include "tests/fuzz/reference.h"
#include "tests/fuzz/support.h"

#include "common/globals.h"
#include "common/graph.h"

#include <cstdint>
#include <cstring>
#include <string>

using namespace wordrep;
using fuzz::require;

namespace {

struct Expected {
  int code = 0; // 0 for a graph read, else the error number
  Int n = 0;
  bool edge[21][21] = {};
};

// The documented rules, on the reference reader.
Expected read_reference(const std::string &text) {
  reference::Reader r(text);
  Expected e;
  auto fail = [&](int code) {
    e.code = code;
    return e;
  };
  const reference::Outcome count = r.read_int();
  if (count.code) return fail(count.code);
  if (reference::Outcome o = r.skip_line(); o.code) return fail(o.code);
  if (count.value > 20) return fail(300); // the count is checked as a vertex number
  e.n = count.value;
  for (;;) {
    const reference::Outcome i = r.read_int();
    if (i.code) return fail(i.code);
    const reference::Outcome j = r.read_int();
    if (j.code) return fail(j.code);
    if (reference::Outcome o = r.skip_line(); o.code) return fail(o.code);
    if (i.value <= 0) return e;
    if (i.value > 20 || j.value < 1 || j.value > 20) return fail(300);
    e.edge[i.value][j.value] = e.edge[j.value][i.value] = true;
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::string text(reinterpret_cast<const char *>(data), size);
  const Expected want = read_reference(text);

  A = Matrix<bool>{}; // as at the start of a program
  N = 0;
  fuzz::open_for_reading(Input, text);
  int code = 0;
  try {
    read_graph();
  } catch (const Stopped &stopped) {
    code = static_cast<int>(stopped.code);
    require(stopped.message == reference::message(code, "Input"),
            "message of error " + std::to_string(code) + ": " + stopped.message);
  }
  fuzz::close_if_open(Input);

  require(code == want.code,
          "error " + std::to_string(code) + ", expected " + std::to_string(want.code));
  if (code != 0) return 0;
  require(N == want.n,
          "vertex count " + std::to_string(N) + ", expected " + std::to_string(want.n));
  require(N <= 20, "a count above 20 was taken");
  for (Int i = 1; i <= 20; ++i)
    for (Int j = 1; j <= 20; ++j) {
      require(A(i, j) == want.edge[i][j],
              "cell " + std::to_string(i) + " " + std::to_string(j) + " of the adjacency matrix");
      require(A(i, j) == A(j, i), "the adjacency matrix is not symmetric");
    }
  return 0;
}
