#include "census/io.h"

#include "census/error.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <unistd.h>

namespace census {

bool LineReader::fill() {
  if (eof_) return false;
  if (before_read_) before_read_();
  if (wake_fd_ >= 0) {
    pollfd fds[2] = {{fd_, POLLIN, 0}, {wake_fd_, POLLIN, 0}};
    while (::poll(fds, 2, -1) < 0)
      if (errno != EINTR)
        throw Error("cannot wait for " + name_ + ": " + std::strerror(errno), kExitUsage);
    if (fds[1].revents) return false;
  }
  for (;;) {
    ssize_t got = ::read(fd_, buf_, sizeof buf_);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw Error("cannot read " + name_ + ": " + std::strerror(errno), kExitUsage);
    pos_ = 0;
    end_ = static_cast<size_t>(got);
    eof_ = got == 0;
    return !eof_;
  }
}

bool LineReader::next(std::string &line, bool &cut) {
  line.clear();
  cut = false;
  bool any = false;
  for (;;) {
    if (pos_ == end_ && !fill()) return any;
    any = true;
    const char *start = buf_ + pos_;
    const void *nl = std::memchr(start, '\n', end_ - pos_);
    size_t len = nl ? static_cast<const char *>(nl) - start : end_ - pos_;
    size_t room = kMaxLine - line.size();
    if (len > room) cut = true;
    line.append(start, len < room ? len : room);
    pos_ += len;
    if (nl) {
      ++pos_;
      return true;
    }
  }
}

void Output::write(const std::string &text) {
  buf_ += text;
  if (buf_.size() >= 65536) flush();
}

void Output::flush() {
  size_t done = 0;
  while (done < buf_.size()) {
    ssize_t put = ::write(fd_, buf_.data() + done, buf_.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) throw Error("cannot write " + what_ + ": " + std::strerror(errno), kExitOutput);
    done += static_cast<size_t>(put);
  }
  buf_.clear();
}

} // namespace census
