#include "census/signals.h"

#include "census/error.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

namespace census {

SignalWatch::SignalWatch() {
  sigemptyset(&set_);
  for (int s : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&set_, s);
  if (::pipe2(pipe_, O_CLOEXEC) != 0)
    throw Error(std::string("cannot make a pipe: ") + std::strerror(errno), kExitUsage);
  pthread_sigmask(SIG_BLOCK, &set_, &old_);
  thread_ = std::thread([this] { watch(); });
}

void SignalWatch::watch() {
  int got = 0;
  while (sigwait(&set_, &got) != 0) {
  }
  if (closing_.load()) return;
  signal_.store(got);
  const char byte = 1;
  while (::write(pipe_[1], &byte, 1) < 0 && errno == EINTR) {
  }
}

SignalWatch::~SignalWatch() {
  closing_.store(true);
  if (!signal_.load()) pthread_kill(thread_.native_handle(), SIGTERM); // ends the sigwait
  thread_.join();
  pthread_sigmask(SIG_SETMASK, &old_, nullptr);
  ::close(pipe_[0]);
  ::close(pipe_[1]);
}

} // namespace census
