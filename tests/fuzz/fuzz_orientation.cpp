// Fuzz target: orientcheck's decoder fed arbitrary result files.
//
// Input: byte 0 gives the vertex count N (-2..20); the rest is the result
// file.  As orientcheck does after a round trip, the verdict line is read,
// and unless it is "unsat" the orientation is printed from the first N*N
// lines with 'F' in column 5 (vertex numbers of one or two characters from
// column 7 on, 't' three columns after the ')' for an arc).  The printed
// text must be exactly what these rules give, a stop must carry the
// documented error number and message, and the output must be lines "i j"
// of two integers, at most N*N of them.
#include "tests/fuzz/decoder.h"
#include "tests/fuzz/reference.h"
#include "tests/fuzz/support.h"

#include "common/globals.h"
#include "common/roundtrip.h"
#include "orientcheck/orientation.h"

#include <cstdint>
#include <string>

using namespace wordrep;
using fuzz::require;

namespace {

using Expected = fuzz::Outcome;

Expected decode_reference(const std::string &text, Int n) {
  reference::Reader r(text);
  Expected e;
  reference::Outcome line = r.read_verdict();
  if (line.code) {
    e.code = line.code;
    return e;
  }
  if (line.text == "unsat") return e;
  // The code (0..255) of the character in column x, or none.
  auto column = [&](std::size_t x, int &c) {
    if (x < 1 || x > line.text.size()) return false;
    c = static_cast<unsigned char>(line.text[x - 1]);
    return true;
  };
  for (Int arc = 1; arc <= (n > 0 ? n * n : 0); ++arc) {
    int c = 0, d = 0;
    for (;;) {
      line = r.read_line();
      if (line.code) {
        e.code = line.code;
        return e;
      }
      if (!column(5, c)) {
        e.code = 300;
        return e;
      }
      if (c == 'F') break;
    }
    std::size_t x = 7;
    if (!column(7, c) || !column(8, d)) {
      e.code = 300;
      return e;
    }
    Int i = c - '0';
    if (d != ' ') {
      x = 8;
      i = 10 * i + (d - '0');
    }
    x += 2;
    if (!column(x, c) || !column(x + 1, d)) {
      e.code = 300;
      return e;
    }
    Int j = c - '0';
    if (d != ')') {
      x += 1;
      j = 10 * j + (d - '0');
    }
    x += 3;
    if (!column(x, c)) {
      e.code = 300;
      return e;
    }
    if (c == 't') e.output += std::to_string(i) + " " + std::to_string(j) + "\n";
  }
  return e;
}

bool is_integer(const std::string &s) {
  std::size_t at = s[0] == '-' ? 1 : 0;
  if (at == s.size()) return false;
  for (; at < s.size(); ++at)
    if (s[at] < '0' || s[at] > '9') return false;
  return true;
}

// Lines "i j" of two integers, at most `most` of them.
void check_shape(const std::string &out, Int most) {
  Int lines = 0;
  std::size_t start = 0;
  while (start < out.size()) {
    const std::size_t end = out.find('\n', start);
    require(end != std::string::npos, "an arc line without its line end");
    const std::string line = out.substr(start, end - start);
    const std::size_t blank = line.find(' ');
    require(blank != std::string::npos && blank > 0 && is_integer(line.substr(0, blank)) &&
                is_integer(line.substr(blank + 1)),
            "an arc line not of two integers: " + line);
    ++lines;
    start = end + 1;
  }
  require(lines <= (most > 0 ? most : 0), "more arcs than N*N");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size < 1) return 0;
  const Int n = data[0] % 23 - 2;
  const std::string text(reinterpret_cast<const char *>(data + 1), size - 1);
  const Expected want = decode_reference(text, n);

  N = n;
  const fuzz::Outcome got = fuzz::decode_result(text, [] {
    if (!S.equals("unsat")) print_orientation();
  });
  fuzz::require_outcome(got, want, "arcs");
  check_shape(got.output, n > 0 ? n * n : 0);
  return 0;
}
