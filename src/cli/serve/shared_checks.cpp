#include "cli/serve/shared_checks.h"

#include <exception>

#include "core/utf8_text.h"

namespace kestrane {

struct SharedChecks::Flight {
  std::string key;
  std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
  bool done = false;
  bool holdsPlace = true;
  int waiters = 0;
  ServerCheck check;
  std::chrono::steady_clock::duration took{};
};

struct SharedChecks::State {
  std::mutex mutex;
  std::condition_variable changed;  // a check answered or gave up its place, or the end came
  std::map<std::string, std::shared_ptr<Flight>> flights;  // the last check of each server running, by name without case
  std::map<std::string, int> letGoOf;                       // checks let go, by server
  int running = 0;
  int letGo = 0;
  bool stopped = false;

  // Under the mutex: the flight has answered or failed to start.
  void Land(const std::shared_ptr<Flight>& flight, ServerCheck check) {
    flight->done = true;
    flight->check = std::move(check);
    flight->took = std::chrono::steady_clock::now() - flight->started;
    if (flight->holdsPlace) {
      --running;
    } else {
      --letGo;
      if (--letGoOf[flight->key] == 0) letGoOf.erase(flight->key);
    }
    flight->holdsPlace = false;
    auto it = flights.find(flight->key);
    if (it != flights.end() && it->second == flight) flights.erase(it);
    changed.notify_all();
  }
  // Under the mutex: whether a caller waits for this flight rather than start another.
  bool Joins(const Flight& flight) const {
    auto it = letGoOf.find(flight.key);
    return flight.holdsPlace || (it != letGoOf.end() && it->second >= kMostLetGoPerServer);
  }
};

SharedChecks::SharedChecks(DiskQueryFactory queries, int parallel, int mostLetGo)
    : parallel_(parallel), mostLetGo_(mostLetGo), state_(std::make_shared<State>()), checks_(std::move(queries), false) {}

SharedChecks::Result SharedChecks::Check(const std::string& name, std::chrono::steady_clock::time_point deadline) {
  State& state = *state_;
  std::unique_lock lock(state.mutex);
  const std::string key = FoldCase(name);
  std::shared_ptr<Flight> flight;
  bool start = false;
  for (;;) {
    if (state.stopped) return {Outcome::Stopped, {}, {}};
    if (auto it = state.flights.find(key); it != state.flights.end() && state.Joins(*it->second)) {
      flight = it->second;
      break;
    }
    if (state.running < parallel_ && state.letGo < mostLetGo_) {
      flight = std::make_shared<Flight>();
      flight->key = key;
      state.flights[key] = flight;
      ++state.running;
      start = true;
      break;
    }
    if (state.changed.wait_until(lock, deadline) == std::cv_status::timeout &&
        std::chrono::steady_clock::now() >= deadline) {
      return {Outcome::Busy, {}, {}};
    }
  }
  ++flight->waiters;
  if (start) {
    ServerChecks::Answers answers;
    answers.answered = [weak = std::weak_ptr<State>(state_), flight](ServerCheck check) {
      const bool failed = check.Failed();
      if (std::shared_ptr<State> alive = weak.lock()) {
        std::lock_guard guard(alive->mutex);
        alive->Land(flight, std::move(check));
      }
      return failed;
    };
    lock.unlock();
    std::exception_ptr failed;
    try {
      checks_.Start(name, std::nullopt, std::move(answers));
    } catch (...) {
      failed = std::current_exception();
    }
    lock.lock();
    if (failed) {
      ServerCheck check;
      check.failure = CheckFailure::Query;
      try {
        std::rethrow_exception(failed);
      } catch (const std::exception& e) {
        check.error = e.what();
      } catch (...) {
        check.error = "Unknown exception";
      }
      state.Land(flight, std::move(check));
    }
  }
  state.changed.wait_until(lock, deadline, [&] { return flight->done || state.stopped; });
  --flight->waiters;
  if (flight->done) return {Outcome::Answered, flight->check, flight->took};
  // Nobody waits for it any more: its place goes to the next server, it runs on unseen.
  if (flight->waiters == 0 && flight->holdsPlace) {
    flight->holdsPlace = false;
    --state.running;
    ++state.letGo;
    ++state.letGoOf[key];
    state.changed.notify_all();
  }
  return {state.stopped ? Outcome::Stopped : Outcome::Late, {}, {}};
}

void SharedChecks::Stop() {
  std::lock_guard lock(state_->mutex);
  state_->stopped = true;
  state_->changed.notify_all();
}

int SharedChecks::Running() const {
  std::lock_guard lock(state_->mutex);
  return state_->running;
}

int SharedChecks::LetGo() const {
  std::lock_guard lock(state_->mutex);
  return state_->letGo;
}

}  // namespace kestrane
