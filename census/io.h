// Streams of the census: bounded lines in, buffered text out.
#pragma once

#include <functional>
#include <string>

namespace census {

// Lines of a file descriptor, each at most kMaxLine bytes kept.  Memory stays
// bounded whatever the input.
class LineReader {
public:
  static constexpr size_t kMaxLine = 65536;
  // Reads fd (not closed here); name is used in error messages.
  LineReader(int fd, std::string name) : fd_(fd), name_(std::move(name)) {}
  // The next line without its line feed; false at the end.  Sets cut when the
  // line was longer than kMaxLine (the rest of it is skipped).  Throws Error
  // (kExitUsage) when reading fails.
  bool next(std::string &line, bool &cut);
  // From now on: before_read runs before each read of the input (which may
  // block), and reading ends (next() false) once wake_fd is readable.
  void wait_on(int wake_fd, std::function<void()> before_read) {
    wake_fd_ = wake_fd;
    before_read_ = std::move(before_read);
  }

private:
  bool fill();
  int fd_;
  std::string name_;
  int wake_fd_ = -1;
  std::function<void()> before_read_;
  char buf_[65536];
  size_t pos_ = 0, end_ = 0;
  bool eof_ = false;
};

// Text written to a file descriptor through a buffer.  Throws Error
// (kExitOutput) when a write fails (full disk, closed pipe with SIGPIPE
// ignored), naming what: "the CSV", "the help".
class Output {
public:
  Output(int fd, std::string what) : fd_(fd), what_(std::move(what)) {}
  void write(const std::string &text);
  void flush();

private:
  int fd_;
  std::string what_;
  std::string buf_;
};

} // namespace census
