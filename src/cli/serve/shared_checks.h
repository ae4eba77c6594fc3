// The exporter's checks of servers: each on a worker of its own, at most `parallel` at once, and one
// check of a server however many scrapes ask for it at the same time. Each caller waits for the
// answer only until its own deadline; a check that outlives every caller is let go and stops holding
// its place. A later caller starts a check anew, unless the server has kMostLetGoPerServer checks let
// go already: it then waits for the last of them, so a server that hangs holds only so many threads.
#pragma once

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "core/server_check.h"
#include "core/server_checks.h"

namespace kestrane {

inline constexpr int kMostLetGoPerServer = 2;

class SharedChecks {
 public:
  enum class Outcome {
    Answered,  // `check` holds what the server answered
    Late,      // the deadline passed first
    Busy,      // no place for a new check came free before the deadline
    Stopped,   // the exporter is ending
  };
  struct Result {
    Outcome outcome = Outcome::Busy;
    ServerCheck check;
    std::chrono::steady_clock::duration took{};  // the check's own time, when answered
  };

  // `mostLetGo`: checks let go and still running, beyond which no new check starts.
  SharedChecks(DiskQueryFactory queries, int parallel, int mostLetGo);
  SharedChecks(const SharedChecks&) = delete;
  SharedChecks& operator=(const SharedChecks&) = delete;

  // Blocks until `name` has been checked (by a check already running for it, or by a new one), or
  // until `deadline`. Names compare without case.
  Result Check(const std::string& name, std::chrono::steady_clock::time_point deadline);

  // Every waiting and later call returns Stopped at once.
  void Stop();

  int Running() const;  // checks holding a place
  int LetGo() const;    // checks no caller waits for any more, still running

 private:
  struct Flight;
  struct State;
  int parallel_;
  int mostLetGo_;
  std::shared_ptr<State> state_;  // shared with the workers, which may outlive this
  ServerChecks checks_;
};

}  // namespace kestrane
