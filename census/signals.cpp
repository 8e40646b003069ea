#include "census/signals.h"

#include "census/error.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace census {

SignalWatch::SignalWatch() {
  sigemptyset(&set_);
  for (int s : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&set_, s);
  pthread_sigmask(SIG_BLOCK, &set_, &old_);
  signal_fd_ = ::signalfd(-1, &set_, SFD_NONBLOCK | SFD_CLOEXEC);
  if (signal_fd_ < 0 || ::pipe2(wake_, O_CLOEXEC) != 0 || ::pipe2(quit_, O_CLOEXEC) != 0) {
    pthread_sigmask(SIG_SETMASK, &old_, nullptr);
    throw Error(std::string("cannot watch for signals: ") + std::strerror(errno), kExitUsage);
  }
  thread_ = std::thread([this] { watch(); });
}

bool SignalWatch::take() {
  signalfd_siginfo info;
  if (::read(signal_fd_, &info, sizeof info) != sizeof info) return false;
  int expected = 0;
  signal_.compare_exchange_strong(expected, static_cast<int>(info.ssi_signo));
  const char byte = 1;
  while (::write(wake_[1], &byte, 1) < 0 && errno == EINTR) {
  }
  return true;
}

void SignalWatch::watch() {
  for (;;) {
    pollfd fds[2] = {{signal_fd_, POLLIN, 0}, {quit_[0], POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) continue; // EINTR
    if (fds[0].revents && take()) return;
    if (fds[1].revents) return;
  }
}

int SignalWatch::settle() {
  if (thread_.joinable()) {
    const char byte = 1;
    while (::write(quit_[1], &byte, 1) < 0 && errno == EINTR) {
    }
    thread_.join();
    if (!signal_.load()) take();
  }
  return signal_.load();
}

SignalWatch::~SignalWatch() {
  settle();
  pthread_sigmask(SIG_SETMASK, &old_, nullptr);
  for (int fd : {signal_fd_, wake_[0], wake_[1], quit_[0], quit_[1]}) ::close(fd);
}

} // namespace census
