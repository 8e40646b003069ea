// Streams of the census: bounded lines in, buffered text out.
#pragma once

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

private:
  bool fill();
  int fd_;
  std::string name_;
  char buf_[65536];
  size_t pos_ = 0, end_ = 0;
  bool eof_ = false;
};

// Text written to a file descriptor through a buffer.  Throws Error
// (kExitOutput) when a write fails (full disk, closed pipe with SIGPIPE ignored).
class Output {
public:
  explicit Output(int fd) : fd_(fd) {}
  void write(const std::string &text);
  void flush();

private:
  int fd_;
  std::string buf_;
};

} // namespace census
