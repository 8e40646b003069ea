#include "common/report.h"

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

extern "C" char __executable_start; // first byte of the loaded program image

namespace wordrep {

namespace {

struct IoStatus {
  Int code = 0;            // 0 when no failure is pending
  std::string file;        // the text that stands for "%"
  bool has_file = false;   // the failure concerns a file
  std::string system_text; // the C library's text for the error
  bool has_system_text = false;
};

IoStatus status;
std::string program_name;

// The message table: error number to text; "%" stands for the file.
const char *message_template(Int code) {
  switch (code) {
  case err_range:
    return "value out of range";
  case err_open_directory:
    return "cannot open directory `%'";
  case err_close:
    return "error while closing %";
  case err_open_read:
    return "cannot open % for reading";
  case err_open_write:
    return "cannot open % for writing";
  case err_not_writing:
    return "% is not open for writing";
  case err_not_reading:
    return "% is not open for reading";
  case err_past_end:
    return "attempt to read past end of %";
  case err_read:
    return "error when reading from %";
  case err_write:
    return "error when writing to %";
  case err_write_part:
    return "cannot write all the data to %";
  case err_execute:
    return "`Execute': cannot execute program";
  case err_sign_digit:
    return "digit expected after sign";
  case err_digit:
    return "sign or digit expected";
  case err_overflow:
    return "overflow while reading integer";
  case err_hex_digit:
    return "digit expected after `$' in integer constant";
  case err_base_digit:
    return "digit expected after `#' in integer constant";
  case err_base_twice:
    return "only one base specifier allowed in integer constant";
  case err_base_range:
    return "base out of range (2 .. 36)";
  default:
    return "unknown error";
  }
}

// The message of the pending I/O failure; clears the status.
std::string compose_io_message() {
  std::string text = message_template(status.code);
  const std::size_t percent = text.find('%');
  if (percent != std::string::npos && status.has_file) text.replace(percent, 1, status.file);
  if (status.has_system_text) text += " (" + status.system_text + ")";
  status = IoStatus{};
  return text;
}

std::string hex(Place value) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  do {
    out.insert(out.begin(), digits[value % 16]);
    value /= 16;
  } while (value != 0);
  return out;
}

} // namespace

Place image_base() {
  return reinterpret_cast<Place>(&__executable_start);
}

void start_program(int argc, char **argv) {
  program_name = argc > 0 && argv[0] != nullptr ? argv[0] : "";
  // Every category but the numeric one comes from the environment; only the
  // messages category shows, as the language of system error texts.
  for (int category : {LC_COLLATE, LC_CTYPE, LC_MONETARY, LC_TIME, LC_MESSAGES})
    std::setlocale(category, "");
}

void set_io_status(Int code, const char *file, int sys_errno) {
  if (status.code != 0) return;
  status.code = code;
  status.has_file = file != nullptr;
  status.file = file != nullptr ? file : "";
  status.has_system_text = sys_errno != 0;
  status.system_text = sys_errno != 0 ? std::strerror(sys_errno) : "";
}

bool io_failed() {
  return status.code != 0;
}

void check_io(Place place) {
  if (status.code == 0) return;
  const Int code = status.code;
  stop(code, compose_io_message(), place);
}

void stop(Int code, const std::string &message, Place place) {
#ifdef WORDREP_FUZZING
  (void)place;
  throw Stopped{code, message};
#endif
  const std::string line = program_name + ": " + message.substr(0, 2048) + " (error #" +
                           std::to_string(code) + " at " + hex(place) + ")\n";
  ssize_t ignored = ::write(2, line.data(), line.size()); // a failure here is ignored
  (void)ignored;
  std::_Exit(42); // closes every open file; nothing of them is deleted or truncated
}

[[gnu::noinline]] void check_bounds(Int index, Int low, Int high) {
  if (index < low || index > high)
    stop(err_range, message_template(err_range), WORDREP_CALLER_PLACE);
}

} // namespace wordrep
