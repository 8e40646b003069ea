// The one error type of the census.
#pragma once

#include <stdexcept>
#include <string>

namespace census {

// Exit statuses of wordrep-census.
constexpr int kExitFailures = 1; // some rows report a failure
constexpr int kExitUsage = 2;    // bad command line or unreadable input
constexpr int kExitOutput = 3;   // the CSV could not be written

// A fault that stops the work on one graph (its row reports the message) or,
// raised outside a graph, the whole run (main reports it and exits with status).
class Error : public std::runtime_error {
public:
  explicit Error(const std::string &message, int status = kExitFailures)
      : std::runtime_error(message), status_(status) {}
  int status() const { return status_; }

private:
  int status_;
};

// A search larger than the census's limits (letters, clauses, rounds): it
// proved nothing either way about the graph.
class OverLimits : public Error {
public:
  explicit OverLimits(const std::string &message) : Error(message) {}
};

} // namespace census
