// The signals that end a run early (SIGTERM, SIGINT, SIGHUP), taken by a
// thread of their own so that the run stops between rows and keeps them.
//
// The signals are blocked in the thread that makes the watch (and so in the
// threads it starts later); the watch's thread waits for them with sigwait,
// records the first in a flag (which the SAT searches poll, see sat/sat.h)
// and makes a pipe readable (which a reader blocked on its input polls with
// it).  Nothing runs in a signal handler.  Usage:
//
//   SignalWatch watch;                 // before any other thread
//   settings.stop = &watch.flag();
//   ... if (watch.flag()) { keep the rows; return 128 + watch.flag(); }
#pragma once

#include <atomic>
#include <csignal>
#include <thread>

namespace census {

class SignalWatch {
public:
  // Blocks the signals in the calling thread and starts the watching thread.
  SignalWatch();
  // Stops the watching thread and unblocks the signals.
  ~SignalWatch();
  SignalWatch(const SignalWatch &) = delete;
  SignalWatch &operator=(const SignalWatch &) = delete;

  // The first signal received, 0 while there is none.
  const std::atomic<int> &flag() const { return signal_; }
  // A descriptor that becomes readable when a signal comes.
  int wake_fd() const { return pipe_[0]; }

private:
  void watch(); // the watching thread

  sigset_t set_, old_;
  std::atomic<int> signal_{0};
  std::atomic<bool> closing_{false};
  int pipe_[2] = {-1, -1};
  std::thread thread_;
};

} // namespace census
