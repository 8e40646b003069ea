// The frame of the two decoder targets: the result text opened as "ff", the
// verdict read and the program's decoding run, a stop caught and its message
// checked, then the outcome compared with what the reference rules give.
#pragma once

#include "tests/fuzz/reference.h"
#include "tests/fuzz/support.h"

#include "common/globals.h"
#include "common/roundtrip.h"

#include <string>

namespace fuzz {

// How a decoding ends: the error number (0 for none) and what it printed.
struct Outcome {
  int code = 0;
  std::string output;
};

// Runs `decode` after the verdict read of `text`, as the program does.
template <class Decode> Outcome decode_result(const std::string &text, Decode decode) {
  using namespace wordrep;
  R.description = "file `ff'";
  open_for_reading(R, text);
  const int printed = open_for_writing(Output);
  Outcome got;
  try {
    read_verdict(R, S);
    decode();
  } catch (const Stopped &stopped) {
    got.code = static_cast<int>(stopped.code);
    require(stopped.message == reference::message(got.code, "file `ff'"),
            "message of error " + std::to_string(got.code) + ": " + stopped.message);
  }
  close_if_open(R);
  close_if_open(Output);
  got.output = contents(printed);
  ::close(printed);
  return got;
}

// Fails unless `got` is `want`; `what` names the output in the message.
inline void require_outcome(const Outcome &got, const Outcome &want, const char *what) {
  require(got.code == want.code,
          "error " + std::to_string(got.code) + ", expected " + std::to_string(want.code));
  require(got.output == want.output,
          std::string(what) + " \"" + got.output + "\", expected \"" + want.output + "\"");
}

} // namespace fuzz
