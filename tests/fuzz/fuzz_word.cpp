// Fuzz target: alterword's decoder fed arbitrary result files.
//
// Input: byte 0 gives the vertex count N (-1..20), byte 1 the copy count K
// (1..23); the rest is the result file.  As alterword does after a round
// trip, the verdict line is read, and on "sat" the model is decoded into the
// position table and the word printed.  The printed text must be exactly
// what the decoding rules give for that text (each of the N*K model lines
// read as five characters, the letter, the copy, one character, the
// position, the rest of the line skipped; the word printed position by
// position), and a stop must carry the documented error number and message.
// On any run the output holds only letters 1..9 as digits and 10..20 in
// parentheses, at most N*K of them, and the line end only when nothing stopped.
#include "tests/fuzz/decoder.h"
#include "tests/fuzz/reference.h"
#include "tests/fuzz/support.h"

#include "alterword/word.h"
#include "common/globals.h"
#include "common/roundtrip.h"

#include <cstdint>
#include <string>

using namespace wordrep;
using fuzz::require;

namespace {

using Expected = fuzz::Outcome;

Expected decode_reference(const std::string &text, Int n, Int k) {
  reference::Reader r(text);
  Expected e;
  const reference::Outcome verdict = r.read_verdict();
  if (verdict.code) {
    e.code = verdict.code;
    return e;
  }
  if (verdict.text != "sat") return e;
  static Int position[21][21];
  for (auto &row : position)
    for (Int &cell : row) cell = 0;
  for (Int line = 1; line <= n * k; ++line) {
    reference::Outcome o;
    for (int column = 1; column <= 5; ++column)
      if ((o = r.read_char()).code) break;
    const reference::Outcome letter = o.code ? o : r.read_int();
    const reference::Outcome copy = letter.code ? letter : r.read_int();
    const reference::Outcome between = copy.code ? copy : r.read_char();
    const reference::Outcome at = between.code ? between : r.read_int();
    const reference::Outcome skip = at.code ? at : r.skip_line();
    if (skip.code) {
      e.code = skip.code;
      return e;
    }
    if (letter.value < 1 || letter.value > 20 || copy.value < 1 || copy.value > 20) {
      e.code = 300;
      return e;
    }
    position[letter.value][copy.value] = at.value;
  }
  for (Int p = 1; p <= n * k; ++p)
    for (Int i = 1; i <= n; ++i)
      for (Int j = 1; j <= k; ++j) {
        if (j > 20) {
          e.code = 300;
          return e;
        }
        if (position[i][j] == p)
          e.output += i <= 9 ? std::to_string(i) : "(" + std::to_string(i) + ")";
      }
  e.output += '\n';
  return e;
}

// Letters only, each 1..9 or (10)..(20), at most `most` of them, then the
// line end exactly when `complete`.
void check_shape(const std::string &out, Int most, bool complete) {
  std::size_t at = 0;
  Int letters = 0;
  const std::size_t end = complete ? out.size() - 1 : out.size();
  if (complete) require(!out.empty() && out.back() == '\n', "the word ends with its line end");
  while (at < end) {
    if (out[at] >= '1' && out[at] <= '9') {
      ++at;
    } else {
      require(out[at] == '(' && at + 3 < end && out[at + 3] == ')', "a letter in parentheses");
      const int letter = (out[at + 1] - '0') * 10 + (out[at + 2] - '0');
      require(out[at + 1] >= '1' && out[at + 1] <= '2' && out[at + 2] >= '0' &&
                  out[at + 2] <= '9' && letter >= 10 && letter <= 20,
              "a letter from 10 to 20");
      at += 4;
    }
    ++letters;
  }
  require(letters <= (most > 0 ? most : 0), "more letters than N*K");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size < 2) return 0;
  const Int n = data[0] % 22 - 1, k = data[1] % 23 + 1;
  const std::string text(reinterpret_cast<const char *>(data + 2), size - 2);
  const Expected want = decode_reference(text, n, k);

  N = n;
  K = k;
  B = Matrix<Int>{};
  const fuzz::Outcome got = fuzz::decode_result(text, [] {
    if (S.equals("sat")) {
      decode_model();
      print_word();
    }
  });
  fuzz::require_outcome(got, want, "word");
  check_shape(got.output, n * k, got.code == 0 && !got.output.empty());
  return 0;
}
