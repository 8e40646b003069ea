// Text files and their lifecycle: the standard files, and the file variable
// bound to an external name, opened, closed and reopened by the round trip.
//
// This is the one owner of a file's descriptor: binding, every open and every
// close happen here, and so does the lock on the working directory.  The
// read and write statements (textio.h) work on the state of an open file.
//
//   bind(R, "ff");   // once; from here on the run holds its directory locked
//   open_write(R);   // created or truncated; any earlier open is dropped
//   close_file(R);   // a failing close(2) is error 418
//   open_read(R);    // at its start, nothing read yet
//
// Every operation ends with its status check: a failure stops the program
// with the error report.
#pragma once

#include "common/report.h"

#include <cstddef>
#include <string>

namespace wordrep {

constexpr std::size_t buffer_size = 16384; // statement buffer and read chunk
constexpr int no_char = -1;                // "there is no character"

enum class FileMode { closed, reading, writing };

// A text file: the standard streams, and the file variable bound to "ff".
struct TextFile {
  TextFile(const char *description, int fd, FileMode mode);

  std::string description; // its name in messages: "Input", "Output", "file `ff'"
  std::string name;        // external name once bound, else empty
  int fd;                  // descriptor while open, else -1
  FileMode mode;
  bool directory_at_bind = false; // "ff" was a directory when bound
  bool opened_before = false;     // an open has been attempted

  // Writing state.
  char out[buffer_size];
  std::size_t fill = 0;      // bytes collected by the statement under way
  Int statement_written = 0; // bytes of that statement handed over so far

  // Reading state, reset by `reset_reading`.
  unsigned char in[buffer_size];
  std::size_t in_length = 0, in_next = 0; // the chunk and the next byte in it
  int pending = no_char;                  // a fetched but unread character
  bool line_end = false;                  // the last fetched character was a line end
  bool at_end = false;                    // a fetch found no further byte
  bool final_line_end = false;            // the last chunk ended with a line feed
  Int received = 0;                       // bytes received since the file was opened

  void reset_reading();
};

// Records a failure concerning `f` in the I/O status: the file is named by
// its description, or by its external name alone for error 401.
void fail(const TextFile &f, Int code, int sys_errno = 0);

// The standard files: descriptor 0 and descriptor 1.
extern TextFile Input;
extern TextFile Output;

// Binds `f` to the external name; nothing is opened or created.  The first
// binding of a run also locks the working directory (flock(2) on the
// directory itself) until the process and the commands it started have all
// exited (they inherit the lock's descriptor), waiting while another run
// holds it, so that runs started in one directory never share its files,
// even with the solver of a run that was killed; a directory that cannot be
// opened or locked is used without the lock.
void bind(TextFile &f, const char *name);

// Closes `f` if open, dropping what was left unread, then opens it
// read-write (created with mode 0666 under the umask, truncated), or
// write-only when that is refused.
void open_write(TextFile &f);

// Closes `f` if open, then opens it for reading at its start; nothing is read yet.
void open_read(TextFile &f);

// Closes `f`; a failing close(2) is error 418.
void close_file(TextFile &f);

// Ends a normal run: closes every bound file still open (a failure there is
// not reported) and gives exit status 0.
int finish_program();

} // namespace wordrep
