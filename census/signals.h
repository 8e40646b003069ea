// The signals that end a run early (SIGTERM, SIGINT, SIGHUP), taken by a
// thread of their own so that the run stops between rows and keeps them.
//
// The signals are blocked in the thread that makes the watch (and so in the
// threads it starts later) and read from a signalfd by the watch's thread,
// which records the first in a flag (which the SAT searches poll, see
// sat/sat.h) and makes a pipe readable (which a reader blocked on its input
// polls with it).  Nothing runs in a signal handler.  Usage:
//
//   SignalWatch watch;                 // before any other thread
//   settings.stop = &watch.flag();
//   ... work, stopping when watch.flag() is set ...
//   if (int signal = watch.settle()) return 128 + signal;
#pragma once

#include <atomic>
#include <csignal>
#include <thread>

namespace census {

class SignalWatch {
public:
  // Blocks the signals in the calling thread and starts the watching thread.
  SignalWatch();
  // Settles, then unblocks the signals.
  ~SignalWatch();
  SignalWatch(const SignalWatch &) = delete;
  SignalWatch &operator=(const SignalWatch &) = delete;

  // The first signal received, 0 while there is none.
  const std::atomic<int> &flag() const { return signal_; }
  // A descriptor that becomes readable when a signal comes.
  int wake_fd() const { return wake_[0]; }
  // Stops the watching thread and takes a signal still pending: the first
  // signal that came before this call, 0 for none.
  int settle();

private:
  void watch(); // the watching thread
  bool take();  // reads one signal from the signalfd into the flag, if one is there

  sigset_t set_, old_;
  std::atomic<int> signal_{0};
  int signal_fd_ = -1;
  int wake_[2] = {-1, -1}; // readable once a signal came
  int quit_[2] = {-1, -1}; // readable once the watch settles
  std::thread thread_;
};

} // namespace census
