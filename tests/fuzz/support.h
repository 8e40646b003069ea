// What the fuzz targets share: in-memory files for the text files of common/,
// and the check that turns a broken rule into a crash libFuzzer reports.
#pragma once

#include "common/report.h"
#include "common/textio.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace fuzz {

// Aborts with `what` unless `ok`: libFuzzer keeps the input as a crash.
inline void require(bool ok, const std::string &what) {
  if (ok) return;
  std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
  std::abort();
}

// A memory file holding `text`, positioned at its start.
inline int memory_file(const std::string &text) {
  const int fd = ::memfd_create("fuzz", MFD_CLOEXEC);
  require(fd >= 0, "memfd_create");
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    require(n > 0, "write to memory file");
    done += static_cast<std::size_t>(n);
  }
  require(::lseek(fd, 0, SEEK_SET) == 0, "lseek");
  return fd;
}

// Everything a memory file holds.
inline std::string contents(int fd) {
  std::string out;
  char buf[4096];
  require(::lseek(fd, 0, SEEK_SET) == 0, "lseek");
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    require(n >= 0, "read from memory file");
    if (n == 0) break;
    out.append(buf, static_cast<std::size_t>(n));
  }
  return out;
}

// Makes `f` read `text` from its start, as an open does.
inline void open_for_reading(wordrep::TextFile &f, const std::string &text) {
  f.fd = memory_file(text);
  f.mode = wordrep::FileMode::reading;
  f.reset_reading();
}

// Makes `f` write into a fresh memory file; gives a second descriptor of
// that file, which stays open when `f` is closed.
inline int open_for_writing(wordrep::TextFile &f) {
  const int keep = memory_file("");
  f.fd = ::dup(keep);
  require(f.fd >= 0, "dup");
  f.mode = wordrep::FileMode::writing;
  f.fill = 0;
  return keep;
}

// Closes `f` if it is open (a stop leaves the files as they are).
inline void close_if_open(wordrep::TextFile &f) {
  if (f.mode != wordrep::FileMode::closed) ::close(f.fd);
  f.fd = -1;
  f.mode = wordrep::FileMode::closed;
}

} // namespace fuzz
