// The I/O status and the error report: how every failure of the programs ends.
//
// Every I/O primitive of the frame leaves its failure, if any, in the one
// program-wide I/O status; the status check that ends each statement turns a
// pending failure into the error report.  The report is the single line
//
//   {prog}: {message} (error #{code} at {place})
//
// written with one write to descriptor 2, after which the program exits with
// status 42; the exit itself closes every descriptor, so no file is touched
// after the failure.  `stop` is the only place that exits with 42.  This is
// the lowest layer of the frame: it knows files only by the text that names
// them in a message.
#pragma once

#include <cstdint>
#include <string>

namespace wordrep {

using Int = std::int64_t;     // every number the programs handle
using Place = std::uintptr_t; // where in the program a failure was detected

// Error numbers the programs can meet.
enum ErrorCode : Int {
  err_range = 300,          // an index outside 1..20
  err_open_directory = 401, // "ff" was a directory when bound
  err_close = 418,          // close(2) failed
  err_open_read = 442,      // "ff" could not be opened for reading
  err_open_write = 443,     // "ff" could not be opened for writing
  err_not_writing = 450,    // write to a file not open for writing
  err_not_reading = 452,    // read from a file not open for reading
  err_past_end = 454,       // a read found the end of the file
  err_read = 464,           // read(2) failed
  err_write = 466,          // nothing of a statement could be written
  err_write_part = 467,     // part of a statement was written
  err_execute = 488,        // a command could not be run or died by a signal
  err_sign_digit = 551,     // a sign not followed by a digit
  err_digit = 552,          // neither sign nor digit where an integer is due
  err_overflow = 553,       // the integer does not fit 64 bits
  err_hex_digit = 557,      // "$" not followed by a hexadecimal digit
  err_base_digit = 558,     // "#" not followed by a digit of the base
  err_base_twice = 559,     // a second base prefix
  err_base_range = 560,     // a base outside 2..36
};

// Takes the program name and the locale from the environment; call first.
void start_program(int argc, char **argv);

// Records a failure in the I/O status unless one is pending already (the
// first failure of a statement wins).  `file` is the text that stands for
// "%" in the message, null when the failure concerns no file; `sys_errno` is
// 0 when the failure carries no system error text.
void set_io_status(Int code, const char *file, int sys_errno = 0);

// True while a failure is pending.
bool io_failed();

// The status check: stops with the report when a failure is pending.
void check_io(Place place);

// Writes the report for `message` and `code` and exits with status 42.
[[noreturn]] void stop(Int code, const std::string &message, Place place);

#ifdef WORDREP_FUZZING
// In fuzzing builds `stop` throws this instead of writing the report and
// ending the process, so a fuzz target can go on; the target closes the
// files it opened.
struct Stopped {
  Int code;
  std::string message;
};
#endif

// Stops with "value out of range" unless low <= index <= high.
void check_bounds(Int index, Int low, Int high);

// The code address of the caller of the function this is used in.
#define WORDREP_CALLER_PLACE                                                                       \
  (reinterpret_cast<::wordrep::Place>(__builtin_return_address(0)) - ::wordrep::image_base())

// The address the program was loaded at, so that places are stable between runs.
Place image_base();

} // namespace wordrep
