// Fuzz target: the integer and line reading of the text I/O layer.
//
// Input: byte 0 chooses where the text starts (bit 6: behind 16384 - (bits
// 0..5) bytes of filler lines, so that the text meets the end of the first
// read chunk); byte 1 gives the number of operations (1..16); then one byte
// per operation; the rest is the text.  The operations run in turn, over and
// over, until one stops the reader or a bound on their number is reached.
// Every read must give what the reference reader gives for that text: the
// same number, character or line, or a stop with the same error number and
// its documented message; every number read must be written back in decimal.
#include "tests/fuzz/reference.h"
#include "tests/fuzz/support.h"

#include "common/roundtrip.h"

#include <cstdint>
#include <string>

using namespace wordrep;
using fuzz::require;

namespace {

TextFile source("file `t'", -1, FileMode::closed);
TextFile sink("file `s'", -1, FileMode::closed);

enum Op { op_int, op_char, op_skip, op_line, op_line_item, op_skip_item, op_verdict, op_int_item };
const char *const op_names[] = {"read_int",     "read_char",      "skip_line",
                                "read_line",    "read_line_item", "skip_line_item",
                                "read_verdict", "read_int_item"};

reference::Outcome run_reader(int op) {
  reference::Outcome o;
  try {
    Line s;
    switch (op) {
    case op_int:
      o.value = read_int(source);
      break;
    case op_char:
      o.value = static_cast<unsigned char>(read_char(source));
      break;
    case op_skip:
      skip_line(source);
      break;
    case op_line:
      read_line(source, s);
      o.text.assign(s.text, static_cast<std::size_t>(s.length));
      break;
    case op_line_item:
      read_line_item(source, s);
      check_io(0);
      o.text.assign(s.text, static_cast<std::size_t>(s.length));
      break;
    case op_skip_item:
      skip_line_item(source);
      check_io(0);
      break;
    case op_verdict:
      read_verdict(source, s);
      o.text.assign(s.text, static_cast<std::size_t>(s.length));
      break;
    case op_int_item:
      o.value = read_int_item(source);
      check_io(0);
      break;
    }
  } catch (const Stopped &stopped) {
    o.code = static_cast<int>(stopped.code);
    require(o.code != 0, "a stop without an error number");
    require(stopped.message == reference::message(o.code, "file `t'"),
            "message of error " + std::to_string(o.code) + ": " + stopped.message);
    o.value = 0;
    o.text.clear();
  }
  return o;
}

reference::Outcome run_reference(reference::Reader &r, int op) {
  switch (op) {
  case op_int:
  case op_int_item:
    return r.read_int();
  case op_char:
    return r.read_char();
  case op_skip:
  case op_skip_item:
    return r.skip_line();
  case op_line:
    return r.read_line();
  case op_line_item:
    return r.read_line_item();
  default:
    return r.read_verdict();
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size < 2) return 0;
  const unsigned mode = data[0];
  const std::size_t count = data[1] % 16 + 1;
  if (size < 2 + count) return 0;
  const std::uint8_t *ops = data + 2;
  std::string text;
  int filler_lines = 0;
  if (mode & 0x40) {
    const std::size_t shift = mode & 63;
    for (int line = 0; line < 63; ++line) text += std::string(255, 'x') + '\n';
    text += std::string(255 - shift, 'x') + '\n';
    filler_lines = 64;
  }
  text.append(reinterpret_cast<const char *>(data + 2 + count), size - 2 - count);

  fuzz::open_for_reading(source, text);
  const int written = fuzz::open_for_writing(sink);
  reference::Reader ref(text);
  std::string numbers; // every number read, as it must have been written back

  for (int line = 0; line < filler_lines; ++line) {
    const reference::Outcome got = run_reader(op_line), want = ref.read_line();
    require(got.code == 0 && want.code == 0 && got.text == want.text, "filler line");
  }
  // Enough steps to reach the end of the text whatever the operations are.
  const std::size_t bound = 4 * (size - 2 - count) + 1024;
  for (std::size_t step = 0; step < bound; ++step) {
    const int op = ops[step % count] % 8;
    const reference::Outcome got = run_reader(op), want = run_reference(ref, op);
    if (got.code != want.code || got.value != want.value || got.text != want.text)
      require(false, std::string(op_names[op]) + " at step " + std::to_string(step) + ": error " +
                         std::to_string(got.code) + ", value " + std::to_string(got.value) +
                         ", line \"" + got.text + "\"; expected error " +
                         std::to_string(want.code) + ", value " + std::to_string(want.value) +
                         ", line \"" + want.text + "\"");
    if (got.code != 0) break;
    if ((op == op_int || op == op_int_item) && numbers.size() < 4096) {
      write(sink, got.value, ' ');
      numbers += std::to_string(got.value) + ' ';
    }
  }
  fuzz::close_if_open(source);
  fuzz::close_if_open(sink);
  require(fuzz::contents(written) == numbers, "numbers written back in decimal");
  ::close(written);
  return 0;
}
