// The solver round trip: the benchmark file "ff", the two command lines run
// through the shell, and the verdict line read back.
//
// Usage, as both programs run it:
//
//   bind(R, "ff");                         // once (textfile.h)
//   round_trip(write_benchmark);           // benchmark out, verdict into S
//   if (S.equals("sat")) ... read model lines from R ...
//   truncate_result(R);                    // leaves "ff" present and empty
//
// Every operation ends with its status check: a failure stops the program
// with the error report, and "ff" keeps what it held at that moment.
#pragma once

#include "common/globals.h"

namespace wordrep {

constexpr const char *solver_command = "./yices -smt -e ff > r";
constexpr const char *rename_command = "mv r ff";

// Runs `command_line` with POSIX system(3) and waits for it; gives its exit
// code.  A failed call or a shell ended by a signal is error 488.
Int run_command(const char *command_line);

// Reads the first line of the freshly opened result file into `s` (at most
// 255 characters) and skips the rest of that line.  A result file without a
// single byte is error 454: no solver answered.
void read_verdict(TextFile &f, Line &s);

// Writes the benchmark into R with `write_benchmark`, runs the solver and the
// rename, reopens "ff" and reads its verdict line into S.
void round_trip(void (*write_benchmark)());

// Opens `f` for writing and closes it again, which leaves it empty.
void truncate_result(TextFile &f);

} // namespace wordrep
